#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// A filter dialog's amounts as tests read and drive them: each a slider, a
// number field and a spinner (0: none).
struct ChannelIds {
    int slider, field, spinner;
};
// RGB Color's, which most dialog tests drive.
extern const ChannelIds kRed, kGreen, kBlue;
extern const ChannelIds kChannels[3];

std::string FieldText(HWND dialog, int id);
int SliderPosition(HWND dialog, int id);
bool PreviewChecked(HWND dialog);
// Puts the keyboard focus into a field with its whole text selected.
void SelectField(HWND dialog, int id);
// A click on the upper or lower arrow of a spinner.
void ClickSpinner(HWND dialog, int id, bool up);
// The dialog's invariant for one channel: the field holds the decimal form of
// `expected`, and the slider sits there.
::testing::AssertionResult InStep(HWND dialog, const ChannelIds& c, int expected);
