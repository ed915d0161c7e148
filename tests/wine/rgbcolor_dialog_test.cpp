// The RGB Color dialog opened through HXF_Setup of the real DLL and driven
// with real keyboard and mouse input: the three controls of each channel stay
// in step, the preview shows what a run would produce, OK stores, Cancel not.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "filter_dialog_fixture.h"
#include "filters/rgbcolor/RgbColorIds.h"
#include "resources/resource.h"
#include "support/HostSpy.h"
#include "support/ImportHook.h"
#include "support/Platform.h"

namespace {

// Written from the definitions, independently of the plug-in's code.
int Adjust(int value, int amount)
{
    int p = value * amount;
    int q = p < 0 ? -((-p) / 200) : p / 200;
    int s = value + q;
    return s < 0 ? 0 : s > 255 ? 255 : s;
}

::testing::AssertionResult Canonical(HWND dialog, const ChannelIds& c)
{
    const std::string text = FieldText(dialog, c.field);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < -100 || value > 100 || std::to_string(value) != text)
        return ::testing::AssertionFailure() << "field holds '" << text << "'";
    return InStep(dialog, c, static_cast<int>(value));
}

// The pane as it must look for the image and amounts (preview on) or unchanged (off).
::testing::AssertionResult PaneShows(HWND dialog, const std::vector<Bgra32>& image, int r, int g, int b, bool adjusted,
                                     const View& view = {})
{
    return PaneShowsFiltered(
        dialog, image,
        [&](const Bgra32& p) {
            return adjusted ? Bgra32{static_cast<std::uint8_t>(Adjust(p.blue, b)),
                                     static_cast<std::uint8_t>(Adjust(p.green, g)),
                                     static_cast<std::uint8_t>(Adjust(p.red, r)), p.alpha}
                            : p;
        },
        view);
}

class RgbDialogTest : public FilterDialogTest {
protected:
    // `built`: the module to test, the release's or another build of it.
    explicit RgbDialogTest(const std::string& built = "rgbcolor.dll") : FilterDialogTest(built, 0) {}

    void Settings(const std::string& body) { plugin.WriteSettings("[RGBColor]\r\n" + body); }
    void OkStoresWhatTheNextRunApplies();
};

// The RGB Color filter as the first of two in a module (tests/filters/invert).
class TwoFilterDialogTest : public RgbDialogTest {
protected:
    TwoFilterDialogTest() : RgbDialogTest("rgbcolor_twofilters.dll") {}
};

TEST_F(RgbDialogTest, OpensWithStoredAmountsAndOutOfRangeOnesAsZero)
{
    Settings("r=150\r\ng=-20\r\nb=0\r\npreview=1\r\n");
    driver.Then([&](HWND d) {
        EXPECT_TRUE(InStep(d, kRed, 0));
        EXPECT_TRUE(InStep(d, kGreen, -20));
        EXPECT_TRUE(InStep(d, kBlue, 0));
        EXPECT_TRUE(PreviewChecked(d));
        EXPECT_TRUE(PaneShows(d, image, 0, -20, 0, true));
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(RgbDialogTest, WithoutSettingsEverythingIsZeroAndTheBoxClear)
{
    driver.Then([&](HWND d) {
        for (const ChannelIds& c : kChannels)
            EXPECT_TRUE(InStep(d, c, 0));
        EXPECT_FALSE(PreviewChecked(d));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_RED_SLIDER)) << "the first tab stop has the focus";
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_FALSE(plugin.SettingsExist()) << "Cancel must not create the file";
}

TEST_F(RgbDialogTest, TypingDigitsThenAMinusInFront)
{
    Settings("preview=1\r\n");
    driver.Then([&](HWND d) {
            // A Japanese IME would turn typed digits full-width; the fields take none.
            for (const ChannelIds& c : kChannels)
                EXPECT_EQ(ImmGetContext(GetDlgItem(d, c.field)), nullptr) << c.field;
            HIMC slider = ImmGetContext(GetDlgItem(d, IDC_RED_SLIDER));
            EXPECT_NE(slider, nullptr) << "other controls keep their input context";
            ImmReleaseContext(GetDlgItem(d, IDC_RED_SLIDER), slider);
            SelectField(d, IDC_RED_EDIT);
            TypeText("5");
        })
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, 5)); TypeText("0"); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kRed, 50));
            EXPECT_TRUE(PaneShows(d, image, 50, 0, 0, true));
            PressKey(VK_HOME);
            TypeText("-");
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kRed, -50));
            EXPECT_TRUE(PaneShows(d, image, -50, 0, 0, true));
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "r", 999, plugin.SettingsPath().c_str()), -50);
}

TEST_F(RgbDialogTest, RejectedTextsPutTheAmountBackAtOnce)
{
    Settings("g=10\r\n");
    struct Case {
        const char* name;
        std::function<void()> keys;  // typed into the green field, whole text selected
        int expected;
        // "-100" just fits the field with the margins an edit control keeps for
        // the Japanese font; in another code page the font's margins are wider
        // and the classic control refuses the fourth character.
        bool fillsTheField = false;
    };
    const Case cases[] = {
        {"'-' over the selection", [] { TypeText("-"); }, 10},
        {"emptied field", [] { PressKey(VK_DELETE); }, 10},
        // A refused key leaves the text, the caret and the selection as they were.
        {"'+5' (the 5 over the selection)", [] { TypeText("+5"); }, 5},
        {"' 5'", [] { TypeText(" 5"); }, 5},
        {"'1x2': a stray key mid-number", [] { TypeText("1x2"); }, 12},
        {"'5x0'", [] { TypeText("5x0"); }, 50},
        {"'-5' over the selection", [] { TypeText("-5"); }, 5},
        {"'-' in front", [] { PressKey(VK_HOME); TypeText("-"); }, -5},
        {"emptied by Backspace", [] { PressKey(VK_BACK); }, -5},
        {"'10'", [] { TypeText("10"); }, 10},
        {"'101' (10 stays)", [] { TypeText("101"); }, 10},
        {"'100'", [] { TypeText("100"); }, 100},
        {"'-100' by a minus in front", [] { PressKey(VK_HOME); TypeText("-"); }, -100, true},
        {"'0'", [] { TypeText("0"); }, 0},
        {"'-0'", [] { PressKey(VK_HOME); TypeText("-"); }, 0},
        {"'00'", [] { PressKey(VK_END); TypeText("0"); }, 0},
        {"'05'", [] { TypeText("5"); PressKey(VK_HOME); TypeText("0"); }, 5},
        {"'-' then '0' in front of 5 ('-05')", [] { PressKey(VK_HOME); TypeText("-0"); }, -5},
    };
    for (const Case& c : cases) {
        if (c.fillsTheField && !JapaneseCodePage()) {
            std::printf("left out in code page %u: %s\n", GetACP(), c.name);
            continue;
        }
        driver.Then([&](HWND d) {
            SelectField(d, IDC_GREEN_EDIT);
            c.keys();
        });
        driver.Then([&](HWND d) { EXPECT_TRUE(InStep(d, kGreen, c.expected)) << c.name; });
    }
    driver.Then([&](HWND d) { ClickControl(d, IDCANCEL); });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(RgbDialogTest, SliderKeysUseTheDialogsSteps)
{
    Settings("r=-100\r\ng=-95\r\nb=95\r\n");
    auto keyOn = [](int slider, WORD key) {
        return [slider, key](HWND d) {
            SetFocus(GetDlgItem(d, slider));
            PressKey(key);
        };
    };
    // Home is the upper end (100) and End the lower (-100), the reverse of the
    // trackbar's own idea; the thumb must always end at the amount.
    driver.Then(keyOn(IDC_RED_SLIDER, VK_LEFT))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, -100)) << "Left at -100"; })
        .Then(keyOn(IDC_RED_SLIDER, VK_END))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, -100)) << "End at -100: the thumb stays at the left end"; })
        .Then(keyOn(IDC_RED_SLIDER, VK_RIGHT))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, -99)) << "Right"; })
        .Then(keyOn(IDC_RED_SLIDER, VK_END))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, -100)) << "End"; })
        .Then(keyOn(IDC_RED_SLIDER, VK_HOME))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, 100)) << "Home from the lower end"; })
        .Then(keyOn(IDC_RED_SLIDER, VK_END))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, -100)) << "End from the upper end"; })
        .Then(keyOn(IDC_GREEN_SLIDER, VK_PRIOR))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kGreen, -100)) << "Page Up at -95"; })
        .Then(keyOn(IDC_GREEN_SLIDER, VK_NEXT))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kGreen, -90)) << "Page Down is 10"; })
        .Then(keyOn(IDC_BLUE_SLIDER, VK_NEXT))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, 100)) << "Page Down at 95"; })
        .Then(keyOn(IDC_BLUE_SLIDER, VK_RIGHT))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, 100)) << "Right at 100"; })
        .Then(keyOn(IDC_BLUE_SLIDER, VK_HOME))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, 100)) << "Home at 100: the thumb stays at the right end"; })
        .Then(keyOn(IDC_GREEN_SLIDER, VK_HOME))
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kGreen, 100)) << "Home";
            ClickControl(d, IDCANCEL);
        });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(RgbDialogTest, DraggingTheThumbShowsEachPositionInFieldAndPreview)
{
    Settings("preview=1\r\n");
    RECT thumb{};
    int lastPosition = 0;
    driver.Then([&](HWND d) {
        HWND slider = GetDlgItem(d, IDC_BLUE_SLIDER);
        SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        MouseMoveTo(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
        MouseButton(true);
    });
    for (int step = 1; step <= 6; ++step) {
        driver.Then([&, step](HWND d) {
            HWND slider = GetDlgItem(d, IDC_BLUE_SLIDER);
            MouseMoveTo(slider, (thumb.left + thumb.right) / 2 + step * 7, (thumb.top + thumb.bottom) / 2);
        });
        driver.Then([&, step](HWND d) {
            const int position = SliderPosition(d, IDC_BLUE_SLIDER);
            EXPECT_GT(position, lastPosition) << "step " << step;
            lastPosition = position;
            EXPECT_TRUE(InStep(d, kBlue, position)) << "step " << step;
            EXPECT_TRUE(PaneShows(d, image, 0, 0, position, true)) << "step " << step;
        });
    }
    // Then well left of the centre: the thumb's word below 0 is a negative amount.
    driver.Then([&](HWND) { MouseButton(false); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBlue, lastPosition));
            HWND slider = GetDlgItem(d, IDC_BLUE_SLIDER);
            SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            MouseMoveTo(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
            MouseButton(true);
        })
        .Then([&](HWND d) {
            RECT track;
            GetClientRect(GetDlgItem(d, IDC_BLUE_SLIDER), &track);
            MouseMoveTo(GetDlgItem(d, IDC_BLUE_SLIDER), track.right / 4, (thumb.top + thumb.bottom) / 2);
        })
        .Then([&](HWND d) {
            lastPosition = SliderPosition(d, IDC_BLUE_SLIDER);
            EXPECT_LT(lastPosition, -20) << "a quarter of the way from the left end";
            EXPECT_TRUE(InStep(d, kBlue, lastPosition));
            EXPECT_TRUE(PaneShows(d, image, 0, 0, lastPosition, true));
            MouseButton(false);
        })
        .Then([&](HWND d) { ClickControl(d, IDOK); });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "b", 999, plugin.SettingsPath().c_str()), lastPosition);
}

TEST_F(RgbDialogTest, SpinnersStepByOneWithinTheRange)
{
    // The spinners write no thousands separator: Wine's would even write "-,100".
    Settings("r=99\r\ng=-98\r\nb=-99\r\n");
    auto clickArrow = [](int spinner, bool up) { return [spinner, up](HWND d) { ClickSpinner(d, spinner, up); }; };
    driver.Then(clickArrow(IDC_RED_SPIN, true))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, 100)); })
        .Then(clickArrow(IDC_RED_SPIN, true))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kRed, 100)) << "past the upper end"; })
        .Then(clickArrow(IDC_GREEN_SPIN, false))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kGreen, -99)); })
        .Then(clickArrow(IDC_BLUE_SPIN, false))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, -100)) << "down to the lower end"; })
        .Then(clickArrow(IDC_BLUE_SPIN, false))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, -100)) << "past the lower end"; })
        .Then(clickArrow(IDC_BLUE_SPIN, true))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kBlue, -99)); })
        .Then([&](HWND d) {
            SelectField(d, IDC_RED_EDIT);
            PressKey(VK_DOWN);
            PressKey(VK_DOWN);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kRed, 98)) << "Down arrow twice in the field";
            PressKey(VK_UP);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kRed, 99)) << "Up arrow in the field";
            ClickControl(d, IDCANCEL);
        });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

// Counts the plug-in's screen transfers: one per pane paint.
int transfers = 0;
decltype(&StretchDIBits) realStretchDIBits = nullptr;
int WINAPI CountingStretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                                 const BITMAPINFO* info, UINT usage, DWORD rop)
{
    ++transfers;
    return realStretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
}

decltype(&InitCommonControlsEx) realInitCommonControlsEx = nullptr;
DWORD registeredClasses = 0;
int registrations = 0;
bool dialogBeforeRegistration = false;

BOOL WINAPI RecordingInitCommonControlsEx(const INITCOMMONCONTROLSEX* controls)
{
    ++registrations;
    registeredClasses |= controls->dwICC;
    dialogBeforeRegistration |= FindWindowA("#32770", "RGB Color") != nullptr;
    return realInitCommonControlsEx(controls);
}

TEST_F(RgbDialogTest, RegistersTheCommonControlsOfItsTemplateItselfBeforeOpeningIt)
{
    // A host need not have registered them, nor the classes a filter's template adds.
    ImportHook hook(plugin.Module(), "comctl32.dll", "InitCommonControlsEx",
                    reinterpret_cast<void*>(RecordingInitCommonControlsEx));
    ASSERT_TRUE(hook.Installed());
    realInitCommonControlsEx = reinterpret_cast<decltype(&InitCommonControlsEx)>(hook.Original());
    registrations = 0, registeredClasses = 0, dialogBeforeRegistration = false;  // --gtest_repeat
    driver.Then([&](HWND) { PressKey(VK_ESCAPE); });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(registrations, 1);
    EXPECT_EQ(registeredClasses & (ICC_BAR_CLASSES | ICC_UPDOWN_CLASS), DWORD{ICC_BAR_CLASSES | ICC_UPDOWN_CLASS});
    EXPECT_FALSE(dialogBeforeRegistration);
}

TEST_F(RgbDialogTest, ResetSetsAllToZeroWithOneRepaint)
{
    Settings("r=40\r\ng=-70\r\nb=100\r\npreview=1\r\n");
    ImportHook hook(plugin.Module(), "gdi32.dll", "StretchDIBits", reinterpret_cast<void*>(CountingStretchDIBits));
    ASSERT_TRUE(hook.Installed());
    realStretchDIBits = reinterpret_cast<decltype(&StretchDIBits)>(hook.Original());
    driver.Then([&](HWND d) {
        EXPECT_TRUE(PaneShows(d, image, 40, -70, 100, true));
        transfers = 0;
        ClickControl(d, IDC_RESET);
    })
        .Then([&](HWND d) {
            for (const ChannelIds& c : kChannels)
                EXPECT_TRUE(InStep(d, c, 0));
            EXPECT_EQ(transfers, 1) << "the reset repaints the pane exactly once";
            EXPECT_TRUE(PaneShows(d, image, 0, 0, 0, true));
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=0\r\ng=0\r\nb=0\r\npreview=1\r\n");
}

TEST_F(RgbDialogTest, PreviewBoxSwitchesBetweenAdjustedAndUnchanged)
{
    Settings("r=37\r\ng=-63\r\nb=100\r\npreview=1\r\n");
    driver.Then([&](HWND d) {
        EXPECT_TRUE(PaneShows(d, image, 37, -63, 100, true));
        ClickControl(d, IDC_PREVIEW_CHECK);
    })
        .Then([&](HWND d) {
            EXPECT_FALSE(PreviewChecked(d));
            EXPECT_TRUE(PaneShows(d, image, 37, -63, 100, false)) << "box clear: the image as it is";
            SelectField(d, IDC_RED_EDIT);
            TypeText("9");
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(PaneShows(d, image, 9, -63, 100, false)) << "amounts do not reach a clear box";
            ClickControl(d, IDC_PREVIEW_CHECK);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(PaneShows(d, image, 9, -63, 100, true));
            ClickControl(d, IDCANCEL);
        });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

// An image larger than the pane both ways, panned: each visible row goes
// through the loop from the scroll on, in several pieces.
TEST_F(RgbDialogTest, PannedPreviewShowsTheAdjustedBlockAtTheScroll)
{
    view = View{400, 300, 60, 30};
    image = TestImage(view);
    Settings("r=-45\r\ng=100\r\nb=13\r\npreview=1\r\n");
    driver.Then([&](HWND d) {
        MouseMoveTo(GetDlgItem(d, IDC_PREVIEW_PANE), 100, 100);
        MouseButton(true);
    })
        .Then([&](HWND d) { MouseMoveTo(GetDlgItem(d, IDC_PREVIEW_PANE), 100 - view.scrollX, 100 - view.scrollY); })
        .Then([&](HWND d) {
            MouseButton(false);
            EXPECT_TRUE(PaneShows(d, image, -45, 100, 13, true, view));
            ClickControl(d, IDCANCEL);
        });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(RgbDialogTest, OkWritesTheFiveLinesInOrder)
{
    driver.Then([&](HWND d) { SelectField(d, IDC_RED_EDIT); TypeText("20"); })
        .Then([&](HWND) { PressKey(VK_HOME); TypeText("-"); })
        .Then([&](HWND d) { SelectField(d, IDC_BLUE_EDIT); TypeText("35"); })
        .Then([&](HWND d) { ClickControl(d, IDC_PREVIEW_CHECK); })
        .Then([&](HWND d) { ClickControl(d, IDOK); });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=-20\r\ng=0\r\nb=35\r\npreview=1\r\n");
}

TEST_F(RgbDialogTest, OkKeepsOtherSectionsAndWritesPreviewAsOne)
{
    const std::string before = "[Other]\r\nkeep=me\r\n[RGBColor]\r\nr=5\r\nextra=1\r\npreview=2\r\n";
    plugin.WriteSettings(before);
    driver.Then([&](HWND d) {
        EXPECT_TRUE(PreviewChecked(d)) << "preview=2 is on";
        PressKey(VK_RETURN);  // the default button
    });
    EXPECT_EQ(Open(), 1);
    const std::string path = plugin.SettingsPath();
    char keep[16] = {};
    GetPrivateProfileStringA("Other", "keep", "", keep, sizeof keep, path.c_str());
    EXPECT_STREQ(keep, "me");
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "extra", 0, path.c_str()), 1);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "r", 0, path.c_str()), 5);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "preview", 0, path.c_str()), 1);
}

TEST_F(RgbDialogTest, CancelEscapeAndTheCloseBoxLeaveTheFileAsItWas)
{
    const std::string before = "; a comment\r\n[RGBColor]\r\nr=7\r\n\r\n[Other]\r\nx = y\r\n";
    const std::function<void(HWND)> ways[] = {
        [](HWND d) { ClickControl(d, IDCANCEL); },
        [](HWND) { PressKey(VK_ESCAPE); },
        [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& way : ways) {
        plugin.WriteSettings(before);
        DialogDriver run;
        run.Then([&](HWND d) { SelectField(d, IDC_RED_EDIT); TypeText("88"); }).Then(way);
        EXPECT_EQ(Open(run), 0);
        EXPECT_EQ(plugin.ReadSettings(), before);
    }
}

TEST_F(RgbDialogTest, WhatOkStoredIsWhatTheNextRunApplies)
{
    OkStoresWhatTheNextRunApplies();
}

TEST_F(TwoFilterDialogTest, WhatOkStoredIsWhatTheNextRunApplies)
{
    OkStoresWhatTheNextRunApplies();
}

void RgbDialogTest::OkStoresWhatTheNextRunApplies()
{
    driver.Then([&](HWND d) { SelectField(d, IDC_GREEN_EDIT); TypeText("77"); })
        .Then([&](HWND d) { SetFocus(GetDlgItem(d, IDC_BLUE_SLIDER)); PressKey(VK_END); })
        .Then([&](HWND d) { ClickControl(d, IDOK); });
    ASSERT_EQ(Open(), 1);
    std::vector<Bgra32> out(image.size());
    ImageRect rect{0, 0, kWidth, kHeight};
    plugin.Execute(0, nullptr, image.data(), out.data(), &rect, kWidth, nullptr, 0);
    for (std::size_t i = 0; i < image.size(); ++i) {
        ASSERT_EQ(out[i].red, image[i].red);
        ASSERT_EQ(out[i].green, Adjust(image[i].green, 77));
        ASSERT_EQ(out[i].blue, Adjust(image[i].blue, -100));
    }
}

TEST_F(RgbDialogTest, MnemonicsTabAndTheSpinnersArrowKeysKeepTheChannelsInStep)
{
    // Characters typed over a slider, which takes none, go to the mnemonics:
    // "0" presses the reset button, "b" moves to the blue slider.
    const auto blueIs = [](int amount) { return [amount](HWND d) { EXPECT_TRUE(InStep(d, kBlue, amount)); }; };
    driver
        .Then([&](HWND d) {
            HWND slider = GetDlgItem(d, IDC_BLUE_SLIDER);
            RECT thumb, r;
            SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            GetClientRect(slider, &r);
            ClickAt(slider, (thumb.right + r.right) / 2, r.bottom / 2);
        })
        .Then(blueIs(10))
        .Then([&](HWND) { TypeText("0b"); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBlue, 0));
            EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_BLUE_SLIDER));
            PressKey(VK_TAB);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_BLUE_EDIT));
            PressKey(VK_LEFT);
            PressKey(VK_DOWN);
        })
        .Then(blueIs(-1))
        .Then([&](HWND) {
            PressKey(VK_RIGHT);
            TypeText("a");
        })
        .Then(blueIs(-1))
        .Then([&](HWND d) { ClickControl(d, IDC_RED_SLIDER); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kBlue, -1));
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_TRUE(driver.AllStepsRan());
    EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=0\r\ng=0\r\nb=-1\r\npreview=0\r\n");
}

// Random real input of every kind a user gives, checked after each input.
class RgbDialogRandomTest : public RgbDialogTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RgbDialogRandomTest, EveryInputLeavesFieldSliderAndAmountInStep)
{
    std::mt19937 random(GetParam());
    const WORD sliderKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END};
    const WORD anyKeys[] = {VK_TAB, VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
    const char typed[] = "0123456789--+ a";
    // Wherever the focus is; over a slider or a button they are mnemonics.
    const char anywhere[] = "0123456789-+ rgbpaz";
    const int kActions = 1000;
    int broken = 0;
    for (int i = 0; i < kActions; ++i) {
        driver.Then([&](HWND d) {
            const ChannelIds& c = kChannels[random() % 3];
            switch (random() % 12) {
            case 0:
            case 1: {  // a character somewhere in a field
                SetFocus(GetDlgItem(d, c.field));
                const int length = GetWindowTextLengthA(GetDlgItem(d, c.field));
                const int at = static_cast<int>(random() % (length + 1));
                SendDlgItemMessageA(d, c.field, EM_SETSEL, at, random() % 3 == 0 ? -1 : at);
                TypeText(std::string(1, typed[random() % (sizeof typed - 1)]));
                break;
            }
            case 2:
                SelectField(d, c.field);
                PressKey(random() % 2 ? VK_BACK : VK_DELETE);
                break;
            case 3:
            case 4:
                SetFocus(GetDlgItem(d, c.slider));
                PressKey(sliderKeys[random() % 8]);
                break;
            case 5:
                ClickSpinner(d, c.spinner, random() % 2);
                break;
            case 6: {  // a click somewhere on a slider's channel, or in a field
                HWND control = GetDlgItem(d, random() % 2 ? c.slider : c.field);
                RECT r;
                GetClientRect(control, &r);
                ClickAt(control, static_cast<int>(random() % r.right), r.bottom / 2);
                break;
            }
            case 7: {  // a drag of the thumb, anywhere along the slider or beyond it
                HWND slider = GetDlgItem(d, c.slider);
                RECT thumb, r;
                SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
                GetClientRect(slider, &r);
                MouseMoveTo(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
                MouseButton(true);
                MouseMoveTo(slider, static_cast<int>(random() % (r.right + 40)) - 20, r.bottom / 2);
                MouseButton(false);
                break;
            }
            case 8:
                ClickControl(d, random() % 4 == 0 ? IDC_PREVIEW_CHECK : IDC_RESET);
                break;
            case 9: {  // a key to whatever has the focus, Shift+Tab among them
                const WORD key = anyKeys[random() % 10];
                const bool shift = key == VK_TAB && random() % 3 == 0;
                if (shift)
                    KeyDown(VK_SHIFT);
                PressKey(key);
                if (shift)
                    KeyUp(VK_SHIFT);
                break;
            }
            default:
                TypeText(std::string(1, anywhere[random() % (sizeof anywhere - 1)]));
                break;
            }
        });
        driver.Then([&, i](HWND d) {
            for (const ChannelIds& c : kChannels)
                if (!Canonical(d, c) && broken++ < 5)
                    ADD_FAILURE() << "after input " << i << ": " << Canonical(d, c).message();
        });
    }
    std::string shown[3];
    bool preview = false;
    driver.Then([&](HWND d) {
        for (int c = 0; c < 3; ++c)
            shown[c] = FieldText(d, kChannels[c].field);
        preview = PreviewChecked(d);
        ClickControl(d, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=" + shown[0] + "\r\ng=" + shown[1] + "\r\nb=" + shown[2] +
                                         "\r\npreview=" + (preview ? "1" : "0") + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Seeds, RgbDialogRandomTest, ::testing::Values(20261207u, 1u, 2u));

TEST_F(RgbDialogTest, ASaveThatFailsIsReportedAndTheDialogStaysOpen)
{
    // The settings path is a folder: nothing can be written there.
    ASSERT_TRUE(CreateDirectoryA(plugin.SettingsPath().c_str(), nullptr));
    HostSpy spy;
    HWND shownOwner = nullptr;
    driver.Then([&](HWND d) {
        shownOwner = d;
        SelectField(d, IDC_RED_EDIT);
        TypeText("12");
    })
        .Then([&](HWND d) { ClickControl(d, IDOK); })
        .Then([&](HWND d) {
            ASSERT_EQ(spy.Count(HostEvent::MessageBox), 1);
            const HostEvent& box = spy.Events().back();
            EXPECT_EQ(box.caption, "エラー");
            EXPECT_EQ(box.owner, shownOwner);
            EXPECT_TRUE(box.errorIcon);
            EXPECT_NE(box.text.find("設定ファイル"), std::string::npos) << box.text;
            EXPECT_TRUE(IsWindowVisible(d)) << "the dialog stays open to retry or cancel";
            EXPECT_TRUE(InStep(d, kRed, 12));
            RemoveTree(plugin.SettingsPath());  // the user frees the path and retries
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1) << "confirmed only once the settings were stored";
    EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "r", 0, plugin.SettingsPath().c_str()), 12);
}

TEST_F(RgbDialogTest, ASecondSetupWhileTheDialogIsOpenOpensNothingAndTheFirstWorksOn)
{
    // The modal loop disables only the host's main window: its floating tool
    // window stays live, and a command there asks for the dialog again.
    HWND tools = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "tools", WS_POPUP | WS_VISIBLE, 0, 0, 80, 60,
                                 driver.Owner(), nullptr, GetModuleHandleA(nullptr), nullptr);
    Settings("preview=1\r\n");
    driver
        .Then([&](HWND d) {
            SetForegroundWindow(tools);
            // Returned at once: a second modal dialog would still be open.
            EXPECT_EQ(plugin.Setup(0, driver.Owner(), image.data(), view.width, view.height), 0);
            EXPECT_EQ(GetForegroundWindow(), d) << "the open dialog comes to the front";
            SelectField(d, IDC_RED_EDIT);
            TypeText("37");
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kRed, 37));
            EXPECT_TRUE(PaneShows(d, image, 37, 0, 0, true)) << "the first dialog's pane";
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "r", 0, plugin.SettingsPath().c_str()), 37);
    DestroyWindow(tools);
}

// The plug-in's profile writes, refused as another process holding the file
// for a moment refuses them: the write that carries `refusedKey` ("*": every
// write) fails and writes nothing. On Windows the hooks hold the file open
// without sharing around that write, and the system refuses it. Wine would
// keep a refused edit in its cache and write it later: there the hooks refuse
// the write themselves, with `refusal` as its error.
const char* refusedKey = nullptr;
DWORD refusal = ERROR_SHARING_VIOLATION;
BOOL(WINAPI* realWrite)(LPCSTR, LPCSTR, LPCSTR, LPCSTR) = nullptr;
BOOL(WINAPI* realWriteSection)(LPCSTR, LPCSTR, LPCSTR) = nullptr;

bool Refuses(const std::string& key)
{
    const bool every = refusedKey && std::strcmp(refusedKey, "*") == 0;
    if (!every && (!refusedKey || key != refusedKey))
        return false;
    refusedKey = every ? refusedKey : nullptr;  // a moment passes, a full disk stays
    return true;
}

template <typename Write>
BOOL Refused(LPCSTR file, const Write& write)
{
    if (RunningUnderWine()) {
        SetLastError(refusal);
        return FALSE;
    }
    HANDLE held = CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE) << "cannot hold " << file;
    const BOOL written = write();
    const DWORD error = GetLastError();
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    EXPECT_FALSE(written) << "Windows wrote a file that another handle holds";
    SetLastError(error);
    return written;
}

BOOL WINAPI RefusingWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    auto write = [&] { return realWrite(section, key, value, file); };
    // The flush (no section, no key) writes nothing of its own.
    return key && Refuses(key) ? Refused(file, write) : write();
}

BOOL WINAPI RefusingSectionWrite(LPCSTR section, LPCSTR lines, LPCSTR file)
{
    auto write = [&] { return realWriteSection(section, lines, file); };
    for (const char* line = lines; *line; line += std::strlen(line) + 1)
        if (Refuses(std::string(line, std::strcspn(line, "="))))
            return Refused(file, write);
    return write();
}

// Both ways the plug-in may write its settings, refused while it lives.
struct RefusingWrites {
    explicit RefusingWrites(HMODULE plugin)
        : text(plugin, "kernel32.dll", "WritePrivateProfileStringA", reinterpret_cast<void*>(RefusingWrite)),
          section(plugin, "kernel32.dll", "WritePrivateProfileSectionA", reinterpret_cast<void*>(RefusingSectionWrite))
    {
        realWrite = reinterpret_cast<decltype(realWrite)>(text.Original());
        realWriteSection = reinterpret_cast<decltype(realWriteSection)>(section.Original());
    }
    ~RefusingWrites() { refusedKey = nullptr, refusal = ERROR_SHARING_VIOLATION; }
    ImportHook text, section;
};

TEST_F(RgbDialogTest, CancelAfterAFailedSaveReturnsZeroAndKeepsTheFile)
{
    // A disk that takes no more writes, and a read-only file, which Windows
    // refuses to write (Wine running as root writes it anyway: no case there).
    for (const bool readOnly : {false, true}) {
        if (readOnly && RunningUnderWine())
            continue;
        SCOPED_TRACE(readOnly ? "a read-only file" : "a full disk");
        plugin.WriteSettings("[RGBColor]\r\nr=3\r\n");
        std::optional<RefusingWrites> disk;
        if (readOnly) {
            SetFileAttributesA(plugin.SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY);
        } else {
            disk.emplace(plugin.Module());
            refusedKey = "*";
            refusal = ERROR_DISK_FULL;
        }
        HostSpy spy;
        DialogDriver run;
        run.Then([&](HWND d) { SelectField(d, IDC_RED_EDIT); TypeText("44"); })
            .Then([&](HWND d) { ClickControl(d, IDOK); })
            .Then([&](HWND d) {
                EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1) << "the file cannot take the settings";
                ClickControl(d, IDOK);  // retrying while nothing changed fails again
            })
            .Then([&](HWND d) {
                EXPECT_EQ(spy.Count(HostEvent::MessageBox), 2);
                ClickControl(d, IDCANCEL);
            });
        EXPECT_EQ(Open(run), 0)
            << "not confirmed: nothing was stored";
        SetFileAttributesA(plugin.SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(plugin.ReadSettings(), "[RGBColor]\r\nr=3\r\n");
    }
}

TEST_F(RgbDialogTest, ASaveRefusedPartWayStoresNothingAndOnlyARetryStoresAll)
{
    RefusingWrites busy(plugin.Module());
    auto file = [](const char* r, const char* g, const char* b, const char* preview) {
        return std::string("[RGBColor]\r\nr=") + r + "\r\ng=" + g + "\r\nb=" + b + "\r\npreview=" + preview +
               "\r\n[Other]\r\nx=1\r\n";
    };
    const std::string before = file("1", "2", "3", "0"), confirmed = file("11", "22", "33", "1");
    // Whichever key's write is refused, the file keeps every old value; then
    // the user retries (OK) or gives up (Cancel).
    const struct {
        const char* key;
        bool retry;
    } cases[] = {{"r", true}, {"g", false}, {"b", true}, {"preview", false}};
    HostSpy spy;
    const char* key = nullptr;
    bool retry = false;
    for (int c = 0; c < 3; ++c)
        driver.Then([&, c](HWND d) { SelectField(d, kChannels[c].field); TypeText(std::to_string(11 * (c + 1))); });
    driver.Then([&](HWND d) { ClickControl(d, IDC_PREVIEW_CHECK); })
        .Then([&](HWND d) {
            refusedKey = key;
            ClickControl(d, IDOK);
        })
        .Then([&](HWND d) {
            EXPECT_EQ(refusedKey, nullptr) << "the write was not tried";
            EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1);
            EXPECT_TRUE(IsWindowVisible(d)) << "the dialog stays open";
            EXPECT_EQ(plugin.ReadSettings(), before) << "a state no one confirmed";
            ClickControl(d, retry ? IDOK : IDCANCEL);
        });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        key = c.key;
        retry = c.retry;
        plugin.WriteSettings(before);
        spy.Clear();
        EXPECT_EQ(Open(), retry ? 1 : 0);
        EXPECT_TRUE(driver.AllStepsRan());
        EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1);
        EXPECT_EQ(plugin.ReadSettings(), retry ? confirmed : before);
    }
}

}  // namespace
