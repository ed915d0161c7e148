#include "support/DialogDriver.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
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

// Wine delivers SendInput's events before the call returns: under its rules no
// marker follows them. HX_DRIVER_RULES=windows runs Windows' path there too.
bool WineRules()
{
    const char* asked = std::getenv("HX_DRIVER_RULES");
    return RunningUnderWine() && !(asked && std::string(asked) == "windows");
}

// Brought back when another program takes the front: the dialog, else the owner.
HWND inputFor = nullptr;
HWND inputOwner = nullptr;
DWORD patienceMs = 5000;
bool inputRefused = false;  // nothing more goes out until the driver has ended the dialog
// Where the last move aimed, and whether beyond the primary monitor's edge.
POINT pointer{};
bool pointerKnown = false;
bool aimOutside = false;
std::vector<INPUT> held;  // the releases of what the driver pressed and this program took

// A step's input, sent event by event once the step has returned. A key, or a
// click the hooks refused, is in flight until this thread takes it, or a marker
// sent after it comes back first: lost, it goes again.
struct Pending {
    INPUT input;
    POINT aim;
};
std::deque<Pending> pending;
bool recording = false;
bool inFlight = false;
bool taken = false;
BYTE markerOut = 0;  // the marker on its way, known by its scan code
bool markerBack = false;
bool unsynced = false;  // Windows' rules: moves or clicks went, the marker after them not back yet
LONG lastWord = 0;      // the hooks' word on the event in flight
DWORD inFlightSince = 0;
DWORD sendError = 0;

// A click that another program's taking the foreground cut between press and
// release (the control lost the mouse) goes again once the step's input is in.
HWND pressedWindow = nullptr;  // took the step's last press, at `takenAt`
POINT takenAt{};
bool clickDone = false;  // its release came while it still held the mouse
POINT sentPressAt{};
bool buttonHeld = false;  // a drag across steps
bool onlyClicks = true;   // the step's presses were all released where they were pressed
bool clickBroken = false;

bool IsMove(const INPUT& input)
{
    return input.type == INPUT_MOUSE && (input.mi.dwFlags & MOUSEEVENTF_MOVE);
}

bool IsRelease(const INPUT& input)
{
    return input.type == INPUT_KEYBOARD ? (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0
                                        : (input.mi.dwFlags & (MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP)) != 0;
}

// This thread's keys and button messages as it takes them: the event in flight came.
LRESULT CALLBACK KeyHook(int code, WPARAM key, LPARAM flags)
{
    const bool release = (flags & 0x80000000) != 0;
    if (code >= 0 && key == kMarkerKey) {
        if (code == HC_ACTION && !release && markerOut == BYTE(flags >> 16)) {
            markerBack = true;
            markerOut = 0;
        }
        PostMessageA(inputOwner, WM_NULL, 0, 0);
        return 1;
    }
    const INPUT* first = inFlight ? &pending.front().input : nullptr;
    taken = taken || (code == HC_ACTION && first && first->type == INPUT_KEYBOARD && key == first->ki.wVk &&
                      release == IsRelease(*first));
    return CallNextHookEx(nullptr, code, key, flags);
}

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
    const INPUT* first = inFlight ? &pending.front().input : nullptr;
    taken = taken || (code == HC_ACTION && first && first->type == INPUT_MOUSE &&
                      IsButtonMessage(static_cast<UINT>(message), !IsRelease(*first)));
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

// Where Windows gives this program's input to nobody, without a word: another
// input desktop (a locked screen, a UAC prompt on its secure desktop), or a
// program above this one (UIPI: as administrator, or the consent prompt, whose
// process this one may not even open). "" else.
std::string AboveNote()
{
    char mine[64] = "", current[64] = "";
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, mine, sizeof mine, nullptr);
    HDESK input = OpenInputDesktop(0, FALSE, 0);  // none where this program may not open it
    GetUserObjectInformationA(input, UOI_NAME, current, sizeof current, nullptr);
    CloseDesktop(input);
    if (std::string(mine) != current)
        return "; input goes to another desktop than this program's (\"" + std::string(current) +
               "\"): a locked screen or a UAC prompt";
    HWND front = GetForegroundWindow();
    DWORD id = 0;
    GetWindowThreadProcessId(front, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), token = nullptr;
    const bool above = process
                           ? !OpenProcessToken(process, TOKEN_QUERY, &token) && GetLastError() == ERROR_ACCESS_DENIED
                           : id && GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(token);
    CloseHandle(process);
    return above ? "; " + Describe(front) + " runs above this program (as administrator, or a UAC prompt)" : "";
}

// Windows Vista's, beyond the headers' Windows XP level.
extern "C" __declspec(dllimport) BOOL WINAPI GetPhysicalCursorPos(POINT* point);

// The system waits for a low-level hook only LowLevelHooksTimeout (300 ms to
// 1 s; Wine 2 s): a word later than that tells only what this thread does.
constexpr DWORD kHookWaitMs = 2000;

// The kit's mark on every event the driver injects (dwExtraInfo): "HX", then the event's number.
constexpr ULONG_PTR kKitTag = 0x48580000;
enum Verdict : LONG { kPassed, kElsewhere, kMoved, kRefused, kNotJudged };
// The event the driver waits for, where a press of it must be, and the hooks' word (number, verdict).
std::atomic<ULONG_PTR> judged{0};
POINT pressAim{};
std::atomic<ULONG_PTR> word{0};
std::atomic<HWND> verdictTarget{nullptr};
HANDLE wordEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
HANDLE hookThread = nullptr;
DWORD hookThreadId = 0;
bool rehooked = false;

// Every event of the kit's, however late: a key or a click bound for another
// program's window (the foreground, or the capture, else the window under the
// pointer) goes nowhere, and so does a press the pointer has left. The word is
// signalled before the look at that window: only the hook's return comes
// between the look and the system's routing.
LRESULT Judge(int code, WPARAM message, LPARAM info, ULONG_PTR extra, POINT at)
{
    if (code != HC_ACTION || (extra & ~ULONG_PTR{0xFFFF}) != kKitTag)
        return CallNextHookEx(nullptr, code, message, info);
    const bool mine = extra == judged.load(), move = message == WM_MOUSEMOVE;
    const bool moved =
        (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) && (at.x != pressAim.x || at.y != pressAim.y);
    if (mine)
        SetEvent(wordEvent);
    HWND target = nullptr;
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        target = GetForegroundWindow();
    } else if (!move) {
        GUITHREADINFO front{};
        front.cbSize = sizeof front;
        GetGUIThreadInfo(0, &front);
        target = front.hwndCapture ? front.hwndCapture : OfThisProcess(front.hwndActive) ? WindowFromPoint(at)
                                                                                          : front.hwndActive;
    }
    const LONG said = move ? kPassed : moved ? kMoved : OfThisProcess(target) ? kPassed : kElsewhere;
    if (mine) {
        verdictTarget = said == kElsewhere ? target : verdictTarget.load();
        word = ((extra & 0xFFFF) << 8) | static_cast<ULONG_PTR>(said);
    }
    return said != kPassed;
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM info)
{
    return Judge(code, message, info, reinterpret_cast<const KBDLLHOOKSTRUCT*>(info)->dwExtraInfo, POINT{});
}

LRESULT CALLBACK MouseHook(int code, WPARAM message, LPARAM info)
{
    const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(info);
    return Judge(code, message, info, mouse->dwExtraInfo, mouse->pt);
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

// Only while a dialog is driven, on a thread of their own above the tests' priority.
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

INPUT ReleaseOf(INPUT press)
{
    // Each button's UP flag is its DOWN flag's next bit.
    (press.type == INPUT_KEYBOARD ? press.ki.dwFlags |= KEYEVENTF_KEYUP : press.mi.dwFlags <<= 1);
    return press;
}

INPUT Key(WORD virtualKey)
{
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = {virtualKey, static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)), 0, 0, 0};
    return input;
}

// The hooks' word on one event; kRefused: the system took it from nobody
// (`sendError`, or a program above this one); kNotJudged: the hooks said
// nothing (set again once, named the second time).
LONG Inject(INPUT input)
{
    // Numbered apart in each process: a child test drives dialogs of its own.
    static unsigned serial = GetCurrentProcessId() * 7919u;
    const ULONG_PTR tag = kKitTag | (++serial % 0xFFFFu + 1);
    (input.type == INPUT_KEYBOARD ? input.ki.dwExtraInfo : input.mi.dwExtraInfo) = tag;
    pressAim = pointer;
    ResetEvent(wordEvent);
    judged = hookThread ? tag : 0;
    const DWORD sent = GetTickCount();
    // Wine routes an event a server round trip after its hooks looked at the
    // window in front, without the hook thread's priority: another program
    // taking the foreground lands there (8 keys astray in 6 runs beside one
    // that did every 300 ms). Windows routes within microseconds, which Wine
    // cannot give: there a key goes to this thread, as its X driver sends one.
    using BoundInput = BOOL(__cdecl*)(HWND, const INPUT*, const void*);
    static const auto bound = reinterpret_cast<BoundInput>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("win32u.dll"), "__wine_send_input")));
    const bool queued = bound && input.type == INPUT_KEYBOARD ? bound(inputOwner, &input, nullptr)
                                                              : SendInput(1, &input, sizeof input) == 1;
    sendError = queued ? 0 : GetLastError();
    for (DWORD waited = 0; queued && judged && word >> 8 != (tag & 0xFFFF) && waited < kHookWaitMs;
         waited = GetTickCount() - sent)
        if (WaitForSingleObject(wordEvent, kHookWaitMs - waited) == WAIT_OBJECT_0)
            SwitchToThread();  // the word follows the signal at once
    judged = 0;
    if (word >> 8 == (tag & 0xFFFF))
        return static_cast<LONG>(word & 0xFF);
    if (!hookThread)
        return kPassed;  // outside a dialog's run: nothing to judge it
    if (!queued || !AboveNote().empty())
        return kRefused;
    if (rehooked) {
        ADD_FAILURE() << "the system removed the driver's input hooks twice: they said nothing within " << kHookWaitMs
                      << " ms";
        inputRefused = true;
    }
    rehooked = true;
    RemoveHooks();
    SetHooks();
    return kNotJudged;
}

INPUT MoveTo(POINT p)
{
    INPUT input{INPUT_MOUSE, {}};
    // Aimed at the middle of the pixel: right however the system scales and rounds.
    input.mi.dx = static_cast<LONG>((2LL * p.x + 1) * 65536 / (2LL * GetSystemMetrics(SM_CXSCREEN)));
    input.mi.dy = static_cast<LONG>((2LL * p.y + 1) * 65536 / (2LL * GetSystemMetrics(SM_CYSCREEN)));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// One event, its window brought back first; the hooks' word on it.
LONG SendOne(INPUT input)
{
    HWND back = IsWindow(inputFor) && IsWindowVisible(inputFor) ? inputFor : inputOwner;
    if (!OfThisProcess(GetForegroundWindow()) && IsWindow(back)) {
        BringForward(back);
        BringWindowToTop(back);
    }
    // Wine moves the X pointer only for a move no hook held, and X moves Wine's along.
    if (RunningUnderWine() && IsMove(input))
        SetCursorPos(pointer.x, pointer.y);
    const LONG said = Inject(input);
    if (said == kMoved)  // a nudged mouse, or the system's snap to a default button
        Inject(MoveTo(pointer));
    return said;
}

// A marker after what went before: once it comes back, that has come or never
// will. One out while another program is in front may be lost: another goes.
void AwaitMarker()
{
    static BYTE serial = 0;
    markerOut = OfThisProcess(GetForegroundWindow()) ? markerOut : 0;
    if (markerOut)
        return;
    INPUT marker = Key(kMarkerKey);
    marker.ki.wScan = markerOut = serial = static_cast<BYTE>(serial % 0x7F + 1);
    if (SendOne(marker) == kPassed)
        SendOne(ReleaseOf(marker));
    else
        markerOut = 0;  // it goes again at the next wake
}

// Within a step, the event waits for the step's end; else it goes now.
void Send(const INPUT& input)
{
    if (recording)
        pending.push_back({input, pointer});
    else
        SendOne(input);
}

std::vector<INPUT>::iterator PressOf(const INPUT& release)
{
    return std::find_if(held.begin(), held.end(), [&](const INPUT& r) {
        return r.type == release.type &&
               (r.type == INPUT_KEYBOARD ? r.ki.wVk == release.ki.wVk : r.mi.dwFlags == release.mi.dwFlags);
    });
}

// The first event came: a press is down until its release comes too.
void Taken()
{
    const INPUT event = pending.front().input;
    if (IsRelease(event))
        held.erase(PressOf(event));
    else if (!IsMove(event))
        held.push_back(ReleaseOf(event));
    pending.pop_front();
    inFlightSince = 0;
}

// Sends what waits, event by event, until one must come back first (the loop
// wakes as it comes, or at the guard's timer) or all is in. Clicks go on at
// once (a control's own loop may take press and release together); under
// Windows' rules, which deliver a moment after SendInput, a marker follows them.
void Feed()
{
    while (!inputRefused) {
        if (inFlight && !taken && !markerBack) {
            const INPUT& event = pending.front().input;
            if (GetTickCount() - inFlightSince < patienceMs || (lastWord == kRefused && IsRelease(event)))
                return AwaitMarker();
            // A system-aware program is told scaled coordinates on a monitor
            // whose scale changed since sign-in; the hooks see the pixels.
            POINT logical{}, physical{};
            const bool scaled = GetCursorPos(&logical) && GetPhysicalCursorPos(&physical) &&
                                (logical.x != physical.x || logical.y != physical.y);
            const bool key = event.type == INPUT_KEYBOARD;
            ADD_FAILURE() << (lastWord == kElsewhere
                                  ? Describe(verdictTarget) + (key ? " kept the foreground" : " lay under the pointer")
                              : lastWord == kMoved ? "the pointer would not stay where the test aimed"
                                                   : std::string(key ? "a key" : "a click") +
                                                         " never reached the dialog's thread (an input method, or a "
                                                         "program that shares its input, took it)")
                          << " for " << patienceMs / 1000.0 << " s"
                          << (lastWord == kMoved && scaled ? "; this program's coordinates are scaled: the display "
                                                             "scale changed since sign-in (sign out and in again)"
                                                           : "")
                          << AboveNote();
            inputRefused = true;
            return;
        }
        if (inFlight && taken)
            Taken();
        inFlight = false;  // taken, or lost: it goes again
        if (pending.empty()) {
            unsynced = unsynced && !markerBack;
            markerBack = false;
            if (unsynced)
                AwaitMarker();
            return;
        }
        const Pending event = pending.front();
        if (IsRelease(event.input) && PressOf(event.input) == held.end()) {
            pending.pop_front();  // its press never went
            continue;
        }
        pointer = event.aim;
        markerOut = 0;
        markerBack = false;
        inFlightSince = inFlightSince ? inFlightSince : GetTickCount();
        lastWord = SendOne(event.input);
        if (lastWord == kRefused && !IsRelease(event.input)) {
            ADD_FAILURE() << "SendInput "
                          << (sendError ? "refused an event (error " + std::to_string(sendError) + ")"
                                        : "sent an event that no hook saw")
                          << AboveNote();
            inputRefused = true;
        } else if (IsMove(event.input) || (event.input.type == INPUT_MOUSE && lastWord == kPassed)) {
            Taken();
            unsynced = !WineRules();
        } else {
            inFlight = true;
            taken = false;
            return;
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
    // Named for its program and test: another program that a key reached names the sender.
    const std::wstring program = ProgramPath();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = AnsiFromWide(program.substr(program.find_last_of(L'\\') + 1)) +
                             (test ? std::string(" ") + test->test_suite_name() + "." + test->name() : "");
    owner = CreateWindowExA(0, kOwnerClass, name.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // On screen, as a host's: Windows activates it as a dialog of it closes.
    ShowWindow(owner, SW_SHOW);
    // Once: this thread's keys and clicks as it takes them, and the rules in the log.
    static const bool hooked = SetWindowsHookExA(WH_KEYBOARD, KeyHook, nullptr, GetCurrentThreadId()) &&
                               SetWindowsHookExA(WH_MOUSE, PressHook, nullptr, GetCurrentThreadId()) &&
                               std::printf("input rules: %s\n", WineRules() ? "wine" : "windows") > 0;
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
    inputRefused = clickBroken = inFlight = unsynced = rehooked = false;
    pending.clear();
    patienceMs = foregroundPatienceMs;
    SetHooks();
    SetTimer(owner, kWatchdogTimer, timeoutMs, nullptr);
    SetTimer(owner, kGuardTimer, 100, nullptr);
    const INT_PTR result = open(owner);
    KillTimer(owner, kWatchdogTimer);
    KillTimer(owner, kGuardTimer);
    inputFor = owner;
    // What the last step left (a key's release) goes now, and what is down comes up (a button over the owner).
    RECT r{};
    GetWindowRect(owner, &r);
    const POINT over{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    for (auto release = held.rbegin(); release != held.rend(); ++release) {
        if (release->type == INPUT_MOUSE)
            pending.push_back({MoveTo(over), over});
        pending.push_back({*release, over});
    }
    for (const DWORD start = GetTickCount(); (!pending.empty() || inFlight) && !inputRefused;) {
        Feed();
        if (GetTickCount() - start >= timeoutMs) {
            ADD_FAILURE() << "what the driver pressed could not be released within " << timeoutMs << " ms"
                          << AboveNote();
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&message);
    }
    pending.clear();
    held.clear();
    inFlight = unsynced = false;
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
    if (pending.empty() && !inFlight && !unsynced) {
        // A cut click goes again only where the release acts: a slider or an up-down would step twice.
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
    // The loop idles again once all is handled; what is on its way wakes it, or the guard's timer.
    if (!ended && pending.empty() && !inFlight && !unsynced)
        PostMessageA(owner, WM_NULL, 0, 0);
}

bool DialogDriver::AwayFromFront(HWND idleDialog)
{
    // The dialog, or a box or menu it owns, on the desktop that gets the input.
    HWND front = GetForegroundWindow();
    const std::string above = AboveNote();
    for (HWND w = above.empty() ? front : nullptr; w; w = GetWindow(w, GW_OWNER)) {
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
                      << " s (" << next << " of " << steps.size() << " steps ran)" << above;
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
                      << " steps ran)" << AboveNote();
    KillTimer(owner, kWatchdogTimer);
    KillTimer(owner, kGuardTimer);
    // Nothing more of the step's goes; what the driver pressed comes up in Run.
    pending.clear();
    inFlight = unsynced = inputRefused = false;
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
    INPUT input{INPUT_MOUSE, {}};
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
