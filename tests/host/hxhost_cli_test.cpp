// hxhost.exe from the command line, as a user runs it: clear errors with
// non-zero exits, the filter listed in UTF-8, and runs whose PNGs hold the
// right pixels (whole image, a rectangle, in place), read back with the
// host's own PNG reader. Nothing but the programs beside this one is needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/Image.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"

namespace {

// A hung child would hold the whole run up to ctest's timeout; this fails the case instead.
constexpr DWORD kTimeLimitMs = 60000;

struct HostResult {
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr interleaved, as a console shows them
};

// One argument as the C runtime splits a command line: quoted, with the
// backslashes before a quote (or the closing quote) doubled.
std::wstring Quoted(const std::wstring& arg)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string Shown(const std::vector<std::string>& args)
{
    std::string line = "hxhost";
    for (const std::string& arg : args)
        line += " " + arg;
    return line;
}

HostResult RunHost(const std::string& folder, const std::vector<std::string>& args)
{
    HostResult result;
    std::wstring line = Quoted(WideFromAnsi(PluginDir() + "\\hxhost.exe"));
    for (const std::string& arg : args)
        line += L" " + Quoted(WideFromAnsi(arg));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        WideFromAnsi(folder).c_str(), &startup, &process);
    const DWORD startError = GetLastError();
    // Only the child may hold the write end now, so that the read ends when the child does.
    CloseHandle(writeEnd);
    CloseHandle(input);
    if (!started) {
        CloseHandle(readEnd);
        ADD_FAILURE() << "cannot start hxhost.exe (error " << startError << ")";
        return result;
    }
    // Read while the child runs: a child whose output fills the pipe would wait for us forever.
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            result.output.append(buffer, got);
    });
    if (WaitForSingleObject(process.hProcess, kTimeLimitMs) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        ADD_FAILURE() << "hxhost ran longer than " << kTimeLimitMs << " ms and was stopped";
    }
    reader.join();
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return result;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Resource(const char* name)
{
    HRSRC found = FindResourceA(nullptr, name, RT_RCDATA);
    if (!found)
        return "";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(bytes, SizeofResource(nullptr, found));
}

// "r,g,b" of one pixel, or the reader's error.
std::string Rgb(const std::string& png, int x, int y)
{
    Image image;
    std::string error;
    if (!LoadPng(png, image, error))
        return error;
    const std::uint8_t* p = &image.bgra[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return std::to_string(p[2]) + "," + std::to_string(p[1]) + "," + std::to_string(p[0]);
}

// A work folder with its own copy of the plug-in, so that the settings file beside it is the test's alone.
class HostCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(BuiltPluginPath().c_str(), dll.c_str(), FALSE)) << BuiltPluginPath();
        ASSERT_TRUE(CopyFileA((PluginDir() + "\\rgbcolor_twofilters.dll").c_str(), twoFilters.c_str(), FALSE));
    }
    void TearDown() override { RemoveTree(work); }

    std::string Path(const std::string& name) const { return work + "\\" + name; }
    HostResult Run(const std::vector<std::string>& args) const { return RunHost(work, args); }

    const std::string work = MakeTempFolder();
    const std::string dll = Path("rgbcolor.dll");
    const std::string twoFilters = Path("rgbcolor_twofilters.dll");  // RGB Color, then Invert
};

TEST_F(HostCli, RefusesBadInputWithAMessageAndANonZeroExit)
{
    const std::string seeds[] = {"HUGE_HEADER", "TRUNCATED"};
    for (const std::string& seed : seeds) {
        const std::string bytes = Resource(seed.c_str());
        ASSERT_FALSE(bytes.empty()) << seed;
        WriteAll(Path(seed), bytes);
    }
    const std::string out = Path("out.png");
    const struct {
        std::vector<std::string> args;
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {{"bogus"}, 2, "usage"},
        {{"info", Path("missing.dll")}, 1, "cannot load plug-in"},
        {{"run", dll, Path("missing.png"), out}, 1, "cannot read image"},
        {{"run", dll, "--rect", "1,2", out}, 1, "needs L,T,R,B"},
        {{"run", dll, "--rect", "0,0,4294967298,5", out}, 1, "four 32-bit numbers"},
        {{"run", dll, "--rect", "0,0,999,5", out}, 1, "outside the 256x192 image"},
        {{"run", dll, "--rect", "9,0,5,5", out}, 1, "inverted"},
        {{"run", dll, "--index", "4294967296", out}, 1, "32-bit number"},
        {{"run", dll, Path("HUGE_HEADER"), out}, 1, "9000x9000; this host takes at most"},
        {{"run", dll, Path("TRUNCATED"), out}, 1, "cannot read image"},
        {{"run", dll, "--fast", out}, 1, "unknown option"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Shown(c.args));
        const HostResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    }
}

TEST_F(HostCli, InfoListsTheFilterInUtf8AndSetupWithAnInvalidIndexReturnsZeroWithoutADialog)
{
    const struct {
        std::vector<std::string> args;
        const char* printed;
    } cases[] = {
        {{"info", dll}, u8"Color|カラー / RGB Color...|RGBカラー..."},
        {{"info", twoFilters}, "filters: 2"},
        {{"info", twoFilters}, u8"[1] Color|カラー / Invert|反転"},
        {{"setup", dll, "--index", "7"}, "returned 0"},
    };
    for (const auto& c : cases) {
        const HostResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 0u) << Shown(c.args);
        EXPECT_NE(result.output.find(c.printed), std::string::npos) << Shown(c.args) << ": " << result.output;
    }
}

TEST_F(HostCli, RunsAdjustTheTestCardWholeWithinARectangleAndInPlace)
{
    WriteAll(Path("kwfilters.ini"), "[RGBColor]\r\nr=100\r\n");
    const std::vector<std::string> runs[] = {
        {"card", Path("card.png")},
        {"run", dll, Path("card.png"), Path("all.png")},
        {"run", dll, "--rect", "0,0,128,16", Path("card.png"), Path("part.png")},
        {"run", dll, "--in-place", Path("card.png"), Path("inplace.png")},
        {"run", twoFilters, "--index", "1", Path("card.png"), Path("inverted.png")},
    };
    for (const auto& args : runs) {
        const HostResult result = Run(args);
        ASSERT_EQ(result.exitCode, 0u) << Shown(args) << ": " << result.output;
    }
    // The card's red ramp: x is the red value at row 5 (and row 20); r=100 takes 100 to 150.
    const struct {
        const char* file;
        int x, y;
        const char* rgb;
    } pixels[] = {
        {"card.png", 100, 5, "100,0,0"},
        {"all.png", 100, 5, "150,0,0"},
        {"all.png", 200, 5, "255,0,0"},    // clamped
        {"part.png", 100, 5, "150,0,0"},   // inside the rectangle
        {"part.png", 200, 5, "200,0,0"},   // right of it
        {"part.png", 100, 20, "100,0,0"},  // below it
        {"inverted.png", 100, 5, "155,255,255"},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(Rgb(Path(p.file), p.x, p.y), p.rgb) << p.file << " at " << p.x << "," << p.y;
    EXPECT_TRUE(ReadAll(Path("all.png")) == ReadAll(Path("inplace.png"))) << "in place differs from separate buffers";
}

}  // namespace
