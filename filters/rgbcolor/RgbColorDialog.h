#pragma once
#include "filters/rgbcolor/RgbChannel.h"
#include "ui/FilterDialog.h"

// Settings dialog of the RGB Color filter (template 119): per channel a
// slider, a number field and a spinner that always agree. Every change of an
// amount goes through the channel's number field.
class RgbColorDialog : public FilterDialog {
public:
    RgbColorDialog();
    ~RgbColorDialog() override;

    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnInitDialog() override;
    INT_PTR OnCommand(HWND control, WPARAM wParam, WORD code) override;
    // Writes r, g, b and preview in one write, then flushes; on failure says so
    // and returns false, the file as it was.
    bool SaveSettings() override;
    bool RenderPreview(PreviewPane& pane, const PanePoint& offset, const PanePoint& scroll,
                       const PanePoint& size) override;

    // Sets all three amounts to 0 with one repaint.
    void ResetChannels();

    RgbChannel red;
    RgbChannel green;
    RgbChannel blue;

private:
    struct ChannelIds {
        int slider;
        int field;
        int spinner;
    };
    static const ChannelIds kChannelIds[3];

    RgbChannel& Channel(int index);
    // Index of the channel whose number field / slider has this id, or -1.
    static int ChannelOfField(int id);
    static int ChannelOfSlider(int id);

    void OnFieldUpdate(int channel);
    INT_PTR OnSliderScroll(int channel, WPARAM wParam);
    void SetSliderPosition(int channel, std::int32_t amount);
};
