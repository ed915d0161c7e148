#include "tests/kit/GTestSummary.h"

#include <cwchar>
#include <cwctype>
#include <sstream>

namespace {

// The count after `prefix` at the start of `line`, or -1.
int CountAfter(const std::wstring& line, const wchar_t* prefix)
{
    const size_t n = std::wcslen(prefix);
    return line.compare(0, n, prefix) == 0 && std::iswdigit(line[n]) ? std::wcstol(&line[n], nullptr, 10) : -1;
}

}  // namespace

GTestSummary ParseGTestSummary(const std::wstring& log)
{
    GTestSummary summary;
    bool reasonNext = false;
    std::wistringstream lines(log);
    for (std::wstring line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();

        int count;
        if ((count = CountAfter(line, L"[==========] ")) >= 0 && line.find(L" ran.") != std::wstring::npos) {
            summary.ran = true;
            summary.total = count;
            summary.passed = summary.skipped = summary.failed = 0;
        } else if ((count = CountAfter(line, L"[  PASSED  ] ")) >= 0) {
            summary.passed = count;
        } else if ((count = CountAfter(line, L"[  SKIPPED ] ")) >= 0) {
            summary.skipped = count;
        } else if ((count = CountAfter(line, L"[  FAILED  ] ")) >= 0) {
            summary.failed = count;
        }

        // "FILE(LINE): Skipped" (MSVC) or "FILE:LINE: Skipped", then the message.
        if (summary.skipReason.empty()) {
            if (reasonNext && !line.empty()) {
                if (line[0] != L'[')
                    summary.skipReason = line;
                reasonNext = false;
            }
            const std::wstring skipped = L": Skipped";
            reasonNext = reasonNext || (line.size() >= skipped.size() &&
                                        line.compare(line.size() - skipped.size(), skipped.size(), skipped) == 0);
        }
    }
    return summary;
}
