#pragma once
#include <windows.h>

#include <string>

// The runner's lines: to the console as wide text (the kit's folder may hold
// characters of no code page the console uses), to a pipe or file as UTF-8,
// and to the summary file once one is open.
class Output {
public:
    Output();
    ~Output() { CloseSummary(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Starts the summary file afresh; false if it cannot be written.
    bool OpenSummary(const std::wstring& path);
    void CloseSummary();
    void Line(const std::wstring& text);

private:
    HANDLE out_;
    bool console_;
    HANDLE summary_ = INVALID_HANDLE_VALUE;
};
