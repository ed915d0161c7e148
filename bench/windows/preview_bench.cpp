// Times one repaint of the RGB Color preview at a drag step (the pane's
// render of the visible block plus its one transfer to the screen) for small
// and large images, with the preview on and off in turn. The dialog is the real one,
// from the plug-in's own template, opened over each image in turn.
//
//   preview_bench.exe PATH\rgbcolor.dll [--quick]     (needs a display)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "filters/rgbcolor/RgbColorDialog.h"
#include "filters/rgbcolor/RgbColorFilter.h"
#include "plugin/FilterRegistry.h"
#include "resources/resource.h"

namespace {

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return Spread{v.front(), v[v.size() / 2], v.back()};
}

struct Measurement {
    int paneWidth = 0, paneHeight = 0;
    Spread on, off, ratio;
};

struct Run {
    RgbColorDialog* dialog;
    int steps;
    Measurement result;
    bool done = false;
};
Run* current = nullptr;

// `steps` pairs of repaints, one with the preview on and one with it off, so
// that a slow spell of the machine hits both alike. A pane that does not fit
// the image repaints at a drag step that moves the image by one pixel (back
// and forth, so that the scroll changes at every step); a pane that fits has
// no drag, and a repaint is what a change of an amount costs.
Measurement TimeRepaints(RgbColorDialog& dialog, HWND dlg, int steps, bool pannable)
{
    PreviewPane& pane = dialog.pane;
    if (pannable)
        pane.OnLButtonDown(50, 50, 0);
    std::vector<double> on, off, ratio;
    for (int i = 0; i < steps; ++i) {
        double times[2];
        for (int preview = 1; preview >= 0; --preview) {
            CheckDlgButton(dlg, IDC_PREVIEW_CHECK, preview ? BST_CHECKED : BST_UNCHECKED);
            const double start = Now();
            if (pannable)
                pane.OnMouseMove(preview ? 49 : 50, 50, 0);
            else
                pane.Refresh();
            GdiFlush();
            times[preview] = (Now() - start) * 1e3;
        }
        on.push_back(times[1]);
        off.push_back(times[0]);
        ratio.push_back(times[1] / times[0]);
    }
    if (pannable)
        pane.OnLButtonUp(50, 50, 0);
    Measurement m;
    m.on = SpreadOf(on);
    m.off = SpreadOf(off);
    m.ratio = SpreadOf(ratio);
    return m;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && current && !current->done) {
        current->done = true;
        RgbColorDialog& dialog = *current->dialog;
        HWND dlg = reinterpret_cast<HWND>(lParam);
        RECT client;
        GetClientRect(GetDlgItem(dlg, IDC_PREVIEW_PANE), &client);
        const bool pannable = dialog.width > client.right || dialog.height > client.bottom;
        current->result = TimeRepaints(dialog, dlg, current->steps, pannable);
        current->result.paneWidth = client.right;
        current->result.paneHeight = client.bottom;
        EndDialog(dlg, IDCANCEL);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: preview_bench PATH\\rgbcolor.dll [--quick]\n");
        return 2;
    }
    const bool quick = argc > 2 && std::string(argv[2]) == "--quick";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    // The template and the cursors come from the plug-in itself.
    HMODULE plugin = LoadLibraryA(argv[1]);
    if (!plugin) {
        std::fprintf(stderr, "preview_bench: cannot load %s\n", argv[1]);
        return 1;
    }
    registry->moduleHandle = plugin;

    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PreviewBenchOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);

    const int sides[] = {64, 1024, 4096, 8192};
    const int steps = quick ? 11 : 101;
    std::printf("preview repaint (render of the visible block + one transfer), %d pairs of repaints with the\n"
                "preview on and off in turn; ms, and the ratio on/off of each pair, min median max\n", steps);
    const ScanlineFunction loop = RgbColorFilter::Scanline();
    std::printf("loop: the preview renders through the %s loop\n",
                loop == AdjustScanlineScalar ? "plain" : loop == AdjustScanlineSse2 ? "SSE2" : "AVX2");
    std::printf("image        pane       preview on               preview off              on / off\n");
    for (int side : sides) {
        if (quick && side > 1024)
            break;
        std::vector<Bgra32> image(static_cast<std::size_t>(side) * side);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = Bgra32{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 7),
                              static_cast<std::uint8_t>(i >> 13), static_cast<std::uint8_t>(i * 3)};
        RgbColorDialog dialog;
        Run run{&dialog, steps, {}};
        current = &run;
        dialog.RunModal(owner, image.data(), side, side);
        current = nullptr;
        if (run.result.paneWidth == 0) {
            std::fprintf(stderr, "preview_bench: the dialog did not open over %dx%d (error %lu)\n", side, side,
                         GetLastError());
            return 1;
        }
        const Measurement& m = run.result;
        std::printf("%4dx%-5d    %3dx%-3d    %6.3f %6.3f %6.3f     %6.3f %6.3f %6.3f     %5.2f %5.2f %5.2f%s\n",
                    side, side, m.paneWidth, m.paneHeight, m.on.min, m.on.median, m.on.max, m.off.min,
                    m.off.median, m.off.max, m.ratio.min, m.ratio.median, m.ratio.max,
                    side > m.paneWidth ? "   (drag steps)" : "   (refreshes)");
    }
    DestroyWindow(owner);
    return 0;
}
