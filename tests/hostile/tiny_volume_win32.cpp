#include "tiny_volume.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kwtest {

// The size is fixed where the drive is mapped (tiny-drive.sh); the tests size
// their packages by the free space they find.
TinyVolume::TinyVolume(unsigned long long)
{
    const char* drive = std::getenv("KW_TINY_DRIVE");
    if (drive == nullptr || *drive == '\0') {
        m_skipReason = "KW_TINY_DRIVE is not set: no drive is mapped to a small tmpfs";
        return;
    }
    const std::string root = std::string(drive) + "\\";
    if (GetDriveTypeA(root.c_str()) <= DRIVE_NO_ROOT_DIR) {
        m_skipReason = "drive " + root + " is not mapped (tiny-drive.sh needs root to mount its tmpfs)";
        return;
    }
    m_mountPoint = root + "kwtiny-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    std::error_code error;
    std::filesystem::remove_all(m_mountPoint, error);
    if (!std::filesystem::create_directory(m_mountPoint, error)) {
        m_skipReason = "cannot make a folder on " + root + ": " + error.message();
        m_mountPoint.clear();
        return;
    }
    m_path = m_mountPoint + "\\";
}

TinyVolume::~TinyVolume()
{
    if (m_mountPoint.empty())
        return;
    std::error_code ignored;
    std::filesystem::permissions(m_mountPoint, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_mountPoint, ignored);
}

} // namespace kwtest
