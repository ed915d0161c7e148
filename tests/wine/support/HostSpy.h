#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the plug-in did to its host, in order: queries through the exported
// HXF_QueryClientInfo and message boxes it showed (each captured and closed).
// A box is known by its call, not by its looks: MessageBoxA is hooked in the
// import table of this program and of every plug-in it loads (through
// LoadLibraryA or W), for the whole run, and the first dialog that activates
// inside that call on its thread is the box. A box while no spy lives is one
// that no test expects: it is closed all the same, and the test fails naming
// its text, where it would otherwise wait for a click until the time limit.
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

// A plain top-level window to own dialogs and boxes.
class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    HWND Handle() const { return window; }

private:
    HWND window = nullptr;
};
