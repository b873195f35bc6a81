// A disk that fails under each system call the file layer makes: every
// operation that meets one stops with a file error that says what it was
// doing, to which file, and why.

#include "commands.h"
#include "destination.h"
#include "failing_call.h"
#include "file.h"
#include "host_system.h"
#include "test_support.h"
#include "verify.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using kwtest::TempFolder;
using kwtest::WriteBytes;

namespace {

using Act = std::function<std::string()>;

// What an operation told of the file error that stopped it, or "done".
Act Telling(std::function<void()> operation)
{
    return [operation] {
        try {
            operation();
            return std::string("done");
        } catch (const plat::FileError& error) {
            return std::string(error.what());
        }
    };
}

// A destination already opened, so that only the operation after it meets the failing call.
std::shared_ptr<plat::DestinationRoot> OpenedDestination(const std::string& folder)
{
    auto root = std::make_shared<plat::DestinationRoot>(folder);
    root->CreateOutput("first");
    return root;
}

// Writing over the file "in" of a destination already opened.
Act OverwritingIn(const std::string& folder)
{
    auto root = OpenedDestination(folder);
    return Telling([root] { root->CreateOutput("in"); });
}

struct FailingCall {
    const char* what;
    const char* posix;
    const char* windows;
    std::function<Act(const std::string& folder)> prepare; // the operation, with what it needs opened
    const char* told;
};

} // namespace

// A disk that fails: each operation that meets a failing system call stops
// with a file error that says what it was doing, to which file, and why.
TEST(FailingCalls, EachIsToldWithWhatWasDoneAndToWhichFile)
{
    using plat::File;
    const FailingCall cases[] = {
        {"a read", "read", "ReadFile",
         [](const std::string& f) {
             auto in = std::make_shared<File>(f + "in", File::Mode::Read);
             return Telling([in] {
                 char bytes[4];
                 in->Read(bytes, sizeof bytes);
             });
         },
         "cannot read '"},
        {"a write", "write", "WriteFile",
         [](const std::string& f) {
             auto out = std::make_shared<File>(f + "out", File::Mode::CreateNew);
             return Telling([out] { out->Write("x", 1); });
         },
         "cannot write '"},
        {"a write that writes nothing", nullptr, "WriteFile:nothing",
         [](const std::string& f) {
             auto out = std::make_shared<File>(f + "out", File::Mode::CreateNew);
             return Telling([out] { out->Write("x", 1); });
         },
         "cannot write '"},
        {"putting a file on the disk", "fsync", "FlushFileBuffers",
         [](const std::string& f) {
             auto out = std::make_shared<File>(f + "out", File::Mode::CreateNew);
             return Telling([out] { out->Flush(); });
         },
         "cannot flush '"},
        {"a file's length", "newfstatat", "GetFileSizeEx",
         [](const std::string& f) {
             auto in = std::make_shared<File>(f + "in", File::Mode::Read);
             return Telling([in] { in->GetLength(); });
         },
         "cannot get the length of '"},
        {"a file's position", "lseek", "SetFilePointerEx",
         [](const std::string& f) {
             auto in = std::make_shared<File>(f + "in", File::Mode::Read);
             return Telling([in] { in->GetPosition(); });
         },
         "cannot get the position in '"},
        {"opening a file to read", "openat", "CreateFileA",
         [](const std::string& f) { return Telling([f] { File(f + "in", File::Mode::Read); }); }, "cannot open '"},
        {"locking a file", "flock", nullptr,
         [](const std::string& f) { return Telling([f] { File(f + "in", File::Mode::Read); }); }, "cannot open '"},
        {"making a file", "openat", "CreateFileA",
         [](const std::string& f) { return Telling([f] { File(f + "new", File::Mode::CreateNew); }); },
         "cannot create '"},
        {"opening the destination", "newfstatat", "GetFinalPathNameByHandleW",
         [](const std::string& f) {
             return Telling([f] { plat::DestinationRoot(f).CreateOutput("x"); });
         },
         "cannot open '"},
        {"looking at an existing name", "newfstatat", "GetFileInformationByHandleEx",
         OverwritingIn,
         "cannot open '"},
        {"counting an existing file's names", nullptr, "NtQueryInformationFile",
         OverwritingIn,
         "cannot open '"},
        {"emptying an existing file", "ftruncate", "SetEndOfFile",
         OverwritingIn,
         "cannot truncate '"},
        {"setting an output folder apart", "flock", "CreateFileA",
         [](const std::string& f) { return Telling([f] { kwpack::FolderLock(f, 0); }); },
         "cannot lock the folder "},
        {"removing the old index", nullptr, "SetFileInformationByHandle",
         [](const std::string& f) { return Telling([f] { kwpack::RemoveFileDurably(f + "in"); }); },
         "cannot remove '"},
        {"putting the new pair in place", "rename", "MoveFileExA",
         [](const std::string& f) { return Telling([f] { kwpack::MoveFileIntoPlace(f + "in", f + "moved"); }); },
         "cannot put a file in place of '"},
        // Told as a warning: every entry is still compared.
        {"listing the folder verify looks for extra files in", "getdents64", "FindFirstFileW",
         [](const std::string& f) {
             fs::create_directory(kwtest::Native(f + "package"));
             kwtest::WritePackage(f + "package\\", {{"in", "0123456789"}});
             return [f] {
                 std::ostringstream out;
                 std::ostringstream err;
                 kwpack::Console console{out, err, false, {}};
                 const int status = kwpack::RunVerify(f + "package\\", f, console);
                 return std::to_string(status) + " " + err.str();
             };
         },
         "0 kwpack: warning: cannot list the folder '"},
        {"listing the folder further", nullptr, "FindNextFileW",
         [](const std::string& f) { return Telling([f] { kwpack::ListFolder(f); }); }, "cannot list the folder '"},
        {"putting a folder's names on the disk", "fsync", nullptr,
         [](const std::string& f) { return Telling([f] { kwpack::RemoveFileDurably(f + "in"); }); },
         "cannot flush the folder '"},
    };
    for (const FailingCall& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        WriteBytes(folder.Path() + "in", "0123456789");
        const Act act = c.prepare(folder.Path());
        const std::optional<std::string> told = kwtest::WithFailingCall(c.posix, c.windows, act);
        if (!told) {
            std::cout << "  " << c.what << ": no such failure here\n";
            continue;
        }
        EXPECT_NE(told->find(c.told), std::string::npos) << *told;
        // As the system's user reads it: with `/` on POSIX, in kwpack's words.
        EXPECT_TRUE(told->find(folder.Path()) != std::string::npos ||
                    told->find(kwtest::Native(folder.Path())) != std::string::npos)
            << *told;
        std::cout << "  " << c.what << ": " << *told << "\n";
    }
}

// The current folder, asked for when the destination is given relative to
// it, cannot be had: nothing is inside a folder whose full path is unknown.
TEST(FailingCalls, ADestinationWithNoFullPathHoldsNothing)
{
    const std::optional<std::string> told = kwtest::WithFailingCall(
        "getcwd", nullptr, [] { return plat::DestinationPath("relative\\").Contains("x") ? "inside" : "outside"; });
    if (!told)
        GTEST_SKIP() << "the current folder is not asked of the system here";
    EXPECT_EQ(*told, "outside");
    EXPECT_TRUE(plat::DestinationPath("relative\\").Contains("x"));
}
