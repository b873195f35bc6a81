#pragma once

#include <cstdint>
#include <string>

// A count with its noun, singular for one: "1 byte", "2 bytes", "1 entry".
inline std::string Counted(std::uint64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

inline std::string CountBytes(std::uint64_t count) { return Counted(count, "byte", "bytes"); }

inline std::string CountEntries(std::uint64_t count) { return Counted(count, "entry", "entries"); }
