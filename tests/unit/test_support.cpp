#include "test_support.h"

#include "code_page.h"
#include "message_box.h"
#include "package_index.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kwtest {

const std::string kFileErrorLine = "message 0x10 Caught a file exception!!";
const std::string kQuestionTail = "\n\nThe specified folder does not exist.\nDo you want to create it?";

std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) % 256);
    return bytes;
}

std::string Native(std::string enginePath)
{
    std::replace(enginePath.begin(), enginePath.end(), '\\', '/');
    return enginePath;
}

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path path = fs::temp_directory_path() /
                          ("kwtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(path);
    std::string text = path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    m_path = text + "\\";
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    // Folder tests move the current folder, often into this one: step out before removing it.
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::permissions(Native(m_path), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(Native(m_path), ignored);
}

void WriteBytes(const std::string& enginePath, const std::string& bytes)
{
    std::ofstream out(Native(enginePath), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + enginePath);
}

std::string ReadBytes(const std::string& enginePath)
{
    std::ifstream in(Native(enginePath), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + enginePath);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool Exists(const std::string& enginePath) { return fs::exists(Native(enginePath)); }

std::vector<std::string> ListTree(const std::string& enginePath)
{
    const fs::path root = Native(enginePath);
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        names.push_back(fs::relative(entry.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

void WritePackage(const std::string& folder, const std::vector<Entry>& entries)
{
    std::string index;
    std::string data;
    for (const Entry& entry : entries) {
        AppendIndexRecord(index, static_cast<std::uint32_t>(entry.contents.size()), entry.name);
        data += entry.contents;
    }
    WriteBytes(folder + CInstallEngine::kIndexFileName, index);
    WriteBytes(folder + CInstallEngine::kDataFileName, data);
}

std::string RawRecord(std::uint32_t dataSize, std::uint32_t nameLength, const std::string& nameBytes)
{
    std::string record;
    AppendIndexRecord(record, dataSize, std::string());
    for (int shift = 0; shift < 32; shift += 8)
        record[4 + shift / 8] = static_cast<char>((nameLength >> shift) & 0xFF);
    return record + nameBytes;
}

void FakeInstaller::SetStatus(int percent, const std::string& text)
{
    percents.push_back(percent);
    log.push_back("status " + std::to_string(percent) + " " + text);
    if (onStatus)
        onStatus(text);
}

void FakeInstaller::OnStillExtracting()
{
    if (onStillExtracting)
        onStillExtracting();
}

int FakeInstaller::ShowMessage(const std::string& text, unsigned type)
{
    char typeText[16];
    std::snprintf(typeText, sizeof typeText, "0x%02X", type);
    log.push_back("message " + std::string(typeText) + " " + text);
    if (answers.empty())
        return mb::kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::intptr_t FakeInstaller::Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show)
{
    log.push_back("launch " + verb + " " + file + " " + parameters + " " + directory + " " + std::to_string(show));
    return launchResult;
}

bool FakeInstaller::GetModulePath(std::string& path)
{
    path = modulePath;
    return !modulePath.empty();
}

PathCodePageScope::PathCodePageScope(unsigned codePage)
    : m_saved(plat::PathCodePage()), m_active(plat::SetPathCodePage(codePage))
{
}

PathCodePageScope::~PathCodePageScope() { plat::SetPathCodePage(m_saved); }

void CodePageRows::SetUp()
{
    m_scope.emplace(GetParam());
    if (!m_scope->Active())
        GTEST_SKIP() << "code page " << GetParam() << " cannot be the path code page here; the system's is "
                     << plat::PathCodePage();
}

std::string CodePageName(const ::testing::TestParamInfo<unsigned>& info)
{
    return "cp" + std::to_string(info.param);
}

CurrentFolderGuard::CurrentFolderGuard() : m_saved(fs::current_path().string()) {}

CurrentFolderGuard::~CurrentFolderGuard()
{
    std::error_code ignored;
    fs::current_path(m_saved, ignored);
}

} // namespace kwtest
