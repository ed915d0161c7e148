#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Where a test runs. Windows is the reference; Wine differs in places the
// tests name, and only under Wine do they take its way instead.
bool RunningUnderWine();

// Brings a window of this thread to the foreground as far as Windows allows a
// process that is not in front; true when it is there.
bool BringForward(HWND window);
// A press (`down`), or a release, of any mouse button, in a window's client area or on its frame.
bool IsButtonMessage(UINT message, bool down);
// What is down of what a program may leave down for the user's own typing to
// find (Shift, Ctrl, Alt, the physical mouse buttons), by name; with
// `release`, sent up too.
std::string HeldDown(bool release);

std::wstring ProgramPath();  // this program's file
// The folder of the plug-in and its test builds, as an ANSI path: this
// program's own (the kit and the build keep them together), or HX_PLUGIN_DIR
// where a test runs a copy of its program from elsewhere.
std::string PluginDir();

// Runs the test `test` ("Suite.Name", a disabled one too) in a child process of
// this program, or of its copy at `program` (which finds the plug-in where this
// program does), its output in ours; the child's exit code.
constexpr unsigned long kChildNotStarted = 0xFFFFFFFFul;
unsigned long RunTestAsChild(const char* test, const std::wstring& program = L"");

// Text in the ANSI code page (or `codePage`) as a wide string, and back (empty
// where a character has no form in it).
std::wstring WideFromAnsi(const std::string& ansi, UINT codePage = CP_ACP);
std::string AnsiFromWide(const std::wstring& wide, UINT codePage = CP_ACP);
// An existing path as the ANSI functions can name it: its own form or, where
// a character has none (a Japanese user name under code page 1252), its short
// name; empty when the volume keeps no short names.
std::string AnsiPath(const std::wstring& path);
// The absolute form of a path (itself where it has none), and its \\?\ form,
// which the wide functions take beyond MAX_PATH.
std::wstring FullPath(const std::wstring& path);
std::wstring LongPath(const std::wstring& path);
// Calls `visit` with the name and attributes of each entry of a folder.
void ForEachEntry(const std::wstring& folder, const std::function<void(const std::wstring&, DWORD)>& visit);
// Deletes a folder and everything in it (paths of any length, read-only
// entries, files busy for a moment); whether it is gone.
bool RemoveTree(const std::wstring& path);
// Deletes a file, read-only or busy for a moment; whether it is gone.
bool RemoveFile(const std::wstring& path);

// Japanese file names and texts shown in windows mean what they say only in
// the Japanese ANSI code page; elsewhere a test that needs them is skipped.
bool JapaneseCodePage();
#define HX_SKIP_WITHOUT_JAPANESE_CODE_PAGE()                                                            \
    do {                                                                                                 \
        if (!JapaneseCodePage())                                                                         \
            GTEST_SKIP() << "needs the Japanese ANSI code page (932); this system's is " << GetACP(); \
    } while (0)
