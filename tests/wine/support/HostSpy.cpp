#include "support/HostSpy.h"

#include "support/ImportHook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

std::vector<HostEvent> events;
bool spying = false;
// A hook for each plug-in module, kept after the module is freed until one is
// loaded at its address.
std::vector<std::unique_ptr<ImportHook>> boxHooks;

template <typename Function>
Function* SystemFunction(const char* dll, const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(dll), name)));
}

const auto realMessageBoxA = SystemFunction<decltype(MessageBoxA)>("user32.dll", "MessageBoxA");
const auto realLoadLibraryA = SystemFunction<decltype(LoadLibraryA)>("kernel32.dll", "LoadLibraryA");
const auto realLoadLibraryW = SystemFunction<decltype(LoadLibraryW)>("kernel32.dll", "LoadLibraryW");

// One MessageBoxA call of a watched module, on the thread that made it.
struct BoxCall {
    HWND owner;
    HHOOK hook = nullptr;
    bool seen = false;
};
thread_local BoxCall* call = nullptr;

BOOL CALLBACK FindErrorIcon(HWND child, LPARAM found)
{
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == LoadIconA(nullptr, IDI_HAND)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// Inside the call, the first dialog to activate is the box (its owner comes
// back to the front only as it closes): what it shows is read, and it is closed.
LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    BoxCall* c = call;
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[16] = {};
    if (code == HCBT_ACTIVATE && c && !c->seen && window != c->owner &&
        GetClassNameA(window, className, sizeof className) && std::string(className) == "#32770") {
        c->seen = true;
        HostEvent e;
        e.kind = HostEvent::MessageBox;
        char buffer[2048] = {};
        GetWindowTextA(window, buffer, sizeof buffer);
        e.caption = buffer;
        GetDlgItemTextA(window, 0xFFFF, buffer, sizeof buffer);  // the box's text
        e.text = buffer;
        e.owner = GetWindow(window, GW_OWNER);
        EnumChildWindows(window, FindErrorIcon, reinterpret_cast<LPARAM>(&e.errorIcon));
        events.push_back(e);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int WINAPI SpyMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    BoxCall here{owner};
    BoxCall* outer = call;
    call = &here;
    here.hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    const int result = realMessageBoxA(owner, text, caption, type);
    UnhookWindowsHookEx(here.hook);
    call = outer;
    if (!spying)
        ADD_FAILURE() << "a message box that no test expects, closed: \"" << (caption ? caption : "") << "\" "
                      << (text ? text : "");
    return result;
}

void Watch(HMODULE module)
{
    if (!module || !GetProcAddress(module, "HX_GetPluginInfo"))
        return;
    // An earlier load's hook goes first; where that module was freed, the
    // import table here is a fresh one, and it takes nothing back.
    boxHooks.erase(std::remove_if(boxHooks.begin(), boxHooks.end(),
                                  [&](const std::unique_ptr<ImportHook>& hook) { return hook->Module() == module; }),
                   boxHooks.end());
    auto hook = std::make_unique<ImportHook>(module, "user32.dll", "MessageBoxA",
                                             reinterpret_cast<void*>(SpyMessageBoxA));
    if (hook->Installed())
        boxHooks.push_back(std::move(hook));
}

// Plug-ins come in through this program's own LoadLibraryA and W (the tests'
// and PluginSandbox's calls): each one loaded is watched before it can run.
HMODULE Watched(HMODULE module)
{
    const DWORD error = GetLastError();
    Watch(module);
    SetLastError(error);
    return module;
}

HMODULE WINAPI WatchedLoadLibraryA(LPCSTR name)
{
    return Watched(realLoadLibraryA(name));
}

HMODULE WINAPI WatchedLoadLibraryW(LPCWSTR name)
{
    return Watched(realLoadLibraryW(name));
}

// Before main, for the whole run. This program may link the framework, whose
// boxes are the plug-in's too.
struct Guard {
    const HMODULE self = GetModuleHandleA(nullptr);
    ImportHook box{self, "user32.dll", "MessageBoxA", reinterpret_cast<void*>(SpyMessageBoxA)};
    ImportHook loadA{self, "kernel32.dll", "LoadLibraryA", reinterpret_cast<void*>(WatchedLoadLibraryA)};
    ImportHook loadW{self, "kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(WatchedLoadLibraryW)};
} guard;

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
    spying = true;
}

HostSpy::~HostSpy()
{
    spying = false;
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
