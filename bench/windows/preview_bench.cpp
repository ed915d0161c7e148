// Times one repaint of the RGB Color preview at a drag step (the pane's
// render of the visible block plus its one transfer to the screen) for small
// and large images, with the preview on and off. The dialog is the real one,
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

struct Measurement {
    int paneWidth = 0, paneHeight = 0;
    double onMs = 0, offMs = 0;
};

struct Run {
    RgbColorDialog* dialog;
    int steps;
    Measurement result;
    bool done = false;
};
Run* current = nullptr;

// Median time of `steps` drag steps that each move the image by one pixel.
double TimeDragSteps(RgbColorDialog& dialog, int steps)
{
    PreviewPane& pane = dialog.pane;
    pane.OnLButtonDown(50, 50, 0);
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        const int x = (i % 2) ? 50 : 49;  // back and forth: the scroll changes at every step
        const double start = Now();
        pane.OnMouseMove(x, 50, 0);
        GdiFlush();
        times.push_back((Now() - start) * 1e3);
    }
    pane.OnLButtonUp(50, 50, 0);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A pane that fits the image has no drag: a repaint is what a change of an amount costs.
double TimeRefreshes(RgbColorDialog& dialog, int steps)
{
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        const double start = Now();
        dialog.pane.Refresh();
        GdiFlush();
        times.push_back((Now() - start) * 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && current && !current->done) {
        current->done = true;
        RgbColorDialog& dialog = *current->dialog;
        HWND dlg = reinterpret_cast<HWND>(lParam);
        RECT client;
        GetClientRect(GetDlgItem(dlg, IDC_PREVIEW_PANE), &client);
        current->result.paneWidth = client.right;
        current->result.paneHeight = client.bottom;
        const bool pannable = dialog.width > client.right || dialog.height > client.bottom;
        CheckDlgButton(dlg, IDC_PREVIEW_CHECK, BST_CHECKED);
        current->result.onMs = pannable ? TimeDragSteps(dialog, current->steps) : TimeRefreshes(dialog, current->steps);
        CheckDlgButton(dlg, IDC_PREVIEW_CHECK, BST_UNCHECKED);
        current->result.offMs = pannable ? TimeDragSteps(dialog, current->steps) : TimeRefreshes(dialog, current->steps);
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
    std::printf("preview repaint (render of the visible block + one transfer), median of %d\n", steps);
    std::printf("image        pane       preview on   preview off\n");
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
        std::printf("%4dx%-5d    %3dx%-3d    %7.3f ms   %7.3f ms%s\n", side, side, run.result.paneWidth,
                    run.result.paneHeight, run.result.onMs, run.result.offMs,
                    side > run.result.paneWidth ? "   (drag steps)" : "   (refreshes)");
    }
    DestroyWindow(owner);
    return 0;
}
