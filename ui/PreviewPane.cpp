#include "ui/PreviewPane.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>

#include "plugin/FilterRegistry.h"
#include "resource.h"
#include "ui/FilterDialog.h"

PreviewPane* currentPane = nullptr;

namespace {

constexpr char kErrorFormat[] = "プレビューエラー！\nエラー番号 %d";
constexpr std::size_t kErrorTextSize = 512;

// Null when memory is short or width x height pixels cannot even be counted
// in this address space; painting never allocates.
std::uint32_t* AllocatePixels(std::int32_t width, std::int32_t height)
{
    const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (count > static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(std::uint32_t))
        return nullptr;
    return new (std::nothrow) std::uint32_t[static_cast<std::size_t>(count)];
}

}  // namespace

PreviewPane::PreviewPane() = default;

PreviewPane::~PreviewPane()
{
    // The control keeps PreviewPaneProc: the dialog, and with it this pane,
    // goes only after the dialog window is gone.
    delete[] pixels;
}

bool PreviewPane::Attach(FilterDialog* ownerDialog, int controlId)
{
    owner = ownerDialog;
    control = GetDlgItem(owner->window, controlId);
    if (!control) {
        Fail(1, false);
        return false;
    }
    RECT client;
    if (!GetClientRect(control, &client)) {
        Fail(2, true);
        return false;
    }
    if (!FitToClient(client.right, client.bottom))
        return false;

    currentPane = this;
    prevWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongA(control, GWL_WNDPROC, reinterpret_cast<LONG>(PreviewPaneProc)));
    if (!prevWndProc) {
        Fail(4, true);
        return false;
    }
    return true;
}

bool PreviewPane::FitToClient(std::int32_t clientWidth, std::int32_t clientHeight)
{
    width = clientWidth;
    height = clientHeight;
    delete[] pixels;
    pixels = AllocatePixels(width, height);
    if (!pixels) {
        Fail(3, true);
        return false;
    }
    const std::uint32_t background = ColorRefToPanePixel(GetSysColor(COLOR_WINDOW));
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = background;

    bitmapInfo = BITMAPINFO{};
    bitmapInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmapInfo.bmiHeader.biWidth = width;
    bitmapInfo.bmiHeader.biHeight = -height;  // rows run top-down
    bitmapInfo.bmiHeader.biPlanes = 1;
    bitmapInfo.bmiHeader.biBitCount = 32;
    bitmapInfo.bmiHeader.biCompression = BI_RGB;

    fitsHorizontally = AxisFits(width, owner->width);
    fitsVertically = AxisFits(height, owner->height);
    return true;
}

void PreviewPane::OnSize()
{
    // A per-monitor-aware host's dialog is laid out anew when it moves to a
    // monitor with another scaling, this control with it: a buffer, a layout
    // and scroll limits of the old size would leave new parts undrawn or
    // images out of reach.
    RECT client;
    if (!GetClientRect(control, &client) || (client.right == width && client.bottom == height))
        return;
    if (FitToClient(client.right, client.bottom)) {
        scrollX = LimitScroll(scrollX, owner->width, width);
        scrollY = LimitScroll(scrollY, owner->height, height);
    }
    InvalidateRect(control, nullptr, FALSE);
}

void PreviewPane::Paint(HDC dc)
{
    // Before anything else, so that a suspended pane still shows its error.
    if (errorCode != 0) {
        DrawErrorText(dc);
        return;
    }
    if (suspendPainting || !pixels || !control || !dc)
        return;

    const AxisLayout across = LayoutAxis(fitsHorizontally, width, owner->width, scrollX);
    const AxisLayout down = LayoutAxis(fitsVertically, height, owner->height, scrollY);
    const PanePoint offset{across.offset, down.offset};
    const PanePoint size{across.size, down.size};
    const PanePoint scroll{scrollX, scrollY};

    const bool show = owner->RenderPreview(*this, offset, scroll, size);
    // An error raised while rendering leaves the screen as it was; the next
    // paint draws the text.
    if (show && errorCode == 0) {
        StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, pixels, &bitmapInfo, DIB_RGB_COLORS,
                      SRCCOPY);
    }
}

void PreviewPane::Refresh()
{
    if (!control)
        return;
    // A device context of our own: the repaint happens now, not at the next
    // WM_PAINT.
    HDC dc = GetDC(control);
    if (!dc) {
        Fail(5, false);
        return;
    }
    Paint(dc);
    ReleaseDC(control, dc);
}

void PreviewPane::PutPixel(std::int32_t x, std::int32_t y, const std::uint8_t* bgr, std::int32_t alpha)
{
    // Without a buffer (its allocation failed) every position lies outside it.
    if (pixels && x >= 0 && x < width && y >= 0 && y < height) {
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
            CompositeOverChecker(x, y, bgr, alpha);
        return;
    }
    Fail(6, true);
}

std::uint32_t PreviewPane::CompositeOverChecker(std::int32_t x, std::int32_t y, const std::uint8_t* bgr,
                                                std::int32_t alpha) const
{
    return BlendOverChecker(x, y, bgr, alpha);
}

void PreviewPane::DrawErrorText(HDC dc)
{
    if (!dc)
        return;
    RECT rect;
    if (!GetClientRect(control, &rect)) {
        // The control is gone or was never readable: use the size Attach
        // last read, which is empty when it never read one (code 2).
        rect = RECT{0, 0, width, height};
        if (IsRectEmpty(&rect))
            return;
    }
    char text[kErrorTextSize];
    std::snprintf(text, sizeof text, kErrorFormat, static_cast<int>(errorCode));
    // Over a plain background, so that nothing of the last picture shows
    // through; in the window colours, which a high-contrast scheme keeps
    // readable; in the control's font, which the dialog replaces when it is
    // laid out anew for another scaling.
    FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOW));
    const HGDIOBJ font = ControlFont();
    const HGDIOBJ previousFont = font ? SelectObject(dc, font) : nullptr;
    const COLORREF previousColour = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &rect, 0);
    SetBkMode(dc, previousMode);
    SetTextColor(dc, previousColour);
    if (previousFont)
        SelectObject(dc, previousFont);
}

HGDIOBJ PreviewPane::ControlFont() const
{
    if (!control)
        return nullptr;
    // A static of a frame style may keep no font of its own (Wine's keep
    // none); then the dialog's, which it would have been given.
    if (auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)))
        return font;
    HWND dialog = GetParent(control);
    return dialog ? reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)) : nullptr;
}

void PreviewPane::OnLButtonDown(std::int32_t x, std::int32_t y, WPARAM)
{
    if (fitsHorizontally && fitsVertically)
        return;
    lastMouseX = x;
    lastMouseY = y;
    SetCapture(control);
    ShowCursor(IDC_HAND_CLOSED);
}

void PreviewPane::OnLButtonUp(std::int32_t, std::int32_t, WPARAM)
{
    // No repaint and no cursor change: the next move without capture shows the open hand.
    if (GetCapture() == control)
        ReleaseCapture();
}

void PreviewPane::OnMouseMove(std::int32_t x, std::int32_t y, WPARAM)
{
    // While any window holds the capture only that window sees the mouse, so
    // a move that reaches us under capture is a drag of ours.
    if (GetCapture()) {
        const std::int32_t oldX = scrollX;
        const std::int32_t oldY = scrollY;
        scrollX = DragScroll(scrollX, lastMouseX, x, owner->width, width);
        scrollY = DragScroll(scrollY, lastMouseY, y, owner->height, height);
        lastMouseX = x;
        lastMouseY = y;
        if (scrollX != oldX || scrollY != oldY)
            Refresh();
        ShowCursor(IDC_HAND_CLOSED);
        return;
    }
    if (fitsHorizontally && fitsVertically)
        return;
    ShowCursor(IDC_HAND_OPEN);
}

bool PreviewPane::OnSetCursor(WORD hitTest) const
{
    // Windows asks before every move, and the control's own answer is its
    // class arrow: left to it, the pointer would flicker between the arrow
    // and the hand. Where nothing can be panned the control keeps its say.
    if (hitTest != HTCLIENT || (fitsHorizontally && fitsVertically))
        return false;
    ShowCursor(GetCapture() == control ? IDC_HAND_CLOSED : IDC_HAND_OPEN);
    return true;
}

void PreviewPane::ShowCursor(int resource) const
{
    SetCursor(LoadCursorA(registry->moduleHandle, MAKEINTRESOURCEA(resource)));
}

void PreviewPane::Fail(std::int32_t code, bool disableControl)
{
    // A later failure replaces the code; nothing ever clears it.
    errorCode = code;
    if (disableControl && control)
        EnableWindow(control, FALSE);
}

LRESULT CALLBACK PreviewPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PreviewPane* pane = currentPane;
    // A control that is not the current pane's gets its own class's handling,
    // which paints and validates it: a window left invalid gets WM_PAINT
    // without end.
    if (window != pane->control)
        return CallWindowProcA(pane->prevWndProc, window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        pane->Paint(paint.hdc);
        EndPaint(window, &paint);
        break;
    }
    case WM_MOUSEMOVE: {
        const PanePoint at = PointFromMouseParam(static_cast<std::uint32_t>(lParam));
        pane->OnMouseMove(at.x, at.y, wParam);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {  // the static class has CS_DBLCLKS: a quick second press comes as this
        const PanePoint at = PointFromMouseParam(static_cast<std::uint32_t>(lParam));
        pane->OnLButtonDown(at.x, at.y, wParam);
        break;
    }
    case WM_LBUTTONUP: {
        const PanePoint at = PointFromMouseParam(static_cast<std::uint32_t>(lParam));
        pane->OnLButtonUp(at.x, at.y, wParam);
        break;
    }
    case WM_SIZE:
        pane->OnSize();
        break;
    case WM_SETCURSOR:
        if (pane->OnSetCursor(LOWORD(lParam)))
            return TRUE;
        break;
    default:
        break;
    }
    // The control's own handling sees every other message, WM_PAINT included
    // (its update region is already valid then).
    return CallWindowProcA(pane->prevWndProc, window, message, wParam, lParam);
}
