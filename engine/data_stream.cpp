#include "data_stream.h"

#include <algorithm>

DataStream::DataStream(plat::File& file, std::size_t bufferSize) : m_file(file), m_bufferSize(bufferSize) {}

std::string_view DataStream::Next(plat::FileSize most)
{
    if (m_begin == m_end) {
        m_buffer.resize(m_bufferSize);
        m_begin = 0;
        m_end = m_file.Read(m_buffer.data(), m_buffer.size());
    }
    const auto size = static_cast<std::size_t>(std::min<plat::FileSize>(most, m_end - m_begin));
    const std::string_view piece(m_buffer.data() + m_begin, size);
    m_begin += size;
    return piece;
}
