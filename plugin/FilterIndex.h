#pragma once
#include <cstddef>
#include <cstdint>

// A host's filter index is valid when, read as unsigned, it is below the
// count: negative indices are therefore invalid.
inline bool IsValidFilterIndex(std::int32_t index, std::size_t count)
{
    return static_cast<std::uint32_t>(index) < count;
}
