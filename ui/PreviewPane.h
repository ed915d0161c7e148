#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/PaneGeometry.h"

class FilterDialog;

// Turns a static control into a preview: the owner's image composited over an
// 8 x 8 white/grey checkerboard, centred where it fits, pannable by dragging
// where it does not. Failures are kept as a code 1..6 and drawn as text.
// Slot order: destructor, OnLButtonDown, OnLButtonUp, OnMouseMove, Paint.
class PreviewPane {
public:
    PreviewPane();
    virtual ~PreviewPane();
    PreviewPane(const PreviewPane&) = delete;
    PreviewPane& operator=(const PreviewPane&) = delete;

    bool Attach(FilterDialog* owner, int controlId);
    // Repaints now through a device context of its own.
    void Refresh();

    virtual void OnLButtonDown(std::int32_t x, std::int32_t y, WPARAM keys);
    virtual void OnLButtonUp(std::int32_t x, std::int32_t y, WPARAM keys);
    virtual void OnMouseMove(std::int32_t x, std::int32_t y, WPARAM keys);
    virtual void Paint(HDC dc);
    // WM_SIZE: a buffer, layout and scroll limits for the control's new size.
    void OnSize();
    // WM_SETCURSOR: true when the pane showed its own pointer.
    bool OnSetCursor(WORD hitTest) const;

    // bgr: blue, green, red bytes; alpha 0..255. Out of the buffer: error 6.
    void PutPixel(std::int32_t x, std::int32_t y, const std::uint8_t* bgr, std::int32_t alpha);
    std::uint32_t CompositeOverChecker(std::int32_t x, std::int32_t y, const std::uint8_t* bgr,
                                       std::int32_t alpha) const;
    void DrawErrorText(HDC dc);

    // Read by tests and by the window procedure.
    HWND Control() const { return control; }
    std::int32_t ErrorCode() const { return errorCode; }
    std::int32_t ScrollX() const { return scrollX; }
    std::int32_t ScrollY() const { return scrollY; }
    std::int32_t Width() const { return width; }
    std::int32_t Height() const { return height; }
    const std::uint32_t* Pixels() const { return pixels; }

    friend LRESULT CALLBACK PreviewPaneProc(HWND, UINT, WPARAM, LPARAM);

private:
    // The buffer, filled with the window colour, and the fit of each axis for
    // a client area of this size. False (code 3) when there is no memory for it.
    bool FitToClient(std::int32_t clientWidth, std::int32_t clientHeight);
    void ShowCursor(int resource) const;
    // The font the control's text would have, or null for the device context's.
    HGDIOBJ ControlFont() const;
    void Fail(std::int32_t code, bool disableControl);

    WNDPROC prevWndProc = nullptr;
    FilterDialog* owner = nullptr;
    HWND control = nullptr;
    BITMAPINFO bitmapInfo{};
    std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool fitsHorizontally = false;
    bool fitsVertically = false;
    std::int32_t scrollX = 0;
    std::int32_t scrollY = 0;
    std::int32_t lastMouseX = 0;
    std::int32_t lastMouseY = 0;

public:
    // While set, Paint draws no image (an error text still shows).
    bool suspendPainting = false;

private:
    std::int32_t errorCode = 0;
};

// Installed on the control by Attach; finds its pane through currentPane.
LRESULT CALLBACK PreviewPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The last pane whose Attach got as far as subclassing; never cleared.
extern PreviewPane* currentPane;
