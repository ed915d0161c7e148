#include "filters/rgbcolor/ChannelMath.h"

std::uint8_t AdjustChannel(std::uint8_t value, std::int32_t amount)
{
    // The preview calls this per channel and pixel: keep real amounts in 32-bit
    // arithmetic (a 64-bit division is a library call on i686); only amounts
    // whose product could overflow take the wide road.
    constexpr std::int32_t kNarrow = 8000000;  // 255 * kNarrow < 2^31
    if (amount >= -kNarrow && amount <= kNarrow) {
        const std::int32_t narrow = value + value * amount / 200;
        return static_cast<std::uint8_t>(narrow < 0 ? 0 : narrow > 255 ? 255 : narrow);
    }
    std::int64_t sum = value + static_cast<std::int64_t>(value) * amount / 200;
    if (sum < 0)
        return 0;
    if (sum > 255)
        return 255;
    return static_cast<std::uint8_t>(sum);
}

namespace {

// One channel's amount, ready for the loop. With |amount| <= 100 the product
// fits easily in 32 bits, and C++ division truncates toward zero as required.
struct Gain {
    std::int32_t amount;

    std::uint8_t operator()(std::uint8_t value) const
    {
        std::int32_t sum = value + value * amount / 200;
        return static_cast<std::uint8_t>(sum > 255 ? 255 : sum);  // never below 0 in range
    }
};

}  // namespace

void AdjustScanlineScalar(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
    const Gain red{amounts.red}, green{amounts.green}, blue{amounts.blue};
    for (std::int32_t i = 0; i < count; ++i) {
        const Bgra32 p = src[i];  // whole pixel read first: src may be dst
        dst[i].red = red(p.red);
        dst[i].green = green(p.green);
        dst[i].blue = blue(p.blue);
        dst[i].alpha = p.alpha;
    }
}

ScanlineFunction ChooseScanline(bool cpuHasSse2, bool cpuHasAvx2)
{
#ifdef HX_HAVE_AVX2_SCANLINE
    if (cpuHasAvx2)
        return AdjustScanlineAvx2;
#else
    (void)cpuHasAvx2;
#endif
#ifdef HX_HAVE_SSE2_SCANLINE
    if (cpuHasSse2)
        return AdjustScanlineSse2;
#else
    (void)cpuHasSse2;
#endif
    return AdjustScanlineScalar;
}

ScanlineFunction ChooseStreamingScanline(bool cpuHasSse2, bool cpuHasAvx2)
{
#ifdef HX_HAVE_AVX2_SCANLINE
    if (cpuHasAvx2)
        return AdjustScanlineAvx2Stream;
#endif
    return ChooseScanline(cpuHasSse2, cpuHasAvx2);
}

void AdjustScanline(const Bgra32* src, Bgra32* dst, std::int32_t count, const ChannelAmounts& amounts)
{
#ifdef __SSE2__
    AdjustScanlineSse2(src, dst, count, amounts);
#else
    AdjustScanlineScalar(src, dst, count, amounts);
#endif
}
