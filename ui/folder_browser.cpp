#include "folder_browser.h"

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
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(item.Get(), path))
        return false;
    folder = path;
    return true;
}

} // namespace ui
