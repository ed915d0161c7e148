// The pane's arithmetic on any positions, sizes, colours and alphas: the
// composite never leaves its channel, the layout stays in the pane, a drag
// never scrolls a non-fitting axis past the image.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/fuzz/FuzzCheck.h"
#include "ui/PaneGeometry.h"

namespace {

template <typename T>
T Take(const std::uint8_t*& p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 36)
        return 0;
    const std::uint8_t* p = data;
    const auto x = Take<std::int32_t>(p), y = Take<std::int32_t>(p), alpha = Take<std::int32_t>(p);
    std::uint8_t bgr[3];
    std::memcpy(bgr, p, 3);
    p += 3;
    p += 1;
    // Pane and image extents as a dialog can have them (a pane is never negative).
    const std::int32_t pane = Take<std::int32_t>(p) & 0x7FFFF;
    const std::int32_t image = Take<std::int32_t>(p) & 0x7FFFFFFF;
    const auto from = static_cast<std::int16_t>(Take<std::int32_t>(p));
    const auto to = static_cast<std::int16_t>(Take<std::int32_t>(p));
    std::int32_t scroll = Take<std::int32_t>(p);

    const std::uint32_t pixel = BlendOverChecker(x, y, bgr, alpha);
    Check((pixel >> 24) == 0, "the top byte stays 0");
    const std::uint32_t bg = CheckerValue(x, y);
    Check(bg == 255 || bg == 192, "the board is white or grey");
    const std::uint32_t a = alpha < 0 ? 0u : alpha > 255 ? 255u : static_cast<std::uint32_t>(alpha);
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t got = (pixel >> (8 * c)) & 0xFF;
        const std::uint32_t lo = bg < bgr[c] ? bg : bgr[c], hi = bg < bgr[c] ? bgr[c] : bg;
        Check(got >= (lo ? lo - 1 : 0) && got <= hi, "a blend lies between board and colour");
        if (a == 255)
            Check(got == bgr[c], "opaque shows the colour");
        if (a == 0)
            Check(got == bg, "transparent shows the board");
    }

    const bool fits = AxisFits(pane, image);
    std::int32_t layoutScroll = scroll;
    const AxisLayout layout = LayoutAxis(fits, pane, image, layoutScroll);
    if (fits) {
        Check(layoutScroll == 0, "a fitting axis does not scroll");
        Check(layout.size == image && layout.offset >= 0 && layout.offset + layout.size <= pane,
              "a fitting image lies inside the pane");
    } else {
        Check(layout.offset == 0 && layout.size == pane, "a larger image fills the pane");
        // Any sequence of drags ends inside the image.
        std::int64_t span = std::int64_t{image} - pane + 1;
        std::int32_t s = static_cast<std::int32_t>(scroll % span);
        if (s < 0)
            s = -s;
        const std::int32_t next = DragScroll(s, from, to, image, pane);
        Check(next >= 0 && next <= image - pane, "the scroll stays within 0..image - pane");
        if (static_cast<std::int64_t>(s) + from - to >= 0 && static_cast<std::int64_t>(s) + from - to <= image - pane)
            Check(next == static_cast<std::int64_t>(s) + from - to, "inside the limits the image follows the pointer exactly");
    }
    return 0;
}
