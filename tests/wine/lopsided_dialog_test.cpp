// Lopsided's dialog, made by the framework from its table: amounts whose
// limits leave out 0 (2..64, -50..-10) or hold more negatives than positives
// (-100..50) are typed as a person types them, digits first and the minus in
// front last, and what is left unfinished is never stored; a spinner steps
// past 999 and a thumb past 32767; a key that no amount shows is kept within
// its limits.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "filter_dialog_fixture.h"
#include "support/ImportHook.h"
#include "tests/filters/lopsided/LopsidedIds.h"

namespace {

constexpr ChannelIds kLevels{IDC_LOPSIDED_LEVELS_SLIDER, IDC_LOPSIDED_LEVELS_EDIT, IDC_LOPSIDED_LEVELS_SPIN};
constexpr ChannelIds kShift{IDC_LOPSIDED_SHIFT_SLIDER, IDC_LOPSIDED_SHIFT_EDIT, IDC_LOPSIDED_SHIFT_SPIN};
constexpr ChannelIds kDim{IDC_LOPSIDED_DIM_SLIDER, IDC_LOPSIDED_DIM_EDIT, IDC_LOPSIDED_DIM_SPIN};
constexpr ChannelIds kGain{IDC_LOPSIDED_GAIN_SLIDER, IDC_LOPSIDED_GAIN_EDIT, IDC_LOPSIDED_GAIN_SPIN};
constexpr ChannelIds kWide{IDC_LOPSIDED_WIDE_SLIDER, IDC_LOPSIDED_WIDE_EDIT, 0};

class LopsidedDialogTest : public FilterDialogTest {
protected:
    LopsidedDialogTest() : FilterDialogTest("rgbcolor_tone.dll", 2) {}

    // The section in its table's order, as OK writes it over a file that holds every key.
    static std::string Section(int levels, int shift, int dim, int gain, int wide, int mode)
    {
        std::string section = "[Lopsided]\r\n";
        const char* names[] = {"levels", "shift", "dim", "gain", "wide", "mode", "preview"};
        const int values[] = {levels, shift, dim, gain, wide, mode, 1};
        for (int i = 0; i < 7; ++i)
            section += std::string(names[i]) + "=" + std::to_string(values[i]) + "\r\n";
        return section;
    }

    ::testing::AssertionResult PaneShowsLopsided(HWND d, int levels, int shift, int dim, int mode)
    {
        const auto clamped = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
        return PaneShowsFiltered(d, image, [&](const Bgra32& p) {
            return Bgra32{clamped(p.blue * levels / 16), clamped(p.green + dim * mode), clamped(p.red + shift), p.alpha};
        });
    }
};

TEST_F(LopsidedDialogTest, EveryAmountIsTypedDigitsFirstAndWhatIsLeftUnfinishedIsNeverStored)
{
    plugin.WriteSettings(Section(8, 0, -10, 1000, 30000, 1));
    auto typeInto = [](int field, const char* text) {
        return [field, text](HWND d) {
            SelectField(d, field);
            TypeText(text);
        };
    };
    auto minusInFront = [](HWND) {
        PressKey(VK_HOME);
        TypeText("-");
    };
    driver.Then(typeInto(kLevels.field, "1"))
        .Then([&](HWND d) {
            EXPECT_EQ(FieldText(d, kLevels.field), "1") << "on its way to 10..19";
            EXPECT_EQ(SliderPosition(d, kLevels.slider), 8) << "the amount stays until the text is one";
            TypeText("2");
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kLevels, 12));
            EXPECT_TRUE(PaneShowsLopsided(d, 12, 0, -10, 1));
        })
        .Then(typeInto(kLevels.field, "64"))
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kLevels, 64)); })
        .Then(typeInto(kShift.field, "80"))
        .Then([&](HWND d) {
            EXPECT_EQ(FieldText(d, kShift.field), "80") << "-80 lies ahead";
            EXPECT_EQ(SliderPosition(d, kShift.slider), 8);
        })
        .Then(minusInFront)
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kShift, -80)); })
        .Then(typeInto(kDim.field, "30"))
        .Then([&](HWND d) {
            EXPECT_EQ(FieldText(d, kDim.field), "30");
            EXPECT_EQ(SliderPosition(d, kDim.slider), -10);
        })
        .Then(minusInFront)
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kDim, -30)); })
        .Then(typeInto(kDim.field, "50"))
        .Then(minusInFront)
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kDim, -50));
            EXPECT_TRUE(PaneShowsLopsided(d, 64, -80, -50, 1));
        })
        .Then(typeInto(kLevels.field, "1"))
        .Then([&](HWND) { PressKey(VK_TAB); })
        .Then([&](HWND d) { EXPECT_TRUE(InStep(d, kLevels, 64)) << "the field that lost the focus shows the amount"; })
        .Then(typeInto(kLevels.field, "1"))
        .Then([&](HWND) { PressKey(VK_RETURN); });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), Section(64, -80, -50, 1000, 30000, 1)) << "OK takes the amount, not the '1'";
}

// The spinners' clicks are in the next test: Wine's up-down steps once more
// when the timer of an Up key in its field fires with the pointer on it.
TEST_F(LopsidedDialogTest, KeysAndSpinnersStepFromTheAmountHeldAndWhatIsOnItsWayStands)
{
    plugin.WriteSettings(Section(8, 8, -10, 1000, 30000, 1));
    // Keys typed into a field, its whole text selected first: '<' Home, '>' End, '^' Up, '\b' Backspace.
    auto into = [](const ChannelIds& c, const char* keys) {
        return [&c, keys](HWND d) {
            SelectField(d, c.field);
            for (const char* key = keys; *key; ++key) {
                const WORD named = *key == '<'    ? VK_HOME
                                   : *key == '>'  ? VK_END
                                   : *key == '^'  ? VK_UP
                                   : *key == '\b' ? VK_BACK
                                                  : 0;
                if (named)
                    PressKey(named);
                else
                    TypeText(std::string(1, *key));
            }
        };
    };
    auto onSlider = [](const ChannelIds& c, WORD key) {
        return [&c, key](HWND d) {
            SetFocus(GetDlgItem(d, c.slider));
            PressKey(key);
        };
    };
    struct Case {
        const char* name;
        std::function<void(HWND)> input;
        const ChannelIds& ids;
        const char* text;  // the field's text, the amount's where null
        int amount;
    };
    const Case cases[] = {
        {"'1', then Up", into(kLevels, "1^"), kLevels, nullptr, 9},
        {"'1' again, then Up", into(kLevels, "1^"), kLevels, nullptr, 10},
        {"'80' on its way to -80, then Up", into(kShift, "80^"), kShift, nullptr, 9},
        {"'-30' minus first", into(kDim, "-30"), kDim, nullptr, -30},
        {"'4', Home, '-', End, '0'", into(kDim, "4<->0"), kDim, nullptr, -40},
        {"a lone minus", into(kDim, "-"), kDim, "-", -40},
        // As when another program takes the foreground a moment: the text on its way stands.
        {"the focus away from the dialog and back",
         [](HWND d) {
             SetFocus(nullptr);
             SetFocus(GetDlgItem(d, kDim.field));
         },
         kDim, "-", -40},
        {"then '20'", [](HWND) { TypeText("20"); }, kDim, nullptr, -20},
        {"Backspace over the selection", into(kLevels, "\b"), kLevels, "", 10},
        {"then '12'", [](HWND) { TypeText("12"); }, kLevels, nullptr, 12},
        {"a stray key mid-number", into(kLevels, "3x2"), kLevels, nullptr, 32},
        {"'2'", into(kLevels, "2"), kLevels, nullptr, 2},
        {"Left at the lower end", onSlider(kLevels, VK_LEFT), kLevels, nullptr, 2},
        {"Home from the lower end", onSlider(kLevels, VK_HOME), kLevels, nullptr, 64},
        {"End from the upper end", onSlider(kLevels, VK_END), kLevels, nullptr, 2},
    };
    for (const Case& c : cases) {
        driver.Then(c.input).Then([&](HWND d) {
            if (c.text) {
                EXPECT_EQ(FieldText(d, c.ids.field), c.text) << c.name;
                EXPECT_EQ(SliderPosition(d, c.ids.slider), c.amount) << c.name;
            } else {
                EXPECT_TRUE(InStep(d, c.ids, c.amount)) << c.name;
            }
        });
    }
    driver.Then([&](HWND d) { ClickControl(d, IDOK); });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), Section(2, 9, -20, 1000, 30000, 1));
}

// As Windows' up-down keeps some styles from its creation: a style the
// plug-in sets later changes nothing.
decltype(&SetWindowLongA) realSetWindowLongA = nullptr;
LONG WINAPI CreationStylesOnly(HWND window, int index, LONG value)
{
    return index == GWL_STYLE ? GetWindowLongA(window, GWL_STYLE) : realSetWindowLongA(window, index, value);
}

TEST_F(LopsidedDialogTest, ASpinnerStepsPast999AThumbPast32767AndAKeyWithNoAmountKeepsItsLimits)
{
    plugin.WriteSettings(Section(8, 0, -10, 999, 30000, 9));
    ImportHook styles(plugin.Module(), "user32.dll", "SetWindowLongA", reinterpret_cast<void*>(CreationStylesOnly));
    ASSERT_TRUE(styles.Installed());
    realSetWindowLongA = reinterpret_cast<decltype(&SetWindowLongA)>(styles.Original());
    RECT thumb{};
    driver
        .Then([&](HWND d) {
            EXPECT_TRUE(PaneShowsLopsided(d, 8, 0, -10, 1)) << "mode 9 lies outside 1..3: its fallback";
            SelectField(d, kLevels.field);
            TypeText("1");
        })
        .Then([&](HWND d) { ClickSpinner(d, kLevels.spinner, true); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kLevels, 9)) << "'1' on its way, then the spinner: from the amount held";
            ClickSpinner(d, kGain.spinner, true);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kGain, 1000)) << "no thousands separator";
            ClickSpinner(d, kGain.spinner, true);
        })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kGain, 1001));
            HWND slider = GetDlgItem(d, kWide.slider);
            SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            MouseMoveTo(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
            MouseButton(true);
        })
        .Then([&](HWND d) {
            RECT track;
            GetClientRect(GetDlgItem(d, kWide.slider), &track);
            MouseMoveTo(GetDlgItem(d, kWide.slider), track.right + 20, (thumb.top + thumb.bottom) / 2);
        })
        .Then([&](HWND) { MouseButton(false); })
        .Then([&](HWND d) {
            EXPECT_TRUE(InStep(d, kWide, 90000)) << "the thumb at the right end";
            ClickControl(d, IDOK);
        });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(plugin.ReadSettings(), Section(9, 0, -10, 1001, 90000, 1));
}

}  // namespace
