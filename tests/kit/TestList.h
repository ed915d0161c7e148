#pragma once
#include <string>
#include <vector>

// One line of tests.txt: "SECONDS NAME [ARGUMENTS...]".
struct TestEntry {
    unsigned seconds = 0;
    std::wstring name;       // bin\NAME.exe
    std::wstring arguments;  // the rest of the line, as written
    std::wstring label;      // the name of its log and temp folder: NAME, or NAME-2 for its second line
};

// A time limit of 1 to 86400 seconds, or 0 where `text` is none.
unsigned ParseSeconds(const std::wstring& text);

// The entries of a list in file order, blank lines and "#" comments skipped.
// False with the line and what is wrong with it in `error`.
bool ParseTestList(const std::wstring& text, std::vector<TestEntry>& entries, std::wstring& error);
