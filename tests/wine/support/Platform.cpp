#include "support/Platform.h"

#include <cstdio>

bool RunningUnderWine()
{
    // Wine's ntdll alone exports its version.
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool BringForward(HWND window)
{
    const auto there = [window] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    };
    if (GetForegroundWindow() == window || there())
        return true;
    // Windows lets the process that received the last input take the
    // foreground (a test started from a console or Explorer is not in front):
    // an empty mouse event is input, and moves nothing.
    INPUT nothing{INPUT_MOUSE, {}};
    SendInput(1, &nothing, sizeof nothing);
    if (there())
        return true;
    // Sharing input state with the thread in front lets its window be replaced;
    // never a hung one's, which would hang this thread too.
    HWND inFront = GetForegroundWindow();
    const DWORD front = GetWindowThreadProcessId(inFront, nullptr);
    const DWORD self = GetCurrentThreadId();
    const bool attached = front && front != self && !IsHungAppWindow(inFront) && AttachThreadInput(self, front, TRUE);
    BringWindowToTop(window);
    const bool inFrontNow = there();
    if (attached)
        AttachThreadInput(self, front, FALSE);
    return inFrontNow;
}

bool IsButtonMessage(UINT message, bool down)
{
    const UINT client = message < WM_MOUSEFIRST ? message - WM_NCMOUSEMOVE + WM_MOUSEMOVE : message;
    for (UINT press : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN})
        if (down ? client == press || client == press + 2 : client == press + 1)  // its double click, its release
            return true;
    return false;
}

std::string HeldDown(bool release)
{
    static const struct {
        WORD key;
        DWORD flags;  // a key's, or a button's release
        const char* name;
    } keys[] = {{VK_LSHIFT, 0, " Shift"}, {VK_RSHIFT, 0, " right Shift"}, {VK_LCONTROL, 0, " Ctrl"},
                {VK_RCONTROL, KEYEVENTF_EXTENDEDKEY, " right Ctrl"}, {VK_LMENU, 0, " Alt"},
                {VK_RMENU, KEYEVENTF_EXTENDEDKEY, " right Alt"}, {VK_LBUTTON, MOUSEEVENTF_LEFTUP, " left button"},
                {VK_RBUTTON, MOUSEEVENTF_RIGHTUP, " right button"},
                {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP, " middle button"}};
    std::string names;
    for (const auto& k : keys) {
        INPUT up = {};
        up.type = k.key <= VK_MBUTTON ? INPUT_MOUSE : INPUT_KEYBOARD;
        up.mi.dwFlags = k.flags;
        if (up.type == INPUT_KEYBOARD)
            up.ki = KEYBDINPUT{k.key, static_cast<WORD>(MapVirtualKeyW(k.key, MAPVK_VK_TO_VSC)),
                               k.flags | KEYEVENTF_KEYUP, 0, 0};
        const bool down = GetAsyncKeyState(k.key) < 0;
        names += down ? k.name : "";
        if (down && release)
            SendInput(1, &up, sizeof up);
    }
    return names;
}

std::wstring WideFromAnsi(const std::string& ansi, UINT codePage)
{
    const int length = MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

std::string AnsiFromWide(const std::wstring& wide, UINT codePage)
{
    // UTF-8 has every character, and takes neither the flag nor the question.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE, *asked = codePage == CP_UTF8 ? nullptr : &lossy;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, asked);
    std::string ansi(length, '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, &ansi[0], length, nullptr, asked);
    return lossy ? "" : ansi;
}

std::string AnsiPath(const std::wstring& path)
{
    const std::string ansi = AnsiFromWide(path);
    if (!ansi.empty())
        return ansi;
    std::wstring shortPath(32768, L'\0');
    shortPath.resize(GetShortPathNameW(path.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size())));
    return AnsiFromWide(shortPath);
}

std::wstring FullPath(const std::wstring& path)
{
    std::wstring full(32768, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr));
    return full.empty() || full.size() >= 32768 ? path : full;
}

std::wstring LongPath(const std::wstring& path)
{
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    const std::wstring full = FullPath(path);
    return full.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

namespace {

// Windows deletes neither a read-only file nor a read-only folder (CopyFile
// carries the attribute over from a kit on a disc or a read-only share). A
// virus scanner or an indexer opens a file just after it was written, and a
// deleted file stays until its last handle closes: the file or its folder is
// refused for a moment. Tries again for about 300 ms.
bool Remove(const std::wstring& longPath, BOOL(WINAPI* remove)(const wchar_t*))
{
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(longPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    for (int tries = 1;; ++tries) {
        if (remove(longPath.c_str()))
            return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                          error == ERROR_LOCK_VIOLATION || error == ERROR_DIR_NOT_EMPTY;
        if (!busy || tries == 10)
            return false;
        Sleep(30);
    }
}

}  // namespace

bool RemoveFile(const std::wstring& path)
{
    return Remove(LongPath(path), DeleteFileW);
}

void ForEachEntry(const std::wstring& folder, const std::function<void(const std::wstring&, DWORD)>& visit)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((LongPath(folder) + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            visit(name, entry.dwFileAttributes);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

bool RemoveTree(const std::wstring& path)
{
    const std::wstring folder = LongPath(path);
    ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
        const std::wstring child = folder + L"\\" + name;
        const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveTree(child);
        else  // a link goes, not what it leads to
            Remove(child, directory ? RemoveDirectoryW : DeleteFileW);
    });
    return Remove(folder, RemoveDirectoryW);
}

std::wstring ProgramPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path;
}

std::string PluginDir()
{
    static const std::string dir = [] {
        std::wstring path(32768, L'\0');
        const DWORD length = GetEnvironmentVariableW(L"HX_PLUGIN_DIR", &path[0], static_cast<DWORD>(path.size()));
        if (length > 0 && length < path.size())
            return AnsiPath(path.substr(0, length));
        path = ProgramPath();
        return AnsiPath(path.substr(0, path.find_last_of(L"\\/")));
    }();
    return dir;
}

unsigned long RunTestAsChild(const char* test, const std::wstring& program)
{
    const std::wstring path = program.empty() ? ProgramPath() : program;
    std::wstring command = L"\"" + path + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + WideFromAnsi(test);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    SetEnvironmentVariableW(L"HX_PLUGIN_DIR", WideFromAnsi(PluginDir()).c_str());
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
        // No gtest here: the kit's runner links this file too. The caller's
        // check of the exit code fails on this one.
        std::fprintf(stderr, "cannot start %s: error %lu\n", test, GetLastError());
        return kChildNotStarted;
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
