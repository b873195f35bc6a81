#include "code_page.h"
#include "data_stream.h"
#include "destination.h"
#include "message_box.h"
#include "package_extractor.h"
#include "package_index.h"
#include "record_check.h"

namespace {

[[noreturn]] void RaiseBadEntry(int cause, const plat::File& file, const std::string& name, const std::string& why)
{
    throw plat::FileError(cause, file.Path(), "entry '" + name + "': " + why);
}

} // namespace

int CPackageExtractor::ExtractFiles(const std::string& sourceFolder, const std::string& destinationFolder)
{
    try {
        ExtractAll(sourceFolder, destinationFolder);
        return 0;
    } catch (const plat::FileError& error) {
        // Every file ExtractAll opened is closed by now.
        OnFileError(error);
        ShowMessage("Caught a file exception!!", mb::kIconStop);
        return error.Cause();
    }
}

void CPackageExtractor::ExtractAll(const std::string& sourceFolder, const std::string& destinationFolder)
{
    plat::File index(sourceFolder + kIndexFileName, plat::File::Mode::Read);
    plat::File data(sourceFolder + kDataFileName, plat::File::Mode::Read);
    const plat::FileSize totalBytes = data.GetLength();
    IndexReader records(index);
    plat::FileSize bytesDone = 0;
    // Entries are streamed, never held whole.
    DataStream contents(data);
    plat::DestinationRoot root(destinationFolder);
    std::string text;

    while (records.Position() < records.Length()) {
        const IndexRecord record = records.ReadRecord();
        SetStatus(ProgressPercent(bytesDone, totalBytes), "Extracting " + record.name);

        // Checked before the output file is touched, so a bad entry writes nothing.
        const RecordVerdict verdict = JudgeRecord(record, totalBytes - bytesDone, plat::PathCodePage(), text);
        if (verdict.fault == RecordFault::kDataPastEnd)
            RaiseBadEntry(plat::kCauseEndOfFile, data, record.name, "its data runs past the end of the data file");
        if (verdict.fault != RecordFault::kNone)
            RaiseBadEntry(plat::kCauseBadPath, index, record.name, std::string("refused name: ") + verdict.reason);
        if (!root.Contains(record.name))
            RaiseBadEntry(plat::kCauseBadPath, index, record.name, "its full path is not inside the destination folder");

        plat::File output = root.CreateOutput(record.name);
        if (contents.CopyTo(output, record.dataSize, [this] { OnStillExtracting(); }) != record.dataSize)
            throw plat::FileError(plat::kCauseEndOfFile, data.Path(), "the data file ended early");
        root.ConfirmInside(output);

        bytesDone += record.dataSize;
    }
}
