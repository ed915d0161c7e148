#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Drives a modal dialog from inside its own modal loop (docs/reliability.md
// tells the whole of it): each time the loop has emptied its queue, the next
// step runs once the dialog is in front and painted, and its input goes out
// after it, event by event, judged by low-level hooks of the driver's own and
// followed on the dialog's thread until it came. Another program that keeps
// the front for the patience (5 s), or runs as administrator, or a key that
// never reaches the dialog's thread, fails the test by name at once (Run
// returns kNoForeground). What the driver pressed always comes up. Each
// program's log says which input rules it follows (HX_DRIVER_RULES=windows:
// Windows' under Wine too). A step that ends the dialog must be the last; when
// the steps run out with the dialog open, the test fails and it ends with kLeftOpen.
//
//   DialogDriver driver;
//   driver.Then([&](HWND dialog) { ClickControl(dialog, IDOK); });
//   EXPECT_EQ(driver.Run([&](HWND owner) { return dialog.RunModal(owner, ...); }), IDOK);
//   EXPECT_TRUE(driver.AllStepsRan());
class DialogDriver {
public:
    using Step = std::function<void(HWND dialog)>;

    static constexpr INT_PTR kLeftOpen = -1000;
    static constexpr INT_PTR kTimedOut = -1001;
    static constexpr INT_PTR kNoForeground = -1002;

    // `timeoutMs`: a watchdog that reports a failure and ends the dialog (and any
    // message box or menu it has open) when it has not ended by then; Run then
    // returns kTimedOut. `patienceMs`: how long another program may keep the
    // foreground (or a button's target) from the dialog.
    explicit DialogDriver(UINT timeoutMs = 60000, DWORD patienceMs = 5000);
    ~DialogDriver() { DestroyWindow(owner); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    HWND Owner() const { return owner; }
    DialogDriver& Then(Step step)
    {
        steps.push_back(std::move(step));
        return *this;
    }

    // `open` must run a modal dialog owned by Owner() and return its end code.
    INT_PTR Run(const std::function<INT_PTR(HWND owner)>& open);

    bool AllStepsRan() const { return next == steps.size(); }
    std::size_t StepsRun() const { return next; }
    // The dialog window of the last run (it no longer exists after Run).
    HWND Dialog() const { return dialog; }

private:
    static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnIdle(HWND idleDialog);
    // True while the step must wait: another program is in front.
    bool AwayFromFront(HWND idleDialog);
    // Ends the dialog, and any box or menu it has open; Run returns `code`
    // (kTimedOut: the watchdog's, which fails the test).
    void End(INT_PTR code);

    HWND owner = nullptr;
    HWND dialog = nullptr;
    UINT timeoutMs;
    DWORD foregroundPatienceMs;
    std::vector<Step> steps;
    std::size_t next = 0;
    bool settled = false;
    bool inStep = false;
    INT_PTR ended = 0;
    DWORD frontLostAt = 0;  // when a step first found another program in front
};

// Real input through SendInput (see above). Positions are client coordinates of `window`.
void MouseMoveTo(HWND window, int x, int y);
void MouseMoveToScreen(int x, int y);
void MouseButton(bool down);  // the primary button (left unless swapped), at the pointer
void ClickAt(HWND window, int x, int y);
// A click in the middle of the dialog's control `id`.
void ClickControl(HWND dialog, int id);
void KeyDown(WORD virtualKey);
void KeyUp(WORD virtualKey);
void PressKey(WORD virtualKey);
// Types ASCII text key by key, with Shift where the layout needs it.
void TypeText(const std::string& text);

// Pixels of a window's client area as they are on the screen, read back through
// the window's own device context; each 0x00RRGGBB, row after row.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// Only `part` of the client area (clipped to it), or all of it.
ClientPixels CaptureClient(HWND window, const RECT& part = {0, 0, 0x7FFF, 0x7FFF});
// A COLORREF (0x00BBGGRR) as a captured pixel (0x00RRGGBB).
std::uint32_t PixelOfColorRef(COLORREF color);

// `under` as a bitmap of its own after `draw` has drawn on it.
ClientPixels DrawnOver(const ClientPixels& under, const std::function<void(HDC)>& draw);
// `under` with `area` cleared to the window colour and `text` drawn there in
// the window text colour and `control`'s font, or its dialog's (the default
// without a control).
ClientPixels WithErrorText(const ClientPixels& under, const char* text, HWND control, RECT area);
