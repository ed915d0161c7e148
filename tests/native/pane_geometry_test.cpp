#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>

#include "ui/PaneGeometry.h"

namespace {

// The board described by squares rather than by bits: square (x / 8, y / 8)
// is white when its column and row are both even or both odd.
std::uint8_t ReferenceChecker(int x, int y)
{
    return ((x / 8 + y / 8) % 2 == 0) ? 255 : 192;
}

std::uint32_t Grey(std::uint32_t v)
{
    return (v << 16) | (v << 8) | v;
}

TEST(CheckerValue, SquaresOfEightStartingWhite)
{
    struct Case { int x, y, expected; };
    const Case cases[] = {
        {0, 0, 255},  {7, 7, 255},  {8, 0, 192},   {15, 7, 192},  {0, 8, 192},   {7, 15, 192},
        {8, 8, 255},  {15, 15, 255}, {16, 0, 255}, {30, 62, 255}, {34, 62, 192},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckerValue(c.x, c.y), c.expected) << "(" << c.x << ", " << c.y << ")";
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(CheckerValue(x, y), ReferenceChecker(x, y)) << "(" << x << ", " << y << ")";
}

TEST(BlendOverChecker, AlphaZeroShowsTheBoardAndFullAlphaTheColour)
{
    std::mt19937 random(11);
    for (int i = 0; i < 2000; ++i) {
        const int x = static_cast<int>(random() % 300), y = static_cast<int>(random() % 300);
        const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                     static_cast<std::uint8_t>(random())};
        EXPECT_EQ(BlendOverChecker(x, y, bgr, 0), Grey(ReferenceChecker(x, y)));
        EXPECT_EQ(BlendOverChecker(x, y, bgr, 255),
                  (std::uint32_t{bgr[2]} << 16) | (std::uint32_t{bgr[1]} << 8) | bgr[0]);
    }
}

TEST(BlendOverChecker, HalfAlphaDropsTheRemainder)
{
    struct Case { int x, y; std::uint8_t b, g, r; int alpha; std::uint32_t expected; };
    const Case cases[] = {
        // Black at 128: 255 * 127 / 255 = 127 over white, 192 * 127 / 255 = 95.6 -> 95 over grey.
        {0, 0, 0, 0, 0, 128, 0x7F7F7F},
        {8, 0, 0, 0, 0, 128, 0x5F5F5F},
        // White at 128 over grey: (192 * 127 + 255 * 128) / 255 = 223.6 -> 223.
        {8, 0, 255, 255, 255, 128, 0xDFDFDF},
        // One channel each, so a swapped order shows: red 200 -> (255*155 + 100*200)/255 = 233.4 -> 233,
        // green 0 -> 155, blue 100 -> (155*255 + 100*100)/255 = 194.2 -> 194.
        {0, 0, 100, 0, 200, 100, (233u << 16) | (155u << 8) | 194u},
    };
    for (const Case& c : cases) {
        const std::uint8_t bgr[3] = {c.b, c.g, c.r};
        EXPECT_EQ(BlendOverChecker(c.x, c.y, bgr, c.alpha), c.expected)
            << "(" << c.x << ", " << c.y << ") alpha " << c.alpha;
    }
}

TEST(BlendOverChecker, ReadsOnlyThreeBytesAndKeepsTheTopByteZero)
{
    // Exactly three bytes on the heap: the address sanitizer stops a fourth read.
    std::unique_ptr<std::uint8_t[]> bgr(new std::uint8_t[3]{255, 255, 255});
    EXPECT_EQ(BlendOverChecker(3, 3, bgr.get(), 255), 0x00FFFFFFu);
    EXPECT_EQ(BlendOverChecker(3, 3, bgr.get(), 77) >> 24, 0u);
}

TEST(BlendOverChecker, AlphaOutsideItsRangeIsHeldAtTheNearerEnd)
{
    const std::uint8_t bgr[3] = {10, 20, 30};
    EXPECT_EQ(BlendOverChecker(8, 0, bgr, -1), BlendOverChecker(8, 0, bgr, 0));
    EXPECT_EQ(BlendOverChecker(8, 0, bgr, 256), BlendOverChecker(8, 0, bgr, 255));
    EXPECT_EQ(BlendOverChecker(8, 0, bgr, 100000) >> 24, 0u);
}

TEST(ColorRefToPanePixel, RedAndBlueChangePlaces)
{
    EXPECT_EQ(ColorRefToPanePixel(0x00112233), 0x00332211u);
    EXPECT_EQ(ColorRefToPanePixel(0x000000FF), 0x00FF0000u);
    EXPECT_EQ(ColorRefToPanePixel(0x00FF0000), 0x000000FFu);
    EXPECT_EQ(ColorRefToPanePixel(0x0000FF00), 0x0000FF00u);
    EXPECT_EQ(ColorRefToPanePixel(0xFF000000) >> 24, 0u);
}

TEST(LayoutAxis, FittingAxesAreCentredAndOthersFillThePane)
{
    struct Case {
        int pane, image, scrollBefore;
        int offset, size, scrollAfter;
    };
    const Case cases[] = {
        {160, 100, 0, 30, 100, 0},   // 100 x 50 in 160 x 175, across
        {175, 50, 0, 62, 50, 0},     // ... and down: 125 / 2 rounded down
        {175, 50, -60, 62, 50, 0},   // a drag left a negative scroll on a fitting axis
        {160, 160, 0, 0, 160, 0},    // exactly as large fits
        {160, 160, 7, 0, 160, 0},    // ... and so its scroll is forced to 0
        {161, 100, 5, 30, 100, 0},
        {160, 0, 9, 80, 0, 0},       // an empty image fits and renders nothing
        {0, 0, 0, 0, 0, 0},
        {160, 400, 0, 0, 160, 0},    // too wide: the first paint shows column 0
        {160, 400, 137, 0, 160, 137},
        {175, 300, 125, 0, 175, 125},
        {160, 161, 1, 0, 160, 1},
    };
    for (const Case& c : cases) {
        std::int32_t scroll = c.scrollBefore;
        const AxisLayout layout = LayoutAxis(AxisFits(c.pane, c.image), c.pane, c.image, scroll);
        EXPECT_EQ(layout.offset, c.offset) << "pane " << c.pane << " image " << c.image;
        EXPECT_EQ(layout.size, c.size) << "pane " << c.pane << " image " << c.image;
        EXPECT_EQ(scroll, c.scrollAfter) << "pane " << c.pane << " image " << c.image;
    }
}

TEST(DragScroll, TheImageFollowsThePointerWithinItsLimits)
{
    struct Case {
        int scroll, from, to, image, pane;
        int expected;
    };
    const Case cases[] = {
        {0, 50, 40, 400, 160, 10},       // press at (50, 60), move to (40, 45)
        {0, 60, 45, 300, 175, 15},
        {10, 40, 45, 400, 160, 5},
        {0, 40, 1000, 400, 160, 0},      // dragged right past the start: held at 0
        {0, 40, -32768, 400, 160, 240},  // far left of the control: held at image - pane
        {240, 0, -5, 400, 160, 240},     // at the limit a further move changes nothing
        {0, 0, 5, 400, 160, 0},
        {239, 0, -1, 400, 160, 240},
        {1, 0, 1, 400, 160, 0},
        // Fitting axes: the upper limit is tested first and may give a negative value.
        {0, 0, 0, 100, 160, -60},
        {0, 0, 30, 100, 160, -60},
        {-60, 0, 100, 100, 160, 0},      // image - (-160) >= 160, then below 0 -> 0
        {0, 0, 0, 160, 160, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DragScroll(c.scroll, c.from, c.to, c.image, c.pane), c.expected)
            << "scroll " << c.scroll << " from " << c.from << " to " << c.to << " image " << c.image << " pane "
            << c.pane;
    }
}

TEST(DragScroll, NoSequenceOfMovesLeavesTheRange)
{
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        const int pane = 1 + static_cast<int>(random() % 300);
        const int image = pane + 1 + static_cast<int>(random() % 1000);
        std::int32_t scroll = 0, last = 0;
        for (int step = 0; step < 100; ++step) {
            // Positions anywhere a signed 16-bit coordinate can reach.
            const std::int32_t to = static_cast<std::int32_t>(random() % 65536) - 32768;
            scroll = DragScroll(scroll, last, to, image, pane);
            last = to;
            ASSERT_GE(scroll, 0) << "image " << image << " pane " << pane;
            ASSERT_LE(scroll, image - pane) << "image " << image << " pane " << pane;
        }
    }
}

TEST(DragScroll, ExtremeSizesDoNotOverflow)
{
    EXPECT_EQ(DragScroll(INT32_MAX - 10, 0, -32768, INT32_MAX, 10), INT32_MAX - 10);
    EXPECT_EQ(DragScroll(0, 32767, -32768, INT32_MAX, 0), 65535);
    EXPECT_EQ(DragScroll(0, 0, 0, INT32_MIN, INT32_MAX), INT32_MIN);
}

TEST(PointFromMouseParam, BothHalvesAreSigned)
{
    struct Case { std::uint32_t lParam; int x, y; };
    const Case cases[] = {
        {0x00000000u, 0, 0},          {0x003C0032u, 50, 60},     {0xFFFFFFFFu, -1, -1},
        {0xFFF10028u, 40, -15},       {0x7FFF8000u, -32768, 32767}, {0x80007FFFu, 32767, -32768},
    };
    for (const Case& c : cases) {
        const PanePoint p = PointFromMouseParam(c.lParam);
        EXPECT_EQ(p.x, c.x) << std::hex << c.lParam;
        EXPECT_EQ(p.y, c.y) << std::hex << c.lParam;
    }
}

}  // namespace
