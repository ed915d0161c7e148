// run-tests.exe: runs the test programs of the kit one after another, each
// in a private temporary folder and under a time limit, and says which passed.
//   run-tests [--list FILE] [--no-pause] [--budget SECONDS] [NAME...]
// Exit code 0 when no program failed, 1 when one did, 2 when the kit or the
// command line is wrong.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "tests/kit/GTestSummary.h"
#include "tests/kit/Output.h"
#include "tests/kit/ProgramRun.h"
#include "tests/kit/QuickEditOff.h"
#include "tests/kit/Screenshot.h"
#include "tests/kit/SystemColours.h"
#include "tests/kit/TestList.h"
// Tests make folders deeper than 260 characters: every file call on a path
// the runner did not make itself goes through the \\?\ form (LongPath).
#include "tests/wine/support/Platform.h"

namespace {

// The folder part of a path, without the last backslash.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

// RemoveTree, waiting a little longer for files that a process just ended
// still holds.
bool DeleteTree(const std::wstring& folder)
{
    // A program the job just ended may hold its files a little longer than
    // a scanner would: the test's own removal, tried for about 2 s.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (RemoveTree(folder))
            return true;
        Sleep(100);
    }
    return false;
}

bool ReadBytes(const std::wstring& path, std::string& bytes)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr)) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return ok;
}

// Text from a file the runner did not write: UTF-8 where it is valid UTF-8
// (the list, ASCII output), else the ANSI code page (the tests' own messages).
std::wstring DecodeText(const std::string& bytes)
{
    const std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length == 0)
        return WideFromAnsi(text);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
    return wide;
}

// The system's text for an error code, on one line.
std::wstring SystemMessage(unsigned long error)
{
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring message = buffer ? buffer : L"";
    LocalFree(buffer);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                                message.back() == L'.'))
        message.pop_back();
    return message.empty() ? L"error " + std::to_wstring(error) : message + L" (error " + std::to_wstring(error) + L")";
}

const wchar_t kUsage[] =
    L"usage: run-tests [--list FILE] [--no-pause] [--budget SECONDS] [NAME...]\r\n"
    L"  Runs the programs listed in bin\\tests.txt (or FILE), or only those NAMEs,\r\n"
    L"  and writes their output to logs\\. --no-pause: never wait for a key at the end.\r\n"
    L"  --budget: the whole run's time; a program still running when it is spent is\r\n"
    L"  ended, and those after it do not start (each counts as failed).";

HANDLE g_stop = nullptr;  // set by Ctrl+C: the current program ends and no other starts

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    SetEvent(g_stop);
    return TRUE;
}

bool Stopping()
{
    return WaitForSingleObject(g_stop, 0) == WAIT_OBJECT_0;
}

std::wstring TempFolder()
{
    std::wstring path(MAX_PATH + 1, L'\0');
    path.resize(GetTempPathW(static_cast<DWORD>(path.size()), &path[0]));
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// Makes the folder and removes what an earlier run wrote there for the listed
// programs (anything else is someone else's); false when it cannot be written.
bool PrepareLogs(const std::wstring& folder, const std::vector<TestEntry>& listed, Output& out, DWORD& error)
{
    if (!CreateDirectoryW(LongPath(folder).c_str(), nullptr)) {
        error = GetLastError();
        const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
    }
    for (const TestEntry& entry : listed) {
        RemoveFile(folder + L"\\" + entry.label + L".log");
        RemoveFile(folder + L"\\" + entry.label + L".png");
    }
    if (!out.OpenSummary(folder + L"\\summary.txt")) {
        error = GetLastError();
        return false;
    }
    return true;
}

std::wstring Tenths(double value)
{
    const long long tenths = static_cast<long long>(value * 10 + 0.5);
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

std::wstring Count(int n, const wchar_t* thing)
{
    return std::to_wstring(n) + L" " + thing + (n == 1 ? L"" : L"s");
}

std::wstring ExitCodeText(DWORD code)
{
    // Exceptions and loader errors are NTSTATUS values, read in hex.
    if (code < 0x80000000u)
        return L"exit code " + std::to_wstring(code);
    static const struct {
        DWORD code;
        const wchar_t* meaning;
    } known[] = {
        {0x80000003u, L"breakpoint"},
        {0xC0000005u, L"access violation"},
        {0xC000001Du, L"illegal instruction"},
        {0xC0000094u, L"integer division by zero"},
        {0xC00000FDu, L"stack overflow"},
        {0xC0000135u, L"a DLL it needs was not found"},
        {0xC0000139u, L"a function it imports is missing from a DLL"},
        {0xC0000142u, L"a DLL failed to initialize"},
        {0xC000013Au, L"ended by Ctrl+C"},
        {0xC0000374u, L"heap corruption"},
        {0xC0000409u, L"stack buffer overrun or fail-fast exit"},
        {0xC0000417u, L"invalid argument to a C runtime function"},
    };
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(code));
    std::wstring text = L"exit code " + std::wstring(hex);
    for (const auto& k : known)
        text += k.code == code ? L" (" + std::wstring(k.meaning) + L")" : L"";
    return text;
}

// Why the system refused to start a program, where its own text leaves the cause unnamed.
std::wstring StartRefusal(DWORD error)
{
    // Codes newer than mingw-w64's winerror.h: the App Control ones (4551 and
    // on), ERROR_VIRUS_INFECTED and ERROR_VIRUS_DELETED.
    const wchar_t* cause = nullptr;
    if (error == 4551 || (error >= 4556 && error <= 4559) || (error >= 4580 && error <= 4583))
        cause = L"Smart App Control or an App Control policy blocked it";
    else if (error == ERROR_ACCESS_DISABLED_BY_POLICY)
        cause = L"a policy of this computer (AppLocker or software restriction) blocked it";
    else if (error == 225 || error == 226)
        cause = L"an antivirus program took it for malware";
    return cause ? L"; " + std::wstring(cause) + L" (readme.txt: \"If Windows blocks the programs\")" : L"";
}

enum class Outcome { Pass, Skip, Fail };

struct Verdict {
    Outcome outcome;
    std::wstring detail;
};

// `budget`: the seconds of the whole run, where they were the program's limit.
Verdict Judge(const TestEntry& entry, const ProgramRun& run, const GTestSummary& summary, unsigned budget)
{
    if (run.stopped)
        return {Outcome::Fail, L"stopped by Ctrl+C"};
    if (run.timedOut && budget)
        return {Outcome::Fail, L"cut short: the run's budget of " + std::to_wstring(budget) + L" s was spent"};
    if (run.timedOut)
        return {Outcome::Fail, L"ran out of its " + std::to_wstring(entry.seconds) + L" s"};
    if (run.exitCode != 0) {
        if (summary.ran && summary.failed > 0)
            return {Outcome::Fail, std::to_wstring(summary.failed) + L" of " + Count(summary.total, L"test") +
                                       L" failed (" + ExitCodeText(run.exitCode) + L")"};
        return {Outcome::Fail, ExitCodeText(run.exitCode)};
    }
    // Exit 0 with nothing run is a filter or a build that matched no test, not a pass.
    if (summary.passed > 0) {
        std::wstring detail = Count(summary.passed, L"test");
        if (summary.skipped > 0)
            detail += L", " + std::to_wstring(summary.skipped) + L" skipped";
        return {Outcome::Pass, detail + L", " + Tenths(run.seconds) + L" s"};
    }
    if (summary.skipped > 0)
        return {Outcome::Skip, L"every case skipped: " +
                                   (summary.skipReason.empty() ? L"(no reason given)" : summary.skipReason)};
    return {Outcome::Fail, L"no test ran (exit code 0)"};
}

// Waits for a key only when this run has the console window to itself, as
// when run-tests.cmd was double-clicked: the window would close at once.
// Typed at a prompt of another program, or with no console (CI), never.
void PauseIfOwnWindow(Output& out)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    DWORD processes[4];
    if (!GetConsoleMode(input, &mode))
        return;
    const DWORD count = GetConsoleProcessList(processes, 4);
    if (count == 0 || count > 2)
        return;
    out.CloseSummary();
    out.Line(L"Press any key to close this window");
    FlushConsoleInputBuffer(input);
    SetConsoleMode(input, 0);  // Ctrl+C is a key here too
    INPUT_RECORD record;
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        if (record.EventType == KEY_EVENT && key.bKeyDown && key.wVirtualKeyCode != VK_SHIFT &&
            key.wVirtualKeyCode != VK_CONTROL && key.wVirtualKeyCode != VK_MENU)
            break;
    }
    SetConsoleMode(input, mode);
}

struct Options {
    std::wstring list;
    bool noPause = false;
    unsigned budget = 0;  // seconds for the whole run; 0: none
    std::vector<std::wstring> names;
};

// 0 on success, else the exit code; `help` when the usage was asked for.
int ParseOptions(int argc, wchar_t** argv, Options& options, bool& help)
{
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--no-pause") {
            options.noPause = true;
        } else if (arg == L"--list" && i + 1 < argc) {
            options.list = FullPath(argv[++i]);
        } else if (arg == L"--budget" && i + 1 < argc) {
            if ((options.budget = ParseSeconds(argv[++i])) == 0)
                return 2;
        } else if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            help = true;
        } else if (arg[0] == L'-' || arg[0] == L'/') {
            return 2;
        } else {
            options.names.push_back(arg);
        }
    }
    return 0;
}

int RunAll(const Options& options, const std::wstring& bin, Output& out)
{
    const std::wstring kit = FolderOf(bin);
    const std::wstring listPath = options.list.empty() ? bin + L"\\tests.txt" : options.list;
    std::string bytes;
    if (!ReadBytes(listPath, bytes)) {
        out.Line(L"run-tests: cannot read " + listPath + L": " + SystemMessage(GetLastError()));
        return 2;
    }
    std::vector<TestEntry> listed, entries;
    std::wstring error;
    if (!ParseTestList(DecodeText(bytes), listed, error)) {
        out.Line(L"run-tests: " + listPath + L", " + error);
        return 2;
    }
    for (const std::wstring& name : options.names) {
        const size_t before = entries.size();
        std::copy_if(listed.begin(), listed.end(), std::back_inserter(entries),
                     [&](const TestEntry& entry) { return _wcsicmp(entry.name.c_str(), name.c_str()) == 0; });
        if (entries.size() == before) {
            out.Line(L"run-tests: no program " + name + L" in " + listPath);
            return 2;
        }
    }
    if (options.names.empty())
        entries = listed;
    if (entries.empty()) {
        out.Line(L"run-tests: no programs in " + listPath);
        return 2;
    }

    // The kit's own logs folder, or where it cannot be written (a read-only
    // copy, a disc, Program Files), one in the user's temporary folder.
    const std::wstring temp = TempFolder();
    std::wstring logs = kit + L"\\logs";
    DWORD logsError = 0;
    std::wstring note;
    if (!PrepareLogs(logs, listed, out, logsError)) {
        note = L"(" + logs + L" cannot be written: " + SystemMessage(logsError) +
               L"; the logs go to the temporary folder instead)";
        logs = temp + L"\\rgbcolor-tests-logs";
        if (!PrepareLogs(logs, listed, out, logsError)) {
            out.Line(L"run-tests: cannot write logs to " + logs + L" either: " + SystemMessage(logsError));
            return 2;
        }
    }
    out.Line(L"Testing the kit in " + kit + L"; logs in " + logs + L"; code page " + std::to_wstring(GetACP()));
    if (!note.empty())
        out.Line(note);

    // Everything the tests write goes under one folder of this run, gone at its end.
    const std::wstring privateRoot = temp + L"\\rgbcolor-tests-" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(privateRoot);
    if (!CreateDirectoryW(LongPath(privateRoot).c_str(), nullptr)) {
        out.Line(L"run-tests: cannot make " + privateRoot + L": " + SystemMessage(GetLastError()));
        return 2;
    }

    size_t width = 0;
    for (const TestEntry& entry : entries)
        width = std::max(width, entry.label.size());
    int passed = 0, failed = 0, skipped = 0;
    const DWORD started = GetTickCount();
    for (const TestEntry& entry : entries) {
        if (Stopping())
            break;
        const std::wstring folder = privateRoot + L"\\" + entry.label;
        const std::wstring log = logs + L"\\" + entry.label + L".log";
        Verdict verdict{Outcome::Fail, L""};
        ProgramRun run;
        bool logged = false;
        // In milliseconds: the program's own limit, or what is left of the budget if that is less.
        DWORD limit = entry.seconds * 1000;
        const DWORD spent = GetTickCount() - started;
        const bool budgetSpent = options.budget && spent >= options.budget * 1000;
        const bool budgetIsLimit = options.budget && !budgetSpent && options.budget * 1000 - spent < limit;
        if (budgetIsLimit)
            limit = options.budget * 1000 - spent;
        if (budgetSpent) {
            verdict.detail = L"not run: the run's budget of " + std::to_wstring(options.budget) + L" s was spent";
        } else if (!CreateDirectoryW(LongPath(folder).c_str(), nullptr)) {
            verdict.detail = L"cannot make its temporary folder " + folder + L": " + SystemMessage(GetLastError());
        } else {
            const SystemColours colours;
            // The screen as the first case fails (gtest says so at once), or as the runner ends the program.
            bool pictured = false;
            const std::wstring picture = logs + L"\\" + entry.label + L".png";
            run = RunProgram(bin + L"\\" + entry.name + L".exe", entry.arguments, folder, log, limit, g_stop,
                             [&](bool ending) {
                                 std::string sofar;
                                 if (!pictured && (ending || (ReadBytes(log, sofar) &&
                                                              sofar.find(": Failure") != std::string::npos)))
                                     pictured = SaveScreenshot(picture);
                             });
            if (run.startError != 0) {
                verdict.detail = L"cannot start bin\\" + entry.name + L".exe: " + SystemMessage(run.startError) +
                                 StartRefusal(run.startError);
            } else {
                logged = true;
                std::string output;
                ReadBytes(log, output);
                if (Stopping())
                    run.stopped = true;  // Ctrl+C reached the program first
                verdict = Judge(entry, run, ParseGTestSummary(DecodeText(output)),
                                budgetIsLimit ? options.budget : 0);
                if (verdict.outcome == Outcome::Fail && !pictured)
                    SaveScreenshot(picture);
            }
            // A program ended by the runner cannot put back what it changed (one
            // that forgot did not): either way the session gets its colours back.
            const int changed = colours.Restore();
            if (changed && !run.timedOut && !run.stopped) {
                verdict.outcome = Outcome::Fail;
                verdict.detail = L"left " + Count(changed, L"desktop colour") + L" changed (put back); " +
                                 verdict.detail;
            } else if (changed) {
                verdict.detail += L"; " + Count(changed, L"desktop colour") + L" it changed put back";
            }
            // Tests clean up after themselves: anything left is a fault of the
            // test, unless the runner ended it.
            std::wstring names;
            int left = 0;
            ForEachEntry(folder, [&](const std::wstring& name, DWORD) {
                names += ++left > 3 ? L"" : (left > 1 ? L", " : L"") + name;
            });
            if (left > 3)
                names += L" and " + std::to_wstring(left - 3) + L" more";
            if (left && !run.timedOut && !run.stopped) {
                verdict.outcome = Outcome::Fail;
                verdict.detail = L"left files in its temporary folder (" + names + L"); " + verdict.detail;
            }
            if (!DeleteTree(folder)) {
                verdict.outcome = Outcome::Fail;
                verdict.detail = L"its temporary folder " + folder + L" cannot be deleted; " + verdict.detail;
            }
        }
        if (verdict.outcome == Outcome::Fail && logged)
            verdict.detail += L", log: " + log;
        const wchar_t* word = verdict.outcome == Outcome::Pass ? L"PASS" : verdict.outcome == Outcome::Skip ? L"SKIP"
                                                                                                             : L"FAIL";
        (verdict.outcome == Outcome::Pass ? passed : verdict.outcome == Outcome::Skip ? skipped : failed)++;
        out.Line(std::wstring(word) + L"  " + entry.label + std::wstring(width - entry.label.size() + 3, L' ') +
                 verdict.detail);
    }

    bool clean = DeleteTree(privateRoot);
    if (!clean)
        out.Line(L"run-tests: cannot delete " + privateRoot);
    if (Stopping())
        out.Line(L"Stopped by Ctrl+C; the programs after it did not run.");
    out.Line(std::to_wstring(passed) + L" passed, " + std::to_wstring(failed) + L" failed, " +
             std::to_wstring(skipped) + L" skipped");
    return failed == 0 && clean && !Stopping() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // Inherited by the tests: a crash ends the program instead of waiting at a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The tests' dialogs must come to the front, where the keys go. Started
    // from the console in front, the runner may pass that right on.
    AllowSetForegroundWindow(ASFW_ANY);
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);

    // A click in the console must not halt the run.
    const QuickEditOff quickEditOff;
    Output out;
    Options options;
    bool help = false;
    int code = ParseOptions(argc, argv, options, help);
    if (code != 0 || help)
        out.Line(kUsage);
    else
        code = RunAll(options, FolderOf(ProgramPath()), out);
    if (!options.noPause)
        PauseIfOwnWindow(out);
    return code;
}
