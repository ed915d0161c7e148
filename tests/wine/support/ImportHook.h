#pragma once
#include <windows.h>

// Redirects one imported function of a loaded module (its import address table
// entry) while the hook lives: a test counts or fails the plug-in's real calls.
class ImportHook {
public:
    ImportHook(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return slot != nullptr; }
    // The function the entry led to before.
    void* Original() const { return original; }

private:
    HMODULE module;
    void* replacement;
    void** slot = nullptr;
    void* original = nullptr;
};
