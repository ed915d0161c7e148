#include "tests/kit/Output.h"

#include "tests/wine/support/Platform.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return "";
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
    return bytes;
}

void WriteBytes(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

Output::Output() : out_(GetStdHandle(STD_OUTPUT_HANDLE))
{
    DWORD mode = 0;
    console_ = GetConsoleMode(out_, &mode) != 0;
}

void Output::CloseSummary()
{
    if (summary_ != INVALID_HANDLE_VALUE)
        CloseHandle(summary_);
    summary_ = INVALID_HANDLE_VALUE;
}

bool Output::OpenSummary(const std::wstring& path)
{
    summary_ = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (summary_ == INVALID_HANDLE_VALUE)
        return false;
    WriteBytes(summary_, "\xEF\xBB\xBF");  // Notepad of any Windows reads it as UTF-8
    return true;
}

void Output::Line(const std::wstring& text)
{
    const std::wstring line = text + L"\r\n";
    if (console_) {
        DWORD written = 0;
        WriteConsoleW(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else if (out_ && out_ != INVALID_HANDLE_VALUE) {
        WriteBytes(out_, Utf8(line));
    }
    if (summary_ != INVALID_HANDLE_VALUE)
        WriteBytes(summary_, Utf8(line));
}
