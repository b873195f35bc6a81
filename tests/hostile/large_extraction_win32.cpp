#include "large_extraction.h"

#include "test_support.h"

namespace kwtest {

// A peak measured here would be the whole test's, and qemu's under emulation.
MeasuredExtraction ExtractMeasured(const std::string& source, const std::string& destination)
{
    FakeInstaller installer;
    MeasuredExtraction extraction;
    extraction.result = installer.ExtractFiles(source, destination);
    extraction.percents = installer.percents;
    return extraction;
}

bool MemoryToSpare(std::uint64_t, std::string& whyNot)
{
    whyNot = "under Wine the only drive in memory is the small one the run maps";
    return false;
}

} // namespace kwtest
