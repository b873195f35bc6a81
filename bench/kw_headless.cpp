// The engine's extraction with nothing around it: a status sink that does
// nothing, messages to stderr. Used to profile ExtractFiles and to time it
// under Wine, where process start-up would swamp a timing taken from outside.
//
//   kw_headless [--report-time] <package folder> <destination folder>

#include "installer_engine.h"
#include "package_extractor.h"
#include "message_box.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

class HeadlessExtractor : public CPackageExtractor {
public:
    void SetStatus(int, const std::string&) override {}

protected:
    int ShowMessage(const std::string& text, unsigned) override
    {
        std::fprintf(stderr, "kw_headless: %s\n", text.c_str());
        return mb::kIdOk;
    }
    void OnFileError(const plat::FileError& error) override
    {
        std::fprintf(stderr, "kw_headless: %s\n", error.what());
    }
};

} // namespace

int main(int argc, char** argv)
{
    const bool reportTime = argc == 4 && std::strcmp(argv[1], "--report-time") == 0;
    if (argc != 3 && !reportTime) {
        std::fprintf(stderr, "usage: kw_headless [--report-time] <package folder> <destination folder>\n");
        return 2;
    }
    std::string source = argv[argc - 2];
    std::string destination = argv[argc - 1];
    CInstallEngine::EnsureTrailingBackslash(source);
    CInstallEngine::EnsureTrailingBackslash(destination);

    HeadlessExtractor installer;
    const auto start = std::chrono::steady_clock::now();
    const int result = installer.ExtractFiles(source, destination);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (reportTime)
        std::printf("seconds %.6f\n", elapsed.count());
    return result == 0 ? 0 : 1;
}
