#include "tests/kit/GTestSummary.h"

namespace {

// The count after `prefix` at the start of `line`, or -1.
int CountAfter(const std::wstring& line, const wchar_t* prefix)
{
    const std::wstring head = prefix;
    if (line.compare(0, head.size(), head) != 0 || line.size() == head.size())
        return -1;
    int count = -1;
    for (size_t i = head.size(); i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i)
        count = (count < 0 ? 0 : count * 10) + (line[i] - L'0');
    return count;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

GTestSummary ParseGTestSummary(const std::wstring& log)
{
    GTestSummary summary;
    bool reasonNext = false;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find(L'\n', start);
        if (end == std::wstring::npos)
            end = log.size();
        std::wstring line = log.substr(start, end - start);
        start = end + 1;
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
            if (EndsWith(line, L": Skipped"))
                reasonNext = true;
        }
    }
    return summary;
}
