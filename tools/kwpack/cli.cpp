#include "cli.h"

#include "code_page.h"
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
    for (const unsigned codePage : plat::kAnsiCodePages)
        list += (list.empty() ? "" : ", ") + std::to_string(codePage);
    return list + " or " + std::to_string(plat::kUtf8CodePage) + " (UTF-8)";
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

// What the command line names, filled in by the parser.
struct Arguments {
    std::string folder;
    std::string outFolder;
    std::string packageFolder;
    std::string destinationFolder;
    std::string checkedFolder;
    CodePageOption codePage;
    bool strict = false;
    bool json = false;
};

struct Commands {
    CLI::App* pack;
    CLI::App* list;
    CLI::App* extract;
    CLI::App* verify;
};

// Progress goes to standard error, where warnings and errors go too.
void AddQuietFlag(CLI::App& command, Console& console)
{
    command.add_flag("-q,--quiet", console.quiet, "Shows no progress; warnings and errors are still shown");
}

CLI::App* AddPack(CLI::App& app, Arguments& arguments, Console& console)
{
    CLI::App* pack = app.add_subcommand(
        "pack", "Writes " + kPair + " for the files of a flat folder, sorted by name, in place of a pair that is "
                "there; an interrupted pack leaves the old pair, the new one, or no index at all.\n"
                "Exit status 1, writing nothing, when the folder holds a subfolder, a file of 4 GiB or more, "
                "a name the code page cannot write or the installer refuses, or two names that are one file on "
                "Windows; with --strict also on anything it would warn of.");
    pack->add_option("folder", arguments.folder, "The folder of the application's files")->required();
    pack->add_option("-o,--output", arguments.outFolder, "The folder to write the package pair into")->required();
    AddCodePageOption(*pack, arguments.codePage, "written");
    AddQuietFlag(*pack, console);
    pack->add_flag("--strict", arguments.strict,
                   "Makes every warning an error, such as a folder without " +
                       std::string(CInstallEngine::kProgramName) + ": exit status 1, and nothing written");
    return pack;
}

CLI::App* AddList(CLI::App& app, Arguments& arguments)
{
    CLI::App* list = app.add_subcommand(
        "list", "Lists the entries of a package pair: size and name, then the count and the total.\n"
                "Exit status 1 when the package is malformed.");
    list->add_option("package", arguments.packageFolder, "The folder holding " + kPair)->required();
    AddCodePageOption(*list, arguments.codePage, "read");
    list->add_flag(
        "--json", arguments.json,
        "Writes one JSON document: an object per entry, in index order, with its name as text (\\ between "
        "folders), its bytes in the index as hex and its size; then the count and the total size, or, for a "
        "package that cannot be listed to its end, the error that stopped the listing and where");
    return list;
}

CLI::App* AddExtract(CLI::App& app, Arguments& arguments, Console& console)
{
    CLI::App* extract = app.add_subcommand(
        "extract", "Extracts a package pair as the installer does. Exit status 1 on a file error.");
    extract->add_option("package", arguments.packageFolder, "The folder holding " + kPair)->required();
    extract->add_option("destination", arguments.destinationFolder, "The folder to write the files into")
        ->required();
    AddCodePageOption(*extract, arguments.codePage, "read and, where the system lets kwpack choose, written");
    AddQuietFlag(*extract, console);
    return extract;
}

CLI::App* AddVerify(CLI::App& app, Arguments& arguments)
{
    CLI::App* verify = app.add_subcommand(
        "verify", "Compares every entry of a package pair with the file of that name in a folder.\n"
                  "Exit status 1 when a file is missing or different, or the package is malformed; "
                  "files the package does not hold are listed but are no fault.");
    verify->add_option("package", arguments.packageFolder, "The folder holding " + kPair)->required();
    verify->add_option("folder", arguments.checkedFolder, "The folder to check, such as an installed one")
        ->required();
    AddCodePageOption(*verify, arguments.codePage, "read and, where the system lets kwpack choose, looked for");
    return verify;
}

bool IsCommand(const Commands& commands, const std::string& name)
{
    return commands.pack->check_name(name) || commands.list->check_name(name) ||
           commands.extract->check_name(name) || commands.verify->check_name(name);
}

int RunParsed(const Commands& commands, const Arguments& a, Console& console)
{
    if (commands.pack->parsed())
        return RunPack(a.folder, a.outFolder, console, PackOptions{a.codePage, a.strict});
    if (commands.list->parsed())
        return RunList(a.packageFolder, console, a.codePage, a.json ? ListFormat::Json : ListFormat::Text);
    if (commands.verify->parsed())
        return RunVerify(a.packageFolder, a.checkedFolder, console, a.codePage);
    return RunExtract(a.packageFolder, a.destinationFolder, console, a.codePage);
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
    Arguments arguments;
    const Commands commands{AddPack(app, arguments, console), AddList(app, arguments),
                            AddExtract(app, arguments, console), AddVerify(app, arguments)};

    // Named here: the parser would only say that a command is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && !IsCommand(commands, first)) {
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
    return FinishOutput(RunParsed(commands, arguments, console), console);
}

} // namespace kwpack
