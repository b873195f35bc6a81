#pragma once

#include <algorithm>
#include <cstddef>

namespace plat {

// Calls `fill(data, size)` with a buffer that grows until the answer fits.
// `fill` answers 0 when the call failed; a length below `size` when it wrote
// that much, which the buffer is cut to; and otherwise, the result did not
// fit, the size it needs (or `size` itself when the call does not say). The
// buffer at least doubles each time, up to `limit` elements, beyond which
// the answer is taken as failed.
template <typename Buffer, typename Fill>
bool GrowUntilFits(Buffer& buffer, std::size_t first, std::size_t limit, Fill fill)
{
    buffer.resize(first);
    for (;;) {
        const std::size_t size = buffer.size();
        const std::size_t answer = fill(buffer.data(), size);
        if (answer == 0)
            return false;
        if (answer < size) {
            buffer.resize(answer);
            return true;
        }
        if (size >= limit)
            return false;
        buffer.resize(std::min(std::max(answer, size * 2), limit));
    }
}

} // namespace plat
