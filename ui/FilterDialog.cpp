#include "ui/FilterDialog.h"

#include <cstddef>
#include <cstdio>
#include <new>
#include <string>

#include "plugin/FilterRegistry.h"
#include "resource.h"

FilterDialog* currentDialog = nullptr;

namespace {
// The dialog whose modal loop is running, if any.
FilterDialog* openDialog = nullptr;
// A settings section beyond this is no file of ours to rewrite.
constexpr DWORD kMaxSectionBytes = 64u << 20;
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
    // A pane that cannot attach keeps its error code; the dialog works without it.
    pane.Attach(this, IDC_PREVIEW_PANE);
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

bool FilterDialog::ReadDialogInt(int controlId, char (&text)[kIntTextSize]) const
{
    BOOL valid = FALSE;
    const int value = static_cast<int>(GetDlgItemInt(window, controlId, &valid, TRUE));
    if (!valid)
        return false;
    std::snprintf(text, sizeof text, "%d", value);
    return true;
}

bool FilterDialog::WriteDialogInt(const char* section, const char* key, int controlId, const char* path)
{
    char text[kIntTextSize];
    return ReadDialogInt(controlId, text) && WritePrivateProfileStringA(section, key, text, path) != FALSE;
}

bool FilterDialog::WriteSettingsSection(const char* section, const ProfileEntry* entries, std::size_t count,
                                        const char* path)
{
    // Called from a window procedure: no exception may leave it.
    try {
        // The section as it stands. The reader answers size - 2 when it had
        // to cut it short: then again with twice the room.
        std::string lines;
        for (DWORD size = 4096;; size *= 2) {
            lines.assign(size, '\0');
            const DWORD length = GetPrivateProfileSectionA(section, &lines[0], size, path);
            if (length + 2 < size) {
                lines.resize(length);
                break;
            }
            if (size > kMaxSectionBytes / 2)
                return false;
        }
        const std::string merged = MergeProfileSection(lines.data(), lines.size(), entries, count);
        return WritePrivateProfileSectionA(section, merged.c_str(), path) != FALSE;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
