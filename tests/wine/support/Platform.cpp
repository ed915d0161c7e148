#include "support/Platform.h"

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

std::string AnsiPath(const std::wstring& path)
{
    std::string ansi = AnsiFromWide(path);
    if (ansi.empty()) {
        std::wstring shortPath(32768, L'\0');
        shortPath.resize(GetShortPathNameW(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size())));
        ansi = AnsiFromWide(shortPath);
    }
    return ansi;
}

std::wstring LongPath(const std::wstring& path)
{
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    std::wstring full(32768, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr));
    if (full.empty())
        return path;
    return full.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
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
        return AnsiPath(path);
    }();
    return dir;
}

bool JapaneseCodePage()
{
    return GetACP() == 932;
}
