#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Drives a modal dialog from inside its own modal loop. The driver owns the
// dialog's owner window; the dialog manager sends that window WM_ENTERIDLE
// each time the loop has emptied its queue, and each such moment runs the
// next step. Input a step sends (SendInput) is handled, and everything it
// caused is painted, before the next step runs, so steps never wait by time:
// Windows delivers sent input later, so after a step that sent some the
// driver sends a marker key of its own and waits for it to come through the
// queue behind the rest. Keys reach only the foreground window, so the
// driver brings the dialog forward first, and closes the input method there
// (a Japanese Windows often has it on) so that typed keys arrive as keys.
//
//   DialogDriver driver;
//   driver.Then([&](HWND dialog) { ClickControl(dialog, IDOK); });
//   EXPECT_EQ(driver.Run([&](HWND owner) { return dialog.RunModal(owner, ...); }), IDOK);
//   EXPECT_TRUE(driver.AllStepsRan());
//
// The first step runs once the freshly shown dialog has painted. A step that
// ends the dialog must be the last; when the steps run out while the dialog
// is still open, the driver reports a failure and ends it with kLeftOpen.
class DialogDriver {
public:
    using Step = std::function<void(HWND dialog)>;

    static constexpr INT_PTR kLeftOpen = -1000;
    static constexpr INT_PTR kTimedOut = -1001;

    // `timeoutMs`: a watchdog that reports a failure and ends the dialog (and any
    // message box or menu it has open) when it has not ended by then; Run then
    // returns kTimedOut.
    explicit DialogDriver(UINT timeoutMs = 60000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    HWND Owner() const { return owner; }
    DialogDriver& Then(Step step);

    // `open` must run a modal dialog owned by Owner() and return its end code.
    INT_PTR Run(const std::function<INT_PTR(HWND owner)>& open);

    bool AllStepsRan() const { return next == steps.size(); }
    std::size_t StepsRun() const { return next; }
    // The dialog window of the last run (it no longer exists after Run).
    HWND Dialog() const { return dialog; }

private:
    static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnIdle(HWND idleDialog);
    void OnTimeout();

    HWND owner = nullptr;
    HWND dialog = nullptr;
    UINT timeoutMs;
    std::vector<Step> steps;
    std::size_t next = 0;
    bool settled = false;
    bool inStep = false;
    bool timedOut = false;
};

// Brings a window of this thread to the foreground as far as Windows allows a
// process that is not in front; true when it is there.
bool BringForward(HWND window);

// Real input through SendInput. Positions are client coordinates of `window`.
void MouseMoveTo(HWND window, int x, int y);
void MouseMoveToScreen(int x, int y);
void MouseButton(bool down);  // left button, at the pointer
void ClickAt(HWND window, int x, int y);
// A click in the middle of the dialog's control `id`.
void ClickControl(HWND dialog, int id);
void KeyDown(WORD virtualKey);
void KeyUp(WORD virtualKey);
void PressKey(WORD virtualKey);
// Types ASCII text key by key, with Shift where the layout needs it.
void TypeText(const std::string& text);
// Screen position of a client position of `window`.
POINT ScreenPoint(HWND window, int x, int y);

// Pixels of a window's client area as they are on the screen, read back through
// the window's own device context; each 0x00RRGGBB, row after row.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
ClientPixels CaptureClient(HWND window);
// Only `part` of the client area (clipped to it).
ClientPixels CaptureClient(HWND window, const RECT& part);
// A COLORREF (0x00BBGGRR) as a captured pixel (0x00RRGGBB).
std::uint32_t PixelOfColorRef(COLORREF color);

// `under` as a bitmap of its own after `draw` has drawn on it.
ClientPixels DrawnOver(const ClientPixels& under, const std::function<void(HDC)>& draw);
// `under` with `area` cleared to the window colour and `text` drawn there in
// the window text colour and `control`'s font, or its dialog's (the default
// without a control).
ClientPixels WithErrorText(const ClientPixels& under, const char* text, HWND control, RECT area);
