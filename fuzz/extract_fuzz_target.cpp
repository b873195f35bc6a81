// One input is one package: two little-endian bytes give the index file's
// length, the index follows, and the rest is the data file. Each input is
// extracted into a fresh folder; afterwards nothing may exist outside that
// folder, every file in it must have a name the name check accepts, and the
// progress must have run from 0 to at most 100 without going back.

#include "code_page.h"
#include "entry_name.h"
#include "package_extractor.h"
#include "package_index.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "extract fuzz: %s\n", what.c_str());
    std::abort();
}

class FuzzExtractor : public CPackageExtractor {
public:
    void SetStatus(int percent, const std::string&) override
    {
        if (percent < 0 || percent > 100)
            Fail("percent " + std::to_string(percent) + " out of range");
        if (percent < m_lastPercent)
            Fail("percent went back from " + std::to_string(m_lastPercent) + " to " + std::to_string(percent));
        m_lastPercent = percent;
    }

protected:
    int ShowMessage(const std::string&, unsigned) override { return 1; }

private:
    int m_lastPercent = 0;
};

std::string EnginePath(const fs::path& path)
{
    std::string text = path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text + "\\";
}

// One folder per process, emptied before each input. The destination lies a
// few levels down so that a name climbing out of it lands where we look.
class Sandbox {
public:
    Sandbox() : m_base(fs::temp_directory_path() / ("kwfuzz-" + std::to_string(::getpid()))) {}
    ~Sandbox()
    {
        std::error_code ignored;
        fs::remove_all(m_base, ignored);
    }

    void Reset()
    {
        fs::remove_all(m_base);
        fs::create_directories(Source());
        fs::create_directories(Destination() / "sub");
    }
    const fs::path& Base() const { return m_base; }
    fs::path Run() const { return m_base / "run"; }
    fs::path Source() const { return Run() / "source"; }
    fs::path Destination() const { return Run() / "up1" / "up2" / "up3" / "dest"; }

private:
    fs::path m_base;
};

void WriteFile(const fs::path& path, const std::uint8_t* bytes, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out)
        Fail("cannot write " + path.string());
}

// The last parts of the names in the index, as far as it can be read.
std::set<std::string> LastNameParts(const fs::path& indexPath)
{
    std::set<std::string> parts;
    try {
        plat::File index(indexPath.string(), plat::File::Mode::Read);
        IndexReader records(index);
        while (records.Position() < records.Length()) {
            const IndexRecord record = records.ReadRecord();
            // As the file system would name it; a name that is no text could not have been written.
            std::string name;
            if (!plat::DecodeText(record.name, plat::PathCodePage(), name))
                continue;
            const std::size_t cut = name.find_last_of("\\/");
            const std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
            if (!last.empty() && last != "." && last != "..")
                parts.insert(last);
        }
    } catch (const plat::FileError&) {
    }
    return parts;
}

// The folders above the sandbox, up to the root: a name that climbs out of
// the sandbox altogether would leave its file in one of them.
std::vector<fs::path> FoldersAbove(const fs::path& base)
{
    std::vector<fs::path> folders;
    for (fs::path folder = base.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        folders.push_back(folder);
        if (folder == folder.root_path())
            break;
    }
    return folders;
}

std::set<fs::path> ExistingIn(const std::vector<fs::path>& folders, const std::set<std::string>& names)
{
    std::set<fs::path> found;
    for (const fs::path& folder : folders) {
        for (const std::string& name : names) {
            std::error_code ignored;
            if (fs::exists(folder / name, ignored))
                found.insert(folder / name);
        }
    }
    return found;
}

bool IsAllowed(const Sandbox& sandbox, const fs::path& path)
{
    const fs::path source = sandbox.Source();
    if (path == sandbox.Run() || path == source || path == source / CPackageExtractor::kIndexFileName ||
        path == source / CPackageExtractor::kDataFileName)
        return true;
    // The destination, the folders leading to it, and everything below it.
    const fs::path destination = sandbox.Destination();
    for (fs::path folder = destination; folder != sandbox.Base(); folder = folder.parent_path()) {
        if (path == folder)
            return true;
    }
    const std::string prefix = destination.string() + "/";
    return path.string().compare(0, prefix.size(), prefix) == 0;
}

void CheckSandbox(const Sandbox& sandbox)
{
    for (const auto& entry : fs::recursive_directory_iterator(sandbox.Base())) {
        if (!IsAllowed(sandbox, entry.path()))
            Fail("written outside the destination: " + entry.path().string());
    }
    for (const auto& entry : fs::recursive_directory_iterator(sandbox.Destination())) {
        std::string name = fs::relative(entry.path(), sandbox.Destination()).string();
        std::replace(name.begin(), name.end(), '/', '\\');
        // Names on the file system are already decoded from the package's code page.
        if (const char* reason = RefusedEntryTextReason(name))
            Fail("extracted a file the name check refuses (" + std::string(reason) + "): " + name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    static Sandbox sandbox;
    if (size < 2)
        return 0;
    const std::size_t indexLength = std::min<std::size_t>(bytes[0] | (bytes[1] << 8), size - 2);
    sandbox.Reset();
    const fs::path indexPath = sandbox.Source() / CPackageExtractor::kIndexFileName;
    WriteFile(indexPath, bytes + 2, indexLength);
    WriteFile(sandbox.Source() / CPackageExtractor::kDataFileName, bytes + 2 + indexLength, size - 2 - indexLength);

    const std::vector<fs::path> above = FoldersAbove(sandbox.Base());
    const std::set<std::string> names = LastNameParts(indexPath);
    const std::set<fs::path> before = ExistingIn(above, names);

    FuzzExtractor installer;
    installer.ExtractFiles(EnginePath(sandbox.Source()), EnginePath(sandbox.Destination()));

    CheckSandbox(sandbox);
    for (const fs::path& path : ExistingIn(above, names)) {
        if (before.count(path) == 0)
            Fail("written above the sandbox: " + path.string());
    }
    return 0;
}
