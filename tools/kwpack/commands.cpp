#include "commands.h"

#include "console_extractor.h"
#include "folder_path.h"
#include "host_system.h"
#include "pack.h"
#include "package_listing.h"
#include "progress_line.h"

#include <iomanip>
#include <ostream>

namespace kwpack {
namespace {

int ReportFileError(const plat::FileError& error, Console& console)
{
    console.err << "kwpack: " << error.what() << '\n';
    return kExitFailed;
}

// Creates the last level of a folder that does not exist yet; its parent must.
bool EnsureFolder(const std::string& folder, Console& console)
{
    if (IsFolder(folder) || plat::CreateFolder(folder))
        return true;
    console.err << "kwpack: cannot create the folder '" << folder << "'\n";
    return false;
}

std::string CountEntries(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

} // namespace

int RunPack(const std::string& folderArgument, const std::string& outArgument, Console& console)
{
    const std::string folder = ToFolderPath(folderArgument);
    const std::string outFolder = ToFolderPath(outArgument);
    ProgressLine progress(console.out, console.outIsTerminal);
    try {
        const PackPlan plan = PlanPackage(folder);
        if (IsSameFolder(folder, outFolder)) {
            console.err << "kwpack: the package cannot be written into the folder being packed; nothing written\n";
            return kExitRefused;
        }
        if (!plan.refusals.empty()) {
            for (const std::string& refusal : plan.refusals)
                console.err << "kwpack: refused: " << refusal << '\n';
            console.err << "kwpack: nothing written\n";
            return kExitRefused;
        }
        for (const std::string& warning : plan.warnings)
            console.err << "kwpack: warning: " << warning << '\n';
        if (!EnsureFolder(outFolder, console))
            return kExitFailed;

        WritePackage(folder, plan, outFolder,
                     [&](int percent, const std::string& name) { progress.Show(percent, "Packing " + name); });
        progress.End();
        std::uint64_t total = 0;
        for (const PackEntry& entry : plan.entries)
            total += entry.size;
        console.out << "Packed " << CountEntries(plan.entries.size()) << ", " << total << " bytes, into '"
                    << outFolder << "'\n";
        return kExitOk;
    } catch (const plat::FileError& error) {
        progress.End();
        return ReportFileError(error, console);
    }
}

int RunList(const std::string& packageArgument, Console& console)
{
    const std::string folder = ToFolderPath(packageArgument);
    try {
        const PackageListing listing = ReadPackageListing(folder);
        std::uint64_t total = 0;
        for (const ListedEntry& entry : listing.entries) {
            console.out << std::setw(10) << entry.size << "  " << entry.name << '\n';
            total += entry.size;
        }
        if (listing.problem) {
            console.err << "kwpack: " << DescribeProblem(folder, *listing.problem) << '\n';
            return kExitFailed;
        }
        console.out << CountEntries(listing.entries.size()) << ", " << total << " bytes\n";
        return kExitOk;
    } catch (const plat::FileError& error) {
        return ReportFileError(error, console);
    }
}

int RunExtract(const std::string& packageArgument, const std::string& destinationArgument, Console& console)
{
    const std::string source = ToFolderPath(packageArgument);
    const std::string destination = ToFolderPath(destinationArgument);
    if (!EnsureFolder(destination, console))
        return kExitFailed;

    ConsoleExtractor extractor(console.out, console.err, console.outIsTerminal);
    const int result = extractor.ExtractFiles(source, destination);
    extractor.EndStatus();
    if (result != 0)
        return kExitFailed;
    console.out << "Extracted " << CountEntries(static_cast<std::size_t>(extractor.StatusCount())) << " into '"
                << destination << "'\n";
    return kExitOk;
}

} // namespace kwpack
