#include "record_check.h"

#include "code_page.h"
#include "entry_name.h"

RecordVerdict JudgeRecord(const IndexRecord& record, plat::FileSize dataLeft, unsigned codePage, std::string& text)
{
    if (record.dataSize > dataLeft)
        return {RecordFault::kDataPastEnd, nullptr};
    if (!plat::DecodeText(record.name, codePage, text))
        return {RecordFault::kUndecodableName, kUndecodableNameReason};
    if (const char* reason = RefusedEntryTextReason(text))
        return {RecordFault::kRefusedName, reason};
    return {};
}
