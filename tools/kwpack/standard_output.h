#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

namespace kwpack {

// Standard output through the C library's stream, keeping the system's
// reason when a write fails (a full disk, a closed pipe), which std::cout
// forgets: the stream then goes bad, and Failure() says why.
class StandardOutput : public std::ostream {
public:
    StandardOutput();
    // Why a write failed, in the system's words; empty while none has.
    const std::string& Failure() const { return m_buffer.failure; }

private:
    struct Buffer : std::streambuf {
        std::string failure;

        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* bytes, std::streamsize count) override;
        int sync() override;
        void Failed();
    };
    Buffer m_buffer;
};

} // namespace kwpack
