#include "failing_call.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kwtest {
namespace {

struct Call {
    const char* name;
    int number;
};

// A failing `write` is made through the limit on a file's size instead: the
// sanitizers write to pipes of their own as they run.
constexpr int kWriteBySizeLimit = -2;

const Call kCalls[] = {
    {"read", __NR_read},           {"write", kWriteBySizeLimit}, {"fsync", __NR_fsync},
    {"newfstatat", __NR_newfstatat}, {"lseek", __NR_lseek},     {"openat", __NR_openat},
    {"ftruncate", __NR_ftruncate}, {"flock", __NR_flock},       {"getcwd", __NR_getcwd},
    {"readlinkat", __NR_readlinkat}, {"getdents64", __NR_getdents64}, {"rename", __NR_rename},
};

int NumberOf(const char* name)
{
    for (const Call& call : kCalls) {
        if (std::strcmp(call.name, name) == 0)
            return call.number;
    }
    return -1;
}

// From here on the call fails with EIO, except on `spared`, the descriptor the
// result goes back through; a write to a file fails with EFBIG.
bool FailFromNowOn(int number, int spared)
{
    if (number == kWriteBySizeLimit) {
        const rlimit none{0, 0};
        return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &none) == 0;
    }
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(number), 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(spared), 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

} // namespace

// In a child, since a filter once set cannot be taken back. Its first byte
// says whether the filter was set, the rest is what `act` returned.
std::optional<std::string> WithFailingCall(const char* posix, const char*, const std::function<std::string()>& act)
{
    const int number = posix == nullptr ? -1 : NumberOf(posix);
    int pipe[2];
    if (number == -1 || ::pipe(pipe) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(pipe[0]);
        const bool set = FailFromNowOn(number, pipe[1]);
        const std::string told = (set ? "1" : "0") + (set ? act() : std::string());
        for (std::size_t done = 0; done < told.size();) {
            const ssize_t put = ::write(pipe[1], told.data() + done, told.size() - done);
            if (put <= 0)
                break;
            done += static_cast<std::size_t>(put);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string told;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(pipe[0], buffer, sizeof buffer)) > 0)
        told.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (told.empty() || told[0] != '1')
        return std::nullopt;
    return told.substr(1);
}

} // namespace kwtest
