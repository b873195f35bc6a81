// Packing over a package that is there: the old pair is replaced whole or
// left whole, whatever else happens in the folder meanwhile.

#include "kwpack_test_support.h"
#include "pack.h"
#include "symbolic_link.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

using kwtest::Contains;
using kwtest::Packing;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;
using kwtest::kWorkedIndex;
using Names = std::vector<std::string>;

TEST(Pack, ReplacesAnOldPairAndTakesAwayOnlyWhatDeadPacksLeft)
{
    enum class Kind {
        LeftByADeadPack,
        HeldByARunningPack,
        LinkOut, // to a file outside the output folder
    };
    struct Left {
        std::string name;
        Kind kind;
    };
    struct Case {
        const char* what;
        std::vector<Left> left;
        Names kept; // besides the pair
    };
    const std::string ours = ".kwpack-partial-" + kwpack::ProcessTag();
    const Case cases[] = {
        {"the partial file of a pack killed by an older kwpack", {{"pelmora.kwf.kwpack-partial", Kind::LeftByADeadPack}}, {}},
        {"partial files of two dead packs",
         {{"pelmora.kwf.kwpack-partial-4242", Kind::LeftByADeadPack},
          {"pelmora.kwi.kwpack-partial-4243", Kind::LeftByADeadPack}},
         {}},
        {"a running pack's partial file",
         {{"pelmora.kwf.kwpack-partial-77777", Kind::HeldByARunningPack}},
         {"pelmora.kwf.kwpack-partial-77777"}},
        {"links at every name this pack writes",
         {{"pelmora.kwf" + ours, Kind::LinkOut},
          {"pelmora.kwi" + ours, Kind::LinkOut},
          {"pelmora.kwf.kwpack-partial", Kind::LinkOut},
          {"pelmora.kwi", Kind::LinkOut}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Packing p;
        TempFolder outside;
        WriteBytes(outside.Path() + "precious", "precious");
        kwtest::WritePackage(p.out.Path(), {{"old.txt", "old contents"}});
        std::vector<std::unique_ptr<plat::File>> held;
        std::vector<std::unique_ptr<kwtest::SymbolicLink>> links;
        for (const Left& left : c.left) {
            if (left.kind == Kind::LeftByADeadPack)
                WriteBytes(p.out.Path() + left.name, "left by a pack that died");
            if (left.kind == Kind::HeldByARunningPack)
                held.push_back(std::make_unique<plat::File>(p.out.Path() + left.name, plat::File::Mode::CreateNew));
            if (left.kind == Kind::LinkOut) {
                std::filesystem::remove(kwtest::Native(p.out.Path() + left.name));
                links.push_back(std::make_unique<kwtest::SymbolicLink>(
                    p.out.Path(), left.name, kwtest::SystemPath(outside.Path() + "precious")));
                if (!links.back()->Made())
                    GTEST_SKIP() << "this system makes no symbolic links here";
            }
        }
        p.Add("readme", "");
        p.Add("a.txt", "abc");
        // A link is removed as itself where the system opens it so; elsewhere
        // it stays, and the pack is refused rather than touch what it leads to.
        if (!links.empty() && !kwtest::SystemOpensLinksThemselves()) {
            EXPECT_EQ(p.Run(), kwpack::kExitFailed);
            EXPECT_TRUE(Contains(p.captured.err.str(), "cannot"));
        } else {
            EXPECT_EQ(p.Run(), kwpack::kExitOk) << p.captured.err.str();
            EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), kWorkedIndex);
            EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "abc");
            Names expected{"pelmora.kwf", "pelmora.kwi"};
            expected.insert(expected.end(), c.kept.begin(), c.kept.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(kwtest::ListTree(p.out.Path()), expected);
        }
        EXPECT_EQ(kwtest::ListTree(outside.Path()), Names{"precious"});
        EXPECT_EQ(ReadBytes(outside.Path() + "precious"), "precious");
    }
}

namespace {

// Runs a pack on a thread of its own; Join() rethrows what it raised.
class PackThread {
public:
    PackThread(const Packing& p, kwpack::PackProgress progress)
        : m_plan(kwpack::PlanPackage(p.app.Path())), m_thread([this, &p, progress] {
              try {
                  kwpack::WritePackage(p.app.Path(), m_plan, p.out.Path(), progress);
              } catch (...) {
                  m_failure = std::current_exception();
              }
          })
    {
    }
    void Join()
    {
        m_thread.join();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    kwpack::PackPlan m_plan;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// One side's word to the other, waited for.
class Signal {
public:
    void Give()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_given = true;
        m_changed.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_given; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_given = false;
};

Names PartialFiles(const std::string& folder)
{
    Names partial;
    for (const std::string& name : kwtest::ListTree(folder)) {
        if (name.find(".kwpack-partial") != std::string::npos)
            partial.push_back(name);
    }
    return partial;
}

} // namespace

// Another pack, or anyone else, holding the folder: the pack waits before
// making its partial files and before putting them in place, and gives up
// with a message when kept waiting too long. The old pair stays whole meanwhile.
TEST(Pack, TakesTurnsWithAnotherWritingIntoTheSameFolder)
{
    Packing p;
    const std::vector<kwtest::Entry> old{{"old.txt", "old contents"}};
    kwtest::WritePackage(p.out.Path(), old);
    const std::string oldIndex = ReadBytes(p.out.Path() + "pelmora.kwi");
    p.Add("readme", "");
    p.Add("a.txt", "abc");
    const auto expectOldPair = [&] {
        EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), oldIndex);
        EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "old contents");
    };
    {
        const kwpack::FolderLock other(p.out.Path(), 0);
        try {
            kwpack::WritePackage(p.app.Path(), kwpack::PlanPackage(p.app.Path()), p.out.Path(), {}, 100);
            ADD_FAILURE() << "the pack did not wait for the folder";
        } catch (const plat::FileError& error) {
            EXPECT_TRUE(Contains(error.what(), "another kwpack is writing a package into"));
        }
        expectOldPair();
        EXPECT_EQ(PartialFiles(p.out.Path()), Names{});
    }

    // Held while the pack writes its partial files, so it waits to put them in place.
    Signal writing;
    Signal held;
    std::optional<kwpack::FolderLock> other;
    PackThread pack(p, [&](int, const std::string& name) {
        if (name != "a.txt")
            return;
        writing.Give();
        held.Wait();
    });
    writing.Wait();
    other.emplace(p.out.Path(), 0);
    held.Give();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    expectOldPair();
    EXPECT_EQ(PartialFiles(p.out.Path()).size(), 2u) << "the new pair is written whole before it waits";
    other.reset();
    ASSERT_NO_THROW(pack.Join());
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), kWorkedIndex);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "abc");
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"}));
}

TEST(Pack, FileThatChangesWhilePackedLeavesTheOldPairAsItWas)
{
    Packing p;
    const std::vector<kwtest::Entry> old{{"pelmora.exe", "old program"}};
    kwtest::WritePackage(p.out.Path(), old);
    const std::string oldIndex = ReadBytes(p.out.Path() + "pelmora.kwi");
    p.Add("pelmora.exe", "MZ");
    p.Add("zz.dat", "12345");
    const kwpack::PackPlan plan = kwpack::PlanPackage(p.app.Path());
    p.Add("zz.dat", "123");
    try {
        kwpack::WritePackage(p.app.Path(), plan, p.out.Path());
        ADD_FAILURE() << "a changed file was packed";
    } catch (const plat::FileError& error) {
        EXPECT_TRUE(Contains(error.what(), "zz.dat"));
    }
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"}));
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), oldIndex);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "old program");
}
