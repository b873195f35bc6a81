#include "standard_output.h"

#include <cerrno>
#include <cstring>

namespace kwpack {

StandardOutput::StandardOutput() : std::ostream(nullptr) { rdbuf(&m_buffer); }

// errno is read at once, before anything else can change it; the first failure is the one told.
void StandardOutput::Buffer::Failed()
{
    if (failure.empty())
        failure = std::strerror(errno);
}

StandardOutput::Buffer::int_type StandardOutput::Buffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    if (std::fwrite(&byte, 1, 1, stdout) == 1)
        return c;
    Failed();
    return traits_type::eof();
}

std::streamsize StandardOutput::Buffer::xsputn(const char* bytes, std::streamsize count)
{
    const std::size_t written = std::fwrite(bytes, 1, static_cast<std::size_t>(count), stdout);
    if (written != static_cast<std::size_t>(count))
        Failed();
    return static_cast<std::streamsize>(written);
}

int StandardOutput::Buffer::sync()
{
    if (std::fflush(stdout) == 0)
        return 0;
    Failed();
    return -1;
}

} // namespace kwpack
