#include "filter_dialog_fixture.h"

#include <cstdio>

#include "resources/resource.h"
#include "support/Platform.h"

std::vector<Bgra32> TestImage(const View& view)
{
    std::vector<Bgra32> image(static_cast<std::size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            std::uint8_t alpha = x == 3 ? 0 : x == 4 ? 128 : 255;
            image[y * view.width + x] = Bgra32{static_cast<std::uint8_t>(40 + 3 * x), static_cast<std::uint8_t>(200 - 2 * y),
                                           static_cast<std::uint8_t>(60 + 2 * x + y), alpha};
        }
    return image;
}

namespace {
std::uint32_t Composite(int x, int y, int b, int g, int r, int alpha)
{
    const int bg = ((x ^ y) & 8) ? 192 : 255;
    auto mix = [&](int c) { return static_cast<std::uint32_t>((bg * (255 - alpha) + alpha * c) / 255); };
    return (mix(r) << 16) | (mix(g) << 8) | mix(b);
}
}  // namespace

::testing::AssertionResult PaneShowsFiltered(HWND dialog, const std::vector<Bgra32>& image,
                                             const std::function<Bgra32(const Bgra32&)>& filter, const View& view)
{
    HWND pane = GetDlgItem(dialog, IDC_PREVIEW_PANE);
    ClientPixels shot = CaptureClient(pane);
    // Centred where the image fits, from the scroll on where it does not.
    const int left = view.width <= shot.width ? (shot.width - view.width) / 2 : -view.scrollX;
    const int top = view.height <= shot.height ? (shot.height - view.height) / 2 : -view.scrollY;
    const std::uint32_t window = PixelOfColorRef(GetSysColor(COLOR_WINDOW));
    int wrong = 0;
    std::string first;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            std::uint32_t expected = window;
            if (x >= left && x < left + view.width && y >= top && y < top + view.height) {
                const Bgra32 p = filter(image[(y - top) * view.width + (x - left)]);
                expected = Composite(x, y, p.blue, p.green, p.red, p.alpha);
            }
            if (shot.At(x, y) != expected && wrong++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "at (%d,%d): %06x, expected %06x", x, y,
                              static_cast<unsigned>(shot.At(x, y)), static_cast<unsigned>(expected));
                first = text;
            }
        }
    if (wrong)
        return ::testing::AssertionFailure() << wrong << " pixels differ, first " << first;
    return ::testing::AssertionSuccess();
}
