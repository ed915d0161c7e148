#include "filters/rgbcolor/RgbColorFilter.h"

#include <cstddef>

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
const ScanlineFunction kAdjustScanline =
    ChooseScanline(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0, kMayUseAvx2 && CpuHasAvx2());
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
    const ImageRect& area = *reinterpret_cast<const ImageRect*>(rect);
    if (area.top >= area.bottom)
        return;

    const ChannelAmounts amounts{settings.r, settings.g, settings.b};
    const auto* src = reinterpret_cast<const Bgra32*>(source);
    auto* dst = reinterpret_cast<Bgra32*>(destination);
    const std::int32_t rowPitch = static_cast<std::int32_t>(pitch);
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    for (std::int32_t k = 0; k < rows; ++k) {
        const std::int32_t y = area.top + k;
        if (columns > 0) {
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(y) * rowPitch + area.left;
            kAdjustScanline(src + first, dst + first, columns, amounts);
        }
        sink->Report(ProgressPosition(k, rows));
    }
}

std::int32_t RgbColorFilter::Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height)
{
    if (!CanSetup(parent, pixels, width, height))
        return 0;
    RgbColorDialog dialog;  // destroyed on every way out, exceptions included
    return dialog.RunModal(parent, pixels, width, height) == 1 ? 1 : 0;
}
