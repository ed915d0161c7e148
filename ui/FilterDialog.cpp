#include "ui/FilterDialog.h"

#include <commctrl.h>

#include <cstddef>
#include <cstdio>

#include "plugin/FilterRegistry.h"
#include "resource.h"

FilterDialog* currentDialog = nullptr;

namespace {
// The dialog whose modal loop is running, if any.
FilterDialog* openDialog = nullptr;
}  // namespace

FilterDialog::FilterDialog(std::int32_t templateId) : templateId(templateId) {}

FilterDialog::~FilterDialog() = default;

INT_PTR FilterDialog::RunModal(HWND parent, Bgra32* imagePixels, std::int32_t imageWidth,
                               std::int32_t imageHeight)
{
    // The modal loop disables only the owner: a host's floating windows and
    // timers may ask for a dialog again while ours is open. The window
    // procedures find their objects through the module-wide pointers, so a
    // second dialog would take them over and leave them dangling when it
    // closed; the open one comes to the front instead.
    if (openDialog) {
        if (openDialog->window)
            SetForegroundWindow(openDialog->window);
        return -1;
    }
    openDialog = this;
    currentDialog = this;
    pixels = imagePixels;
    width = imageWidth;
    height = imageHeight;
    // The common controls a template may use, registered here rather than
    // left to the host: each user of a common control is to register its
    // class, and a filter's template may use controls the host's windows do not.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Templates are integer resources; only the low 16 bits name one.
    const INT_PTR result = DialogBoxParamA(registry->moduleHandle, MAKEINTRESOURCEA(static_cast<WORD>(templateId)),
                                           parent, FilterDialogProc, 0);
    openDialog = nullptr;
    return result;
}

INT_PTR CALLBACK FilterDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Also for the messages before WM_INITDIALOG, so every handler has its window.
    currentDialog->window = window;
    return currentDialog->HandleMessage(window, message, wParam, lParam);
}

INT_PTR FilterDialog::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(reinterpret_cast<HWND>(lParam), wParam, HIWORD(wParam));
    default:
        return 0;
    }
}

INT_PTR FilterDialog::OnInitDialog()
{
    // A pane that cannot attach keeps its error code and shows it; the dialog
    // works without it.
    if (!pane.Attach(this, IDC_PREVIEW_PANE) && !pane.Control()) {
        // No control to show the code on: the template breaks the contract
        // of FilterDialog.h. Tell the developer at least.
        char message[96];
        std::snprintf(message, sizeof message, "FilterDialog: template %d has no preview pane control %d\n",
                      static_cast<int>(templateId), IDC_PREVIEW_PANE);
        OutputDebugStringA(message);
    }
    return 1;
}

INT_PTR FilterDialog::OnCommand(HWND, WPARAM wParam, WORD code)
{
    const WORD id = LOWORD(wParam);
    if (id == IDOK) {
        OnOK();
        return 1;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return 1;
    }
    if (code == BN_CLICKED && id == IDC_PREVIEW_CHECK)
        pane.Refresh();
    return 0;
}

bool FilterDialog::SaveSettings()
{
    return true;
}

void FilterDialog::OnOK()
{
    // Settings that could not be stored keep the dialog open: the user may
    // try again or cancel.
    if (SaveSettings())
        EndDialog(window, IDOK);
}

void FilterDialog::OnCancel()
{
    EndDialog(window, IDCANCEL);
}

bool FilterDialog::RenderPreview(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                                 const PanePoint& size)
{
    for (std::int32_t r = 0; r < size.y; ++r) {
        const Bgra32* row = pixels + static_cast<std::ptrdiff_t>(scroll.y + r) * width + scroll.x;
        for (std::int32_t c = 0; c < size.x; ++c) {
            const Bgra32& pixel = row[c];
            target.PutPixel(offset.x + c, offset.y + r, reinterpret_cast<const std::uint8_t*>(&pixel), pixel.alpha);
        }
    }
    return true;
}

bool FilterDialog::IsPreviewChecked() const
{
    // An indeterminate box (2) is not checked.
    return IsDlgButtonChecked(window, IDC_PREVIEW_CHECK) == BST_CHECKED;
}

bool FilterDialog::ReadDialogInt(int controlId, std::int32_t& value) const
{
    BOOL valid = FALSE;
    value = static_cast<std::int32_t>(GetDlgItemInt(window, controlId, &valid, TRUE));
    return valid != FALSE;
}

bool FilterDialog::ReadDialogInt(int controlId, char (&text)[kIntTextSize]) const
{
    std::int32_t value = 0;
    if (!ReadDialogInt(controlId, value))
        return false;
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return true;
}

bool FilterDialog::WriteDialogInt(const char* section, const char* key, int controlId, const char* path)
{
    char text[kIntTextSize];
    return ReadDialogInt(controlId, text) && WritePrivateProfileStringA(section, key, text, path) != FALSE;
}
