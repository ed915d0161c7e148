#include "filters/rgbcolor/RgbColorFilter.h"

#include <cstdint>
#include <new>
#include <stdexcept>

#include "filters/rgbcolor/CpuFeatures.h"
#include "filters/rgbcolor/RgbColorDialog.h"
#include "filters/rgbcolor/RgbColorIds.h"

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

// Keys in the order they are read and written.
enum RgbSetting { kRgbRed, kRgbGreen, kRgbBlue, kRgbPreview };
constexpr SettingsKey kKeys[] = {
    {"r", 0, kMinAmount, kMaxAmount},
    {"g", 0, kMinAmount, kMaxAmount},
    {"b", 0, kMinAmount, kMaxAmount},
    {"preview", 0, INT32_MIN, INT32_MAX},
};
constexpr FilterSettings kRgbSettings = FilterSettings::Of("RGBColor", kKeys);

// The amounts' lanes prepared once for all rows.
struct RgbRows {
    RgbRows(const std::int32_t* values, bool streamed)
        : amounts(values[kRgbRed], values[kRgbGreen], values[kRgbBlue]),
          adjust(streamed ? kStreamingScanline : kAdjustScanline)
    {
    }
    void operator()(const Bgra32* source, Bgra32* destination, std::int32_t count) const
    {
        adjust(source, destination, count, amounts);
    }

    ChannelAmounts amounts;
    ScanlineFunction adjust;
};

constexpr AmountBinding kAmounts[] = {
    {kRgbRed, IDC_RED_SLIDER, IDC_RED_EDIT, IDC_RED_SPIN},
    {kRgbGreen, IDC_GREEN_SLIDER, IDC_GREEN_EDIT, IDC_GREEN_SPIN},
    {kRgbBlue, IDC_BLUE_SLIDER, IDC_BLUE_EDIT, IDC_BLUE_SPIN},
};
}  // namespace

// A minus typed first and an emptied field are put back at once, as the
// filter has always done.
constexpr FilterTable kRgbColorTable = FilterTable::Of(kRgbSettings, FilterRows::Of<RgbRows>(), IDD_RGBCOLOR, kAmounts,
                                                       kRgbPreview, IDC_RESET, BareText::kPutBack);

ScanlineFunction RgbColorFilter::Scanline()
{
    return kAdjustScanline;
}

RgbColorFilter::RgbColorFilter() : TableFilter("RGB Color...|RGBカラー...", "Color|カラー", kRgbColorTable) {}

RgbColorFilter::~RgbColorFilter() = default;

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
