#pragma once
#include <cstdint>

// A pair of signed 32-bit values: a position or an extent in pixels.
struct PanePoint {
    std::int32_t x;
    std::int32_t y;
};

// (Platform-free pane logic: checker value, compositing, layout and scroll
// limits. To be filled in with the pane.)
