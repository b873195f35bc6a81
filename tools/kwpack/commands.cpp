#include "commands.h"

#include "code_page_text.h"
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
    console.err << "kwpack: " << Shown(error.what()) << '\n';
    return kExitFailed;
}

int ReportUnusableFolder(const UnusableFolder& error, Console& console)
{
    console.err << "kwpack: " << error.what() << '\n';
    return kExitRefused;
}

// Creates the last level of a folder that does not exist yet; its parent must.
bool EnsureFolder(const std::string& folder, Console& console)
{
    if (IsFolder(folder) || plat::CreateFolder(folder))
        return true;
    console.err << "kwpack: cannot create the folder '" << Shown(folder) << "'\n";
    return false;
}

std::string CountEntries(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

} // namespace

void UsePathCodePage(CodePageOption codePage, Console& console)
{
    if (plat::SetPathCodePage(codePage.value_or(plat::kDefaultCodePage)) || !codePage)
        return;
    console.err << "kwpack: note: names are written in the system's code page " << plat::PathCodePage()
                << ", as the installer writes them, not in code page " << *codePage << '\n';
}

int RunPack(const std::string& folderArgument, const std::string& outArgument, Console& console,
            CodePageOption codePage)
{
    // Where the process may choose (POSIX), paths are written in the package's
    // code page too, so every name the package can hold can also be opened.
    const unsigned packageCodePage = codePage.value_or(plat::kDefaultCodePage);
    plat::SetPathCodePage(packageCodePage);
    ProgressLine progress(console.out, console.outIsTerminal);
    try {
        const std::string folder = ToFolderPath(folderArgument);
        const std::string outFolder = ToFolderPath(outArgument);
        const PackPlan plan = PlanPackage(folder, packageCodePage);
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
                    << Shown(outFolder) << "'\n";
        return kExitOk;
    } catch (const UnusableFolder& error) {
        return ReportUnusableFolder(error, console);
    } catch (const plat::FileError& error) {
        progress.End();
        return ReportFileError(error, console);
    }
}

int RunList(const std::string& packageArgument, Console& console, CodePageOption codePage)
{
    const unsigned packageCodePage = codePage.value_or(plat::kDefaultCodePage);
    plat::SetPathCodePage(packageCodePage);
    try {
        const std::string folder = ToFolderPath(packageArgument);
        const PackageListing listing = ReadPackageListing(folder, packageCodePage);
        std::uint64_t total = 0;
        for (const ListedEntry& entry : listing.entries) {
            console.out << std::setw(10) << entry.size << "  " << plat::ShownPath(entry.text) << '\n';
            total += entry.size;
        }
        if (listing.problem) {
            console.err << "kwpack: " << DescribeProblem(folder, *listing.problem) << '\n';
            return kExitFailed;
        }
        console.out << CountEntries(listing.entries.size()) << ", " << total << " bytes\n";
        return kExitOk;
    } catch (const UnusableFolder& error) {
        return ReportUnusableFolder(error, console);
    } catch (const plat::FileError& error) {
        return ReportFileError(error, console);
    }
}

int RunExtract(const std::string& packageArgument, const std::string& destinationArgument, Console& console,
               CodePageOption codePage)
{
    UsePathCodePage(codePage, console);
    std::string source;
    std::string destination;
    try {
        source = ToFolderPath(packageArgument);
        destination = ToFolderPath(destinationArgument);
    } catch (const UnusableFolder& error) {
        return ReportUnusableFolder(error, console);
    }
    if (!EnsureFolder(destination, console))
        return kExitFailed;

    ConsoleExtractor extractor(console.out, console.err, console.outIsTerminal);
    const int result = extractor.ExtractFiles(source, destination);
    extractor.EndStatus();
    if (result != 0)
        return kExitFailed;
    console.out << "Extracted " << CountEntries(static_cast<std::size_t>(extractor.StatusCount())) << " into '"
                << Shown(destination) << "'\n";
    return kExitOk;
}

} // namespace kwpack
