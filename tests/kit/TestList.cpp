#include "tests/kit/TestList.h"

#include <cwchar>

namespace {

bool Blank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r';
}

std::wstring NextWord(const std::wstring& line, size_t& at)
{
    while (at < line.size() && Blank(line[at]))
        ++at;
    const size_t start = at;
    while (at < line.size() && !Blank(line[at]))
        ++at;
    return line.substr(start, at - start);
}

}  // namespace

unsigned ParseSeconds(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const unsigned long seconds = std::wcstoul(text.c_str(), &end, 10);
    return !text.empty() && text[0] >= L'0' && text[0] <= L'9' && !*end && seconds <= 86400 ? seconds : 0;
}

bool ParseTestList(const std::wstring& text, std::vector<TestEntry>& entries, std::wstring& error)
{
    size_t start = 0;
    for (int number = 1; start <= text.size(); ++number) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        start = end + 1;
        size_t at = 0;
        const std::wstring first = NextWord(line, at);
        if (first.empty() || first[0] == L'#')
            continue;
        const std::wstring where = L"line " + std::to_wstring(number) + L": ";
        const unsigned seconds = ParseSeconds(first);
        if (seconds == 0) {
            error = where + L"\"" + first + L"\" is not a time limit in seconds (1 to 86400)";
            return false;
        }
        TestEntry entry;
        entry.seconds = seconds;
        entry.name = NextWord(line, at);
        if (entry.name.empty() || entry.name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
            error = where + L"no program name after the time limit";
            return false;
        }
        while (at < line.size() && Blank(line[at]))
            ++at;
        entry.arguments = line.substr(at);
        while (!entry.arguments.empty() && Blank(entry.arguments.back()))
            entry.arguments.pop_back();
        // Windows file names ignore case: "Foo" and "foo" would share a log.
        int count = 1;
        for (const TestEntry& earlier : entries)
            count += _wcsicmp(earlier.name.c_str(), entry.name.c_str()) == 0;
        entry.label = count == 1 ? entry.name : entry.name + L"-" + std::to_wstring(count);
        entries.push_back(entry);
    }
    return true;
}
