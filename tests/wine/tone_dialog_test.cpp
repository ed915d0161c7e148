// Tone's dialog, made by the framework from its table, opened through
// HXF_Setup of a test module and driven with real input: its own limits and
// page, the preview through its rows, reset, OK's one write of its section.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "filter_dialog_fixture.h"
#include "tests/filters/tone/ToneIds.h"

namespace {

// Tone (tests/filters/tone), a filter whose dialog is its table's, second in
// a module beside RGB Color: brightness 0..200 (100 when missing), contrast
// -50..50 with a page of 5.
class ToneDialogTest : public FilterDialogTest {
protected:
    ToneDialogTest() : FilterDialogTest("rgbcolor_tone.dll", 1) {}

    static constexpr ChannelIds kBrightness{IDC_TONE_BRIGHTNESS_SLIDER, IDC_TONE_BRIGHTNESS_EDIT,
                                            IDC_TONE_BRIGHTNESS_SPIN};
    static constexpr ChannelIds kContrast{IDC_TONE_CONTRAST_SLIDER, IDC_TONE_CONTRAST_EDIT, IDC_TONE_CONTRAST_SPIN};

    ::testing::AssertionResult PaneShowsTone(HWND d, int brightness, int contrast)
    {
        const auto channel = [&](int v) {
            const int t = (v * brightness / 100 - 128) * (100 + contrast) / 100 + 128;
            return static_cast<std::uint8_t>(t < 0 ? 0 : t > 255 ? 255 : t);
        };
        return PaneShowsFiltered(d, image, [&](const Bgra32& p) {
            return Bgra32{channel(p.blue), channel(p.green), channel(p.red), p.alpha};
        });
    }
};

TEST_F(ToneDialogTest, SlidersAndTypedAmountsKeepInStepWithThePreviewAndOkStoresTheSection)
{
    plugin.WriteSettings("[Tone]\r\nbrightness=150\r\ncontrast=-20\r\npreview=1\r\nnote=kept\r\n");
    driver
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 150));
            EXPECT_TRUE(InStep(d, kContrast, -20));
            EXPECT_TRUE(PaneShowsTone(d, 150, -20));
            // A tic at every page step: 0..200 by 10, -50..50 by 5, the ends included.
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_TONE_BRIGHTNESS_SLIDER, TBM_GETNUMTICS, 0, 0), 21);
            EXPECT_EQ(SendDlgItemMessageA(d, IDC_TONE_CONTRAST_SLIDER, TBM_GETNUMTICS, 0, 0), 21);
            SetFocus(GetDlgItem(d, IDC_TONE_CONTRAST_SLIDER));
            PressKey(VK_NEXT);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kContrast, -15)) << "its own page";
            EXPECT_TRUE(PaneShowsTone(d, 150, -15));
            SelectField(d, IDC_TONE_BRIGHTNESS_EDIT);
            TypeText("80");
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 80)) << "the slider follows the field";
            EXPECT_TRUE(PaneShowsTone(d, 80, -15));
            TypeText("0");  // 800: past the upper end
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 80));
            SetFocus(GetDlgItem(d, IDC_TONE_BRIGHTNESS_SLIDER));
            PressKey(VK_HOME);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 200)) << "Home is its upper end";
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), "[Tone]\r\nbrightness=200\r\ncontrast=-15\r\npreview=1\r\nnote=kept\r\n");
}

TEST_F(ToneDialogTest, OutOfLimitsShowsTheFallbackResetRestoresItAndCancelLeavesTheFile)
{
    const std::string stored = "[Tone]\r\nbrightness=250\r\ncontrast=40\r\n";
    plugin.WriteSettings(stored);
    driver
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 100)) << "250 lies outside 0..200";
            EXPECT_TRUE(InStep(d, kContrast, 40));
            EXPECT_FALSE(PreviewChecked(d));
            EXPECT_TRUE(PaneShowsTone(d, 100, 0)) << "the image as it is, with the preview off";
            SelectField(d, IDC_TONE_CONTRAST_EDIT);
            PressKey(VK_TAB);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_TONE_RESET));
            EXPECT_TRUE(InStep(d, kContrast, 40)) << "the reset button's focus is no click";
            ClickControl(d, IDC_TONE_RESET);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBrightness, 100));
            EXPECT_TRUE(InStep(d, kContrast, 0));
            ClickSpinner(d, IDC_TONE_CONTRAST_SPIN, false);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kContrast, -1));
            ClickControl(d, IDCANCEL);
        });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(plugin.ReadSettings(), stored);
}

}  // namespace
