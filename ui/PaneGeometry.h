#pragma once
#include <cstdint>

// A pair of signed 32-bit values: a position or an extent in pixels.
struct PanePoint {
    std::int32_t x;
    std::int32_t y;
};

// The pane's arithmetic, free of any window system: the checkerboard, the
// compositing, the layout of one axis and the scroll limits. The pane applies
// it to x and y separately.

constexpr std::uint8_t kCheckerWhite = 255;
constexpr std::uint8_t kCheckerGrey = 192;

// The board behind the image at buffer (x, y): 8 x 8 squares, white at
// (0..7, 0..7), grey to its right and below it.
inline std::uint8_t CheckerValue(std::int32_t x, std::int32_t y)
{
    return ((static_cast<std::uint32_t>(x) ^ static_cast<std::uint32_t>(y)) & 8u) ? kCheckerGrey : kCheckerWhite;
}

// One colour channel over the board value: (bg * (255 - alpha) + alpha * c) / 255,
// the remainder dropped. alpha must be 0..255.
inline std::uint32_t BlendChannel(std::uint32_t background, std::uint32_t channel, std::uint32_t alpha)
{
    return (background * (255u - alpha) + alpha * channel) / 255u;
}

// The buffer value 0x00RRGGBB for the colour bytes blue, green, red (bgr[0..2],
// the byte after them is not read) laid with `alpha` over the board at (x, y).
// An alpha outside 0..255 is taken as the nearer end, so that a faulty
// renderer cannot spill one channel into the next.
std::uint32_t BlendOverChecker(std::int32_t x, std::int32_t y, const std::uint8_t* bgr, std::int32_t alpha);

// A colour as the system gives it (0x00BBGGRR) as a buffer value (0x00RRGGBB).
inline std::uint32_t ColorRefToPanePixel(std::uint32_t colorRef)
{
    return ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) | ((colorRef >> 16) & 0xFFu);
}

// Along one axis the image fits when the pane is at least as large; equal fits.
inline bool AxisFits(std::int32_t paneExtent, std::int32_t imageExtent)
{
    return paneExtent >= imageExtent;
}

// Where the visible part of the image lies along one axis of the buffer.
struct AxisLayout {
    std::int32_t offset;  // first buffer position of the block
    std::int32_t size;    // extent of the block
};

// A fitting axis is centred (rounded down) and its scroll forced to 0; an axis
// that does not fit fills the pane from the scroll as it is.
AxisLayout LayoutAxis(bool fits, std::int32_t paneExtent, std::int32_t imageExtent, std::int32_t& scroll);

// The scroll limited along one axis, upper limit first. Where the image does
// not fit the result lies in 0 .. image - pane; where it fits it may be
// negative (the layout puts 0 there).
std::int32_t LimitScroll(std::int64_t scroll, std::int32_t imageExtent, std::int32_t paneExtent);

// One drag step along one axis: the image follows the pointer from `from` to
// `to`, then the scroll is limited.
std::int32_t DragScroll(std::int32_t scroll, std::int32_t from, std::int32_t to, std::int32_t imageExtent,
                        std::int32_t paneExtent);

// The client position carried by a mouse message's lParam: low and high 16
// bits, each signed, so that points left of or above the window are negative.
inline PanePoint PointFromMouseParam(std::uint32_t lParam)
{
    return PanePoint{static_cast<std::int16_t>(lParam & 0xFFFFu), static_cast<std::int16_t>(lParam >> 16)};
}
