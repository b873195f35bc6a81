// Writes a benchmark payload folder, the same bytes for the same seed on every machine.
//
//   make_payload one   <folder> <seed> <bytes>         one file of incompressible bytes
//   make_payload flat  <folder> <seed> <count> <bytes> <count> files of the same size
//   make_payload mixed <folder> <seed> <count>         <count> files, sizes log-uniform
//                                                      from 100 B to 50 MiB, thinned above 1 MiB
//
// Prints the number of files and bytes written.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// xoshiro256** seeded through splitmix64: fast, and fixed by its definition
// rather than by a library version.
class Random {
public:
    explicit Random(std::uint64_t seed)
    {
        for (auto& word : m_state) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t Next()
    {
        const std::uint64_t result = Rotate(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = Rotate(m_state[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_state[4];
};

constexpr std::uint64_t kMiB = 1 << 20;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "make_payload: %s\n", what.c_str());
    std::exit(1);
}

std::uint64_t ParseCount(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0')
        Fail(std::string("not a number: ") + text);
    return value;
}

// Each file's bytes come from its own stream, so one file does not depend on the sizes before it.
void WriteRandomFile(const std::string& path, std::uint64_t size, std::uint64_t seed)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        Fail("cannot create " + path + ": " + std::strerror(errno));
    Random random(seed);
    std::vector<std::uint64_t> block(kMiB / sizeof(std::uint64_t));
    while (size > 0) {
        for (auto& word : block)
            word = random.Next();
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(size, kMiB));
        if (std::fwrite(block.data(), 1, chunk, file) != chunk)
            Fail("cannot write " + path + ": " + std::strerror(errno));
        size -= chunk;
    }
    if (std::fclose(file) != 0)
        Fail("cannot close " + path + ": " + std::strerror(errno));
}

std::string FileName(const std::string& folder, std::uint64_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/f%06llu.bin", static_cast<unsigned long long>(number));
    return folder + name;
}

// Log-uniform from 100 B to 50 MiB, keeping 1 in 14 of the draws above 1 MiB:
// unthinned, 2,000 draws come to about 8 GB; thinned, 2,000 files to about 1 GB.
std::vector<std::uint64_t> MixedSizes(Random& random, std::uint64_t count)
{
    const double low = std::log(100.0);
    const double high = std::log(50.0 * kMiB);
    std::vector<std::uint64_t> sizes;
    while (sizes.size() < count) {
        const auto size = static_cast<std::uint64_t>(std::exp(low + (high - low) * random.Unit()));
        const bool keep = size <= kMiB || random.Next() % 14 == 0;
        if (keep)
            sizes.push_back(size);
    }
    return sizes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        Fail("usage: make_payload one|flat|mixed <folder> <seed> [count] [bytes]");
    const std::string kind = argv[1];
    const std::string folder = argv[2];
    const std::uint64_t seed = ParseCount(argv[3]);

    std::vector<std::uint64_t> sizes;
    Random random(seed);
    if (kind == "one" && argc == 5)
        sizes.push_back(ParseCount(argv[4]));
    else if (kind == "flat" && argc == 6)
        sizes.assign(ParseCount(argv[4]), ParseCount(argv[5]));
    else if (kind == "mixed" && argc == 5)
        sizes = MixedSizes(random, ParseCount(argv[4]));
    else
        Fail("bad arguments for '" + kind + "'");

    if (::mkdir(folder.c_str(), 0777) != 0)
        Fail("cannot create " + folder + ": " + std::strerror(errno));
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        WriteRandomFile(FileName(folder, i), sizes[i], seed * 1000003 + i);
        total += sizes[i];
    }
    std::printf("%zu files, %llu bytes\n", sizes.size(), static_cast<unsigned long long>(total));
    return 0;
}
