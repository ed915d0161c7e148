#pragma once
#include <cstdint>

// One pixel of the host's images, in memory order blue, green, red, alpha.
struct Bgra32 {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t alpha;
};
static_assert(sizeof(Bgra32) == 4, "host pixels are 4 bytes");

// Pixel rectangle; right and bottom are exclusive.
struct ImageRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};
