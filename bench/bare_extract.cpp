// The fastest extraction we know how to write, as the yardstick for the real
// one: the whole index in memory, the data file read front to back through one
// large buffer, each entry written with open/write/close. No status, no checks
// beyond what keeps it from writing garbage.
//
//   bare_extract [--report-time] <package folder> <destination folder>
//
// --report-time prints the seconds spent from the first open to the last close,
// which leaves out process start-up (large under Wine).

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "bare_extract: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

int OpenOrFail(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_BINARY, 0666);
    if (fd < 0)
        Fail("cannot open " + path);
    return fd;
}

std::size_t ReadUpTo(int fd, char* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const auto got = ::read(fd, buffer + done, static_cast<unsigned>(count - done));
        if (got < 0)
            Fail("cannot read");
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void WriteAll(int fd, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const auto put = ::write(fd, bytes, static_cast<unsigned>(count));
        if (put <= 0)
            Fail("cannot write");
        bytes += put;
        count -= static_cast<std::size_t>(put);
    }
}

std::vector<char> ReadWhole(const std::string& path)
{
    const int fd = OpenOrFail(path, O_RDONLY);
    std::vector<char> bytes;
    std::vector<char> chunk(kBufferSize);
    for (;;) {
        const std::size_t got = ReadUpTo(fd, chunk.data(), chunk.size());
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < chunk.size())
            break;
    }
    ::close(fd);
    return bytes;
}

std::uint32_t LoadLittleEndian32(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Hands out the data file's bytes in order, refilling one buffer as it empties.
class DataReader {
public:
    explicit DataReader(const std::string& path) : m_fd(OpenOrFail(path, O_RDONLY)), m_buffer(kBufferSize) {}
    ~DataReader() { ::close(m_fd); }

    // Copies `size` bytes to `out`.
    void CopyTo(int out, std::uint64_t size)
    {
        while (size > 0) {
            if (m_begin == m_end) {
                m_begin = 0;
                m_end = ReadUpTo(m_fd, m_buffer.data(), m_buffer.size());
                if (m_end == 0) {
                    errno = 0;
                    Fail("the data file ended early");
                }
            }
            const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_end - m_begin));
            WriteAll(out, m_buffer.data() + m_begin, piece);
            m_begin += piece;
            size -= piece;
        }
    }

private:
    int m_fd;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

void Extract(const std::string& package, const std::string& destination)
{
    const std::vector<char> index = ReadWhole(package + "/pelmora.kwi");
    DataReader data(package + "/pelmora.kwf");
    std::string path = destination + "/";
    const std::size_t folderLength = path.size();

    std::size_t at = 0;
    while (at + 8 <= index.size()) {
        const std::uint32_t dataSize = LoadLittleEndian32(&index[at]);
        const std::uint32_t nameLength = LoadLittleEndian32(&index[at + 4]);
        at += 8;
        if (nameLength > index.size() - at) {
            errno = 0;
            Fail("the index ends inside a name");
        }
        path.resize(folderLength);
        path.append(&index[at], strnlen(&index[at], nameLength));
        at += nameLength;

        const int out = OpenOrFail(path, O_WRONLY | O_CREAT | O_TRUNC);
        data.CopyTo(out, dataSize);
        if (::close(out) != 0)
            Fail("cannot close " + path);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool reportTime = argc == 4 && std::strcmp(argv[1], "--report-time") == 0;
    if (argc != 3 && !reportTime) {
        std::fprintf(stderr, "usage: bare_extract [--report-time] <package folder> <destination folder>\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    Extract(argv[argc - 2], argv[argc - 1]);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (reportTime)
        std::printf("seconds %.6f\n", elapsed.count());
    return 0;
}
