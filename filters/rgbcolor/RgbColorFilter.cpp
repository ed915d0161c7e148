#include "filters/rgbcolor/RgbColorFilter.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "filters/rgbcolor/ChannelMath.h"
#include "filters/rgbcolor/CpuFeatures.h"
#include "filters/rgbcolor/RgbColorDialog.h"
#include "filters/rgbcolor/RgbSettings.h"
#include "plugin/Progress.h"

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

RgbColorFilter::RgbColorFilter() : Filter("RGB Color...|RGBカラー...", "Color|カラー") {}

RgbColorFilter::~RgbColorFilter() = default;

void RgbColorFilter::Execute(HostArg owner, HostArg source, HostArg destination, HostArg, HostArg rect, HostArg,
                             HostArg pitch, HostArg, ProgressSink* sink)
{
    RgbSettings settings;
    LoadRgbSettings(settings);
    if (!IsValidAmount(settings.r) || !IsValidAmount(settings.g) || !IsValidAmount(settings.b)) {
        ReportError(reinterpret_cast<HWND>(owner), "設定ファイルに書き込まれている値が不正です。", nullptr);
        return;
    }
    // A copy: a host whose progress callback pumps messages may move its
    // selection during the run, and the rows must stay those of the call.
    const ImageRect area = *reinterpret_cast<const ImageRect*>(rect);
    if (area.top >= area.bottom)
        return;

    const ChannelAmounts amounts{settings.r, settings.g, settings.b};
    const auto* src = reinterpret_cast<const Bgra32*>(source);
    auto* dst = reinterpret_cast<Bgra32*>(destination);
    const std::int32_t rowPitch = static_cast<std::int32_t>(pitch);
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    // In place, each line is read before it is written anyway.
    const std::uint64_t bytes = columns > 0 ? 4ull * static_cast<std::uint64_t>(columns) * rows : 0;
    const ScanlineFunction adjust =
        src != dst && kStreamFromBytes != 0 && bytes >= kStreamFromBytes ? kStreamingScanline : kAdjustScanline;
    for (std::int32_t k = 0; k < rows; ++k) {
        const std::int32_t y = area.top + k;
        if (columns > 0) {
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(y) * rowPitch + area.left;
            adjust(src + first, dst + first, columns, amounts);
        }
        sink->Report(ProgressPosition(k, rows));
    }
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
