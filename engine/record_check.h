#pragma once

#include "file.h"
#include "package_index.h"

#include <string>

// What the installer refuses in a record, in the order it checks: first the
// data, which must lie within what is left of the data file, then the name.
enum class RecordFault { kNone, kDataPastEnd, kUndecodableName, kRefusedName };

struct RecordVerdict {
    RecordFault fault = RecordFault::kNone;
    const char* reason = nullptr; // why the name is refused, for either fault of the name
};

// Judges `record` with `dataLeft` bytes of the data file after the data of
// the records before it; its name is read in `codePage` and, when it is
// text, left UTF-8 in `text`.
RecordVerdict JudgeRecord(const IndexRecord& record, plat::FileSize dataLeft, unsigned codePage, std::string& text);
