#include "support/HostSpy.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<HostEvent> events;
bool spying = false;
HWND lastBox = nullptr;  // a box activates again after another window was in front

// Every box activates on this thread (the tests call the plug-in on it) as it
// comes up: the first time, what it shows is read, and it is closed.
LRESULT CALLBACK BoxWatch(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    HostEvent box;
    if (code == HCBT_ACTIVATE && window != lastBox && ReadBox(window, box)) {
        lastBox = window;
        if (spying)
            events.push_back(box);
        else
            ADD_FAILURE() << "a message box that no test expects, closed: \"" << box.caption << "\" " << box.text;
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// From before main, for the whole run: a box shown as a module loads too.
const HHOOK boxWatch = SetWindowsHookExA(WH_CBT, BoxWatch, nullptr, GetCurrentThreadId());

}  // namespace

bool ReadBox(HWND window, HostEvent& box)
{
    char className[16] = "", caption[256] = "", text[2048] = "";
    if (!GetClassNameA(window, className, sizeof className) || std::string(className) != "#32770" ||
        !GetDlgItem(window, 0xFFFF))
        return false;
    bool errorIcon = false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetClassNameA(child, className, sizeof className);
        const bool isStatic = lstrcmpiA(className, "Static") == 0;
        if (!isStatic && lstrcmpiA(className, "Button") != 0)
            return false;
        errorIcon = errorIcon ||
                    (isStatic && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                     reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == LoadIconA(nullptr, IDI_HAND));
    }
    GetWindowTextA(window, caption, sizeof caption);
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box = {HostEvent::MessageBox, 0, 0, caption, text, GetWindow(window, GW_OWNER), errorIcon};
    return true;
}

extern "C" std::int32_t __stdcall HXF_QueryClientInfo(std::int32_t code, std::int32_t value)
{
    events.push_back({HostEvent::Query, code, value, "", "", nullptr, false});
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
    return static_cast<int>(
        std::count_if(events.begin(), events.end(), [&](const HostEvent& e) { return e.kind == kind; }));
}

void HostSpy::Clear()
{
    events.clear();
}
