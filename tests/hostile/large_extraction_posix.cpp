#include "large_extraction.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kwtest {
namespace {

// Runs the probe and returns what it printed; its exit status must be 0.
std::string RunProbe(const std::string& source, const std::string& destination)
{
    const std::string output = Native(destination) + "../probe.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* argv[] = {KW_MEMORY_PROBE, source.c_str(), destination.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, KW_MEMORY_PROBE, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    int status = -1;
    if (spawned == 0)
        ::waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
    return ReadBytes(output);
}

} // namespace

// In kwmemoryprobe (see there), so that the peak is the extraction's alone.
MeasuredExtraction ExtractMeasured(const std::string& source, const std::string& destination)
{
    std::istringstream output(RunProbe(source, destination));
    MeasuredExtraction extraction;
    extraction.peakKib = 0; // measured here: one not told fails the test
    std::string word;
    while (output >> word) {
        if (word == "status") {
            int percent = 0;
            output >> percent;
            extraction.percents.push_back(percent);
        } else if (word == "result") {
            output >> extraction.result;
        } else if (word == "peak_kib") {
            output >> *extraction.peakKib;
        }
        std::getline(output, word);
    }
    return extraction;
}

// What the system can hand out without swapping, page cache included.
bool MemoryToSpare(std::uint64_t bytes, std::string& whyNot)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (meminfo >> key >> kib) {
        if (key == "MemAvailable:")
            break;
        meminfo.ignore(64, '\n');
    }
    if (key == "MemAvailable:" && kib * 1024 >= bytes)
        return true;
    whyNot = "less than " + std::to_string(bytes >> 30) + " GiB of memory free";
    return false;
}

} // namespace kwtest
