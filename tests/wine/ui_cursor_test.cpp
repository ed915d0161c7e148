// The pane's pointers 107 and 108 as the built plug-in carries them, and as
// the test executables carry them for the framework.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

Picture ReadCursor(HMODULE module, int id)
{
    Picture picture;
    HRSRC group = FindResourceExA(module, RT_GROUP_CURSOR, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!group)
        return picture;
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    const int imageId = LookupIconIdFromDirectoryEx(directory, FALSE, 32, 32, LR_MONOCHROME);
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
    for (int y = 0; y < picture.height; ++y) {
        const int stored = picture.height - 1 - y;  // bottom row first
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            const int bit = 7 - (x % 8);
            const bool a = (andMask[stored * stride + x / 8] >> bit) & 1;
            const bool w = (xorMask[stored * stride + x / 8] >> bit) & 1;
            row += a ? (w ? 'x' : '.') : (w ? 'o' : '#');
        }
        picture.rows.push_back(row);
    }
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

struct Expected {
    int id;
    // The move sign alone fills the columns from signColumn on (and the rows
    // from signRow on); its centre, doubled.
    int signColumn, signRow;
    int centreX2, centreY2;
};
const Expected kCursors[] = {
    {IDC_HAND_OPEN, 17, 17, 41, 41},    // centred at (20.5, 20.5)
    {IDC_HAND_CLOSED, 15, 15, 37, 41},  // centred at (18.5, 20.5)
};

void CheckPicture(const Picture& p, const Expected& e)
{
    ASSERT_EQ(p.width, 32);
    ASSERT_EQ(p.height, 32);
    ASSERT_EQ(p.bitCount, 1);
    EXPECT_EQ(p.hotspot.x, 0);
    EXPECT_EQ(p.hotspot.y, 0);
    ASSERT_EQ(p.palette.size(), 2u);
    EXPECT_EQ(RGB(p.palette[0].rgbRed, p.palette[0].rgbGreen, p.palette[0].rgbBlue), RGB(0, 0, 0));
    EXPECT_EQ(RGB(p.palette[1].rgbRed, p.palette[1].rgbGreen, p.palette[1].rgbBlue), RGB(255, 255, 255));

    int black = 0, white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
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
                const bool outlined = nx >= 0 && nx < 32 && ny >= 0 && ny < 32 && p.At(nx, ny) != '.';
                EXPECT_TRUE(outlined) << "white at (" << x << ", " << y << ") has no outline towards (" << nx << ", "
                                      << ny << ")";
            }
        }
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);

    // The sign: to the right of the hand it spans rows symmetric about its
    // centre, below the hand columns symmetric about it.
    const RECT right = OpaqueBounds(p, e.signColumn, 0, 32, 32);
    EXPECT_EQ(right.top + right.bottom, e.centreY2) << "rows " << right.top << ".." << right.bottom;
    const RECT below = OpaqueBounds(p, 0, e.signRow, 32, 32);
    EXPECT_EQ(below.left + below.right, e.centreX2) << "columns " << below.left << ".." << below.right;
    EXPECT_EQ(below.bottom, 31);
    // The hand sits in the top-left corner, above and left of the sign.
    const RECT hand = OpaqueBounds(p, 0, 0, 17, 10);
    EXPECT_LE(hand.left, 1);
    EXPECT_LE(hand.top, 1);
}

TEST(Cursors, ThePluginCarriesBothPicturesInJapanese)
{
    PluginSandbox plugin;
    ASSERT_NE(plugin.Module(), nullptr);
    for (const Expected& e : kCursors) {
        SCOPED_TRACE("cursor " + std::to_string(e.id));
        CheckPicture(ReadCursor(plugin.Module(), e.id), e);
    }
    EXPECT_NE(ReadCursor(plugin.Module(), IDC_HAND_OPEN).rows, ReadCursor(plugin.Module(), IDC_HAND_CLOSED).rows);
}

TEST(Cursors, LoadAsThirtyTwoPixelMonochromeCursorsWithTheHotSpotTopLeft)
{
    PluginSandbox plugin;
    for (HMODULE module : {plugin.Module(), GetModuleHandleA(nullptr)}) {
        for (const Expected& e : kCursors) {
            SCOPED_TRACE("cursor " + std::to_string(e.id) + (module == plugin.Module() ? " of the plug-in" : " of the test"));
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
            EXPECT_EQ(mask.bmWidth, 32);
            EXPECT_EQ(mask.bmHeight, 64);  // AND and XOR masks one above the other
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
}

}  // namespace
