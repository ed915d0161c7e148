#pragma once
#include <cstdint>

constexpr std::int32_t kProgressRange = 10000;

// Position reported after `finished` of `rows` rows: finished * 10000 / rows,
// truncated. Computed in 64 bits so that rectangles taller than 214,748 rows
// still give the exact quotient instead of a wrapped product.
inline std::int32_t ProgressPosition(std::int32_t finished, std::int32_t rows)
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(finished) * kProgressRange / rows);
}
