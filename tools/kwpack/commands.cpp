#include "commands.h"

#include "code_page.h"
#include "code_page_text.h"
#include "console_extractor.h"
#include "counted.h"
#include "file_error.h"
#include "folder_path.h"
#include "host_system.h"
#include "pack.h"
#include "package_listing.h"
#include "progress_line.h"

#include <memory>
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
    return kExitFailed;
}

ProgressStyle ProgressOf(const Console& console)
{
    if (console.quiet)
        return ProgressStyle::None;
    return console.errIsTerminal ? ProgressStyle::LiveLine : ProgressStyle::PerLine;
}

// Tells the plan's refusals, or else its warnings, which --strict makes
// errors; false when the pack must stop there, before anything is written.
bool MayWrite(const PackPlan& plan, bool strict, Console& console)
{
    for (const std::string& refusal : plan.refusals)
        console.err << "kwpack: refused: " << refusal << '\n';
    if (plan.refusals.empty()) {
        for (const std::string& warning : plan.warnings)
            console.err << "kwpack: " << (strict ? "error: " : "warning: ") << warning << '\n';
        if (!strict || plan.warnings.empty())
            return true;
    }
    console.err << "kwpack: nothing written\n";
    return false;
}

// `list` stopped before the end of the package: told on standard error, and
// in the output, which stays whole.
int StopListing(ListingOutput& output, const std::string& what, const IndexProblem* where, Console& console)
{
    console.err << "kwpack: " << what << '\n';
    output.Stop(what, where);
    return kExitFailed;
}

// Creates the last level of a folder that does not exist yet; its parent
// must. `argument` names it as the command line did.
void EnsureFolder(const std::string& folder, const std::string& argument)
{
    if (IsFolder(folder))
        return;
    // Another pack into the same new folder may make it first, which serves as well.
    if (!MakeFolder(folder) && !IsFolder(folder))
        throw UnusableFolder(plat::NotAFolder(ShownName(argument)));
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
            const PackOptions& options)
{
    // Where the process may choose (POSIX), paths are written in the package's
    // code page too, so every name the package can hold can also be opened.
    const unsigned packageCodePage = options.codePage.value_or(plat::kDefaultCodePage);
    plat::SetPathCodePage(packageCodePage);
    ProgressLine progress(console.err, ProgressOf(console));
    try {
        const std::string folder = ToFolderPath(folderArgument);
        const std::string outFolder = ToFolderPath(outArgument);
        if (IsSameFolder(folder, outFolder)) {
            console.err << "kwpack: the package cannot be written into the folder being packed; nothing written\n";
            return kExitUsage;
        }
        const PackPlan plan = PlanPackage(folder, packageCodePage);
        if (!MayWrite(plan, options.strict, console))
            return kExitFailed;
        EnsureFolder(outFolder, outArgument);

        WritePackage(folder, plan, outFolder,
                     [&](int percent, const std::string& name) { progress.Show(percent, "Packing " + name); });
        progress.End();
        std::uint64_t total = 0;
        for (const PackEntry& entry : plan.entries)
            total += entry.size;
        console.out << "Packed " << CountEntries(plan.entries.size()) << ", " << CountBytes(total) << ", into '"
                    << Shown(outFolder) << "'\n";
        return kExitOk;
    } catch (const UnusableFolder& error) {
        return ReportUnusableFolder(error, console);
    } catch (const plat::FileError& error) {
        progress.End();
        return ReportFileError(error, console);
    }
}

// Each entry is written as it is read, so a listing takes no more memory for a large package.
int RunList(const std::string& packageArgument, Console& console, CodePageOption codePage, ListFormat format)
{
    const unsigned packageCodePage = codePage.value_or(plat::kDefaultCodePage);
    plat::SetPathCodePage(packageCodePage);
    const std::unique_ptr<ListingOutput> output = MakeListingOutput(format, console.out);
    try {
        const std::string folder = ToFolderPath(packageArgument);
        std::uint64_t count = 0;
        std::uint64_t total = 0;
        const std::optional<IndexProblem> problem =
            ReadPackageListing(folder, packageCodePage, [&](const ListedEntry& entry) {
                output->Entry(entry);
                ++count;
                total += entry.size;
            });
        if (problem)
            return StopListing(*output, DescribeProblem(folder, *problem), &*problem, console);
        output->Finish(count, total);
        return kExitOk;
    } catch (const UnusableFolder& error) {
        return StopListing(*output, error.what(), nullptr, console);
    } catch (const plat::FileError& error) {
        return StopListing(*output, Shown(error.what()), nullptr, console);
    }
}

int RunExtract(const std::string& packageArgument, const std::string& destinationArgument, Console& console,
               CodePageOption codePage)
{
    UsePathCodePage(codePage, console);
    std::string destination;
    ConsoleExtractor extractor(console.err, ProgressOf(console));
    try {
        const std::string source = ToFolderPath(packageArgument);
        destination = ToFolderPath(destinationArgument);
        EnsureFolder(destination, destinationArgument);
        const int result = extractor.ExtractFiles(source, destination);
        extractor.EndStatus();
        if (result != 0)
            return kExitFailed;
    } catch (const UnusableFolder& error) {
        return ReportUnusableFolder(error, console);
    } catch (const plat::FileError& error) {
        return ReportFileError(error, console);
    }
    console.out << "Extracted " << CountEntries(static_cast<std::uint64_t>(extractor.EntriesStarted())) << " into '"
                << Shown(destination) << "'\n";
    return kExitOk;
}

} // namespace kwpack
