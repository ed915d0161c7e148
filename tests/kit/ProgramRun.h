#pragma once
#include <windows.h>

#include <functional>
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
// `watch` is called a few times a second while it runs, with true once just
// before the runner ends it. Afterwards what the program may have left held
// down is released (a program ended or crashed cannot let go of it).
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                      const std::wstring& log, DWORD milliseconds, HANDLE stop,
                      const std::function<void(bool ending)>& watch);
