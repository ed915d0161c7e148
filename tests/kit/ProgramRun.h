#pragma once
#include <windows.h>

#include <string>

// How one test program ended.
struct ProgramRun {
    DWORD startError = 0;  // non-zero: it never started (or its log could not be made)
    bool timedOut = false;
    bool stopped = false;  // the user asked the runner to stop
    DWORD exitCode = 0;
    double seconds = 0;
};

// Runs `exe arguments` in `folder` (also its TEMP and TMP), stdin from NUL,
// stdout and stderr into `log`, for at most `milliseconds`. The program and every
// process it starts run in a job and end with it. Setting `stop` ends it early.
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                      const std::wstring& log, DWORD milliseconds, HANDLE stop);
