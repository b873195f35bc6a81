#pragma once

#include <string>

namespace kwtest {

// A small file system of the test's own, so that writes can run out of room.
// Natively a tmpfs mounted for the object's life (root only); under Wine the
// drive letter named by KW_TINY_DRIVE, which the test run maps to a tmpfs.
// When none can be had, Path() is empty and SkipReason() says why.
class TinyVolume {
public:
    explicit TinyVolume(unsigned long long bytes);
    ~TinyVolume();
    TinyVolume(const TinyVolume&) = delete;
    TinyVolume& operator=(const TinyVolume&) = delete;

    // An empty folder on the volume, in the engine's style, ending in `\`.
    const std::string& Path() const { return m_path; }
    const std::string& SkipReason() const { return m_skipReason; }

private:
    std::string m_mountPoint;
    std::string m_path;
    std::string m_skipReason;
};

} // namespace kwtest
