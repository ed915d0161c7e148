#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the plug-in did to its host, in order: queries through the exported
// HXF_QueryClientInfo and message boxes it showed, each read and closed as it
// comes up on this program's thread (also one shown as a module loads). A box
// while no spy lives fails the test at once, naming its text, where it would
// otherwise wait for a click until the time limit.
struct HostEvent {
    enum Kind { Query, MessageBox } kind;
    std::int32_t code = 0;
    std::int32_t value = 0;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool errorIcon = false;
};

class HostSpy {
public:
    HostSpy();  // starts a fresh log
    ~HostSpy();
    HostSpy(const HostSpy&) = delete;
    HostSpy& operator=(const HostSpy&) = delete;

    const std::vector<HostEvent>& Events() const;
    int Count(HostEvent::Kind kind) const;
    void Clear();
};

// A message box, as Windows lays out every one: a dialog (class #32770) of
// static texts and buttons alone, its text the static 0xFFFF. False for any
// other window; else what it shows.
bool ReadBox(HWND window, HostEvent& box);

// A plain top-level window to own dialogs and boxes.
class OwnerWindow {
public:
    ~OwnerWindow() { DestroyWindow(window); }
    HWND Handle() const { return window; }

private:
    HWND window = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
};
