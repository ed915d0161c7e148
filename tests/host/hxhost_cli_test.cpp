// hxhost.exe from the command line, as a user runs it: clear errors with
// non-zero exits, the filter listed in UTF-8, and runs whose PNGs hold the
// right pixels (whole image, a rectangle, in place), read back with the
// host's own PNG reader. Nothing but the programs beside this one is needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/Image.h"
#include "support/HostSpy.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"

namespace {

// A hung child would hold the whole run up to ctest's timeout; this fails the case instead.
constexpr DWORD kTimeLimitMs = 60000;
constexpr DWORD kLookForBoxesMs = 100;

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

// A box of hxhost (the plug-in's) would wait for a click until the time limit:
// the case fails naming it, and it is closed.
struct Boxes {
    DWORD process;
    std::vector<HWND> closed;
};

BOOL CALLBACK CloseBox(HWND window, LPARAM found)
{
    auto& boxes = *reinterpret_cast<Boxes*>(found);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HostEvent box;
    if (process != boxes.process || !IsWindowVisible(window) || !ReadBox(window, box) ||
        std::find(boxes.closed.begin(), boxes.closed.end(), window) != boxes.closed.end())
        return TRUE;
    ADD_FAILURE() << "hxhost showed a message box that no test expects, closed: \"" << box.caption << "\" " << box.text;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    boxes.closed.push_back(window);
    return TRUE;
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
    Boxes boxes{process.dwProcessId, {}};
    for (DWORD waited = 0; WaitForSingleObject(process.hProcess, kLookForBoxesMs) == WAIT_TIMEOUT;) {
        EnumWindows(CloseBox, reinterpret_cast<LPARAM>(&boxes));
        if ((waited += kLookForBoxesMs) >= kTimeLimitMs) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
            ADD_FAILURE() << "hxhost ran longer than " << kTimeLimitMs << " ms and was stopped";
        }
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

// What differs in the whole of `after` from `before` with red and green
// adjusted by the amounts (value + value * amount / 200, truncated, then
// clamped), blue and alpha kept: how many channels, and the first.
std::string AdjustedWhole(const std::string& before, const std::string& after, int red, int green)
{
    Image in, out;
    std::string error;
    if (!LoadPng(before, in, error) || !LoadPng(after, out, error))
        return error;
    if (out.width != in.width || out.height != in.height)
        return "the size changed";
    auto adjust = [](int value, int amount) { return std::min(255, std::max(0, value + value * amount / 200)); };
    std::size_t wrong = 0, first = 0;
    for (std::size_t i = 0; i < in.bgra.size(); i += 4) {
        const int expected[4] = {in.bgra[i], adjust(in.bgra[i + 1], green), adjust(in.bgra[i + 2], red), in.bgra[i + 3]};
        for (int k = 0; k < 4; ++k)
            if (out.bgra[i + k] != expected[k] && wrong++ == 0)
                first = i;
    }
    if (wrong == 0)
        return "";
    const std::size_t pixel = first / 4;
    return std::to_string(wrong) + " channels differ, the first at (" + std::to_string(pixel % in.width) + ", " +
           std::to_string(pixel / in.width) + ")";
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
    struct Case {
        std::vector<std::string> args;
        DWORD exitCode;
        std::string message;
    };
    std::vector<Case> cases = {
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
    // Modules that lack one entry point each, built beside this program; the
    // one without HXF_Execute by every command, which would call it or not.
    auto lacking = [](const std::string& missing) { return PluginDir() + "\\lacks_" + missing + ".dll"; };
    for (const char* missing : {"HX_GetPluginInfo", "HXF_FilterCount", "HXF_GetName", "HXF_Setup", "HXF_Execute"})
        cases.push_back({{"info", lacking(missing)}, 1, std::string("' does not export ") + missing});
    cases.push_back({{"run", lacking("HXF_Execute"), out}, 1, "' does not export HXF_Execute"});
    cases.push_back({{"setup", lacking("HXF_Execute")}, 1, "' does not export HXF_Execute"});
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
        {{"info", dll}, reinterpret_cast<const char*>(u8"Color|カラー / RGB Color...|RGBカラー...")},
        {{"info", twoFilters}, "filters: 2"},
        {{"info", twoFilters}, reinterpret_cast<const char*>(u8"[1] Color|カラー / Invert|反転")},
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
    WriteAll(Path("kwfilters.ini"), "[RGBColor]\r\nr=100\r\ng=-50\r\n");
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
    // Without a rectangle, the whole image: its last column and row too.
    EXPECT_EQ(AdjustedWhole(Path("card.png"), Path("all.png"), 100, -50), "");
    // The card's red ramp: x is the red value at row 5 (and row 20); r=100 takes 100 to 150.
    const struct {
        const char* file;
        int x, y;
        const char* rgb;
    } pixels[] = {
        {"card.png", 100, 5, "100,0,0"},
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
