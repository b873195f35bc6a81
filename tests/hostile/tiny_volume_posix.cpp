#include "tiny_volume.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace kwtest {

TinyVolume::TinyVolume(unsigned long long bytes)
{
    if (::geteuid() != 0) {
        m_skipReason = "not running as root, so no tmpfs can be mounted";
        return;
    }
    const char* temp = std::getenv("TMPDIR");
    std::string pattern = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/kwtiny-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        m_skipReason = std::string("cannot make a mount point: ") + std::strerror(errno);
        return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", name.data(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        m_skipReason = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        ::rmdir(name.data());
        return;
    }
    m_mountPoint = name.data();
    m_path = m_mountPoint + "\\";
}

TinyVolume::~TinyVolume()
{
    if (m_mountPoint.empty())
        return;
    ::umount2(m_mountPoint.c_str(), MNT_DETACH);
    ::rmdir(m_mountPoint.c_str());
}

} // namespace kwtest
