#include "tests/kit/Screenshot.h"

#include <windows.h>
// GDI+ needs the COM types that a lean windows.h leaves out.
#include <objidl.h>

#include <gdiplus.h>

bool SaveScreenshot(const std::wstring& path)
{
    // Every monitor; the runner is system-aware, so the primary one unscaled.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    bool saved = false;
    Gdiplus::GdiplusStartupInput startup;
    ULONG_PTR token = 0;
    if (copied && Gdiplus::GdiplusStartup(&token, &startup, nullptr) == Gdiplus::Ok) {
        // GDI+'s PNG encoder.
        const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        {
            Gdiplus::Bitmap image(bitmap, nullptr);
            saved = image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
        }
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return saved;
}
