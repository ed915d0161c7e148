// The SSE2 loop with a caller whose stack is aligned to 4 bytes only, as a
// 32-bit Windows host may call: directly, and through HXF_Execute of the real
// DLL, with the stack pointer 0, 4, 8 and 12 bytes off a 16-byte boundary.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "support/PluginSandbox.h"
#include "support/StdcallProbe.h"

namespace {

std::uint32_t U(const void* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

int Reference(int value, int amount)
{
    int product = value * amount;
    int quotient = product >= 0 ? product / 200 : -((-product) / 200);
    int sum = value + quotient;
    return sum > 255 ? 255 : sum;
}

std::vector<Bgra32> RandomPixels(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Bgra32> pixels(count);
    for (Bgra32& p : pixels) {
        std::uint32_t v = random();
        std::memcpy(&p, &v, 4);
    }
    return pixels;
}

void ExpectAdjusted(const std::vector<Bgra32>& src, const std::vector<Bgra32>& dst, const ChannelAmounts& a,
                    int offset)
{
    for (std::size_t i = 0; i < src.size(); ++i) {
        ASSERT_EQ(dst[i].red, Reference(src[i].red, a.red)) << "pixel " << i << ", stack offset " << offset;
        ASSERT_EQ(dst[i].green, Reference(src[i].green, a.green)) << "pixel " << i << ", stack offset " << offset;
        ASSERT_EQ(dst[i].blue, Reference(src[i].blue, a.blue)) << "pixel " << i << ", stack offset " << offset;
        ASSERT_EQ(dst[i].alpha, src[i].alpha) << "pixel " << i << ", stack offset " << offset;
    }
}

constexpr int kOffsets[] = {0, 4, 8, 12};

TEST(KernelStack, TheCpuHasSse2SoTheseRunsTakeTheSse2Loop)
{
    ASSERT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
}

TEST(KernelStack, Sse2LoopCalledAtEveryStackOffset)
{
    const ChannelAmounts amounts{77, -100, -3};
    // 39 pixels: the sixteen-pixel step, the four-pixel step and a tail of three.
    const std::vector<Bgra32> src = RandomPixels(39, 1);
    for (int offset : kOffsets) {
        std::vector<Bgra32> dst(src.size());
        const std::uint32_t args[] = {U(src.data()), U(dst.data()), static_cast<std::uint32_t>(src.size()),
                                      U(&amounts)};
        CallWithStackOffset(reinterpret_cast<const void*>(&AdjustScanlineSse2), args, 4, offset);
        ExpectAdjusted(src, dst, amounts, offset);
    }
}

std::int32_t __stdcall CountRows(std::int32_t, std::int32_t, std::uint32_t data)
{
    ++*reinterpret_cast<int*>(static_cast<std::uintptr_t>(data));
    return 7;
}

TEST(KernelStack, HxfExecuteAtEveryStackOffsetSeparateAndInPlace)
{
    PluginSandbox plugin;
    plugin.WriteSettings("[RGBColor]\r\nr=100\r\ng=-41\r\nb=13\r\n");
    const ChannelAmounts amounts{100, -41, 13};
    const int width = 45, height = 6;
    const std::vector<Bgra32> src = RandomPixels(width * height, 2);
    const ImageRect rect{0, 0, width, height};
    const void* execute = reinterpret_cast<const void*>(plugin.Proc("HXF_Execute"));
    ASSERT_NE(execute, nullptr);
    const std::uint32_t callback = U(reinterpret_cast<const void*>(&CountRows));
    for (int offset : kOffsets) {
        for (bool inPlace : {false, true}) {
            std::vector<Bgra32> dst = inPlace ? src : std::vector<Bgra32>(src.size());
            int rows = 0;
            // Index, owner, source, destination, -, rectangle, -, pitch, -, callback, user data.
            const std::uint32_t args[] = {0, 0, U(inPlace ? dst.data() : src.data()), U(dst.data()), 0, U(&rect),
                                          0, static_cast<std::uint32_t>(width), 0, callback, U(&rows)};
            const std::uint32_t result = CallWithStackOffset(execute, args, 11, offset);
            EXPECT_EQ(result, 7u) << "the final progress call's answer, stack offset " << offset;
            EXPECT_EQ(rows, height + 2) << "0, one per row, 10000; stack offset " << offset;
            ExpectAdjusted(src, dst, amounts, offset);
        }
    }
}

}  // namespace
