// Where a Windows link leads, read from reparse data made here: no link on
// the disk is needed, and none would show under Wine, which hides them.

#include "link_target.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using plat::WideText;

constexpr std::uint32_t kSymbolicLink = 0xA000000C;
constexpr std::uint32_t kMountPoint = 0xA0000003;

WideText Wide(const wchar_t* text) { return WideText(text, text + std::wcslen(text)); }

void Put16(std::vector<unsigned char>& data, std::size_t value)
{
    data.push_back(static_cast<unsigned char>(value & 0xFF));
    data.push_back(static_cast<unsigned char>(value >> 8 & 0xFF));
}

void Put32(std::vector<unsigned char>& data, std::uint32_t value)
{
    Put16(data, value & 0xFFFF);
    Put16(data, value >> 16);
}

// Reparse data as the system writes it: the header, the names' offsets and
// lengths, a symbolic link's flags, then the substitute and the print name.
std::vector<unsigned char> Reparse(std::uint32_t tag, const wchar_t* substitute, std::uint32_t flags = 0)
{
    const std::wstring print = L"shown";
    const std::size_t substituteBytes = std::wcslen(substitute) * 2;
    const std::size_t names = substituteBytes + print.size() * 2;
    std::vector<unsigned char> data;
    Put32(data, tag);
    Put16(data, 8 + (tag == kSymbolicLink ? 4 : 0) + names);
    Put16(data, 0);
    Put16(data, 0);
    Put16(data, substituteBytes);
    Put16(data, substituteBytes);
    Put16(data, print.size() * 2);
    if (tag == kSymbolicLink)
        Put32(data, flags);
    for (const wchar_t* c = substitute; *c != 0; ++c)
        Put16(data, static_cast<std::size_t>(*c));
    for (const wchar_t c : print)
        Put16(data, static_cast<std::size_t>(c));
    return data;
}

struct TargetCase {
    const char* what;
    std::vector<unsigned char> data;
    const wchar_t* target; // null when refused
    const char* why = nullptr;
};

} // namespace

TEST(LinkTarget, ReadsWhereALinkLeadsWithoutOpeningIt)
{
    const WideText folder = Wide(L"\\\\?\\C:\\dest\\sub");
    const std::uint32_t relative = 1;
    const TargetCase cases[] = {
        {"an absolute symbolic link", Reparse(kSymbolicLink, L"\\??\\C:\\dest\\x"), L"\\\\?\\C:\\dest\\x"},
        {"a relative one", Reparse(kSymbolicLink, L"..\\x", relative), L"\\\\?\\C:\\dest\\x"},
        {"a relative one through its own folder", Reparse(kSymbolicLink, L".\\x\\..\\y", relative),
         L"\\\\?\\C:\\dest\\sub\\y"},
        {"a relative one that climbs past the drive's root", Reparse(kSymbolicLink, L"..\\..\\..\\..\\x", relative),
         L"\\\\?\\C:\\x"},
        {"one relative to the drive's root", Reparse(kSymbolicLink, L"\\other\\x", relative), L"\\\\?\\C:\\other\\x"},
        {"a junction", Reparse(kMountPoint, L"\\??\\C:\\dest\\real\\"), L"\\\\?\\C:\\dest\\real"},
        {"a junction to another drive's root", Reparse(kMountPoint, L"\\??\\D:\\"), L"\\\\?\\D:\\"},
        {"a link to a share", Reparse(kSymbolicLink, L"\\??\\UNC\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x"},
        {"a link to a named pipe", Reparse(kSymbolicLink, L"\\??\\pipe\\evil"), nullptr, "a device"},
        {"a link into the object manager", Reparse(kSymbolicLink, L"\\Device\\NamedPipe\\evil"), nullptr, "a device"},
        {"a junction into the object manager", Reparse(kMountPoint, L"\\RPC Control\\evil"), nullptr, "a device"},
        {"a volume named by its GUID",
         Reparse(kMountPoint, L"\\??\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\"), nullptr, "a volume"},
        {"a share with no share", Reparse(kSymbolicLink, L"\\??\\UNC\\server"), nullptr, "a device"},
        {"a link of another kind", Reparse(0xA000001D, L"x"), nullptr, "a link of a kind"},
        {"a reparse point that is no link", Reparse(0x80000013, L"x"), nullptr, "does not write through"},
        {"data cut short", std::vector<unsigned char>{0x0C, 0x00, 0x00}, nullptr, "cannot be read"},
    };
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.what);
        const plat::LinkTarget target = plat::ReadLinkTarget(c.data.data(), c.data.size(), folder);
        if (c.target != nullptr) {
            EXPECT_EQ(target.why, nullptr);
            EXPECT_EQ(target.path, Wide(c.target));
        } else {
            ASSERT_NE(target.why, nullptr);
            EXPECT_NE(std::string(target.why).find(c.why), std::string::npos) << target.why;
            EXPECT_TRUE(target.path.empty());
        }
    }
}

TEST(LinkTarget, RefusesDataThatClaimsMoreThanItHolds)
{
    std::vector<unsigned char> data = Reparse(kSymbolicLink, L"\\??\\C:\\dest\\x");
    const plat::LinkTarget whole = plat::ReadLinkTarget(data.data(), data.size(), Wide(L"\\\\?\\C:\\dest"));
    ASSERT_EQ(whole.why, nullptr);
    // The names' length, then their offset, reaching past the data; then the data's own length.
    for (const std::size_t field : {std::size_t{10}, std::size_t{8}, std::size_t{4}}) {
        SCOPED_TRACE(field);
        std::vector<unsigned char> spoilt = data;
        spoilt[field + 1] = 0x7F;
        const plat::LinkTarget target = plat::ReadLinkTarget(spoilt.data(), spoilt.size(), Wide(L"\\\\?\\C:\\dest"));
        EXPECT_NE(target.why, nullptr);
    }
}

TEST(LinkTarget, TellsThePartsOfAPathBelowAFolder)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        bool below;
        const wchar_t* parts;
    };
    const Case cases[] = {
        {L"\\\\?\\C:\\dest\\x\\y", L"\\\\?\\C:\\dest", true, L"x\\y"},
        {L"\\\\?\\c:\\DEST\\x", L"\\\\?\\C:\\dest", true, L"x"}, // as the system compares names
        {L"\\\\?\\C:\\dest", L"\\\\?\\C:\\dest", true, L""},
        {L"\\\\?\\C:\\destination\\x", L"\\\\?\\C:\\dest", false, L""},
        {L"\\\\?\\C:\\x", L"\\\\?\\C:\\dest", false, L""},
        {L"\\\\?\\C:\\x", L"\\\\?\\C:\\", true, L"x"},
        {L"\\\\?\\C:\\", L"\\\\?\\C:\\", true, L""},
        {L"\\\\?\\D:\\x", L"\\\\?\\C:\\", false, L""},
        {L"\\\\?\\UNC\\server\\share\\dest\\a", L"\\\\?\\UNC\\server\\share\\dest", true, L"a"},
        {L"\\\\?\\UNC\\server\\other\\dest\\a", L"\\\\?\\UNC\\server\\share\\dest", false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)) + " below " +
                     testing::PrintToString(std::wstring(c.folder)));
        WideText parts;
        EXPECT_EQ(plat::PartsBelow(Wide(c.path), Wide(c.folder), parts), c.below);
        EXPECT_EQ(parts, Wide(c.parts));
    }
}
