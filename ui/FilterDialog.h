#pragma once
#include <windows.h>

#include <cstdint>

#include "plugin/Pixel.h"
#include "plugin/ProfileSection.h"
#include "ui/PreviewPane.h"

// Base of every filter's settings dialog: opens a modal dialog from a template
// in the plug-in's resources and routes its messages to virtual handlers.
// Slot order: destructor, HandleMessage, OnInitDialog, OnCommand, SaveSettings,
// OnOK, OnCancel, RenderPreview.
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

    bool IsPreviewChecked() const;
    // "-2147483648" and its NUL take 12.
    static constexpr int kIntTextSize = 16;
    // The number in control `controlId` as "%d" text; false when it holds none.
    bool ReadDialogInt(int controlId, char (&text)[kIntTextSize]) const;
    // Writes the number in control `controlId` as `key`. False when the control
    // holds no integer (nothing is written) or the file refused the write.
    bool WriteDialogInt(const char* section, const char* key, int controlId, const char* path);
    // Sets the entries' keys in one write of the whole section, other keys
    // kept: a file that refuses it takes none of them. False then, or when
    // the section could not be read.
    static bool WriteSettingsSection(const char* section, const ProfileEntry* entries, std::size_t count,
                                     const char* path);

    HWND window = nullptr;
    std::int32_t templateId;
    Bgra32* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    PreviewPane pane;
};

// The dialog procedure; finds its object through currentDialog.
INT_PTR CALLBACK FilterDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Set by RunModal, never cleared: one settings dialog at a time.
extern FilterDialog* currentDialog;
