#include "tests/kit/ProgramRun.h"

#include <algorithm>

#include "tests/wine/support/Platform.h"

namespace {

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
    for (int i = 0; i < 100; ++i) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
        if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                       nullptr) ||
            accounting.ActiveProcesses == 0)
            break;
        Sleep(50);
    }
}

// Once a press still on its way has landed, what is down goes up: Shift (which
// turns the user's Delete into a delete for good), Ctrl, Alt and the physical
// mouse buttons. Only what is down: a lone release of Alt opens a menu, of a
// button clicks, and a key the person at the machine holds stays theirs.
void ReleaseHeldInput()
{
    static const struct {
        WORD key;
        DWORD flags;  // a key's, or a button's release
    } releases[] = {{VK_LSHIFT, 0}, {VK_RSHIFT, 0}, {VK_LCONTROL, 0}, {VK_RCONTROL, KEYEVENTF_EXTENDEDKEY},
                    {VK_LMENU, 0}, {VK_RMENU, KEYEVENTF_EXTENDEDKEY}, {VK_LBUTTON, MOUSEEVENTF_LEFTUP},
                    {VK_RBUTTON, MOUSEEVENTF_RIGHTUP}, {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP}};
    Sleep(200);
    for (const auto& r : releases) {
        INPUT release = {};
        release.type = r.key <= VK_MBUTTON ? INPUT_MOUSE : INPUT_KEYBOARD;
        release.mi.dwFlags = r.flags;
        if (release.type == INPUT_KEYBOARD)
            release.ki = KEYBDINPUT{r.key, static_cast<WORD>(MapVirtualKeyW(r.key, MAPVK_VK_TO_VSC)),
                                    r.flags | KEYEVENTF_KEYUP, 0, 0};
        if (GetAsyncKeyState(r.key) < 0)
            SendInput(1, &release, sizeof release);
    }
}

}  // namespace

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
    if (!created)
        run.startError = GetLastError();
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
    ReleaseHeldInput();
    return run;
}
