#include "ui/PaneGeometry.h"

#include <limits>

namespace {

// Sums of two 32-bit values are formed in 64 bits; a result that still does
// not fit (only with absurd image sizes) is held at the nearer end.
std::int32_t Saturate(std::int64_t value)
{
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int64_t FloorHalf(std::int64_t value)
{
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

}  // namespace

std::uint32_t BlendOverChecker(std::int32_t x, std::int32_t y, const std::uint8_t* bgr, std::int32_t alpha)
{
    const std::uint32_t a = alpha < 0 ? 0u : alpha > 255 ? 255u : static_cast<std::uint32_t>(alpha);
    const std::uint32_t bg = CheckerValue(x, y);
    const std::uint32_t blue = BlendChannel(bg, bgr[0], a);
    const std::uint32_t green = BlendChannel(bg, bgr[1], a);
    const std::uint32_t red = BlendChannel(bg, bgr[2], a);
    return (red << 16) | (green << 8) | blue;
}

AxisLayout LayoutAxis(bool fits, std::int32_t paneExtent, std::int32_t imageExtent, std::int32_t& scroll)
{
    if (fits) {
        scroll = 0;
        return AxisLayout{Saturate(FloorHalf(std::int64_t{paneExtent} - imageExtent)), imageExtent};
    }
    return AxisLayout{0, paneExtent};
}

std::int32_t LimitScroll(std::int64_t scroll, std::int32_t imageExtent, std::int32_t paneExtent)
{
    if (imageExtent - scroll < paneExtent)
        return Saturate(std::int64_t{imageExtent} - paneExtent);
    if (scroll < 0)
        return 0;
    return Saturate(scroll);
}

std::int32_t DragScroll(std::int32_t scroll, std::int32_t from, std::int32_t to, std::int32_t imageExtent,
                        std::int32_t paneExtent)
{
    return LimitScroll(std::int64_t{scroll} + from - to, imageExtent, paneExtent);
}
