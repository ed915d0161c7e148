// The SIMD loops with a caller whose stack is aligned to 4 bytes only, as a
// 32-bit Windows host may call: directly, and through HXF_Execute of the real
// DLL (and of the build that stands for a CPU without AVX2), with the stack
// pointer at every 4-byte offset from a 32-byte boundary.
#include <cpuid.h>
#include <gtest/gtest.h>
#include <immintrin.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"
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

constexpr int kOffsets[] = {0, 4, 8, 12, 16, 20, 24, 28};

// Whether XGETBV with ECX = 1 reports which register states are in use. Asked
// once: in a virtual machine CPUID traps to the hypervisor, which may give the
// registers back marked in use.
const bool kStatesInUseKnown = [] {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & (1u << 27)) || __get_cpuid_max(0, nullptr) < 0xD)
        return false;
    __cpuid_count(0xD, 1, eax, ebx, ecx, edx);
    return (eax & (1u << 2)) != 0;
}();

// Whether the upper halves of the YMM registers hold anything (XINUSE bit 2):
// 1 or 0, or -1 where the CPU cannot tell.
__attribute__((target("xsave"))) int UpperYmmInUse()
{
    return kStatesInUseKnown ? static_cast<int>((_xgetbv(1) >> 2) & 1) : -1;
}

TEST(KernelStack, TheCpuHasSse2)
{
    ASSERT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
}

struct NamedLoop {
    const char* name;
    ScanlineFunction run;
    bool needsAvx2;
};

class KernelLoop : public ::testing::TestWithParam<NamedLoop> {};

// Each loop leaves the upper YMM state as it found it, clean: a host's SSE
// code after a dirty one pays a transition at every instruction on some CPUs.
TEST_P(KernelLoop, CalledAtEveryStackOffsetLeavesTheYmmUpperHalvesClean)
{
    if (GetParam().needsAvx2 && !CpuHasAvx2())
        GTEST_SKIP() << "this CPU or Windows cannot run AVX2";
    const ChannelAmounts amounts{77, -100, -3};
    // 39 pixels: every step of both loops and a tail of three (AVX2: seven).
    const std::vector<Bgra32> src = RandomPixels(39, 1);
    for (int offset : kOffsets) {
        std::vector<Bgra32> dst(src.size());
        const std::uint32_t args[] = {U(src.data()), U(dst.data()), static_cast<std::uint32_t>(src.size()),
                                      U(&amounts)};
        const int before = UpperYmmInUse();
        CallAndMeasureStack(reinterpret_cast<const void*>(GetParam().run), args, 4, nullptr, offset);
        if (before == 0) {
            EXPECT_EQ(UpperYmmInUse(), 0) << "stack offset " << offset;
        }
        ExpectAdjusted(src, dst, amounts, offset);
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, KernelLoop,
                         ::testing::Values(NamedLoop{"Sse2", AdjustScanlineSse2, false},
                                           NamedLoop{"Avx2", AdjustScanlineAvx2, true},
                                           NamedLoop{"Avx2Stream", AdjustScanlineAvx2Stream, true}),
                         [](const ::testing::TestParamInfo<NamedLoop>& info) { return info.param.name; });

std::int32_t __stdcall CountRows(std::int32_t, std::int32_t, std::uint32_t data)
{
    ++*reinterpret_cast<int*>(static_cast<std::uintptr_t>(data));
    return 7;
}

class KernelPlugin : public ::testing::TestWithParam<const char*> {};

// The plug-in as built (AVX2 here, where the CPU has it) and as a CPU without AVX2 runs it.
TEST_P(KernelPlugin, HxfExecuteAtEveryStackOffsetSeparateAndInPlace)
{
    PluginSandbox plugin("", "rgbcolor.dll", true, GetParam());
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
            std::uint32_t result = 0;
            CallAndMeasureStack(execute, args, 11, &result, offset);
            EXPECT_EQ(result, 7u) << "the final progress call's answer, stack offset " << offset;
            EXPECT_EQ(rows, height + 2) << "0, one per row, 10000; stack offset " << offset;
            ExpectAdjusted(src, dst, amounts, offset);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, KernelPlugin, ::testing::Values("rgbcolor.dll", "rgbcolor_noavx2.dll"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).find("noavx2") != std::string::npos ? "WithoutAvx2"
                                                                                                : "AsBuilt";
                         });

}  // namespace
