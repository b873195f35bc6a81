// kwmemoryprobe SOURCE DEST: extracts the package in SOURCE into DEST in a
// child process and prints, one per line, every status ("status PERCENT
// TEXT"), the result ("result N") and the child's peak resident memory as
// getrusage gives it ("peak_kib N"). Built without sanitizers, so that the
// peak is the extraction's own. The extraction runs in a child made by fork,
// whose peak starts from this small program's size: a program started
// directly by the sanitized test would inherit the test's peak through exec.

#include "package_extractor.h"

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ProbeExtractor : public CPackageExtractor {
public:
    void SetStatus(int percent, const std::string& text) override
    {
        std::printf("status %d %s\n", percent, text.c_str());
    }

protected:
    int ShowMessage(const std::string& text, unsigned) override
    {
        std::printf("message %s\n", text.c_str());
        return 1;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kwmemoryprobe SOURCE DEST\n");
        return 2;
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child < 0)
        return 3;
    if (child == 0) {
        ProbeExtractor installer;
        const int result = installer.ExtractFiles(argv[1], argv[2]);
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("result %d\npeak_kib %ld\n", result, usage.ru_maxrss);
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 4;
    return WEXITSTATUS(status);
}
