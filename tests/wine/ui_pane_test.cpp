// PreviewPane in a real dialog: layout, compositing and error texts read back
// from the screen, panning with real mouse input and the pointers it shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "resource.h"
#include "support/DialogDriver.h"
#include "support/ImportHook.h"
#include "ui_test_dialog.h"

namespace {

constexpr PanePoint kPane{160, 175};
// An unusual window colour, so that a margin filled with red and blue swapped shows.
constexpr COLORREF kWindowColour = RGB(0x33, 0x22, 0x11);
constexpr std::uint32_t kWindowPixel = 0x332211;

constexpr char kErrorSix[] = "プレビューエラー！\nエラー番号 6";
constexpr char kErrorFive[] = "プレビューエラー！\nエラー番号 5";

// The board by squares, written apart from the product's bit test.
std::uint32_t Board(int x, int y)
{
    const std::uint32_t v = ((x / 8 + y / 8) % 2 == 0) ? 255 : 192;
    return (v << 16) | (v << 8) | v;
}

// Pixels that differ from `expected`, with the first few named.
std::string Mismatches(const ClientPixels& shot, const std::function<std::uint32_t(int, int)>& expected)
{
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const std::uint32_t want = expected(x, y);
            if (shot.At(x, y) != want && ++count <= 5)
                out << " (" << x << ", " << y << ") is " << std::hex << shot.At(x, y) << " not " << want << std::dec;
        }
    }
    if (count == 0)
        return "";
    return std::to_string(count) + " pixels differ:" + out.str();
}

// What differs from the coded image's block of `size` shown at `offset` (from
// its top-left pixel) with the window colour around it.
std::string ShownAt(const ClientPixels& shot, PanePoint offset, PanePoint size)
{
    return Mismatches(shot, [&](int x, int y) {
        const int ix = x - offset.x, iy = y - offset.y;
        return ix >= 0 && ix < size.x && iy >= 0 && iy < size.y ? CodedPixel(ix, iy) : kWindowPixel;
    });
}

ClientPixels WithErrorText(const ClientPixels& under, const char* text, HWND control)
{
    return WithErrorText(under, text, control, RECT{0, 0, under.width, under.height});
}

// The pointer shown after WM_SETCURSOR, sent as Windows sends it before every
// move over `window`, with `before` showing until then.
HCURSOR CursorAfterSetCursor(HWND window, HCURSOR before)
{
    SetCursor(before);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

std::vector<std::uint32_t> Buffer(const PreviewPane& pane)
{
    return std::vector<std::uint32_t>(pane.Pixels(), pane.Pixels() + pane.Width() * pane.Height());
}

class PaneTest : public ::testing::Test {
protected:
    // Once for all: the change is broadcast to every window of the session.
    static void SetUpTestSuite()
    {
        savedWindowColour = GetSysColor(COLOR_WINDOW);
        SetWindowColour(kWindowColour);
    }
    static void TearDownTestSuite() { SetWindowColour(savedWindowColour); }
    static void SetWindowColour(COLORREF colour)
    {
        const int element = COLOR_WINDOW;
        SetSysColors(1, &element, &colour);
    }

    // Opens `dialog` over a coded image of the given size in a 160 x 175 pane.
    INT_PTR Open(TestDialog& dialog, int width, int height)
    {
        image = CodedImage(width, height);
        dialog.paneClient = kPane;
        return RunTestDialog(driver, dialog, image, width, height);
    }

    static COLORREF savedWindowColour;
    std::vector<Bgra32> image;
    DialogDriver driver;
};

COLORREF PaneTest::savedWindowColour = 0;

TEST_F(PaneTest, EachAxisIsCentredWhereItFitsAndStartsAtTheImagesEdgeWhereNot)
{
    struct Case {
        int width, height;
        PanePoint offset, size;
    };
    const Case cases[] = {
        {100, 50, {30, 62}, {100, 50}},    // fits both ways; 125 / 2 rounded down
        {160, 175, {0, 0}, {160, 175}},    // exactly the pane's size fits
        {400, 300, {0, 0}, {160, 175}},    // the first paint shows the top-left corner
        {400, 100, {0, 37}, {160, 100}},   // wider but not taller
        {100, 300, {30, 0}, {100, 175}},   // taller but not wider
        {0, 0, {80, 87}, {0, 0}},          // nothing to render: the window colour only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TestDialog dialog;
        DialogDriver run;
        run.Then([&](HWND) {
            ASSERT_FALSE(dialog.renders.empty());
            const RenderCall& call = dialog.renders.back();
            EXPECT_EQ(call.offset.x, c.offset.x);
            EXPECT_EQ(call.offset.y, c.offset.y);
            EXPECT_EQ(call.size.x, c.size.x);
            EXPECT_EQ(call.size.y, c.size.y);
            EXPECT_EQ(call.scroll.x, 0);
            EXPECT_EQ(call.scroll.y, 0);

            const ClientPixels shot = CaptureClient(dialog.PaneControl());
            ASSERT_EQ(shot.width, kPane.x);
            ASSERT_EQ(shot.height, kPane.y);
            EXPECT_EQ(ShownAt(shot, c.offset, c.size), "");
            EXPECT_EQ(Buffer(dialog.pane), shot.pixels) << "the screen is not the buffer";
            PressKey(VK_ESCAPE);
        });
        image = CodedImage(c.width, c.height);
        dialog.paneClient = kPane;
        EXPECT_EQ(RunTestDialog(run, dialog, image, c.width, c.height), IDCANCEL);
        EXPECT_TRUE(run.AllStepsRan());
    }
}

TEST_F(PaneTest, ImagePixelsAreLaidOverTheCheckerboardByTheirAlpha)
{
    // Four bands of 25 columns: alpha 0 with any colour, opaque colours,
    // black at 128 and white at 128.
    constexpr int kWidth = 100, kHeight = 50;
    constexpr PanePoint kOffset{30, 62};
    std::mt19937 random(3);
    std::vector<Bgra32> bands(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Bgra32& p = bands[y * kWidth + x];
            const std::uint32_t c = CodedPixel(x, y);
            switch (x / 25) {
            case 0: p = Bgra32{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                               static_cast<std::uint8_t>(random()), 0}; break;
            case 1: p = Bgra32{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                               static_cast<std::uint8_t>(c >> 16), 255}; break;
            case 2: p = Bgra32{0, 0, 0, 128}; break;
            default: p = Bgra32{255, 255, 255, 128}; break;
            }
        }
    }
    auto expected = [&](int x, int y) -> std::uint32_t {
        const int ix = x - kOffset.x, iy = y - kOffset.y;
        if (ix < 0 || ix >= kWidth || iy < 0 || iy >= kHeight)
            return kWindowPixel;
        const bool white = Board(x, y) == 0xFFFFFF;
        switch (ix / 25) {
        case 0: return Board(x, y);
        case 1: return CodedPixel(ix, iy);
        case 2: return white ? 0x7F7F7F : 0x5F5F5F;  // 255 * 127 / 255 = 127; 192 * 127 / 255 = 95.6
        default: return white ? 0xFFFFFF : 0xDFDFDF; // 127 + 128 = 255; (192 * 127 + 255 * 128) / 255 = 223.6
        }
    };
    TestDialog dialog;
    dialog.paneClient = kPane;
    driver.Then([&](HWND) {
        const ClientPixels shot = CaptureClient(dialog.PaneControl());
        ASSERT_EQ(shot.width, kPane.x);
        EXPECT_EQ(Mismatches(shot, expected), "");
        // The alpha-0 band covers white and grey squares alike.
        EXPECT_EQ(shot.At(kOffset.x, kOffset.y), 0xFFFFFFu);  // 30 XOR 62 = 32: bit 3 clear
        EXPECT_EQ(shot.At(kOffset.x + 4, kOffset.y), 0xC0C0C0u);  // 34 XOR 62 = 28: bit 3 set
        EXPECT_EQ(dialog.pane.Pixels()[0], kWindowPixel);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(RunTestDialog(driver, dialog, bands, kWidth, kHeight), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(PaneTest, DraggingPansWithinTheImageAndShowsTheHands)
{
    TestDialog dialog;
    HWND pane = nullptr;
    std::size_t renders = 0;
    const HCURSOR open = ModuleCursor(IDC_HAND_OPEN), closed = ModuleCursor(IDC_HAND_CLOSED);
    ASSERT_NE(open, nullptr);
    ASSERT_NE(closed, nullptr);
    auto showsImageFrom = [&](int sx, int sy) {
        return Mismatches(CaptureClient(pane), [&](int x, int y) { return CodedPixel(sx + x, sy + y); });
    };
    auto scrolledTo = [&](int x, int y) {
        EXPECT_EQ(dialog.pane.ScrollX(), x);
        EXPECT_EQ(dialog.pane.ScrollY(), y);
    };
    driver
        .Then([&](HWND) {
            pane = dialog.PaneControl();
            MouseMoveTo(pane, 80, 80);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCursor(), open) << "over a pane that can be panned";
            EXPECT_EQ(CursorAfterSetCursor(pane, LoadCursorA(nullptr, IDC_ARROW)), open)
                << "the class arrow would flicker in at every move";
            EXPECT_EQ(GetCapture(), nullptr);
            renders = dialog.renders.size();
            MouseMoveTo(pane, 50, 60);
            MouseButton(true);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCapture(), pane);
            EXPECT_EQ(GetCursor(), closed);
            EXPECT_EQ(dialog.renders.size(), renders) << "pressing alone repainted";
            scrolledTo(0, 0);
            MouseMoveTo(pane, 40, 45);
        })
        .Then([&](HWND) {
            scrolledTo(10, 15);
            ASSERT_EQ(dialog.renders.size(), ++renders);
            EXPECT_EQ(dialog.renders.back().scroll.x, 10);
            EXPECT_EQ(dialog.renders.back().scroll.y, 15);
            EXPECT_EQ(showsImageFrom(10, 15), "");
            EXPECT_EQ(GetCursor(), closed);
            MouseMoveTo(pane, -200, -150);  // left of and above the control
        })
        .Then([&](HWND) {
            scrolledTo(240, 125);  // 400 - 160, 300 - 175
            ASSERT_EQ(dialog.renders.size(), ++renders);
            EXPECT_EQ(showsImageFrom(240, 125), "");
            MouseMoveToScreen(0, 0);  // further still
        })
        .Then([&](HWND) {
            scrolledTo(240, 125);
            EXPECT_EQ(dialog.renders.size(), renders) << "repainted without a change";
            EXPECT_EQ(GetCursor(), closed);
            MouseMoveToScreen(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        })
        .Then([&](HWND) {
            scrolledTo(0, 0);
            ASSERT_EQ(dialog.renders.size(), ++renders);
            EXPECT_EQ(showsImageFrom(0, 0), "");
            MouseButton(false);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCapture(), nullptr);
            EXPECT_EQ(dialog.renders.size(), renders) << "releasing repainted";
            MouseMoveTo(pane, 100, 100);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCursor(), open);
            EXPECT_EQ(dialog.renders.size(), renders);
            scrolledTo(0, 0);
            // A click and at once another press: the system makes the second
            // a double click, and the user goes on to drag.
            MouseButton(true);
            MouseButton(false);
            MouseButton(true);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCapture(), pane) << "a quick second press must start a drag too";
            MouseMoveTo(pane, 90, 95);
        })
        .Then([&](HWND) {
            scrolledTo(10, 5);
            EXPECT_EQ(showsImageFrom(10, 5), "");
            MouseButton(false);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Open(dialog, 400, 300), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(PaneTest, AnImageWiderButNotTallerPansAcrossOnly)
{
    TestDialog dialog;
    HWND pane = nullptr;
    auto lastCallIs = [&](int scrollX) {
        ASSERT_FALSE(dialog.renders.empty());
        const RenderCall& call = dialog.renders.back();
        EXPECT_EQ(call.scroll.x, scrollX);
        EXPECT_EQ(call.scroll.y, 0);
        EXPECT_EQ(call.offset.y, 37);
        EXPECT_EQ(call.size.y, 100);
        EXPECT_EQ(dialog.pane.ScrollY(), 0);
        EXPECT_EQ(Mismatches(CaptureClient(pane),
                             [&](int x, int y) {
                                 const int iy = y - 37;
                                 return iy >= 0 && iy < 100 ? CodedPixel(scrollX + x, iy) : kWindowPixel;
                             }),
                  "");
    };
    driver
        .Then([&](HWND) {
            pane = dialog.PaneControl();
            MouseMoveTo(pane, 60, 60);
            MouseButton(true);
        })
        .Then([&](HWND) {
            EXPECT_EQ(GetCapture(), pane);
            MouseMoveTo(pane, 20, 10);
        })
        .Then([&](HWND) {
            lastCallIs(40);
            MouseMoveTo(pane, 25, 300);
        })
        .Then([&](HWND) {
            lastCallIs(35);
            MouseMoveTo(pane, -1000, -1000);
        })
        .Then([&](HWND) {
            lastCallIs(240);
            MouseButton(false);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Open(dialog, 400, 100), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

// The dialog manager resizes every control when a per-monitor-aware host's
// dialog moves to a monitor with another scaling; here to 1.5 times and two
// thirds of the pane's size.
constexpr PanePoint kLarger{kPane.x * 3 / 2, kPane.y * 3 / 2};
constexpr PanePoint kSmaller{kPane.x * 2 / 3, kPane.y * 2 / 3};

TEST_F(PaneTest, ASmallImageStaysCentredAsTheControlIsResized)
{
    TestDialog dialog;
    auto centredIn = [&](PanePoint client) {
        const ClientPixels shot = CaptureClient(dialog.PaneControl());
        ASSERT_EQ(shot.width, client.x);
        ASSERT_EQ(shot.height, client.y);
        EXPECT_EQ(ShownAt(shot, PanePoint{(client.x - 100) / 2, (client.y - 50) / 2}, PanePoint{100, 50}), "");
        EXPECT_EQ(Buffer(dialog.pane), shot.pixels) << "the screen is not the buffer";
    };
    driver.Then([&](HWND) { ResizeClient(dialog.PaneControl(), kLarger); })
        .Then([&](HWND) {
            centredIn(kLarger);
            ResizeClient(dialog.PaneControl(), kSmaller);
        })
        .Then([&](HWND) {
            centredIn(kSmaller);
            EXPECT_EQ(dialog.pane.ErrorCode(), 0);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Open(dialog, 100, 50), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(PaneTest, ALargeImageCanBeDraggedToItsFarCornerAfterTheControlIsResized)
{
    TestDialog dialog;
    HWND pane = nullptr;
    const int screenRight = GetSystemMetrics(SM_CXSCREEN) - 1, screenBottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    auto showsFrom = [&](int sx, int sy) {
        EXPECT_EQ(dialog.pane.ScrollX(), sx);
        EXPECT_EQ(dialog.pane.ScrollY(), sy);
        EXPECT_EQ(Mismatches(CaptureClient(pane), [&](int x, int y) { return CodedPixel(sx + x, sy + y); }), "");
        // Never asked for pixels beyond the image.
        ASSERT_FALSE(dialog.renders.empty());
        const RenderCall& call = dialog.renders.back();
        EXPECT_LE(call.scroll.x + call.size.x, 400);
        EXPECT_LE(call.scroll.y + call.size.y, 300);
    };
    driver
        .Then([&](HWND) {
            pane = dialog.PaneControl();
            ResizeClient(pane, kSmaller);
        })
        .Then([&](HWND) {
            // From the far corner, so that the screen's edge leaves room to drag it all the way.
            MouseMoveTo(pane, kSmaller.x - 1, kSmaller.y - 1);
            MouseButton(true);
        })
        .Then([&](HWND) { MouseMoveToScreen(0, 0); })
        .Then([&](HWND) {
            showsFrom(400 - kSmaller.x, 300 - kSmaller.y);
            MouseButton(false);
            ResizeClient(pane, kLarger);
        })
        .Then([&](HWND) {
            // The far corner, within the new limits at once.
            showsFrom(400 - kLarger.x, 300 - kLarger.y);
            MouseMoveTo(pane, 0, 0);
            MouseButton(true);
        })
        .Then([&](HWND) { MouseMoveToScreen(screenRight, screenBottom); })
        .Then([&](HWND) {
            showsFrom(0, 0);
            MouseButton(false);
            MouseMoveTo(pane, kLarger.x - 1, kLarger.y - 1);
            MouseButton(true);
        })
        .Then([&](HWND) { MouseMoveToScreen(0, 0); })
        .Then([&](HWND) {
            showsFrom(400 - kLarger.x, 300 - kLarger.y);
            MouseButton(false);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Open(dialog, 400, 300), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(PaneTest, APaneThatFitsLeavesThePointerAndTheButtonAlone)
{
    // Smaller than the pane, and exactly its size: neither can move.
    for (const PanePoint size : {PanePoint{100, 50}, kPane}) {
        SCOPED_TRACE(std::to_string(size.x) + " x " + std::to_string(size.y));
        TestDialog dialog;
        DialogDriver run;
        HWND pane = nullptr;
        std::size_t renders = 0;
        ClientPixels shown;
        const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
        run.Then([&](HWND) {
               pane = dialog.PaneControl();
               MouseMoveTo(pane, 40, 70);
           })
            .Then([&](HWND) {
                // The control's own pointer, as its window class sets it.
                EXPECT_EQ(GetCursor(), arrow);
                EXPECT_EQ(CursorAfterSetCursor(pane, ModuleCursor(IDC_HAND_OPEN)), arrow);
                renders = dialog.renders.size();
                shown = CaptureClient(pane);
                MouseButton(true);
            })
            .Then([&](HWND) {
                EXPECT_EQ(GetCapture(), nullptr);
                EXPECT_EQ(GetCursor(), arrow);
                MouseMoveTo(pane, 10, 20);
            })
            .Then([&](HWND) {
                EXPECT_EQ(GetCursor(), arrow);
                EXPECT_EQ(dialog.renders.size(), renders);
                EXPECT_EQ(dialog.pane.ScrollX(), 0);
                EXPECT_EQ(dialog.pane.ScrollY(), 0);
                EXPECT_EQ(CaptureClient(pane).pixels, shown.pixels);
                MouseButton(false);
                PressKey(VK_ESCAPE);
            });
        image = CodedImage(size.x, size.y);
        dialog.paneClient = kPane;
        EXPECT_EQ(RunTestDialog(run, dialog, image, size.x, size.y), IDCANCEL);
        EXPECT_TRUE(run.AllStepsRan());
    }
}

TEST_F(PaneTest, WithPaintingSuspendedNothingIsDrawn)
{
    TestDialog dialog;
    const std::uint8_t green[3] = {0, 200, 0};
    driver.Then([&](HWND) {
        HWND pane = dialog.PaneControl();
        const ClientPixels before = CaptureClient(pane);
        const std::size_t renders = dialog.renders.size();
        dialog.renderer = [&](PreviewPane& target, const PanePoint& offset, const PanePoint&, const PanePoint& size) {
            for (int y = 0; y < size.y; ++y)
                for (int x = 0; x < size.x; ++x)
                    target.PutPixel(offset.x + x, offset.y + y, green, 255);
            return true;
        };
        dialog.pane.suspendPainting = true;
        dialog.pane.Refresh();
        EXPECT_EQ(dialog.renders.size(), renders);
        EXPECT_EQ(CaptureClient(pane).pixels, before.pixels);

        dialog.pane.suspendPainting = false;
        dialog.pane.Refresh();
        EXPECT_EQ(dialog.renders.size(), renders + 1);
        EXPECT_EQ(CaptureClient(pane).At(30, 62), 0x00C800u);
        EXPECT_EQ(dialog.pane.ErrorCode(), 0);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Open(dialog, 100, 50), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

std::string debugOutput;

void WINAPI RecordDebugString(const char* text)
{
    debugOutput += text;
}

TEST_F(PaneTest, ADialogWithoutThePaneControlGetsCodeOneAndWorksOn)
{
    // Nothing in the dialog can show the code: the framework tells a debugger.
    ImportHook hook(GetModuleHandleA(nullptr), "kernel32.dll", "OutputDebugStringA",
                    reinterpret_cast<void*>(RecordDebugString));
    ASSERT_TRUE(hook.Installed());
    TestDialog dialog(IDD_UI_TEST_NO_PANE);
    driver
        .Then([&](HWND w) {
            EXPECT_EQ(dialog.pane.ErrorCode(), 1);
            EXPECT_EQ(dialog.pane.Control(), nullptr);
            for (int id : {IDC_PREVIEW_CHECK, IDOK, IDCANCEL})
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, id))) << id;
            ClickControl(w, IDC_PREVIEW_CHECK);
        })
        .Then([&](HWND w) {
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), BST_CHECKED);
            EXPECT_TRUE(dialog.renders.empty());
            ClickControl(w, IDOK);
        });
    image = CodedImage(10, 10);
    EXPECT_EQ(RunTestDialog(driver, dialog, image, 10, 10), IDOK);
    EXPECT_EQ(dialog.saveCalls, 1);
    EXPECT_TRUE(driver.AllStepsRan());
    EXPECT_NE(debugOutput.find("template 201 has no preview pane control 1005"), std::string::npos) << debugOutput;
}

TEST_F(PaneTest, ABufferThatCannotBeAllocatedGivesCodeThree)
{
    // 23000 x 23000 pixels take 2.1 GB: a size the allocation is asked for,
    // and more than the 2 GB a 32-bit process has. The control gets that size
    // before the pane attaches, or later, as a dialog laid out anew gives it.
    constexpr PanePoint kHuge{23000, 23000};
    for (const bool onResize : {false, true}) {
        SCOPED_TRACE(onResize ? "on a resize" : "at attach");
        TestDialog dialog;
        DialogDriver run;
        std::size_t renders = 0;
        if (onResize) {
            run.Then([&](HWND) {
                renders = dialog.renders.size();
                ResizeClient(dialog.PaneControl(), kHuge);
            });
        } else {
            dialog.paneClient = kHuge;
        }
        run.Then([&](HWND w) {
            HWND pane = dialog.PaneControl();
            RECT client;
            GetClientRect(pane, &client);
            ASSERT_EQ(client.right, kHuge.x) << "the control could not be made that large";
            EXPECT_EQ(dialog.pane.ErrorCode(), 3);
            EXPECT_EQ(dialog.pane.Pixels(), nullptr);
            EXPECT_FALSE(IsWindowEnabled(pane));
            // A refresh shows the text (at attach, the control kept its own
            // window procedure, so only a refresh does), on a plain
            // background: nothing of the picture of the old size remains.
            const RECT corner{0, 0, kPane.x, kPane.y};
            const ClientPixels before = CaptureClient(pane, corner);
            dialog.pane.Refresh();
            const ClientPixels after = CaptureClient(pane, corner);
            EXPECT_EQ(after.pixels, WithErrorText(before, "プレビューエラー！\nエラー番号 3", pane, client).pixels);
            if (!onResize) {  // a resize already painted it
                EXPECT_NE(after.pixels, before.pixels);
            }
            EXPECT_EQ(dialog.renders.size(), renders);
            ClickControl(w, IDC_PREVIEW_CHECK);
        });
        run.Then([&](HWND w) {
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_PREVIEW_CHECK), BST_CHECKED) << "the dialog stopped working";
            EXPECT_EQ(dialog.renders.size(), renders);
            PressKey(VK_ESCAPE);
        });
        image = CodedImage(100, 50);
        EXPECT_EQ(RunTestDialog(run, dialog, image, 100, 50), IDCANCEL);
        EXPECT_TRUE(run.AllStepsRan());
    }
}

TEST_F(PaneTest, APixelOutsideTheBufferGivesCodeSixAndLeavesTheBufferAlone)
{
    const PanePoint outside[] = {{kPane.x, 0}, {0, kPane.y}, {-1, 0}, {0, -1}, {-40, 500}};
    for (const PanePoint& at : outside) {
        SCOPED_TRACE("PutPixel(" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")");
        TestDialog dialog;
        DialogDriver run;
        run.Then([&](HWND) {
            const std::vector<std::uint32_t> before = Buffer(dialog.pane);
            const std::uint8_t red[3] = {0, 0, 255};
            dialog.pane.PutPixel(at.x, at.y, red, 255);
            EXPECT_EQ(dialog.pane.ErrorCode(), 6);
            EXPECT_FALSE(IsWindowEnabled(dialog.PaneControl()));
            EXPECT_EQ(Buffer(dialog.pane), before);
            PressKey(VK_ESCAPE);
        });
        image = CodedImage(100, 50);
        dialog.paneClient = kPane;
        EXPECT_EQ(RunTestDialog(run, dialog, image, 100, 50), IDCANCEL);
        EXPECT_TRUE(run.AllStepsRan());
    }
}

TEST_F(PaneTest, AnErrorWhileRenderingStopsThePaintAndEveryLaterPaintShowsTheText)
{
    TestDialog dialog;
    HWND pane = nullptr;
    ClientPixels afterFailure, withText;
    std::size_t renders = 0;
    driver
        .Then([&](HWND) {
            pane = dialog.PaneControl();
            const ClientPixels shown = CaptureClient(pane);
            // A renderer that fills its block with blue, then puts one pixel outside the buffer.
            dialog.renderer = [](PreviewPane& target, const PanePoint& offset, const PanePoint&,
                                 const PanePoint& size) {
                const std::uint8_t blue[3] = {255, 0, 0};
                for (int y = 0; y < size.y; ++y)
                    for (int x = 0; x < size.x; ++x)
                        target.PutPixel(offset.x + x, offset.y + y, blue, 255);
                target.PutPixel(kPane.x, 0, blue, 255);
                return true;
            };
            dialog.pane.Refresh();
            renders = dialog.renders.size();
            EXPECT_EQ(dialog.pane.ErrorCode(), 6);
            EXPECT_FALSE(IsWindowEnabled(pane));
            EXPECT_EQ(dialog.pane.Pixels()[62 * kPane.x + 30], 0x0000FFu) << "the good pixels were not stored";
            // Disabled, the control may draw its own frame; inside it nothing of the failed paint shows.
            afterFailure = CaptureClient(pane);
            EXPECT_EQ(Mismatches(afterFailure,
                                 [&](int x, int y) {
                                     const bool frame = x == 0 || y == 0 || x == kPane.x - 1 || y == kPane.y - 1;
                                     return frame ? afterFailure.At(x, y) : shown.At(x, y);
                                 }),
                      "")
                << "the failed paint reached the screen";
            // The next paint, here one that the window system asks for.
            InvalidateRect(pane, nullptr, FALSE);
        })
        .Then([&](HWND) {
            const ClientPixels now = CaptureClient(pane);
            withText = WithErrorText(afterFailure, kErrorSix, pane);
            EXPECT_NE(now.pixels, afterFailure.pixels) << "no text";
            EXPECT_EQ(now.pixels, withText.pixels) << "not the text of code 6";
            EXPECT_NE(now.pixels, WithErrorText(afterFailure, kErrorFive, pane).pixels);
            // In the dialog's font, which the dialog takes anew at each scaling.
            EXPECT_NE(now.pixels, WithErrorText(afterFailure, kErrorSix, nullptr).pixels) << "the system font";
            EXPECT_EQ(dialog.renders.size(), renders) << "rendered despite the error";

            // Suspended painting still shows the error.
            dialog.pane.suspendPainting = true;
            dialog.pane.Refresh();
            EXPECT_EQ(CaptureClient(pane).pixels, withText.pixels);
            dialog.pane.suspendPainting = false;
            EXPECT_EQ(dialog.pane.ErrorCode(), 6);
            PressKey(VK_ESCAPE);
        });
    EXPECT_EQ(Open(dialog, 100, 50), IDCANCEL);
    EXPECT_EQ(dialog.pane.ErrorCode(), 6);
    EXPECT_TRUE(driver.AllStepsRan());
}

TEST_F(PaneTest, CodesAreReplacedButNeverClearedAndTheTextSurvivesALostControl)
{
    TestDialog dialog;
    driver.Then([&](HWND) {
        const std::uint8_t black[3] = {0, 0, 0};
        dialog.pane.PutPixel(-1, -1, black, 255);
        ASSERT_EQ(dialog.pane.ErrorCode(), 6);
        dialog.pane.PutPixel(1, 1, black, 255);  // a good pixel does not clear it
        dialog.pane.Refresh();
        EXPECT_EQ(dialog.pane.ErrorCode(), 6);

        // Once the control is gone there is no device context for it (code
        // 5), and its client rectangle can no longer be read: the text then
        // uses the size the pane had.
        DestroyWindow(dialog.PaneControl());
        dialog.pane.Refresh();
        EXPECT_EQ(dialog.pane.ErrorCode(), 5);

        ClientPixels blank;
        blank.width = 300;
        blank.height = 250;
        blank.pixels.assign(300 * 250, 0x808080u);
        const ClientPixels drawn = DrawnOver(blank, [&](HDC dc) { dialog.pane.DrawErrorText(dc); });
        // Without its control there is no font of its own: the device context's.
        EXPECT_EQ(drawn.pixels, WithErrorText(blank, kErrorFive, nullptr, RECT{0, 0, kPane.x, kPane.y}).pixels);
        EXPECT_NE(drawn.pixels, blank.pixels);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Open(dialog, 100, 50), IDCANCEL);
    EXPECT_TRUE(driver.AllStepsRan());
}

}  // namespace
