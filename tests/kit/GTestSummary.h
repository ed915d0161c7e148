#pragma once
#include <string>

// What a GoogleTest program's output says at its end.
struct GTestSummary {
    bool ran = false;  // the "[==========] N tests from M test suites ran." line came
    int total = 0, passed = 0, skipped = 0, failed = 0;
    std::wstring skipReason;  // the message of the first skipped case
};

// A program may start copies of itself that write into the same log: the last
// summary is the program's own.
GTestSummary ParseGTestSummary(const std::wstring& log);
