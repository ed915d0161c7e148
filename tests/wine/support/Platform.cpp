#include "support/Platform.h"

#include <gtest/gtest.h>
#include <windows.h>

bool RunningUnderWine()
{
    // Wine's ntdll alone exports its version.
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

std::wstring WideFromAnsi(const std::string& ansi)
{
    if (ansi.empty())
        return L"";
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

std::string AnsiFromWide(const std::wstring& wide)
{
    if (wide.empty())
        return "";
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, &lossy);
    std::string ansi(length, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &ansi[0], length,
                        nullptr, &lossy);
    return lossy ? "" : ansi;
}

std::string PluginDir()
{
    static const std::string dir = [] {
        std::wstring path(32768, L'\0');
        DWORD length = GetEnvironmentVariableW(L"HX_PLUGIN_DIR", &path[0], static_cast<DWORD>(path.size()));
        if (length == 0 || length >= path.size()) {
            length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
            path.resize(length);
            path.resize(path.find_last_of(L"\\/"));
        } else {
            path.resize(length);
        }
        std::string ansi = AnsiFromWide(path);
        if (ansi.empty()) {  // e.g. a Japanese folder under code page 1252
            std::wstring shortPath(32768, L'\0');
            shortPath.resize(GetShortPathNameW(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size())));
            ansi = AnsiFromWide(shortPath);
        }
        return ansi;
    }();
    return dir;
}

unsigned long RunTestAsChild(const char* test, const std::wstring& program)
{
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size())));
    const std::wstring path = program.empty() ? self : program;
    std::wstring command = L"\"" + path + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + WideFromAnsi(test);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    SetEnvironmentVariableW(L"HX_PLUGIN_DIR", WideFromAnsi(PluginDir()).c_str());
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        ADD_FAILURE() << "cannot start " << test << ": error " << GetLastError();
        return 1;
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(child.hProcess, &code);
    else
        TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

bool JapaneseCodePage()
{
    return GetACP() == 932;
}
