#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "plugin/Pixel.h"
#include "ui/PreviewPane.h"

// Base of every filter's settings dialog: opens a modal dialog from a template
// in the plug-in's resources and routes its messages to virtual handlers.
// Slot order: destructor, HandleMessage, OnInitDialog, OnCommand, SaveSettings,
// OnOK, OnCancel, RenderPreview.
//
// What a template owes this class (see resources/resource.h):
// - control 1005 (IDC_PREVIEW_PANE), a static with SS_NOTIFY: the preview
//   pane. Without it the dialog opens with no pane and says so only to a
//   debugger (OutputDebugString);
// - control 1006 (IDC_PREVIEW_CHECK), an automatic check box: the preview switch;
// - IDOK and IDCANCEL buttons, which end the dialog through OnOK and OnCancel;
// - ids of its own: the build refuses a filter whose id numbers or names
//   are the framework's or another filter's of the module;
// - common controls among those of ICC_WIN95_CLASSES only: RunModal
//   registers those before it opens the template, whatever the host did.
// A dialog that overrides a handler calls the base's from it: OnInitDialog
// attaches the pane, OnCommand handles OK, Cancel and the check box, and
// HandleMessage passes WM_INITDIALOG and WM_COMMAND to them.
class FilterDialog {
public:
    explicit FilterDialog(std::int32_t templateId);
    virtual ~FilterDialog();
    FilterDialog(const FilterDialog&) = delete;
    FilterDialog& operator=(const FilterDialog&) = delete;

    // 1 for OK, 2 for Cancel, the platform's failure value when no dialog could
    // be made; -1 at once, the open one brought forward, while another is open.
    INT_PTR RunModal(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height);

    virtual INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnInitDialog();
    // control: the command's lParam; wParam whole (low word: control id); code: high word of wParam.
    virtual INT_PTR OnCommand(HWND control, WPARAM wParam, WORD code);
    // Stores the dialog's settings; false when they could not be stored.
    virtual bool SaveSettings();
    virtual void OnOK();
    virtual void OnCancel();
    // Fills the block of `size` at `offset` of the pane's buffer with image
    // pixels from `scroll` on, through pane.PutPixel. True to have it shown.
    virtual bool RenderPreview(PreviewPane& pane, const PanePoint& offset, const PanePoint& scroll,
                               const PanePoint& size);

    // The block as a run would produce it: each row of the image within the
    // block, clipped to the image, through filterRow(source, destination,
    // count) into a stack chunk (painting allocates nothing), then into the
    // pane. For a RenderPreview with the preview on.
    template <typename RowFunction>
    bool RenderFiltered(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                        const PanePoint& size, RowFunction filterRow);

    bool IsPreviewChecked() const;
    // "-2147483648" and its NUL take 12.
    static constexpr int kIntTextSize = 16;
    // The number in control `controlId`; false when it holds none.
    bool ReadDialogInt(int controlId, std::int32_t& value) const;
    // The same as "%d" text.
    bool ReadDialogInt(int controlId, char (&text)[kIntTextSize]) const;
    // Writes the number in control `controlId` as `key`. False when the control
    // holds no integer (nothing is written) or the file refused the write.
    bool WriteDialogInt(const char* section, const char* key, int controlId, const char* path);

    HWND window = nullptr;
    std::int32_t templateId;
    Bgra32* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    PreviewPane pane;
};

template <typename RowFunction>
bool FilterDialog::RenderFiltered(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                                  const PanePoint& size, RowFunction filterRow)
{
    const std::int32_t endX = scroll.x + size.x < width ? scroll.x + size.x : width;
    const std::int32_t endY = scroll.y + size.y < height ? scroll.y + size.y : height;
    constexpr std::int32_t kChunk = 64;
    Bgra32 filtered[kChunk];
    for (std::int32_t y = scroll.y; y < endY; ++y) {
        const Bgra32* row = pixels + static_cast<std::ptrdiff_t>(y) * width;
        for (std::int32_t x = scroll.x; x < endX; x += kChunk) {
            const std::int32_t count = endX - x < kChunk ? endX - x : kChunk;
            filterRow(row + x, filtered, count);
            for (std::int32_t j = 0; j < count; ++j)
                target.PutPixel(offset.x + (x + j - scroll.x), offset.y + (y - scroll.y), &filtered[j].blue,
                                filtered[j].alpha);
        }
    }
    return true;
}

// The dialog procedure; finds its object through currentDialog.
INT_PTR CALLBACK FilterDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Set by RunModal, never cleared: one settings dialog at a time.
extern FilterDialog* currentDialog;
