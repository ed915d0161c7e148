#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"

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
}

TEST(AdjustScanline, EqualsAdjustChannelPerPixelForEveryTailLength)
{
    std::srand(7);
    const ChannelAmounts amountSets[] = {{0, 0, 0}, {100, -100, 1}, {-1, 37, -63}, {55, 100, -100}};
    for (const ChannelAmounts& amounts : amountSets) {
        for (int width = 1; width <= 40; ++width) {
            std::vector<Bgra32> src(width + 1), dst(width + 1, Bgra32{1, 2, 3, 4});
            for (auto& p : src)
                p = Bgra32{static_cast<std::uint8_t>(std::rand()), static_cast<std::uint8_t>(std::rand()),
                           static_cast<std::uint8_t>(std::rand()), static_cast<std::uint8_t>(std::rand())};
            AdjustScanline(src.data(), dst.data(), width, amounts);
            for (int i = 0; i < width; ++i) {
                ASSERT_EQ(dst[i].red, ReferenceAdjust(src[i].red, amounts.red));
                ASSERT_EQ(dst[i].green, ReferenceAdjust(src[i].green, amounts.green));
                ASSERT_EQ(dst[i].blue, ReferenceAdjust(src[i].blue, amounts.blue));
                ASSERT_EQ(dst[i].alpha, src[i].alpha);
            }
            EXPECT_EQ(dst[width].alpha, 4) << "wrote past the end at width " << width;

            std::vector<Bgra32> inPlace(src);
            AdjustScanline(inPlace.data(), inPlace.data(), width, amounts);
            for (int i = 0; i < width; ++i)
                ASSERT_EQ(std::memcmp(&inPlace[i], &dst[i], 4), 0) << "in place differs at " << i;
        }
    }
}

}  // namespace
