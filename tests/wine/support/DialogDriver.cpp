#include "support/DialogDriver.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <imm.h>
#include <string>

#include "support/Platform.h"

namespace {

constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT_PTR kGuardTimer = 2;  // wakes the loop: input waiting for the foreground goes again
constexpr char kOwnerClass[] = "HxDialogDriverOwner";
// An unassigned virtual key: no keyboard sends it and no control acts on it.
constexpr WORD kMarkerKey = 0xE8;

// Brought back when another program takes the foreground: the step's dialog,
// or the driver's owner once it has gone.
HWND inputFor = nullptr;
HWND inputOwner = nullptr;
DWORD patienceMs = 5000;
bool inputRefused = false;  // nothing more goes out until the driver has ended the dialog
// Where the last move aimed, and whether beyond the primary monitor's edge.
POINT pointer{};
bool pointerKnown = false;
bool aimOutside = false;
std::vector<INPUT> held;  // the releases of what the driver pressed and the system let through

// A step's input, kept until the step has returned.
struct Pending {
    INPUT input;
    POINT aim;
};
std::deque<Pending> pending;
bool recording = false;
Pending keyAwaited{};  // a key sent and not yet taken by the thread
bool awaitingKey = false;
DWORD keySentAt = 0;
DWORD refusedSince = 0;  // when the hooks first dropped the event that waits first

// A click that another program's taking the foreground cut between press and
// release (the control lost the mouse) goes again once the step's input is in.
HWND pressedWindow = nullptr;  // took the step's last press, at `takenAt`
POINT takenAt{};
bool clickDone = false;  // its release came while it still held the mouse
POINT sentPressAt{};
bool buttonHeld = false;  // a drag across steps
bool onlyClicks = true;   // the step's presses were all released where they were pressed
bool clickBroken = false;

LRESULT CALLBACK PressHook(int code, WPARAM message, LPARAM info)
{
    const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(info);
    if (code == HC_ACTION && (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)) {
        pressedWindow = mouse->hwnd;
        takenAt = mouse->pt;
        clickDone = false;
    } else if (code == HC_ACTION && message == WM_LBUTTONUP && pressedWindow) {
        clickDone = GetCapture() == pressedWindow;
    }
    return CallNextHookEx(nullptr, code, message, info);
}

bool OfThisProcess(HWND window)
{
    DWORD process = 0;
    return window && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

std::string Describe(HWND window)
{
    if (!window)
        return "no window";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {}, title[80] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    return "another program (pid " + std::to_string(process) + ", class " + className + ", title \"" + title + "\")";
}

// A locked screen or a UAC prompt is another input desktop than this program's.
std::string OtherDesktopNote()
{
    char mine[64] = "", current[64] = "";
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, mine, sizeof mine, nullptr);
    if (HDESK input = OpenInputDesktop(0, FALSE, 0)) {
        GetUserObjectInformationA(input, UOI_NAME, current, sizeof current, nullptr);
        CloseDesktop(input);
    }
    if (std::string(mine) == current)
        return "";
    return "; input goes to another desktop than this program's (\"" + std::string(current) +
           "\"): a locked screen or a UAC prompt";
}

// Windows gives a program above this one's level (as administrator) none of
// its input, without a word (UIPI). A token it may not read is such a one's.
bool ElevatedAboveThis(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), token = nullptr;
    const bool above =
        process && !OpenProcessToken(process, TOKEN_QUERY, &token) && GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(token);
    CloseHandle(process);
    return above;
}

// How long the system waits for a low-level hook (LowLevelHooksTimeout: about
// 300 ms unset, at most 1 s since Windows 10 1709; Wine's is 2 s).
DWORD HookLimitMs()
{
    static const DWORD limit = [] {
        DWORD ms = 300, size = sizeof ms;
        if (RunningUnderWine())
            return DWORD{2000};
        const LONG read = RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LowLevelHooksTimeout",
                                       RRF_RT_REG_DWORD, nullptr, &ms, &size);
        return std::clamp<DWORD>(read == ERROR_SUCCESS ? ms : 300, 50, 1000);
    }();
    return limit;
}

// The kit's mark on every event the driver injects (dwExtraInfo): "HX", then the event's number.
constexpr ULONG_PTR kKitTag = 0x48580000;
enum Verdict : LONG { kPassed, kElsewhere, kMoved, kRefused, kNotJudged };
// Between the driver and its hooks: the event to judge, where a press of it
// must be, and their word on it (the event's number, then the verdict).
std::atomic<ULONG_PTR> judged{0};
POINT pressAim{};
std::atomic<ULONG_PTR> word{0};
std::atomic<HWND> verdictTarget{nullptr};
HANDLE wordEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
HANDLE hookThread = nullptr;
DWORD hookThreadId = 0;
bool rehooked = false;

// As the system routes each of the driver's events (the rest of the chain
// would widen the gap): a press bound for another program's window is dropped.
// A word the system may no longer wait for says passed, as the system has it.
LRESULT Judge(int code, WPARAM message, LPARAM info, ULONG_PTR extra, DWORD time, POINT at)
{
    if (code != HC_ACTION || !extra || extra != judged.load())
        return CallNextHookEx(nullptr, code, message, info);
    HWND target = nullptr;
    LONG said = kPassed;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        target = GetForegroundWindow();
        said = OfThisProcess(target) ? kPassed : kElsewhere;
    } else if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        // The foreground thread's capture takes the mouse, else the window under it.
        GUITHREADINFO front{};
        front.cbSize = sizeof front;
        GetGUIThreadInfo(0, &front);
        target = front.hwndCapture ? front.hwndCapture : OfThisProcess(front.hwndActive) ? WindowFromPoint(at)
                                                                                          : front.hwndActive;
        said = at.x != pressAim.x || at.y != pressAim.y ? kMoved : OfThisProcess(target) ? kPassed : kElsewhere;
    }
    if (GetTickCount() - time >= HookLimitMs() / 2)
        said = kPassed;
    verdictTarget = target;
    word = (extra << 16) | static_cast<ULONG_PTR>(said);
    SetEvent(wordEvent);
    return said != kPassed;
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM info)
{
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(info);
    return Judge(code, message, info, key->dwExtraInfo, key->time, POINT{});
}

LRESULT CALLBACK MouseHook(int code, WPARAM message, LPARAM info)
{
    const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(info);
    return Judge(code, message, info, mouse->dwExtraInfo, mouse->time, mouse->pt);
}

DWORD WINAPI HookThread(void* ready)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    HHOOK keys = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, self, 0);
    HHOOK mice = SetWindowsHookExA(WH_MOUSE_LL, MouseHook, self, 0);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue that WM_QUIT ends
    if (keys && mice)
        SetEvent(ready);
    while (keys && mice && GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    UnhookWindowsHookEx(keys);
    UnhookWindowsHookEx(mice);
    return 0;
}

void RemoveHooks()
{
    if (hookThread && PostThreadMessageA(hookThreadId, WM_QUIT, 0, 0))
        WaitForSingleObject(hookThread, 10000);
    CloseHandle(hookThread);
    hookThread = nullptr;
}

// Only while a dialog is driven, on a thread of their own above the tests'
// priority: the system waits for them only so long.
void SetHooks()
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hookThread = CreateThread(nullptr, 0, HookThread, ready, 0, &hookThreadId);
    SetThreadPriority(hookThread, THREAD_PRIORITY_HIGHEST);
    HANDLE waits[] = {ready, hookThread};
    if (!hookThread || WaitForMultipleObjects(2, waits, FALSE, 10000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the driver's low-level input hooks cannot be set (error " << GetLastError() << ")";
        RemoveHooks();
    }
    CloseHandle(ready);
}

ULONG_PTR& Tag(INPUT& input)
{
    return input.type == INPUT_KEYBOARD ? input.ki.dwExtraInfo : input.mi.dwExtraInfo;
}

bool SendUnjudged(INPUT input)
{
    Tag(input) = kKitTag;
    return SendInput(1, &input, sizeof input) == 1;
}

void ReleaseHeld()
{
    for (auto r = held.rbegin(); r != held.rend(); ++r)
        SendUnjudged(*r);
    held.clear();
}

bool IsRelease(const INPUT& input)
{
    return input.type == INPUT_KEYBOARD ? (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0
                                        : (input.mi.dwFlags & (MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP)) != 0;
}

INPUT ReleaseOf(INPUT press)
{
    // Each button's UP flag is its DOWN flag's next bit.
    (press.type == INPUT_KEYBOARD ? press.ki.dwFlags |= KEYEVENTF_KEYUP : press.mi.dwFlags <<= 1);
    return press;
}

INPUT Key(WORD virtualKey)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    return input;
}

// No word within the system's limit: the system sent the event on, and may
// have removed the hooks (set again once), unless a higher level is in front.
LONG Inject(INPUT input)
{
    // Numbered apart in each process: a child test drives dialogs of its own.
    static unsigned serial = GetCurrentProcessId() * 7919u;
    const ULONG_PTR tag = kKitTag | (++serial % 0xFFFFu + 1);
    Tag(input) = tag;
    pressAim = pointer;
    ResetEvent(wordEvent);
    judged = hookThread ? tag : 0;
    const DWORD sent = GetTickCount();
    const bool queued = SendInput(1, &input, sizeof input) == 1;
    for (DWORD waited = 0; queued && judged && word >> 16 != (tag & 0xFFFF) && waited < HookLimitMs();
         waited = GetTickCount() - sent)
        WaitForSingleObject(wordEvent, HookLimitMs() - waited);
    judged = 0;
    const ULONG_PTR said = word;
    HWND front = GetForegroundWindow();
    if (said >> 16 == (tag & 0xFFFF))
        return static_cast<LONG>(said & 0xFFFF);
    if (!queued || (hookThread && ElevatedAboveThis(front))) {
        ADD_FAILURE() << "SendInput " << (queued ? "sent an event that no hook saw" : "refused an event") << " (error "
                      << GetLastError() << ")"
                      << (ElevatedAboveThis(front) ? "; " + Describe(front) + " runs as administrator in front" : "")
                      << OtherDesktopNote();
        return kRefused;
    }
    if (hookThread && !rehooked) {
        rehooked = true;
        RemoveHooks();
        SetHooks();
    }
    return kPassed;
}

INPUT MoveTo(POINT p)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Aimed at the middle of the pixel: right however the system scales and rounds.
    input.mi.dx = static_cast<LONG>((2LL * p.x + 1) * 65536 / (2LL * GetSystemMetrics(SM_CXSCREEN)));
    input.mi.dy = static_cast<LONG>((2LL * p.y + 1) * 65536 / (2LL * GetSystemMetrics(SM_CYSCREEN)));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// One event, the dialog brought back first; the hooks' word on it. A release
// goes at once, and only where its press went.
LONG SendOne(INPUT input)
{
    if (IsRelease(input)) {
        const auto press = std::find_if(held.begin(), held.end(), [&](const INPUT& r) {
            return r.type == input.type && (r.type == INPUT_KEYBOARD ? r.ki.wVk == input.ki.wVk : r.mi.dwFlags == input.mi.dwFlags);
        });
        if (press == held.end())
            return kNotJudged;
        SendUnjudged(*press);
        held.erase(press);
        return kPassed;
    }
    HWND back = IsWindow(inputFor) && IsWindowVisible(inputFor) ? inputFor : inputOwner;
    if (!OfThisProcess(GetForegroundWindow()) && IsWindow(back)) {
        BringForward(back);
        BringWindowToTop(back);
    }
    // Wine moves the X pointer only for a move in place as SendInput
    // returns, never one a hook held, and X moves Wine's along.
    if (RunningUnderWine() && input.type == INPUT_MOUSE && (input.mi.dwFlags & MOUSEEVENTF_MOVE))
        SetCursorPos(pointer.x, pointer.y);
    const LONG said = Inject(input);
    if (said == kPassed && (input.type == INPUT_KEYBOARD || (input.mi.dwFlags & MOUSEEVENTF_MOVE) == 0))
        held.push_back(ReleaseOf(input));
    if (said == kMoved)  // a nudged mouse, or the system's snap to a default button
        Inject(MoveTo(pointer));
    return said;
}

// Within a step, the event waits for the step's end; else it goes now.
void Send(const INPUT& input)
{
    if (recording)
        pending.push_back({input, pointer});
    else
        SendOne(input);
}

// As the thread takes a key: the key awaited is in, and the marker wakes the
// loop instead of going on. Wine hands a key taken while no window has the
// focus to the active window, not its field: it is held back, to go again.
LRESULT CALLBACK KeyHook(int code, WPARAM key, LPARAM flags)
{
    const bool release = (flags & 0x80000000) != 0;
    if (code == HC_ACTION && awaitingKey && key == keyAwaited.input.ki.wVk && release == IsRelease(keyAwaited.input)) {
        if (RunningUnderWine() && !GetFocus())
            return 1;
        awaitingKey = false;
    }
    if (code >= 0 && key == kMarkerKey) {
        PostMessageA(inputOwner, WM_NULL, 0, 0);
        return 1;
    }
    return CallNextHookEx(nullptr, code, key, flags);
}

// A key only once the thread has taken the one before, so that it waits in
// the queue as briefly as may be; the marker after the last event on Windows,
// which delivers input a moment later. A dropped event goes again at the next
// wake, once the dialog is back or the pointer aimed again.
void Feed()
{
    while (!pending.empty() && !awaitingKey && !inputRefused) {
        const Pending event = pending.front();
        pointer = event.aim;
        const LONG said = SendOne(event.input);
        const bool dropped = said == kElsewhere || said == kMoved;
        refusedSince = dropped && !refusedSince ? GetTickCount() : refusedSince;
        if (dropped && GetTickCount() - refusedSince < patienceMs)
            return;
        refusedSince = 0;
        if (said == kMoved)
            ADD_FAILURE() << "the pointer would not stay at (" << pointer.x << ", " << pointer.y << ") for "
                          << patienceMs / 1000.0 << " s: the test's click was not sent" << OtherDesktopNote();
        else if (said == kElsewhere)
            ADD_FAILURE() << Describe(verdictTarget)
                          << (event.input.type == INPUT_KEYBOARD ? " kept the foreground" : " lay under the pointer")
                          << " for " << patienceMs / 1000.0 << " s: the test's input was not sent"
                          << OtherDesktopNote();
        inputRefused = dropped || said == kRefused;
        if (inputRefused)
            ReleaseHeld();
        pending.pop_front();
        if (said == kPassed && event.input.type == INPUT_KEYBOARD) {
            keyAwaited = event;
            awaitingKey = true;
            keySentAt = GetTickCount();
        }
        const bool marker = event.input.type == INPUT_KEYBOARD && event.input.ki.wVk == kMarkerKey;
        if (pending.empty() && !marker && !RunningUnderWine()) {
            pending.push_back({Key(kMarkerKey), pointer});
            pending.push_back({ReleaseOf(Key(kMarkerKey)), pointer});
        }
    }
}

}  // namespace

DialogDriver::DialogDriver(UINT timeout, DWORD patience) : timeoutMs(timeout), foregroundPatienceMs(patience)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kOwnerClass;
    RegisterClassA(&wc);  // fails harmlessly from the second driver on
    owner = CreateWindowExA(0, kOwnerClass, "driver", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // On screen, as a host's: Windows activates it as a dialog of it closes.
    ShowWindow(owner, SW_SHOW);
    // Once: this thread's keys and clicks as it takes them, and nothing left down at exit.
    static const bool hooked = SetWindowsHookExA(WH_KEYBOARD, KeyHook, nullptr, GetCurrentThreadId()) &&
                               SetWindowsHookExA(WH_MOUSE, PressHook, nullptr, GetCurrentThreadId()) &&
                               std::atexit(ReleaseHeld) == 0;
    (void)hooked;
}

INT_PTR DialogDriver::Run(const std::function<INT_PTR(HWND)>& open)
{
    next = 0;
    settled = false;
    dialog = pressedWindow = nullptr;
    ended = 0;
    frontLostAt = 0;
    inputFor = inputOwner = owner;
    inputRefused = clickBroken = awaitingKey = rehooked = false;
    refusedSince = 0;
    pending.clear();
    patienceMs = foregroundPatienceMs;
    SetHooks();
    SetTimer(owner, kWatchdogTimer, timeoutMs, nullptr);
    SetTimer(owner, kGuardTimer, 100, nullptr);
    const INT_PTR result = open(owner);
    KillTimer(owner, kWatchdogTimer);
    KillTimer(owner, kGuardTimer);
    inputFor = owner;
    // What the step that ended the dialog left (a key's release) goes now.
    for (const DWORD start = GetTickCount(); !pending.empty() || awaitingKey;) {
        if (GetTickCount() - start >= patienceMs) {
            ADD_FAILURE() << "input sent to the dialog did not come back through this thread's queue"
                          << OtherDesktopNote();
            break;
        }
        awaitingKey = awaitingKey && !RunningUnderWine();
        Feed();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, awaitingKey || refusedSince ? 100 : 0, QS_ALLINPUT);
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&message);
    }
    awaitingKey = false;
    pending.clear();
    ReleaseHeld();  // whatever ended the dialog, nothing the test pressed stays down
    RemoveHooks();
    // The loops hand WM_QUIT on to the one outside; it stops here.
    for (MSG quit; ended && PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);) {
    }
    return ended ? ended : result;
}

LRESULT CALLBACK DialogDriver::OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* driver = reinterpret_cast<DialogDriver*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (driver && message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX)
        driver->OnIdle(reinterpret_cast<HWND>(lParam));
    else if (driver && message == WM_TIMER && wParam == kWatchdogTimer)
        driver->End(kTimedOut);
    else if (message != WM_TIMER)
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

void DialogDriver::OnIdle(HWND idleDialog)
{
    if (inStep || ended)
        return;
    dialog = idleDialog;
    if (awaitingKey) {
        // Under Wine, with the queue empty, it was dropped: it goes again.
        const bool dropped = RunningUnderWine() && !AwayFromFront(idleDialog) && GetFocus();
        if (!dropped && !ended && GetTickCount() - keySentAt >= foregroundPatienceMs) {
            ADD_FAILURE() << "the key 0x" << std::hex << keyAwaited.input.ki.wVk << std::dec << " went out "
                          << foregroundPatienceMs / 1000.0
                          << " s ago and never reached the dialog's thread (an input method, or a program that"
                             " shares its input, took it)"
                          << OtherDesktopNote();
            End(kNoForeground);
        }
        if (!dropped)
            return;
        awaitingKey = false;
        pending.push_front(keyAwaited);
    }
    if (pending.empty()) {
        // A cut click goes again only where the control acts on the release:
        // a slider or an up-down would step twice.
        char className[16] = "";
        clickBroken = clickBroken || (pressedWindow && !clickDone && onlyClicks && !buttonHeld &&
                                      GetClassNameA(pressedWindow, className, sizeof className) &&
                                      lstrcmpiA(className, "Button") == 0);
        pressedWindow = nullptr;
        // A new dialog is shown at the first idle moment: it paints before the first step.
        if (!settled) {
            BringForward(idleDialog);
            // Keys typed by a test are keys, not the input method's composition.
            if (HIMC context = ImmGetContext(idleDialog)) {
                ImmSetOpenStatus(context, FALSE);
                ImmReleaseContext(idleDialog, context);
            }
            settled = true;
        } else if (next == steps.size() && !clickBroken) {
            ADD_FAILURE() << "the dialog is still open after the last step";
            EndDialog(idleDialog, kLeftOpen);
            return;
        } else if (AwayFromFront(idleDialog)) {
            return;
        } else {
            inputFor = idleDialog;
            onlyClicks = true;
            inStep = recording = true;
            if (clickBroken) {
                clickBroken = false;
                MouseMoveToScreen(takenAt.x, takenAt.y);
                MouseButton(true);
                MouseButton(false);
            } else {
                steps[next++](idleDialog);
            }
            inStep = recording = false;
        }
    }
    Feed();
    if (inputRefused)
        End(kNoForeground);
    // The loop idles again once everything the step caused is handled (input
    // the hooks dropped waits for the guard's timer).
    if (!ended && !refusedSince)
        PostMessageA(owner, WM_NULL, 0, 0);
}

bool DialogDriver::AwayFromFront(HWND idleDialog)
{
    // The dialog, or a box or menu it owns, on the desktop that gets the input.
    HWND front = GetForegroundWindow();
    const std::string otherDesktop = OtherDesktopNote();
    for (HWND w = otherDesktop.empty() ? front : nullptr; w; w = GetWindow(w, GW_OWNER)) {
        if (w == idleDialog) {
            frontLostAt = 0;
            return false;
        }
    }
    const DWORD now = GetTickCount();
    if (!frontLostAt) {
        frontLostAt = now;
    } else if (now - frontLostAt >= foregroundPatienceMs) {
        ADD_FAILURE() << Describe(front) << " kept the foreground for " << foregroundPatienceMs / 1000.0
                      << " s (" << next << " of " << steps.size() << " steps ran)" << otherDesktop;
        End(kNoForeground);
        return true;
    }
    // Back in front, it repaints before the step; else the guard's timer tries again.
    if (BringForward(idleDialog))
        PostMessageA(owner, WM_NULL, 0, 0);
    return true;
}

void DialogDriver::End(INT_PTR code)
{
    if (code == kTimedOut)
        ADD_FAILURE() << "the dialog did not end within " << timeoutMs << " ms (" << next << " of " << steps.size()
                      << " steps ran)" << OtherDesktopNote();
    KillTimer(owner, kWatchdogTimer);
    KillTimer(owner, kGuardTimer);
    awaitingKey = false;
    pending.clear();
    ReleaseHeld();
    if (dialog && IsWindow(dialog))
        EndDialog(dialog, code);
    // WM_QUIT ends a box's or menu's modal loop too, which EndDialog cannot reach.
    PostQuitMessage(0);
    ended = code;
}

void MouseMoveToScreen(int x, int y)
{
    // The pointer stops at the monitor's edge; a press there is not one at (x, y).
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    aimOutside = x < 0 || y < 0 || x >= width || y >= height;
    pointer = POINT{std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)};
    pointerKnown = true;
    Send(MoveTo(pointer));
}

void MouseMoveTo(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    MouseMoveToScreen(p.x, p.y);
}

void MouseButton(bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    // SendInput names the physical buttons: swapped, the primary one is the right.
    input.mi.dwFlags = (GetSystemMetrics(SM_SWAPBUTTON) ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN) << !down;
    if (!pointerKnown)
        GetCursorPos(&pointer);
    if (down && aimOutside) {
        ADD_FAILURE() << "a click aimed outside the primary monitor (at its edge now, " << pointer.x << ", "
                      << pointer.y << ") was not sent";
        return;
    }
    Send(input);
    buttonHeld = down;
    onlyClicks = onlyClicks && (down || (pointer.x == sentPressAt.x && pointer.y == sentPressAt.y));
    sentPressAt = down ? pointer : sentPressAt;
}

void ClickAt(HWND window, int x, int y)
{
    MouseMoveTo(window, x, y);
    MouseButton(true);
    MouseButton(false);
}

void ClickControl(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    RECT r{};
    if (!control || !GetClientRect(control, &r))
        ADD_FAILURE() << "the dialog has no control " << id;
    else
        ClickAt(control, r.right / 2, r.bottom / 2);
}

void KeyDown(WORD virtualKey)
{
    Send(Key(virtualKey));
}

void KeyUp(WORD virtualKey)
{
    Send(ReleaseOf(Key(virtualKey)));
}

void PressKey(WORD virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void TypeText(const std::string& text)
{
    for (char c : text) {
        const SHORT scan = VkKeyScanA(c);
        if (scan == -1) {
            ADD_FAILURE() << "no key types '" << c << "'";
            continue;
        }
        const bool shift = (scan & 0x100) != 0;
        if (shift)
            KeyDown(VK_SHIFT);
        PressKey(static_cast<WORD>(scan & 0xFF));
        if (shift)
            KeyUp(VK_SHIFT);
    }
}

ClientPixels CaptureClient(HWND window, const RECT& part)
{
    RECT client, area;
    if (!GetClientRect(window, &client) || !IntersectRect(&area, &client, &part))
        return {};
    ClientPixels blank{area.right - area.left, area.bottom - area.top, {}};
    blank.pixels.resize(static_cast<std::size_t>(blank.width) * blank.height);
    return DrawnOver(blank, [&](HDC memory) {
        HDC screen = GetDC(window);
        BitBlt(memory, 0, 0, blank.width, blank.height, screen, area.left, area.top, SRCCOPY);
        ReleaseDC(window, screen);
    });
}

std::uint32_t PixelOfColorRef(COLORREF color)
{
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

ClientPixels DrawnOver(const ClientPixels& under, const std::function<void(HDC)>& draw)
{
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), under.width, -under.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::copy(under.pixels.begin(), under.pixels.end(), pixels);
    draw(memory);
    GdiFlush();
    ClientPixels result = under;
    std::transform(pixels, pixels + under.pixels.size(), result.pixels.begin(),
                   [](std::uint32_t p) { return p & 0xFFFFFFu; });
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return result;
}

ClientPixels WithErrorText(const ClientPixels& under, const char* text, HWND control, RECT area)
{
    // The control's font, or its dialog's where it keeps none.
    auto font = reinterpret_cast<HGDIOBJ>(control ? SendMessageA(control, WM_GETFONT, 0, 0) : 0);
    if (!font && control && GetParent(control))
        font = reinterpret_cast<HGDIOBJ>(SendMessageA(GetParent(control), WM_GETFONT, 0, 0));
    return DrawnOver(under, [&](HDC dc) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        if (font)
            SelectObject(dc, font);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text, -1, &area, 0);
    });
}
