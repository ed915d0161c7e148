// run-tests.exe: runs the test programs of the kit one after another, each
// in a private temporary folder and under a time limit, and says which passed.
//   run-tests [--list FILE] [--no-pause] [--budget SECONDS] [NAME...]
// Exit code 0 when no program failed, 1 when one did, 2 when the kit or the
// command line is wrong.
#include <windows.h>
// GDI+ needs the COM types that a lean windows.h leaves out.
#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// Tests make folders deeper than 260 characters: every file call on a path
// the runner did not make itself goes through the \\?\ form (LongPath).
#include "tests/wine/support/Platform.h"

namespace {

// The runner's lines: to the console as wide text (the kit's folder may hold
// characters of no code page the console uses), to a pipe or file as UTF-8,
// and to the summary file once one is open.
class Output {
public:
    Output() : out_(GetStdHandle(STD_OUTPUT_HANDLE))
    {
        DWORD mode = 0;
        console_ = GetConsoleMode(out_, &mode) != 0;
    }

    // Starts the summary file afresh; false if it cannot be written.
    bool OpenSummary(const std::wstring& path)
    {
        summary_.open(LongPath(path).c_str(), std::ios::binary);
        summary_ << "\xEF\xBB\xBF";  // Notepad of any Windows reads it as UTF-8
        return summary_.good();
    }
    void CloseSummary() { summary_.close(); }

    void Line(const std::wstring& text)
    {
        const std::wstring line = text + L"\r\n";
        const std::string bytes = AnsiFromWide(line, CP_UTF8);
        DWORD written = 0;
        if (console_)
            WriteConsoleW(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        else if (out_ && out_ != INVALID_HANDLE_VALUE)
            WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        if (summary_.is_open())
            summary_ << bytes << std::flush;
    }

private:
    HANDLE out_;
    bool console_;
    std::ofstream summary_;
};

// The console's QuickEdit mode, off while this lives: with it on, a click in
// the console window selects text and halts every write to the console until
// the selection ends, and with it the run. The mode is put back as it was.
class QuickEditOff {
public:
    QuickEditOff()
    {
        // The console's own input, even where stdin is redirected: the window is what a click reaches.
        input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        // QuickEdit is changed only with ENABLE_EXTENDED_FLAGS; a mode that reports
        // it on has that flag too, so the mode read is the one to put back.
        changed_ = GetConsoleMode(input_, &mode_) && (mode_ & ENABLE_QUICK_EDIT_MODE) &&
                   SetConsoleMode(input_, (mode_ | ENABLE_EXTENDED_FLAGS) & ~ENABLE_QUICK_EDIT_MODE);
    }
    ~QuickEditOff()
    {
        if (changed_)
            SetConsoleMode(input_, mode_);
        if (input_ != INVALID_HANDLE_VALUE)
            CloseHandle(input_);
    }
    QuickEditOff(const QuickEditOff&) = delete;
    QuickEditOff& operator=(const QuickEditOff&) = delete;

private:
    HANDLE input_;
    DWORD mode_ = 0;
    bool changed_;
};

// The desktop's colours (GetSysColor) as they were when taken. A test may
// change them (SetSysColors) and put them back itself; one that the runner
// ends, or that forgets, leaves them changed for the whole session.
class SystemColours {
public:
    SystemColours()
    {
        for (int i = 0; i < kCount; ++i)
            colours_[i] = GetSysColor(i);
    }

    // Sets them back where one differs now; returns how many did.
    int Restore() const
    {
        int elements[kCount], changed = 0;
        for (int i = 0; i < kCount; ++i) {
            elements[i] = i;
            changed += GetSysColor(i) != colours_[i];
        }
        // Wine keeps the colours a process has read and never sees another
        // process change them: there they are set back, none counted.
        const bool wine = RunningUnderWine();
        if (wine || changed)
            SetSysColors(kCount, elements, colours_);  // one call: every window repaints once
        return wine ? 0 : changed;
    }

private:
    static const int kCount = COLOR_MENUBAR + 1;
    COLORREF colours_[kCount];
};

// Saves what the whole desktop shows now as a PNG; false when it cannot.
bool SaveScreenshot(const std::wstring& path)
{
    // Every monitor; the runner is system-aware, so the primary one unscaled.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    bool saved = false;
    Gdiplus::GdiplusStartupInput startup;
    ULONG_PTR token = 0;
    if (copied && Gdiplus::GdiplusStartup(&token, &startup, nullptr) == Gdiplus::Ok) {
        // GDI+'s PNG encoder.
        const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        saved = Gdiplus::Bitmap(bitmap, nullptr).Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
        Gdiplus::GdiplusShutdown(token);
    }
    DeleteObject(bitmap);
    return saved;
}

// One line of tests.txt: "SECONDS NAME [ARGUMENTS...]".
struct TestEntry {
    unsigned seconds = 0;
    std::wstring name;       // bin\\NAME.exe
    std::wstring arguments;  // the rest of the line, as written
    std::wstring label;      // the name of its log and temp folder: NAME, or NAME-2 for its second line
};

// A time limit of 1 to 86400 seconds, or 0 where `text` is none.
unsigned ParseSeconds(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const unsigned long seconds = std::wcstoul(text.c_str(), &end, 10);
    return !text.empty() && text[0] >= L'0' && text[0] <= L'9' && !*end && seconds <= 86400 ? seconds : 0;
}

// The entries of a list in file order, blank lines and "#" comments skipped;
// the line and what is wrong with it, or "".
std::wstring ParseTestList(const std::wstring& text, std::vector<TestEntry>& entries)
{
    std::wistringstream lines(text);
    std::wstring line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::wistringstream words(line);
        std::wstring first;
        if (!(words >> first) || first[0] == L'#')
            continue;
        const std::wstring where = L"line " + std::to_wstring(number) + L": ";
        TestEntry entry;
        entry.seconds = ParseSeconds(first);
        if (entry.seconds == 0)
            return where + L"\"" + first + L"\" is not a time limit in seconds (1 to 86400)";
        if (!(words >> entry.name) || entry.name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
            return where + L"no program name after the time limit";
        std::getline(words >> std::ws, entry.arguments);
        entry.arguments.erase(entry.arguments.find_last_not_of(L" \t\r\v\f") + 1);
        // Windows file names ignore case: "Foo" and "foo" would share a log.
        int count = 1;
        for (const TestEntry& earlier : entries)
            count += _wcsicmp(earlier.name.c_str(), entry.name.c_str()) == 0;
        entry.label = count == 1 ? entry.name : entry.name + L"-" + std::to_wstring(count);
        entries.push_back(entry);
    }
    return L"";
}

// What a GoogleTest program's output says at its end.
struct GTestSummary {
    bool ran = false;  // the "[==========] N tests from M test suites ran." line came
    int total = 0, passed = 0, skipped = 0, failed = 0;
    std::wstring skipReason;  // the message of the first skipped case
};

// The count after `prefix` at the start of `line`, or -1.
int CountAfter(const std::wstring& line, const wchar_t* prefix)
{
    const size_t n = std::wcslen(prefix);
    return line.compare(0, n, prefix) == 0 && std::iswdigit(line[n]) ? std::wcstol(&line[n], nullptr, 10) : -1;
}

// A program may start copies of itself that write into the same log: the last
// summary is the program's own.
GTestSummary ParseGTestSummary(const std::wstring& log)
{
    GTestSummary summary;
    bool reasonNext = false;
    std::wistringstream lines(log);
    for (std::wstring line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();

        const int total = CountAfter(line, L"[==========] ");
        if (total >= 0 && line.find(L" ran.") != std::wstring::npos)
            summary = {true, total, 0, 0, 0, summary.skipReason};
        for (const auto& field : {std::make_pair(L"[  PASSED  ] ", &GTestSummary::passed),
                                  std::make_pair(L"[  SKIPPED ] ", &GTestSummary::skipped),
                                  std::make_pair(L"[  FAILED  ] ", &GTestSummary::failed)})
            if (CountAfter(line, field.first) >= 0)
                summary.*field.second = CountAfter(line, field.first);

        // "FILE(LINE): Skipped" (MSVC) or "FILE:LINE: Skipped", then the message.
        if (reasonNext && !line.empty() && line[0] != L'[' && summary.skipReason.empty())
            summary.skipReason = line;
        const size_t n = line.size();
        reasonNext = (reasonNext && line.empty()) || (n >= 9 && line.compare(n - 9, 9, L": Skipped") == 0);
    }
    return summary;
}

// How one test program ended.
struct ProgramRun {
    DWORD startError = 0;  // non-zero: it never started (or its log could not be made)
    bool timedOut = false;
    bool stopped = false;  // the user asked the runner to stop
    DWORD exitCode = 0;
    double seconds = 0;
};

HANDLE NewJob()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    // A crash ends the process at once instead of waiting for a debugger or a dialog.
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// Ends whatever the program left running, and waits until it has gone: the
// runner deletes the folder those processes stand in next.
void EndJob(HANDLE job)
{
    TerminateJobObject(job, 1);
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    for (int i = 0; i < 100; ++i) {
        if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr) ||
            info.ActiveProcesses == 0)
            break;
        Sleep(50);
    }
}

// Runs `exe arguments` in `folder` (also its TEMP and TMP), stdin from NUL,
// stdout and stderr into `log`, for at most `milliseconds`. The program and every
// process it starts run in a job and end with it. Setting `stop` ends it early.
// `watch` is called a few times a second while it runs, with true once just
// before the runner ends it.
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                      const std::wstring& log, DWORD milliseconds, HANDLE stop,
                      const std::function<void(bool ending)>& watch)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // One handle for both streams keeps their lines in the order written.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE output = CreateFileW(LongPath(log).c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        run.startError = GetLastError();
        return run;
    }
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr);

    // Inherited: the tests' temporary files go to their private folder.
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    SetEnvironmentVariableW(L"TMP", folder.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    PROCESS_INFORMATION process = {};
    const BOOL created = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                       nullptr, folder.c_str(), &startup, &process);
    run.startError = created ? 0 : GetLastError();
    CloseHandle(input);
    CloseHandle(output);
    if (!created) {
        RemoveFile(log);
        return run;
    }

    // Where the runner itself runs in a job that allows no other, the program goes alone.
    HANDLE job = NewJob();
    if (job && !AssignProcessToJobObject(job, process.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(process.hThread);
    const DWORD begun = GetTickCount();
    CloseHandle(process.hThread);

    const HANDLE waits[] = {process.hProcess, stop};
    DWORD waited = WAIT_TIMEOUT;
    for (DWORD elapsed = 0; waited == WAIT_TIMEOUT && elapsed < milliseconds; elapsed = GetTickCount() - begun) {
        waited = WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, std::min<DWORD>(250, milliseconds - elapsed));
        if (waited == WAIT_TIMEOUT)
            watch(false);
    }
    if (waited != WAIT_OBJECT_0) {
        run.timedOut = waited == WAIT_TIMEOUT;
        run.stopped = waited == WAIT_OBJECT_0 + 1;
        watch(true);
        TerminateProcess(process.hProcess, 1);  // and EndJob the rest
        WaitForSingleObject(process.hProcess, 10000);
    }
    run.seconds = (GetTickCount() - begun) / 1000.0;
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    if (job) {
        EndJob(job);
        CloseHandle(job);
    }
    // A program ended or crashed cannot let go of what it pressed: once a press
    // still on its way has landed, what is down goes up (Shift turns the user's
    // Delete into a delete for good). Only what is down: a lone release of Alt
    // opens a menu, of a button clicks.
    Sleep(200);
    HeldDown(true);
    return run;
}

// The folder part of a path, without the last backslash.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

// RemoveTree, tried for about 2 s: a program the job just ended may hold its
// files a little longer than a scanner would.
bool DeleteTree(const std::wstring& folder)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (RemoveTree(folder))
            return true;
        Sleep(100);
    }
    return false;
}

bool ReadBytes(const std::wstring& path, std::string& bytes)
{
    std::ifstream file(LongPath(path).c_str(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
    return file.is_open() && !file.bad();
}

// Text from a file the runner did not write: UTF-8 where it is valid UTF-8
// (the list, ASCII output), else the ANSI code page (the tests' own messages).
std::wstring DecodeText(const std::string& bytes)
{
    const std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    const bool utf8 =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
    return WideFromAnsi(text, utf8 ? CP_UTF8 : CP_ACP);
}

// The system's text for an error code, on one line.
std::wstring SystemMessage(unsigned long error)
{
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring message = buffer ? buffer : L"";
    LocalFree(buffer);
    message.erase(message.find_last_not_of(L"\r\n .") + 1);
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
    return path.erase(path.find_last_not_of(L'\\') + 1);
}

// Makes the folder and removes what an earlier run wrote there for the listed
// programs (anything else is someone else's); the error when it cannot be written, else 0.
DWORD PrepareLogs(const std::wstring& folder, const std::vector<TestEntry>& listed, Output& out)
{
    if (!CreateDirectoryW(LongPath(folder).c_str(), nullptr)) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return error;
    }
    for (const TestEntry& entry : listed) {
        RemoveFile(folder + L"\\" + entry.label + L".log");
        RemoveFile(folder + L"\\" + entry.label + L".png");
    }
    return out.OpenSummary(folder + L"\\summary.txt") ? 0 : GetLastError();
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

    // A fault found after the run, said before what the run said.
    void Fail(const std::wstring& fault) { *this = {Outcome::Fail, fault + L"; " + detail}; }
};

// `budget`: the seconds of the whole run, where they were the program's limit.
Verdict Judge(const TestEntry& entry, const ProgramRun& run, const GTestSummary& summary, unsigned budget)
{
    if (run.stopped)
        return {Outcome::Fail, L"stopped by Ctrl+C"};
    if (run.timedOut)
        return {Outcome::Fail, budget ? L"cut short: the run's budget of " + std::to_wstring(budget) + L" s was spent"
                                      : L"ran out of its " + std::to_wstring(entry.seconds) + L" s"};
    if (run.exitCode != 0) {
        if (summary.ran && summary.failed > 0)
            return {Outcome::Fail, std::to_wstring(summary.failed) + L" of " + Count(summary.total, L"test") +
                                       L" failed (" + ExitCodeText(run.exitCode) + L")"};
        return {Outcome::Fail, ExitCodeText(run.exitCode)};
    }
    // Exit 0 with nothing run is a filter or a build that matched no test, not a pass.
    const std::wstring skipped = summary.skipped > 0 ? L", " + std::to_wstring(summary.skipped) + L" skipped" : L"";
    if (summary.passed > 0)
        return {Outcome::Pass, Count(summary.passed, L"test") + skipped + L", " + Tenths(run.seconds) + L" s"};
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
    const DWORD sharing = GetConsoleProcessList(processes, 4);
    if (!GetConsoleMode(input, &mode) || sharing == 0 || sharing > 2)
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
    bool help = false;    // the usage was asked for
    std::vector<std::wstring> names;
};

// 0 on success, else the exit code.
int ParseOptions(int argc, wchar_t** argv, Options& options)
{
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
            options.help = true;
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
    // The kit or the command line is wrong: nothing runs.
    const auto refuse = [&out](const std::wstring& why) {
        out.Line(L"run-tests: " + why);
        return 2;
    };
    const std::wstring kit = FolderOf(bin);
    const std::wstring listPath = options.list.empty() ? bin + L"\\tests.txt" : options.list;
    std::string bytes;
    if (!ReadBytes(listPath, bytes))
        return refuse(L"cannot read " + listPath + L": " + SystemMessage(GetLastError()));
    std::vector<TestEntry> listed, entries;
    const std::wstring error = ParseTestList(DecodeText(bytes), listed);
    if (!error.empty())
        return refuse(listPath + L", " + error);
    for (const std::wstring& name : options.names) {
        const size_t before = entries.size();
        std::copy_if(listed.begin(), listed.end(), std::back_inserter(entries),
                     [&](const TestEntry& entry) { return _wcsicmp(entry.name.c_str(), name.c_str()) == 0; });
        if (entries.size() == before)
            return refuse(L"no program " + name + L" in " + listPath);
    }
    if (options.names.empty())
        entries = listed;
    if (entries.empty())
        return refuse(L"no programs in " + listPath);

    // The kit's own logs folder, or where it cannot be written (a read-only
    // copy, a disc, Program Files), one in the user's temporary folder.
    const std::wstring temp = TempFolder();
    std::wstring logs = kit + L"\\logs";
    std::wstring note;
    if (const DWORD logsError = PrepareLogs(logs, listed, out)) {
        note = L"(" + logs + L" cannot be written: " + SystemMessage(logsError) +
               L"; the logs go to the temporary folder instead)";
        logs = temp + L"\\rgbcolor-tests-logs";
        if (const DWORD again = PrepareLogs(logs, listed, out))
            return refuse(L"cannot write logs to " + logs + L" either: " + SystemMessage(again));
    }
    out.Line(L"Testing the kit in " + kit + L"; logs in " + logs + L"; code page " + std::to_wstring(GetACP()));
    if (!note.empty())
        out.Line(note);

    // Everything the tests write goes under one folder of this run, gone at its end.
    const std::wstring privateRoot = temp + L"\\rgbcolor-tests-" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(privateRoot);
    if (!CreateDirectoryW(LongPath(privateRoot).c_str(), nullptr))
        return refuse(L"cannot make " + privateRoot + L": " + SystemMessage(GetLastError()));

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
        const DWORD spent = GetTickCount() - started, remaining = options.budget * 1000 - spent;
        const bool budgetSpent = options.budget && spent >= options.budget * 1000;
        const bool budgetIsLimit = options.budget && !budgetSpent && remaining < entry.seconds * 1000;
        const DWORD limit = budgetIsLimit ? remaining : entry.seconds * 1000;
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
            if (changed && !run.timedOut && !run.stopped)
                verdict.Fail(L"left " + Count(changed, L"desktop colour") + L" changed (put back)");
            else if (changed)
                verdict.detail += L"; " + Count(changed, L"desktop colour") + L" it changed put back";
            // Tests clean up after themselves: anything left is a fault of the
            // test, unless the runner ended it.
            std::wstring names;
            int left = 0;
            ForEachEntry(folder, [&](const std::wstring& name, DWORD) {
                names += ++left > 3 ? L"" : (left > 1 ? L", " : L"") + name;
            });
            if (left > 3)
                names += L" and " + std::to_wstring(left - 3) + L" more";
            if (left && !run.timedOut && !run.stopped)
                verdict.Fail(L"left files in its temporary folder (" + names + L")");
            if (!DeleteTree(folder))
                verdict.Fail(L"its temporary folder " + folder + L" cannot be deleted");
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
    int code = ParseOptions(argc, argv, options);
    if (code != 0 || options.help)
        out.Line(kUsage);
    else
        code = RunAll(options, FolderOf(ProgramPath()), out);
    if (!options.noPause)
        PauseIfOwnWindow(out);
    return code;
}
