#pragma once

// How the large-package test extracts its package and finds room for it:
// natively with the peak memory measured, under Wine in the test's own
// process, so that the 32-bit engine is the one that meets more than 4 GiB.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kwtest {

struct MeasuredExtraction {
    int result = -1;
    std::vector<int> percents;           // of every status, in order
    std::optional<std::uint64_t> peakKib; // the extraction's peak resident memory, where it is measured
};

// Extracts the package in `source` into `destination` (engine paths).
MeasuredExtraction ExtractMeasured(const std::string& source, const std::string& destination);

// True when a file system in memory of `bytes` may be asked for (see
// TinyVolume); otherwise false, saying why.
bool MemoryToSpare(std::uint64_t bytes, std::string& whyNot);

} // namespace kwtest
