#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"

namespace {

// Written from the definition, not from the code: the quotient's magnitude is
// floored and the sign put back, which is what truncation toward zero means.
int ReferenceAdjust(int value, int amount)
{
    long long product = static_cast<long long>(value) * amount;
    long long magnitude = (product < 0 ? -product : product) / 200;
    long long quotient = product < 0 ? -magnitude : magnitude;
    long long sum = value + quotient;
    return sum < 0 ? 0 : sum > 255 ? 255 : static_cast<int>(sum);
}

TEST(AdjustChannel, MatchesReferenceForEveryValueAndAmount)
{
    for (int amount = -100; amount <= 100; ++amount)
        for (int value = 0; value <= 255; ++value)
            ASSERT_EQ(AdjustChannel(static_cast<std::uint8_t>(value), amount), ReferenceAdjust(value, amount))
                << "value " << value << " amount " << amount;
}

TEST(AdjustChannel, WorkedValues)
{
    struct Case { int value, amount, expected; };
    const Case cases[] = {
        {255, 100, 255}, {171, 100, 255}, {170, 100, 255}, {128, 50, 160}, {255, 1, 255},
        {254, 1, 255},   {1, -1, 1},      {199, -1, 199},  {200, -1, 199}, {100, -30, 85},
        {101, -100, 51}, {255, -100, 128}, {0, 100, 0},    {0, -100, 0},   {0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdjustChannel(static_cast<std::uint8_t>(c.value), c.amount), c.expected)
            << c.value << " by " << c.amount;
}

TEST(AdjustChannel, AmountsBeyondTheRangeClampWithoutOverflow)
{
    EXPECT_EQ(AdjustChannel(255, -201), 0);   // the lower clamp needs amounts below -200
    EXPECT_EQ(AdjustChannel(10, 1000), 60);
    EXPECT_EQ(AdjustChannel(255, INT32_MAX), 255);
    EXPECT_EQ(AdjustChannel(255, INT32_MIN), 0);
    // Around the switch from 32-bit to 64-bit arithmetic, small values still
    // give exact results on both sides.
    for (int amount : {7999999, 8000000, 8000001, 8400000, 8500000, -7999999, -8000000, -8000001, -8500000})
        for (int value : {0, 1, 199, 200, 201, 255})
            EXPECT_EQ(AdjustChannel(static_cast<std::uint8_t>(value), amount), ReferenceAdjust(value, amount))
                << value << " by " << amount;
}

// Every scanline loop this build has, each held to the reference; those that
// this CPU cannot run are skipped.
struct NamedScanline {
    const char* name;
    ScanlineFunction run;
    bool needsAvx2;
};

const NamedScanline kScanlines[] = {
    {"Scalar", AdjustScanlineScalar, false},
#ifdef HX_HAVE_SSE2_SCANLINE
    {"Sse2", AdjustScanlineSse2, false},
#endif
#ifdef HX_HAVE_AVX2_SCANLINE
    {"Avx2", AdjustScanlineAvx2, true},
    {"Avx2Stream", AdjustScanlineAvx2Stream, true},
#endif
    {"Default", AdjustScanline, false},
};

class Scanline : public ::testing::TestWithParam<NamedScanline> {
protected:
    void SetUp() override
    {
        if (GetParam().needsAvx2 && !CpuHasAvx2())
            GTEST_SKIP() << "this CPU or OS cannot run AVX2";
    }

    static Bgra32 RandomPixel()
    {
        return Bgra32{static_cast<std::uint8_t>(std::rand()), static_cast<std::uint8_t>(std::rand()),
                      static_cast<std::uint8_t>(std::rand()), static_cast<std::uint8_t>(std::rand())};
    }

    static void ExpectAdjusted(const Bgra32* src, const Bgra32* dst, int count, const ChannelAmounts& a,
                               const char* what)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(dst[i].red, ReferenceAdjust(src[i].red, a.red)) << what << " pixel " << i << " amount " << a.red;
            ASSERT_EQ(dst[i].green, ReferenceAdjust(src[i].green, a.green))
                << what << " pixel " << i << " amount " << a.green;
            ASSERT_EQ(dst[i].blue, ReferenceAdjust(src[i].blue, a.blue))
                << what << " pixel " << i << " amount " << a.blue;
            ASSERT_EQ(dst[i].alpha, src[i].alpha) << what << " pixel " << i;
        }
    }
};

// The first 256 pixels carry every channel value in each of red, green and
// blue (the last three go through the tail); over the loop each channel takes
// every amount, so every (value, amount) pair is met.
TEST_P(Scanline, EveryValueWithEveryAmount)
{
    constexpr int kWidth = 259;
    std::vector<Bgra32> src(kWidth);
    for (int i = 0; i < kWidth; ++i)
        src[i] = Bgra32{static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 13)};
    for (int amount = kMinAmount; amount <= kMaxAmount; ++amount) {
        const ChannelAmounts a{amount, -amount, (amount + 137) % 201 - 100};
        std::vector<Bgra32> dst(src.size());
        GetParam().run(src.data(), dst.data(), kWidth, a);
        ExpectAdjusted(src.data(), dst.data(), kWidth, a, "separate");
        std::vector<Bgra32> inPlace(src);
        GetParam().run(inPlace.data(), inPlace.data(), kWidth, a);
        ExpectAdjusted(src.data(), inPlace.data(), kWidth, a, "in place");
    }
}

// Widths 1 to 40 take every tail that a four- or sixteen-pixel step can
// leave, each with every amount; the pointers move through every byte offset,
// and guard bytes catch a write before or past the row.
TEST_P(Scanline, EveryWidthAndAmountAtByteOffsetsWritesOnlyItsPixels)
{
    std::srand(7);
    constexpr int kGuard = 16;
    constexpr std::uint8_t kGuardByte = 0xA5;
    for (int width = 1; width <= 40; ++width) {
        for (int amount = kMinAmount; amount <= kMaxAmount; ++amount) {
            const ChannelAmounts amounts{amount, -amount, (amount + 137) % 201 - 100};
            const int srcOffset = (amount + 100) % 4, dstOffset = (amount + 100) / 4 % 4;
            const std::size_t bytes = static_cast<std::size_t>(width) * 4;
            std::vector<std::uint8_t> srcBytes(bytes + 4), dstBytes(bytes + 4 + 2 * kGuard, kGuardByte);
            for (auto& b : srcBytes)
                b = static_cast<std::uint8_t>(std::rand());
            const auto* src = reinterpret_cast<const Bgra32*>(srcBytes.data() + srcOffset);
            auto* dst = reinterpret_cast<Bgra32*>(dstBytes.data() + kGuard + dstOffset);
            GetParam().run(src, dst, width, amounts);
            ExpectAdjusted(src, dst, width, amounts, "separate");
            for (int g = 0; g < kGuard + dstOffset; ++g)
                ASSERT_EQ(dstBytes[g], kGuardByte) << "wrote before the row, width " << width;
            for (std::size_t g = kGuard + dstOffset + bytes; g < dstBytes.size(); ++g)
                ASSERT_EQ(dstBytes[g], kGuardByte) << "wrote past the row, width " << width;

            std::vector<std::uint8_t> sameBytes(srcBytes);
            auto* same = reinterpret_cast<Bgra32*>(sameBytes.data() + srcOffset);
            GetParam().run(same, same, width, amounts);
            ASSERT_EQ(std::memcmp(same, dst, bytes), 0) << "in place differs at width " << width;
            ASSERT_EQ(std::memcmp(sameBytes.data(), srcBytes.data(), srcOffset), 0) << "width " << width;
            ASSERT_EQ(std::memcmp(sameBytes.data() + srcOffset + bytes, srcBytes.data() + srcOffset + bytes,
                                  4 - srcOffset),
                      0)
                << "in place wrote past the row, width " << width;
        }
    }
}

// Rows of a rectangle inside a wider image, run as the filter runs them: the
// pixels between the rows stay as they were.
TEST_P(Scanline, RowsAtAPitchLeaveTheGapsAlone)
{
    std::srand(11);
    const ChannelAmounts amounts{-30, 80, -99};
    struct Case { int pitch, left, width, rows; };
    const Case cases[] = {{37, 5, 24, 6}, {64, 0, 64, 3}, {41, 1, 39, 5}, {100, 60, 33, 4}, {19, 18, 1, 7}};
    for (const Case& c : cases) {
        std::vector<Bgra32> src(static_cast<std::size_t>(c.pitch) * c.rows), dst(src.size());
        for (auto& p : src)
            p = RandomPixel();
        for (auto& p : dst)
            p = RandomPixel();
        const std::vector<Bgra32> before(dst);
        for (int y = 0; y < c.rows; ++y)
            GetParam().run(src.data() + y * c.pitch + c.left, dst.data() + y * c.pitch + c.left, c.width, amounts);
        for (int y = 0; y < c.rows; ++y) {
            for (int x = 0; x < c.pitch; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * c.pitch + x;
                if (x >= c.left && x < c.left + c.width)
                    ExpectAdjusted(&src[i], &dst[i], 1, amounts, "inside");
                else
                    ASSERT_EQ(std::memcmp(&dst[i], &before[i], 4), 0) << "pitch " << c.pitch << " touched " << x
                                                                      << "," << y;
            }
        }
    }
}

TEST_P(Scanline, ZeroWidthTouchesNothing)
{
    Bgra32 src{1, 2, 3, 4}, dst{9, 9, 9, 9};
    GetParam().run(&src, &dst, 0, ChannelAmounts{100, 100, 100});
    EXPECT_EQ(dst.red, 9);
    EXPECT_EQ(dst.alpha, 9);
}

INSTANTIATE_TEST_SUITE_P(AllLoops, Scanline, ::testing::ValuesIn(kScanlines),
                         [](const ::testing::TestParamInfo<NamedScanline>& info) { return info.param.name; });

TEST(ChooseScanline, BestLoopTheCpuAllows)
{
    EXPECT_EQ(ChooseScanline(false, false), &AdjustScanlineScalar);
    EXPECT_EQ(ChooseStreamingScanline(false, false), &AdjustScanlineScalar);
#ifdef HX_HAVE_AVX2_SCANLINE
    EXPECT_EQ(ChooseScanline(true, false), &AdjustScanlineSse2);
    EXPECT_EQ(ChooseStreamingScanline(true, false), &AdjustScanlineSse2);
    EXPECT_EQ(ChooseScanline(true, true), &AdjustScanlineAvx2);
    EXPECT_EQ(ChooseStreamingScanline(true, true), &AdjustScanlineAvx2Stream);
#else
    EXPECT_EQ(ChooseScanline(true, true), &AdjustScanlineScalar);
#endif
}

TEST(ChooseScanline, Avx2OnlyWhereTheOsSavesYmmState)
{
    constexpr std::uint32_t kOsxsave = 1u << 27, kAvx2 = 1u << 5;
    struct Case { std::uint32_t ecx, ebx; std::uint64_t xcr0; bool usable; };
    const Case cases[] = {
        {kOsxsave, kAvx2, 0x7, true},
        {kOsxsave | 1, kAvx2 | 8, 0xE7, true},  // AVX-512 state as well
        {0, kAvx2, 0x7, false},                 // the OS does not use XSAVE
        {kOsxsave, 0, 0x7, false},              // no AVX2 in the CPU
        {kOsxsave, kAvx2, 0x3, false},          // YMM state not saved
        {kOsxsave, kAvx2, 0x5, false},          // nor XMM state
    };
    for (const Case& c : cases)
        EXPECT_EQ(Avx2Usable(c.ecx, c.ebx, c.xcr0), c.usable) << std::hex << c.ecx << " " << c.ebx << " " << c.xcr0;
#if defined(__i386__) || defined(__x86_64__)
    // The compiler's runtime asks the same questions its own way.
    __builtin_cpu_init();
    EXPECT_EQ(CpuHasAvx2(), __builtin_cpu_supports("avx2") != 0);
#endif
}

}  // namespace
