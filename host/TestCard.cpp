#include "host/TestCard.h"

namespace {
constexpr int kWidth = 256;
constexpr int kBand = 32;

void Put(Image& image, int x, int y, int b, int g, int r, int a)
{
    std::uint8_t* p = &image.bgra[(static_cast<std::size_t>(y) * image.width + x) * 4];
    p[0] = static_cast<std::uint8_t>(b);
    p[1] = static_cast<std::uint8_t>(g);
    p[2] = static_cast<std::uint8_t>(r);
    p[3] = static_cast<std::uint8_t>(a);
}

// Fully saturated hue at position 0..1535.
void Hue(int h, int& r, int& g, int& b)
{
    int f = h % 256;
    switch (h / 256) {
    case 0: r = 255; g = f; b = 0; break;
    case 1: r = 255 - f; g = 255; b = 0; break;
    case 2: r = 0; g = 255; b = f; break;
    case 3: r = 0; g = 255 - f; b = 255; break;
    case 4: r = f; g = 0; b = 255; break;
    default: r = 255; g = 0; b = 255 - f; break;
    }
}
}  // namespace

Image MakeTestCard()
{
    Image card;
    card.width = kWidth;
    card.height = 6 * kBand;
    card.bgra.assign(static_cast<std::size_t>(card.width) * card.height * 4, 0);
    for (int y = 0; y < card.height; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            int r = 0, g = 0, b = 0;
            switch (y / kBand) {
            case 0: Put(card, x, y, 0, 0, x, 255); break;                  // red ramp
            case 1: Put(card, x, y, 0, x, 0, 255); break;                  // green ramp
            case 2: Put(card, x, y, x, 0, 0, 255); break;                  // blue ramp
            case 3: Put(card, x, y, x, x, x, 255); break;                  // grey ramp
            case 4: Put(card, x, y, 64, 160, 224, x); break;               // alpha ramp over a warm colour
            default: Hue(x * 6, r, g, b); Put(card, x, y, b, g, r, 255); break;
            }
        }
    }
    return card;
}
