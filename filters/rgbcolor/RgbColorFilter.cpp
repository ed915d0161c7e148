#include "filters/rgbcolor/RgbColorFilter.h"

#include <cstdint>
#include <new>
#include <stdexcept>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"
#include "filters/rgbcolor/RgbColorDialog.h"
#include "filters/rgbcolor/RgbSettings.h"

namespace {
#ifdef HX_WITHOUT_AVX2
constexpr bool kMayUseAvx2 = false;  // a build that stands for a CPU or Windows without AVX2
#else
constexpr bool kMayUseAvx2 = true;
#endif

// Asked once, at load: a 32-bit Windows host may run on a CPU without SSE2,
// and Windows answers IsProcessorFeaturePresent for AVX2 dependably only on
// recent versions, so AVX2 is asked of the CPU itself.
const bool kSse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
const bool kAvx2 = kMayUseAvx2 && CpuHasAvx2();
const ScanlineFunction kAdjustScanline = ChooseScanline(kSse2, kAvx2);
const ScanlineFunction kStreamingScanline = ChooseStreamingScanline(kSse2, kAvx2);

// The largest cache that Windows reports, or 0: none reported, no memory for
// the answer, or a Windows older than XP SP3, which cannot be asked.
std::uint64_t LastLevelCacheBytes()
{
    using Query = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLogicalProcessorInformation")));
    DWORD bytes = 0;
    if (!query || query(nullptr, &bytes) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    const DWORD count = bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
    auto* entries = new (std::nothrow) SYSTEM_LOGICAL_PROCESSOR_INFORMATION[count];
    std::uint64_t largest = 0;
    if (entries && query(entries, &bytes)) {
        for (DWORD i = 0; i < count; ++i)
            if (entries[i].Relationship == RelationCache && entries[i].Cache.Size > largest)
                largest = entries[i].Cache.Size;
    }
    delete[] entries;
    return largest;
}

// A destination this large goes out with non-temporal stores: twice the
// cache, so source and destination together are four times it and nothing of
// the destination would stay cached anyway. 0: never.
const std::uint64_t kStreamFromBytes = 2 * LastLevelCacheBytes();
}  // namespace

ScanlineFunction RgbColorFilter::Scanline()
{
    return kAdjustScanline;
}

RgbColorFilter::RgbColorFilter() : PixelFilter("RGB Color...|RGBカラー...", "Color|カラー") {}

RgbColorFilter::~RgbColorFilter() = default;

void RgbColorFilter::Run(const RunRequest& run)
{
    std::int32_t stored[kRgbSettingCount];
    if (!kRgbSettings.LoadForRun(run.owner, stored))
        return;
    const ChannelAmounts amounts{stored[kRgbRed], stored[kRgbGreen], stored[kRgbBlue]};
    const ImageRect area = run.Area();
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    const std::uint64_t bytes =
        rows > 0 && columns > 0 ? 4ull * static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows) : 0;
    // In place, each line is read before it is written anyway.
    const bool stream = run.source != run.destination && kStreamFromBytes != 0 && bytes >= kStreamFromBytes;
    const ScanlineFunction adjust = stream ? kStreamingScanline : kAdjustScanline;
    RunRows(run, area, [&](const Bgra32* source, Bgra32* destination, std::int32_t count) {
        adjust(source, destination, count, amounts);
    });
}

std::int32_t RgbColorFilter::Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height)
{
    if (!CanSetup(parent, pixels, width, height))
        return 0;
    RgbColorDialog dialog;  // destroyed on every way out, exceptions included
#ifdef HX_THROW_FROM_SETUP
    // Fault-injection build: the throw must unwind through this module's own
    // frames (its .eh_frame, kept by the strip) to the guard. The width
    // chooses what, so that one build serves every case.
    switch (width) {
    case 2:
        throw std::bad_alloc();
    case 3:
        throw std::logic_error("injected logic");
    case 4:
        throw 4;  // no std::exception: the guard lets it pass
    default:
        throw std::runtime_error("injected");
    }
#endif
    return dialog.RunModal(parent, pixels, width, height) == 1 ? 1 : 0;
}
