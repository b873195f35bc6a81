// Checks the resources compiled into the built installer, read back from the file.
#include "dialog_template.h"
#include "installer_driver.h"
#include "test_handles_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace e2e {
namespace {

constexpr WORD kEnglishUs = 0x0409;
constexpr WORD kSwedish = 0x041D;

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

// Only numbered resources are expected; the ids are kept as MAKEINTRESOURCE values.
BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    reinterpret_cast<std::vector<LPCSTR>*>(param)->push_back(name);
    return TRUE;
}

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module.Reset(LoadLibraryExA(InstallerUnderTest().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(m_module) << "cannot load " << InstallerUnderTest() << ": error " << GetLastError();
    }

    std::vector<std::uint8_t> Resource(LPCSTR type, LPCSTR name, WORD language) const
    {
        const HRSRC found = FindResourceExA(m_module.Get(), type, name, language);
        if (found == nullptr)
            throw std::runtime_error("resource not found");
        const HGLOBAL loaded = LoadResource(m_module.Get(), found);
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
        return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(m_module.Get(), found));
    }

    std::vector<WORD> Languages(LPCSTR type, LPCSTR name) const
    {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(m_module.Get(), type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    std::vector<LPCSTR> Names(LPCSTR type) const
    {
        std::vector<LPCSTR> names;
        EnumResourceNamesA(m_module.Get(), type, CollectName, reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

    kwtest::UniqueLibrary m_module;
};

struct ExpectedItem {
    const char* className;
    std::int32_t id;
    const char* text; // nullptr: any non-empty text
    int x, y, cx, cy;
    std::uint32_t style;
    std::uint32_t exStyle;
};

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

const ExpectedItem kItems[] = {
    {"button", IDOK, "&Install", 201, 7, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {"button", IDCANCEL, "&Close", 201, 26, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
    {"edit", 1000, "", 15, 43, 152, 13, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0},
    {"button", 1001, "...", 173, 43, 12, 13, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
    {"button", -1, "Destination", 7, 30, 185, 34, kChild | BS_GROUPBOX, 0},
    {"static", -1, "Press the Install button to extract the files to the specified destination folder.", 7, 7, 185, 23,
     kChild | SS_LEFT | WS_GROUP, 0},
    {"static", -1, nullptr, 7, 98, 205, 16, kChild | SS_LEFT | WS_GROUP, 0},
    {"static", -1, "DARivevovud 1.3", 214, 97, 37, 17, kChild | SS_CENTER | SS_SUNKEN | WS_GROUP, 0},
    {"static", 1003, "", 7, 78, 185, 12, kChild | SS_BLACKFRAME, WS_EX_STATICEDGE},
    {"static", 1002, "Standing by...", 7, 69, 184, 8, kChild | SS_LEFT | WS_GROUP, 0},
};

TEST_F(ResourceTest, DialogTemplateMatchesTheLayout)
{
    const DialogTemplate dialog = ParseDialogTemplateEx(Resource(RT_DIALOG, MAKEINTRESOURCEA(102), kEnglishUs));
    EXPECT_EQ(dialog.style, 0x90C800C0u);
    EXPECT_EQ(dialog.exStyle, static_cast<std::uint32_t>(WS_EX_APPWINDOW));
    EXPECT_EQ((std::vector<int>{dialog.x, dialog.y, dialog.cx, dialog.cy}), (std::vector<int>{0, 0, 258, 121}));
    EXPECT_EQ(dialog.caption, "Pelmora Installer");
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.typeface, "MS Sans Serif");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);

    ASSERT_EQ(dialog.items.size(), std::size(kItems));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const DialogItem& item = dialog.items[i];
        const ExpectedItem& expected = kItems[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(item.className, expected.className);
        EXPECT_EQ(item.id, expected.id);
        if (expected.text != nullptr)
            EXPECT_EQ(item.text, expected.text);
        else
            EXPECT_FALSE(item.text.empty());
        EXPECT_EQ((std::vector<int>{item.x, item.y, item.cx, item.cy}),
                  (std::vector<int>{expected.x, expected.y, expected.cx, expected.cy}));
        EXPECT_EQ(item.style, expected.style) << std::hex << item.style << " vs " << expected.style;
        EXPECT_EQ(item.exStyle, expected.exStyle);
    }
}

TEST_F(ResourceTest, ApplicationTitleString)
{
    char title[64] = {};
    EXPECT_GT(LoadStringA(m_module.Get(), 0xE000, title, sizeof title), 0);
    EXPECT_STREQ(title, "Pelmora Installer");
}

TEST_F(ResourceTest, ResourceLanguages)
{
    EXPECT_EQ(Languages(RT_DIALOG, MAKEINTRESOURCEA(102)), std::vector<WORD>{kEnglishUs});
    EXPECT_EQ(Languages(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO)), std::vector<WORD>{kEnglishUs});
    EXPECT_EQ(Languages(RT_GROUP_ICON, MAKEINTRESOURCEA(128)), std::vector<WORD>{kSwedish});
    // The string table block that holds 0xE000.
    EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEA(0xE000 / 16 + 1)), std::vector<WORD>{kSwedish});
    const std::vector<LPCSTR> icons = Names(RT_ICON);
    ASSERT_EQ(icons.size(), 1u) << "icon 128 holds one image";
    EXPECT_EQ(Languages(RT_ICON, icons[0]), std::vector<WORD>{kSwedish});
}

TEST_F(ResourceTest, IconHasOneImageOf32PixelsAnd16Colours)
{
    // GRPICONDIR: reserved, type 1, count, then 14-byte entries.
    const std::vector<std::uint8_t> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(128), kSwedish);
    ASSERT_GE(group.size(), 6u + 14u);
    EXPECT_EQ(group[2], 1);
    EXPECT_EQ(group[4] | (group[5] << 8), 1) << "images in the icon";
    EXPECT_EQ(group[6], 32) << "width";
    EXPECT_EQ(group[7], 32) << "height";
    EXPECT_EQ(group[8], 16) << "colours";
}

std::string VersionString(const std::vector<char>& block, const std::string& name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return "<missing>";
    return std::string(value, strnlen(value, length));
}

TEST_F(ResourceTest, VersionBlock)
{
    const std::string path = InstallerUnderTest();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010003u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010003u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], kEnglishUs);
    EXPECT_EQ(translation[1], 0x04B0);

    EXPECT_EQ(VersionString(block, "FileVersion"), "1.3");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.3");
    EXPECT_EQ(VersionString(block, "FileDescription"), "Pelmora Installer");
    EXPECT_EQ(VersionString(block, "InternalName"), "Pelmora Installer");
    EXPECT_EQ(VersionString(block, "ProductName"), "Pelmora Installer");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "PelmoraInstaller.exe");
    for (const char* notice : {"CompanyName", "LegalCopyright"}) {
        const std::string value = VersionString(block, notice);
        EXPECT_FALSE(value.empty() || value == "<missing>") << notice;
    }
}

} // namespace
} // namespace e2e
