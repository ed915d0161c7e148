#include "ui_test_dialog.h"

#include "plugin/FilterRegistry.h"

TestDialog::TestDialog(std::int32_t templateId) : FilterDialog(templateId)
{
    // The test executable stands in for the plug-in module: templates and
    // cursors come from its own resources.
    registry->moduleHandle = GetModuleHandleA(nullptr);
}

INT_PTR TestDialog::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        initialised = true;
    if (!initialised) {
        earlyMessages.push_back(message);
        windowKnownEarly = windowKnownEarly && window == hwnd;
    }
    const INT_PTR result = FilterDialog::HandleMessage(hwnd, message, wParam, lParam);
    if (message == WM_INITDIALOG)
        initResult = result;
    return result;
}

INT_PTR TestDialog::OnInitDialog()
{
    if (paneClient.x > 0 && paneClient.y > 0)
        ResizeClient(PaneControl(), paneClient);
    return FilterDialog::OnInitDialog();
}

INT_PTR TestDialog::OnCommand(HWND control, WPARAM wParam, WORD code)
{
    ++commandDepth;
    lastCommandResult = FilterDialog::OnCommand(control, wParam, code);
    --commandDepth;
    return lastCommandResult;
}

bool TestDialog::SaveSettings()
{
    ++saveCalls;
    savedWhileShown = IsWindowVisible(window) != FALSE;
    return saveResult;
}

bool TestDialog::RenderPreview(PreviewPane& target, const PanePoint& offset, const PanePoint& scroll,
                               const PanePoint& size)
{
    renders.push_back(RenderCall{offset, scroll, size, commandDepth > 0});
    if (renderer)
        return renderer(target, offset, scroll, size);
    return FilterDialog::RenderPreview(target, offset, scroll, size);
}

void ResizeClient(HWND control, PanePoint client)
{
    RECT outer, inner;
    GetWindowRect(control, &outer);
    GetClientRect(control, &inner);
    const int borderX = (outer.right - outer.left) - inner.right;
    const int borderY = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(control, nullptr, 0, 0, client.x + borderX, client.y + borderY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR RunTestDialog(DialogDriver& driver, TestDialog& dialog, std::vector<Bgra32>& image, int width, int height)
{
    return driver.Run([&](HWND owner) { return dialog.RunModal(owner, image.data(), width, height); });
}

std::uint32_t CodedPixel(int x, int y)
{
    const std::uint32_t red = static_cast<std::uint32_t>(x) & 0xFF;
    const std::uint32_t green = static_cast<std::uint32_t>(y) & 0xFF;
    const std::uint32_t blue = ((static_cast<std::uint32_t>(x) >> 8) << 4) | ((static_cast<std::uint32_t>(y) >> 8) & 0xF);
    return (red << 16) | (green << 8) | blue;
}

std::vector<Bgra32> CodedImage(int width, int height)
{
    std::vector<Bgra32> image(static_cast<std::size_t>(width) * height + 1);  // never empty: data() is used
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = CodedPixel(x, y);
            image[static_cast<std::size_t>(y) * width + x] =
                Bgra32{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                       static_cast<std::uint8_t>(c >> 16), 255};
        }
    }
    return image;
}

HCURSOR ModuleCursor(int id)
{
    return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}
