#include "hard_link.h"

#include "test_support.h"
#include "win32_handles.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace kwtest {

bool MakeHardLink(const std::string& link, const std::string& target)
{
    return ::CreateHardLinkA(link.c_str(), target.c_str(), nullptr) != 0;
}

// Asked of a file with two names, as the installer asks: some systems keep
// the query unimplemented.
bool SystemListsFileNames()
{
    static const bool lists = [] {
        const TempFolder folder;
        WriteBytes(folder.Path() + "one", "x");
        if (!MakeHardLink(folder.Path() + "two", folder.Path() + "one"))
            return false;
        const plat::UniqueCreatedFile file(::CreateFileA((folder.Path() + "two").c_str(), FILE_READ_ATTRIBUTES,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<LONGLONG> buffer(512);
        IO_STATUS_BLOCK io{};
        return file && NT_SUCCESS(::NtQueryInformationFile(file.Get(), &io, buffer.data(),
                                                           static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                                                           static_cast<FILE_INFORMATION_CLASS>(46)));
    }();
    return lists;
}

} // namespace kwtest
