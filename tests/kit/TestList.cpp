#include "tests/kit/TestList.h"

#include <cwchar>
#include <cwctype>
#include <sstream>

unsigned ParseSeconds(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const unsigned long seconds = std::wcstoul(text.c_str(), &end, 10);
    return !text.empty() && text[0] >= L'0' && text[0] <= L'9' && !*end && seconds <= 86400 ? seconds : 0;
}

bool ParseTestList(const std::wstring& text, std::vector<TestEntry>& entries, std::wstring& error)
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
        if (entry.seconds == 0) {
            error = where + L"\"" + first + L"\" is not a time limit in seconds (1 to 86400)";
            return false;
        }
        if (!(words >> entry.name) || entry.name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
            error = where + L"no program name after the time limit";
            return false;
        }
        std::getline(words >> std::ws, entry.arguments);
        while (!entry.arguments.empty() && std::iswspace(entry.arguments.back()))
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
