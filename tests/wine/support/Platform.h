#pragma once
#include <string>

// Where a test runs. Windows is the reference; Wine differs in places the
// tests name, and only under Wine do they take its way instead.
bool RunningUnderWine();

// The folder of the plug-in and its test builds: this program's own (the kit
// and the build keep them together), or HX_PLUGIN_DIR where a test runs a copy
// of its program from elsewhere. An ANSI path; where the long name has no
// ANSI form, its short name.
std::string PluginDir();

// Runs the disabled test `test` ("Suite.DISABLED_Name") as a child process
// of this program, or of its copy at `program`, its output in ours; the copy
// finds the plug-in where this program does. The child's exit code.
unsigned long RunTestAsChild(const char* test, const std::wstring& program = L"");

// A path in the ANSI code page as a wide string, and back (empty where a
// character has no ANSI form).
std::wstring WideFromAnsi(const std::string& ansi);
std::string AnsiFromWide(const std::wstring& wide);

// Japanese file names and texts shown in windows mean what they say only in
// the Japanese ANSI code page; elsewhere a test that needs them is skipped.
bool JapaneseCodePage();
#define HX_SKIP_WITHOUT_JAPANESE_CODE_PAGE()                                                            \
    do {                                                                                                 \
        if (!JapaneseCodePage())                                                                         \
            GTEST_SKIP() << "needs the Japanese ANSI code page (932); this system's is " << GetACP(); \
    } while (0)
