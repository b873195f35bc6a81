#pragma once

// Shared by the two platform implementations; not for the engine.

#include "platform.h"

#include <algorithm>

namespace plat {

const char* DescribeCause(int cause);
FileError MakeFileError(int cause, const std::string& path, const char* action, long systemCode);

// Large enough that a copy costs few system calls, small enough not to matter as memory.
constexpr std::size_t kCopyBufferSize = 1 << 20;

// File::CopyTo through the process's own memory, for systems or files that
// cannot copy between files directly.
inline FileSize CopyThroughBuffer(File& source, File& target, FileSize count, std::vector<char>& buffer)
{
    if (count > 0 && buffer.size() < kCopyBufferSize)
        buffer.resize(kCopyBufferSize);
    FileSize done = 0;
    while (done < count) {
        const auto ask = static_cast<std::size_t>(std::min<FileSize>(count - done, buffer.size()));
        const std::size_t got = source.Read(buffer.data(), ask);
        target.Write(buffer.data(), got);
        done += got;
        if (got < ask)
            break;
    }
    return done;
}

} // namespace plat
