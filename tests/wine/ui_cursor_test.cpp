// The pane's pointers 107 and 108 as the built plug-in carries them, and as
// the test executables carry them for the framework.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "resource.h"
#include "support/PluginSandbox.h"

namespace {

// One cursor image as stored: '.' transparent, '#' black, 'o' white, 'x' inverted.
struct Picture {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::vector<RGBQUAD> palette;
    std::vector<std::string> rows;
    POINT hotspot{-1, -1};

    char At(int x, int y) const { return rows[y][x]; }
};

// Rows of a picture from its masks, `stride` bytes a row, the bottom row first
// if `bottomUp`.
std::vector<std::string> MaskRows(const BYTE* andMask, const BYTE* xorMask, int width, int height, int stride,
                                  bool bottomUp)
{
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        const int stored = bottomUp ? height - 1 - y : y;
        std::string row;
        for (int x = 0; x < width; ++x) {
            const int bit = 7 - (x % 8);
            const bool a = (andMask[stored * stride + x / 8] >> bit) & 1;
            const bool w = (xorMask[stored * stride + x / 8] >> bit) & 1;
            row += a ? (w ? 'x' : '.') : (w ? 'o' : '#');
        }
        rows.push_back(row);
    }
    return rows;
}

// The image of the cursor group that the system would take for `size`.
Picture ReadCursor(HMODULE module, int id, int size)
{
    Picture picture;
    HRSRC group = FindResourceExA(module, RT_GROUP_CURSOR, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!group)
        return picture;
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    const int imageId = LookupIconIdFromDirectoryEx(directory, FALSE, size, size, LR_MONOCHROME);
    HRSRC entry = FindResourceA(module, MAKEINTRESOURCEA(imageId), RT_CURSOR);
    if (!entry)
        return picture;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, entry)));
    // A cursor image starts with its hot spot, then a bitmap of both masks.
    const auto* hotspot = reinterpret_cast<const WORD*>(data);
    picture.hotspot = POINT{hotspot[0], hotspot[1]};
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(data + 4);
    picture.width = header->biWidth;
    picture.height = header->biHeight / 2;
    picture.bitCount = header->biBitCount;
    if (picture.bitCount != 1)
        return picture;
    const auto* colours = reinterpret_cast<const RGBQUAD*>(data + 4 + header->biSize);
    picture.palette.assign(colours, colours + 2);
    const int stride = ((picture.width + 31) / 32) * 4;
    const BYTE* xorMask = reinterpret_cast<const BYTE*>(colours + 2);
    const BYTE* andMask = xorMask + stride * picture.height;
    picture.rows = MaskRows(andMask, xorMask, picture.width, picture.height, stride, true);
    return picture;
}

// Bounds of the opaque pixels within the columns [x0, x1) and rows [y0, y1).
RECT OpaqueBounds(const Picture& p, int x0, int y0, int x1, int y1)
{
    RECT r{x1, y1, -1, -1};
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (p.At(x, y) == '.')
                continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x);
            r.bottom = std::max<LONG>(r.bottom, y);
        }
    }
    return r;
}

// Each cursor comes in these sizes, the system's at 100, 150 and 200 % scaling.
const int kSizes[] = {32, 48, 64};

// Places in the 32-pixel picture, scaled to the others.
struct Expected {
    int id;
    // The move sign alone fills the columns and the rows from handEnd on; it
    // spans the columns [signLeft, signRight) and the rows [10, 32).
    int handEnd, signLeft, signRight;
};
const Expected kCursors[] = {
    {IDC_HAND_OPEN, 17, 10, 32},   // centred at (20.5, 20.5)
    {IDC_HAND_CLOSED, 15, 8, 30},  // centred at (18.5, 20.5)
};

int Scaled(int at32, int size) { return at32 * size / 32; }

void CheckPicture(const Picture& p, const Expected& e, int size)
{
    ASSERT_EQ(p.width, size);
    ASSERT_EQ(p.height, size);
    ASSERT_EQ(p.bitCount, 1);
    EXPECT_EQ(p.hotspot.x, 0);
    EXPECT_EQ(p.hotspot.y, 0);
    ASSERT_EQ(p.palette.size(), 2u);
    EXPECT_EQ(RGB(p.palette[0].rgbRed, p.palette[0].rgbGreen, p.palette[0].rgbBlue), RGB(0, 0, 0));
    EXPECT_EQ(RGB(p.palette[1].rgbRed, p.palette[1].rgbGreen, p.palette[1].rgbBlue), RGB(255, 255, 255));

    int black = 0, white = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const char c = p.At(x, y);
            EXPECT_NE(c, 'x') << "inverted pixel at (" << x << ", " << y << ")";
            black += c == '#';
            white += c == 'o';
            if (c != 'o')
                continue;
            // White is fill: every neighbour is white or the black outline.
            const int around[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
            for (const auto& d : around) {
                const int nx = x + d[0], ny = y + d[1];
                const bool outlined = nx >= 0 && nx < size && ny >= 0 && ny < size && p.At(nx, ny) != '.';
                EXPECT_TRUE(outlined) << "white at (" << x << ", " << y << ") has no outline towards (" << nx << ", "
                                      << ny << ")";
            }
        }
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);

    // The sign: what lies right of the hand, and what lies below it, spans
    // the sign's rows, and its columns, scaled from 32 pixels.
    const int handEnd = Scaled(e.handEnd, size);
    const RECT right = OpaqueBounds(p, handEnd, 0, size, size);
    EXPECT_EQ(right.top, Scaled(10, size));
    EXPECT_EQ(right.bottom, size - 1);
    const RECT below = OpaqueBounds(p, 0, handEnd, size, size);
    EXPECT_EQ(below.left, Scaled(e.signLeft, size));
    EXPECT_EQ(below.right, Scaled(e.signRight, size) - 1);
    EXPECT_EQ(below.bottom, size - 1);
    // The hand sits in the top-left corner, above and left of the sign.
    const RECT hand = OpaqueBounds(p, 0, 0, handEnd, Scaled(10, size));
    EXPECT_LE(hand.left, size / 32);
    EXPECT_LE(hand.top, size / 32);
}

TEST(Cursors, ThePluginCarriesBothPicturesInJapaneseInEverySize)
{
    PluginSandbox plugin;
    ASSERT_NE(plugin.Module(), nullptr);
    for (const int size : kSizes) {
        for (const Expected& e : kCursors) {
            SCOPED_TRACE("cursor " + std::to_string(e.id) + " at " + std::to_string(size));
            CheckPicture(ReadCursor(plugin.Module(), e.id, size), e, size);
        }
        EXPECT_NE(ReadCursor(plugin.Module(), IDC_HAND_OPEN, size).rows,
                  ReadCursor(plugin.Module(), IDC_HAND_CLOSED, size).rows);
    }
}

// The system's cursor size grows with display scaling; at 32, 48 and 64 the
// cursor must be that picture, not another one stretched.
TEST(Cursors, LoadAtTheSystemSizeAsMonochromeCursorsWithTheHotSpotTopLeft)
{
    const int size = GetSystemMetrics(SM_CXCURSOR);
    ASSERT_EQ(GetSystemMetrics(SM_CYCURSOR), size);
    const bool drawn = std::find(std::begin(kSizes), std::end(kSizes), size) != std::end(kSizes);
    PluginSandbox plugin;
    for (HMODULE module : {plugin.Module(), GetModuleHandleA(nullptr)}) {
        for (const Expected& e : kCursors) {
            SCOPED_TRACE("cursor " + std::to_string(e.id) + (module == plugin.Module() ? " of the plug-in" : " of the test") +
                         " at " + std::to_string(size));
            HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(e.id));
            ASSERT_NE(cursor, nullptr);
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(cursor, &info));
            EXPECT_FALSE(info.fIcon);
            EXPECT_EQ(info.xHotspot, 0u);
            EXPECT_EQ(info.yHotspot, 0u);
            EXPECT_EQ(info.hbmColor, nullptr) << "not monochrome";
            BITMAP mask{};
            GetObjectA(info.hbmMask, sizeof mask, &mask);
            EXPECT_EQ(mask.bmWidth, size);
            EXPECT_EQ(mask.bmHeight, 2 * size);  // AND and XOR masks one above the other
            if (drawn && mask.bmWidth == size && mask.bmHeight == 2 * size) {
                std::vector<BYTE> bits(mask.bmWidthBytes * mask.bmHeight);
                GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data());
                const BYTE* xorMask = bits.data() + mask.bmWidthBytes * size;
                EXPECT_EQ(MaskRows(bits.data(), xorMask, size, size, mask.bmWidthBytes, false),
                          ReadCursor(module, e.id, size).rows);
            }
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
}

}  // namespace
