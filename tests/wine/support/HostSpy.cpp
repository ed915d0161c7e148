#include "support/HostSpy.h"

namespace {

std::vector<HostEvent> events;
HHOOK hook = nullptr;

bool IsMessageBox(HWND window)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    // Message boxes are dialogs that user32 makes from its own template, with
    // the text in a static of id 0xFFFF (other dialogs' labels may share that
    // id). Their instance is user32's on Windows and null under Wine.
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return std::string(className) == "#32770" && (!instance || instance == GetModuleHandleA("user32.dll")) &&
           GetDlgItem(window, 0xFFFF) != nullptr;
}

BOOL CALLBACK FindErrorIcon(HWND child, LPARAM found)
{
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == LoadIconA(nullptr, IDI_HAND)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) {
            HostEvent e;
            e.kind = HostEvent::MessageBox;
            char buffer[2048] = {};
            GetWindowTextA(window, buffer, sizeof buffer);
            e.caption = buffer;
            GetDlgItemTextA(window, 0xFFFF, buffer, sizeof buffer);
            e.text = buffer;
            e.owner = GetWindow(window, GW_OWNER);
            EnumChildWindows(window, FindErrorIcon, reinterpret_cast<LPARAM>(&e.errorIcon));
            events.push_back(e);
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

extern "C" std::int32_t __stdcall HXF_QueryClientInfo(std::int32_t code, std::int32_t value)
{
    HostEvent e;
    e.kind = HostEvent::Query;
    e.code = code;
    e.value = value;
    events.push_back(e);
    return 0;
}

HostSpy::HostSpy()
{
    events.clear();
    hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

HostSpy::~HostSpy()
{
    if (hook)
        UnhookWindowsHookEx(hook);
    hook = nullptr;
}

const std::vector<HostEvent>& HostSpy::Events() const
{
    return events;
}

int HostSpy::Count(HostEvent::Kind kind) const
{
    int n = 0;
    for (const HostEvent& e : events)
        n += e.kind == kind;
    return n;
}

void HostSpy::Clear()
{
    events.clear();
}

OwnerWindow::OwnerWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "HxTestOwner";
        RegisterClassA(&wc);
        registered = true;
    }
    window = CreateWindowExA(0, "HxTestOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
}

OwnerWindow::~OwnerWindow()
{
    if (window)
        DestroyWindow(window);
}
