#include "cli.h"

#include "installer_engine.h"
#include "kw_version.h"
#include "verify.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace kwpack {
namespace {

const std::string kPair = std::string(CInstallEngine::kIndexFileName) + " and " + CInstallEngine::kDataFileName;

const char* const kExitStatuses =
    "Exit status: 0 when the command did all it was asked; 1 when anything went wrong with files or folders (one "
    "that cannot be read, written or packed, a malformed package, a missing or different file, output that could "
    "not be written); 2 when the command line is wrong (an unknown command or option, a missing argument, a code "
    "page not accepted, an output folder that is the folder being packed), and nothing was done.";

std::string KnownCodePages()
{
    std::string list;
    for (const unsigned codePage : plat::kCodePages)
        list += (list.empty() ? "" : ", ") + std::to_string(codePage);
    return list;
}

// The package stores names in a code page without saying which, so the
// publisher names it, the one of the Windows systems the package is for.
void AddCodePageOption(CLI::App& command, CodePageOption& codePage, const std::string& use)
{
    command
        .add_option_function<unsigned>(
            "--codepage", [&codePage](const unsigned& number) { codePage = number; },
            "The Windows code page names are " + use + " in: one of " + KnownCodePages() + "; 1252 when not given")
        ->check(CLI::Validator(
            [](const std::string& text) {
                const std::size_t digits = text.find_first_not_of("0123456789");
                if (!text.empty() && digits == std::string::npos && text.size() < 6 &&
                    plat::IsKnownCodePage(static_cast<unsigned>(std::stoul(text))))
                    return std::string();
                return "code page " + text + " is not one of " + KnownCodePages();
            },
            "CODEPAGE"));
}

// The command's output, flushed: one that could not be written fails the command.
int FinishOutput(int status, Console& console)
{
    console.out.flush();
    if (console.out)
        return status;
    const std::string reason = console.outFailure ? console.outFailure() : std::string();
    console.err << "kwpack: cannot write the output" << (reason.empty() ? "" : ": " + reason) << '\n';
    return status == kExitOk ? kExitFailed : status;
}

} // namespace

int RunKwpack(int argc, const char* const* argv, Console& console)
{
    CLI::App app("Makes, lists, extracts and verifies the installer's package pair, " + kPair + ".", "kwpack");
    // Paths such as /tmp/app must stay paths on Windows too.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kwpack ") + KW_VERSION_TEXT);
    // Set before the commands are added, so each command's help carries it too.
    app.footer(kExitStatuses);

    std::string folder;
    std::string outFolder;
    CLI::App* pack = app.add_subcommand(
        "pack", "Writes " + kPair + " for the files of a flat folder, sorted by name, in place of a pair that is "
                "there; an interrupted pack leaves the old pair, the new one, or no index at all.\n"
                "Exit status 1, writing nothing, when the folder holds a subfolder, a file of 4 GiB or more, "
                "a name the code page cannot write or the installer refuses, or two names that are one file on "
                "Windows.");
    pack->add_option("folder", folder, "The folder of the application's files")->required();
    pack->add_option("-o,--output", outFolder, "The folder to write the package pair into")->required();
    CodePageOption codePage;
    AddCodePageOption(*pack, codePage, "written");

    std::string packageFolder;
    CLI::App* list = app.add_subcommand(
        "list", "Lists the entries of a package pair: size and name, then the count and the total.\n"
                "Exit status 1 when the package is malformed.");
    list->add_option("package", packageFolder, "The folder holding " + kPair)->required();
    AddCodePageOption(*list, codePage, "read");

    std::string destinationFolder;
    CLI::App* extract = app.add_subcommand(
        "extract", "Extracts a package pair as the installer does. Exit status 1 on a file error.");
    extract->add_option("package", packageFolder, "The folder holding " + kPair)->required();
    extract->add_option("destination", destinationFolder, "The folder to write the files into")->required();
    AddCodePageOption(*extract, codePage, "read and, where the system lets kwpack choose, written");

    std::string checkedFolder;
    CLI::App* verify = app.add_subcommand(
        "verify", "Compares every entry of a package pair with the file of that name in a folder.\n"
                  "Exit status 1 when a file is missing or different, or the package is malformed; "
                  "files the package does not hold are listed but are no fault.");
    verify->add_option("package", packageFolder, "The folder holding " + kPair)->required();
    verify->add_option("folder", checkedFolder, "The folder to check, such as an installed one")->required();
    AddCodePageOption(*verify, codePage, "read and, where the system lets kwpack choose, looked for");

    // Named here: the parser would only say that a command is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' &&
        !(pack->check_name(first) || list->check_name(first) || extract->check_name(first) ||
          verify->check_name(first))) {
        console.err << "kwpack: unknown command '" << first << "'; the commands are pack, list, extract and verify\n"
                    << "Run with --help for more information.\n";
        return kExitUsage;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, console.out, console.err);
        return FinishOutput(status == 0 ? kExitOk : kExitUsage, console);
    }

    int status = kExitOk;
    if (pack->parsed())
        status = RunPack(folder, outFolder, console, codePage);
    else if (list->parsed())
        status = RunList(packageFolder, console, codePage);
    else if (verify->parsed())
        status = RunVerify(packageFolder, checkedFolder, console, codePage);
    else
        status = RunExtract(packageFolder, destinationFolder, console, codePage);
    return FinishOutput(status, console);
}

} // namespace kwpack
