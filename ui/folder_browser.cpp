#include "folder_browser.h"

#include "win32_text.h"
#include "win_handles.h"

namespace ui {
namespace {

// The shell's browser wants COM on the calling thread.
class ComApartment {
public:
    ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

} // namespace

bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder)
{
    const ComApartment com;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    const UniqueItemList item(SHBrowseForFolderA(&info));
    if (!item)
        return false;
    // Through the wide call: the ANSI one writes a name the code page cannot by
    // a look-alike, which names another folder.
    wchar_t path[MAX_PATH] = {};
    std::string ansi;
    if (!SHGetPathFromIDListW(item.Get(), path) || !plat::ToAnsiPath(path, ansi))
        return false;
    folder = std::move(ansi);
    return true;
}

} // namespace ui
