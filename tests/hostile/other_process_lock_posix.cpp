#include "other_process_lock.h"

#include "test_support.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kwtest {

struct OtherProcessLock::Process {
    pid_t pid = -1;
    int release = -1; // closing it lets the child go
};

namespace {

// The child: lock the file, say so, and hold it until the parent closes the pipe.
[[noreturn]] void HoldFile(const std::string& path, int ready, int release)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    const char status = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'L' : 'E';
    if (::write(ready, &status, 1) != 1)
        ::_exit(1);
    char ignored;
    while (::read(release, &ignored, 1) < 0 && errno == EINTR) {
    }
    ::_exit(0);
}

} // namespace

OtherProcessLock::OtherProcessLock(const std::string& enginePath, Hold) : m_process(std::make_unique<Process>())
{
    const std::string path = Native(enginePath);
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0)
        throw std::runtime_error("pipe failed");
    if (::pipe(release) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        HoldFile(path, ready[1], release[0]);
    }
    ::close(ready[1]);
    ::close(release[0]);
    m_process->pid = pid;
    m_process->release = release[1];
    char status = 0;
    const bool answered = pid > 0 && ::read(ready[0], &status, 1) == 1;
    ::close(ready[0]);
    if (!answered || status != 'L') {
        ::close(m_process->release);
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
        throw std::runtime_error("the other process could not lock " + path);
    }
}

OtherProcessLock::~OtherProcessLock()
{
    ::close(m_process->release);
    ::waitpid(m_process->pid, nullptr, 0);
}

} // namespace kwtest
