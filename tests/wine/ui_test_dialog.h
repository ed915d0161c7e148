// A small filter dialog for the framework tests: it records what the framework
// asks of it and renders what a test tells it to.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "plugin/Pixel.h"
#include "resource.h"
#include "support/DialogDriver.h"
#include "ui/FilterDialog.h"
#include "ui_test_ids.h"

struct RenderCall {
    PanePoint offset;
    PanePoint scroll;
    PanePoint size;
    bool duringCommand;  // asked for while a WM_COMMAND was being handled
};

class TestDialog : public FilterDialog {
public:
    using Renderer = std::function<bool(PreviewPane&, const PanePoint&, const PanePoint&, const PanePoint&)>;

    explicit TestDialog(std::int32_t templateId = IDD_UI_TEST);

    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnInitDialog() override;
    INT_PTR OnCommand(HWND control, WPARAM wParam, WORD code) override;
    bool SaveSettings() override;
    bool RenderPreview(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                       const PanePoint& size) override;

    HWND PaneControl() const { return GetDlgItem(window, IDC_PREVIEW_PANE); }

    // Client size the pane control gets just before the pane attaches; 0 x 0 keeps the template's.
    PanePoint paneClient{0, 0};
    bool saveResult = true;
    int saveCalls = 0;
    bool savedWhileShown = false;  // SaveSettings ran before the dialog was ended
    // Messages that came before WM_INITDIALOG, and whether `window` was set for each.
    std::vector<UINT> earlyMessages;
    bool windowKnownEarly = true;
    INT_PTR initResult = -1;  // what the dialog procedure answered to WM_INITDIALOG
    std::vector<RenderCall> renders;
    INT_PTR lastCommandResult = -1;
    // Replaces the base rendering when set.
    Renderer renderer;

private:
    int commandDepth = 0;
    bool initialised = false;
};

// Resizes a control the way the dialog manager does when it lays a dialog out
// anew, to this client size.
void ResizeClient(HWND control, PanePoint client);

// Opens the dialog over the image through RunModal, owned by the driver's window.
INT_PTR RunTestDialog(DialogDriver& driver, TestDialog& dialog, std::vector<Bgra32>& image, int width, int height);

// An image whose every pixel tells where it came from (alpha 255).
std::vector<Bgra32> CodedImage(int width, int height);
// The colour CodedImage puts at (x, y), as 0x00RRGGBB.
std::uint32_t CodedPixel(int x, int y);

// The cursor a framework pointer resource of this executable stands for.
HCURSOR ModuleCursor(int id);
