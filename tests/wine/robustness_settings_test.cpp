// Hostile and odd settings files, and plug-in folders with double-byte and
// very long names: runs and the dialog either use what the platform's profile
// reader makes of the file or refuse with the error box; they never crash,
// never touch a pixel outside the rectangle, and never write anywhere but
// beside the DLL.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filters/rgbcolor/RgbColorIds.h"
#include "resources/resource.h"
#include "support/DialogDriver.h"
#include "support/HostSpy.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"
#include "support/DialogControls.h"

namespace {

constexpr int kPitch = 24, kRows = 12;
const ImageRect kRect{4, 2, 20, 10};

int Adjust(int value, int amount)
{
    int p = value * amount;
    int q = p < 0 ? -((-p) / 200) : p / 200;
    int s = value + q;
    return s < 0 ? 0 : s > 255 ? 255 : s;
}

std::vector<Bgra32> Image(unsigned seed)
{
    std::vector<Bgra32> image(kPitch * kRows);
    for (std::size_t i = 0; i < image.size(); ++i) {
        unsigned v = (static_cast<unsigned>(i) + seed) * 2654435761u;
        std::memcpy(&image[i], &v, 4);
    }
    return image;
}

struct Stored {
    int r, g, b, preview;
};

// What the platform's integer reading makes of the file: the oracle.
Stored ReadAsPlatform(const std::string& path)
{
    auto get = [&](const char* key) { return static_cast<int>(GetPrivateProfileIntA("RGBColor", key, 0, path.c_str())); };
    return {get("r"), get("g"), get("b"), get("preview")};
}

bool InRange(int v)
{
    return v >= -100 && v <= 100;
}

// One run over kRect: either every pixel inside is adjusted with the stored
// amounts, or (an amount out of range) the error box came and nothing changed;
// outside the rectangle nothing ever changes.
void ExpectRunFollowsTheFile(PluginSandbox& plugin, const std::string& what)
{
    const Stored s = ReadAsPlatform(plugin.SettingsPath());
    const bool valid = InRange(s.r) && InRange(s.g) && InRange(s.b);
    std::vector<Bgra32> src = Image(1), dst = Image(2), before = dst;
    HostSpy spy;
    OwnerWindow owner;
    plugin.Execute(0, owner.Handle(), src.data(), dst.data(), &kRect, kPitch, nullptr, 0);
    EXPECT_EQ(spy.Count(HostEvent::MessageBox), valid ? 0 : 1) << what;
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kPitch; ++x) {
            const int i = y * kPitch + x;
            const bool inside = x >= kRect.left && x < kRect.right && y >= kRect.top && y < kRect.bottom;
            if (!inside || !valid) {
                ASSERT_EQ(std::memcmp(&dst[i], &before[i], 4), 0) << what << ": pixel " << x << "," << y;
            } else {
                ASSERT_EQ(dst[i].red, Adjust(src[i].red, s.r)) << what;
                ASSERT_EQ(dst[i].green, Adjust(src[i].green, s.g)) << what;
                ASSERT_EQ(dst[i].blue, Adjust(src[i].blue, s.b)) << what;
                ASSERT_EQ(dst[i].alpha, src[i].alpha) << what;
            }
        }
}

std::string Utf16WithBom(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct HostileFile {
    const char* name;
    std::string bytes;
};

std::vector<HostileFile> HostileFiles()
{
    auto keys = [](const std::string& name, std::size_t bytes) {
        std::string lines;
        for (int i = 0; lines.size() < bytes; ++i)
            lines += name + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
        return lines;
    };
    const std::string big = "[Big]\r\n" + keys("key", 1u << 20);
    return {
        {"garbage bytes", std::string("\x01\x02\xFF\xFE\x00garbage\x81\r\n[RGBColor\r\nr=7", 28)},
        {"garbage values", "[RGBColor]\r\nr=abc\r\ng=\x83\x5C\r\nb=--5\r\npreview=yes\r\n"},
        {"blanks", "[RGBColor]\r\n r = 5 \r\ng=\r\nb=   -7\r\n\r\n\r\n"},
        {"beyond 32 bits", "[RGBColor]\r\nr=99999999999\r\ng=-99999999999\r\nb=4294967296\r\n"},
        {"hex, plus, trailing letters", "[RGBColor]\r\nr=0x10\r\ng=+5\r\nb=5abc\r\npreview=0x1\r\n"},
        {"missing section", "[Other]\r\nr=50\r\ng=50\r\n"},
        {"duplicated keys", "[RGBColor]\r\nr=5\r\nr=150\r\ng=-3\r\ng=9\r\n"},
        {"duplicated sections", "[RGBColor]\r\nr=10\r\n[Other]\r\nx=1\r\n[RGBColor]\r\ng=20\r\n"},
        {"empty file", ""},
        {"1 MiB file", big + "[RGBColor]\r\nr=-40\r\nb=33\r\npreview=1\r\n"},
        // More than the first read of the section takes.
        {"10 KB section", "[RGBColor]\r\n" + keys("before", 5000) + "r=-30\r\ng=45\r\nb=7\r\npreview=1\r\n" +
                              keys("after", 5000) + "[Other]\r\nx=1\r\n"},
        {"UTF-16 with a byte-order mark", Utf16WithBom("[RGBColor]\r\nr=40\r\ng=-60\r\npreview=1\r\n")},
        {"a 100,000-character line", "[RGBColor]\r\nr=" + std::string(100000, '9') + "\r\ng=12\r\n"},
        {"out of range", "[RGBColor]\r\nr=20\r\ng=101\r\n"},
    };
}

// The lines of section RGBColor other than those of its four keys, in order.
std::vector<std::string> OtherLines(const std::string& path)
{
    std::vector<char> section(1u << 20);
    const DWORD length = GetPrivateProfileSectionA("RGBColor", section.data(), section.size(), path.c_str());
    std::vector<std::string> lines;
    for (const char* line = section.data(); line < section.data() + length; line += std::strlen(line) + 1) {
        std::string key(line, std::strcspn(line, "="));
        key.erase(key.find_last_not_of(" \t") + 1);
        key.erase(0, key.find_first_not_of(" \t"));
        if (lstrcmpiA(key.c_str(), "r") && lstrcmpiA(key.c_str(), "g") && lstrcmpiA(key.c_str(), "b") &&
            lstrcmpiA(key.c_str(), "preview"))
            lines.push_back(line);
    }
    return lines;
}

TEST(HostileSettings, RunsUseWhatThePlatformReadsOrRefuse)
{
    PluginSandbox plugin;
    for (const HostileFile& file : HostileFiles()) {
        plugin.WriteSettings(file.bytes);
        ExpectRunFollowsTheFile(plugin, file.name);
    }
    // A kit from a disc or a read-only share: the copies are read-only (CopyFile
    // keeps the attribute), and the sandbox still goes (its end checks that).
    for (const std::string& path : {plugin.DllPath(), plugin.SettingsPath(), plugin.Folder()})
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ExpectRunFollowsTheFile(plugin, "read-only");
}

TEST(HostileSettings, ASettingsPathThatIsAFolderReadsAsNoFile)
{
    PluginSandbox plugin;
    ASSERT_TRUE(CreateDirectoryA(plugin.SettingsPath().c_str(), nullptr));
    ExpectRunFollowsTheFile(plugin, "folder");
    std::vector<Bgra32> src = Image(3), dst(src.size());
    plugin.Execute(0, nullptr, src.data(), dst.data(), &kRect, kPitch, nullptr, 0);
    EXPECT_EQ(std::memcmp(&src[2 * kPitch + 4], &dst[2 * kPitch + 4], 4), 0) << "amounts 0: a copy";
}

TEST(HostileSettings, TheDialogShowsValidAmountsAndOkWritesValidOnesKeepingTheRest)
{
    PluginSandbox plugin;
    std::vector<Bgra32> image = Image(4);
    for (const HostileFile& file : HostileFiles()) {
        if (file.bytes.size() > 4096 && file.bytes.size() > (1u << 19))
            continue;  // the 1 MiB file is covered by runs; re-reading it here only costs time
        plugin.WriteSettings(file.bytes);
        const Stored s = ReadAsPlatform(plugin.SettingsPath());
        char other[64] = {};
        GetPrivateProfileStringA("Other", "x", "(none)", other, sizeof other, plugin.SettingsPath().c_str());
        const std::vector<std::string> others = OtherLines(plugin.SettingsPath());
        std::string shown[3];
        DialogDriver driver;
        driver.Then([&](HWND d) {
            const int stored[3] = {s.r, s.g, s.b};
            const int fields[3] = {IDC_RED_EDIT, IDC_GREEN_EDIT, IDC_BLUE_EDIT};
            const int sliders[3] = {IDC_RED_SLIDER, IDC_GREEN_SLIDER, IDC_BLUE_SLIDER};
            for (int c = 0; c < 3; ++c) {
                const int expected = InRange(stored[c]) ? stored[c] : 0;
                EXPECT_EQ(FieldText(d, fields[c]), std::to_string(expected)) << file.name << " channel " << c;
                EXPECT_EQ(SendDlgItemMessageA(d, sliders[c], TBM_GETPOS, 0, 0), expected) << file.name;
                shown[c] = FieldText(d, fields[c]);
            }
            EXPECT_EQ(IsDlgButtonChecked(d, IDC_PREVIEW_CHECK) == BST_CHECKED, s.preview != 0) << file.name;
            ClickControl(d, IDOK);
        });
        EXPECT_EQ(driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), kPitch, kRows); }), 1)
            << file.name;
        const Stored after = ReadAsPlatform(plugin.SettingsPath());
        EXPECT_EQ(std::to_string(after.r), shown[0]) << file.name;
        EXPECT_EQ(std::to_string(after.g), shown[1]) << file.name;
        EXPECT_EQ(std::to_string(after.b), shown[2]) << file.name;
        EXPECT_EQ(after.preview, s.preview != 0 ? 1 : 0) << file.name;
        char otherAfter[64] = {};
        GetPrivateProfileStringA("Other", "x", "(none)", otherAfter, sizeof otherAfter, plugin.SettingsPath().c_str());
        EXPECT_STREQ(otherAfter, other) << file.name << ": another section must survive";
        const std::vector<std::string> othersAfter = OtherLines(plugin.SettingsPath());
        EXPECT_TRUE(othersAfter == others) << file.name << ": the section's other " << others.size()
                                           << " lines must stay, in order; after OK: " << othersAfter.size();
        ExpectRunFollowsTheFile(plugin, std::string(file.name) + ", after OK");
    }
}

// "ソフト" and "表示" end in the byte 0x5C, the code of a backslash.
const std::string kSofuto = "ソフト";
const std::string kHyouji = "表示";

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(PluginPaths, DoubleByteFolderAndFileNamesFindTheirSettings)
{
    HX_SKIP_WITHOUT_JAPANESE_CODE_PAGE();
    ASSERT_EQ(kSofuto[1], '\x5C');
    ASSERT_EQ(kHyouji[1], '\x5C');
    const std::string folders[] = {kSofuto, kHyouji + "\\" + kSofuto, "plain"};
    const std::string files[] = {"rgbcolor.dll", kSofuto + ".dll", kHyouji + ".dll"};
    const std::string elsewhere = MakeTempFolder();
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(elsewhere.c_str());  // a host's working folder is not the plug-in's
    for (const std::string& folder : folders) {
        for (const std::string& file : files) {
            const std::string what = folder + "\\" + file;
            PluginSandbox plugin(folder, file);
            ASSERT_NE(plugin.Module(), nullptr) << what;
            plugin.WriteSettings("[RGBColor]\r\nr=100\r\ng=-100\r\n");
            std::vector<Bgra32> src(4, Bgra32{100, 100, 100, 7}), dst(4);
            ImageRect rect{0, 0, 4, 1};
            plugin.Execute(0, nullptr, src.data(), dst.data(), &rect, 4, nullptr, 0);
            EXPECT_EQ(dst[0].red, 150) << what << ": the settings beside the DLL were not read";
            EXPECT_EQ(dst[0].green, 50) << what;

            // The dialog's OK writes there too, and nowhere else.
            plugin.RemoveSettings();
            std::vector<Bgra32> image(16, Bgra32{1, 2, 3, 255});
            DialogDriver driver;
            driver.Then([&](HWND d) {
                SetFocus(GetDlgItem(d, IDC_BLUE_EDIT));
                SendDlgItemMessageA(d, IDC_BLUE_EDIT, EM_SETSEL, 0, -1);
                TypeText("42");
            }).Then([&](HWND d) { ClickControl(d, IDOK); });
            EXPECT_EQ(driver.Run([&](HWND owner) { return plugin.Setup(0, owner, image.data(), 4, 4); }), 1) << what;
            EXPECT_EQ(GetPrivateProfileIntA("RGBColor", "b", 0, plugin.SettingsPath().c_str()), 42) << what;
            EXPECT_FALSE(Exists(elsewhere + "\\kwfilters.ini")) << what << ": written into the working folder";
        }
    }
    SetCurrentDirectoryA(previous);
    RemoveTree(elsewhere);
}

// A folder of exactly `length` characters under %TEMP% (made through the
// wide API, whose \\?\ form has no 248-character limit).
std::string FolderOfLength(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        const std::size_t room = length - path.size() - 1;  // one for the backslash
        path += "\\" + std::string(room > 60 ? 60 : room, 'd');
        CreateDirectoryW(LongPath(WideFromAnsi(path)).c_str(), nullptr);
    }
    return path;
}

void WriteWide(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadWide(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char chunk[256];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return bytes;
}

TEST(PluginPaths, AFolderAtTheLimitStillWorks)
{
    const std::string base = MakeTempFolder();
    // Folder + "\kwfilters.ini" + NUL is 260 bytes exactly: still a path.
    const std::string folder = FolderOfLength(base, 245);
    const std::string dll = folder + "\\a.dll";
    ASSERT_TRUE(CopyFileA(BuiltPluginPath().c_str(), dll.c_str(), FALSE)) << GetLastError();
    const std::string settings = folder + "\\kwfilters.ini";
    ASSERT_EQ(settings.size(), 259u);
    WritePrivateProfileStringA("RGBColor", "r", "-100", settings.c_str());
    HMODULE module = LoadLibraryA(dll.c_str());
    ASSERT_NE(module, nullptr);
    using ExecuteProc = std::int32_t(__stdcall*)(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                 std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                 std::uint32_t, void*, std::uint32_t);
    auto execute = reinterpret_cast<ExecuteProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "HXF_Execute")));
    Bgra32 src{10, 10, 200, 255}, dst{};
    ImageRect rect{0, 0, 1, 1};
    auto u = [](const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); };
    execute(0, 0, u(&src), u(&dst), 0, u(&rect), 0, 1, 0, nullptr, 0);
    EXPECT_EQ(dst.red, 100) << "the settings file at the 260-byte limit was not read";
    FreeLibrary(module);
    EXPECT_TRUE(RemoveTree(base));
}

// A %TEMP% with no ANSI name (a Japanese user name under code page 1252):
// sandboxes are made through its short name, and the plug-in there reads its settings.
TEST(PluginPaths, ATempFolderWithoutAnAnsiNameIsReachedThroughItsShortName)
{
    const std::string top = MakeTempFolder();
    const std::wstring temp = WideFromAnsi(top) + L"\\\U00020BB7\u91CE\u5BB6";
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    if (AnsiPath(temp).empty()) {
        RemoveTree(top);
        GTEST_SKIP() << "this volume makes no short names";
    }
    std::wstring saved[2];
    const wchar_t* names[2] = {L"TMP", L"TEMP"};
    for (int i = 0; i < 2; ++i) {
        saved[i].resize(32768);
        saved[i].resize(GetEnvironmentVariableW(names[i], &saved[i][0], 32768));
        SetEnvironmentVariableW(names[i], temp.c_str());
    }
    {
        PluginSandbox plugin;  // says so when it cannot load
        const std::string leaf = plugin.Folder().substr(plugin.Folder().rfind('\\') + 1);
        EXPECT_NE(GetFileAttributesW((temp + L"\\" + WideFromAnsi(leaf)).c_str()), INVALID_FILE_ATTRIBUTES)
            << plugin.Folder() << " is not in the temporary folder";
        plugin.WriteSettings("[RGBColor]\r\nr=-100\r\n");
        Bgra32 src{10, 10, 200, 255}, dst{};
        ImageRect rect{0, 0, 1, 1};
        if (plugin.Module())
            plugin.Execute(0, nullptr, &src, &dst, &rect, 1, nullptr, 0);
        EXPECT_EQ(dst.red, 100) << "the settings in " << plugin.Folder() << " were not read";
    }
    for (int i = 0; i < 2; ++i)
        SetEnvironmentVariableW(names[i], saved[i].empty() ? nullptr : saved[i].c_str());
    EXPECT_TRUE(RemoveTree(top));
}

// The plug-in's host is this executable: here, and as the child that the test
// below starts from a copy of it in each of its folders.
TEST(PluginPaths, TheHostHearsTheQueryBeforeAnErrorBox)
{
    PluginSandbox plugin;
    plugin.WriteSettings("[RGBColor]\r\nr=101\r\n");
    HostSpy spy;
    OwnerWindow owner;
    std::vector<Bgra32> src = Image(1), dst = Image(2);
    plugin.Execute(0, owner.Handle(), src.data(), dst.data(), &kRect, kPitch, nullptr, 0);
    ASSERT_EQ(spy.Events().size(), 2u) << "the query and the box";
    EXPECT_EQ(spy.Events()[0].kind, HostEvent::Query);
    EXPECT_EQ(spy.Events()[0].code, 5);
    EXPECT_EQ(spy.Events()[1].kind, HostEvent::MessageBox);
}

// Folders whose settings path the plug-in cannot name with the ANSI functions
// it uses: it neither reads a settings file there (amounts 0) nor writes one
// anywhere, and OK says it cannot store. A host executable there still hears
// the plug-in's query.
TEST(PluginPaths, FoldersWithoutAnAnsiSettingsPathReadAndWriteNothing)
{
    struct Folder {
        const char* what;
        std::wstring leaf;   // empty: the folder four characters beyond the limit
        std::wstring decoy;  // a folder beside it that its ANSI name would name, or none
    };
    const Folder folders[] = {
        {"beyond the 260-byte limit", L"", L""},
        // U+20BB7, a form of 吉 in Japanese names, has no code page 932 byte:
        // the ANSI path holds '?' there.
        {"a character outside code page 932", L"\U00020BB7\u91CE\u5BB6", L""},
        // The ANSI path of "Café" is "Cafe", by the system's best fit (code
        // page 932 has no é; 1252 has, and the folder is an ANSI one there).
        {"a character whose ANSI look-alike names another folder", L"Caf\u00E9", L"Cafe"},
    };
    for (const Folder& f : folders) {
        if (!f.decoy.empty() && !JapaneseCodePage()) {
            std::printf("left out in code page %u: %s\n", GetACP(), f.what);
            continue;
        }
        const std::string top = MakeTempFolder();
        const std::wstring base = WideFromAnsi(top);
        const std::wstring folder = f.leaf.empty() ? WideFromAnsi(FolderOfLength(top, 249)) : base + L"\\" + f.leaf;
        CreateDirectoryW(LongPath(folder).c_str(), nullptr);
        const std::wstring dll = folder + L"\\a.dll";
        ASSERT_TRUE(CopyFileW(WideFromAnsi(BuiltPluginPath()).c_str(), dll.c_str(), FALSE)) << f.what;
        const std::string body = "[RGBColor]\r\nr=-100\r\n";
        WriteWide(folder + L"\\kwfilters.ini", body);
        const std::wstring decoy = base + L"\\" + f.decoy + L"\\kwfilters.ini";
        if (!f.decoy.empty()) {
            CreateDirectoryW((base + L"\\" + f.decoy).c_str(), nullptr);
            WriteWide(decoy, body);
        }

        HMODULE module = LoadLibraryW(dll.c_str());
        ASSERT_NE(module, nullptr) << f.what << ": error " << GetLastError();
        using SetupProc = std::int32_t(__stdcall*)(std::int32_t, HWND, Bgra32*, std::int32_t, std::int32_t);
        using ExecuteProc = std::int32_t(__stdcall*)(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                     std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                     std::uint32_t, void*, std::uint32_t);
        auto execute = reinterpret_cast<ExecuteProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "HXF_Execute")));
        auto setup = reinterpret_cast<SetupProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "HXF_Setup")));
        Bgra32 src{10, 10, 200, 255}, dst{};
        ImageRect rect{0, 0, 1, 1};
        auto u = [](const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); };
        execute(0, 0, u(&src), u(&dst), 0, u(&rect), 0, 1, 0, nullptr, 0);
        EXPECT_EQ(dst.red, 200) << f.what << ": no settings are read, amounts 0";

        // OK cannot store: the dialog says so and stays open; Cancel ends it.
        HostSpy spy;
        std::vector<Bgra32> image(16, Bgra32{1, 2, 3, 255});
        DialogDriver driver;
        driver.Then([&](HWND d) { ClickControl(d, IDOK); }).Then([&](HWND d) {
            EXPECT_EQ(spy.Count(HostEvent::MessageBox), 1) << f.what;
            ClickControl(d, IDCANCEL);
        });
        EXPECT_EQ(driver.Run([&](HWND owner) { return setup(0, owner, image.data(), 4, 4); }), 0) << f.what;
        FreeLibrary(module);
        if (!f.decoy.empty()) {
            EXPECT_EQ(ReadWide(decoy), body) << f.what << ": the other folder's file was written";
        }
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        EXPECT_FALSE(Exists(std::string(cwd) + "\\kwfilters.ini")) << f.what;
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        EXPECT_FALSE(Exists(std::string(windows) + "\\kwfilters.ini")) << f.what << ": a bare name lands in the Windows folder";

        // "表示表示.exe" puts the host's path 2 bytes beyond 260 in the long
        // folder while keeping it within 260 characters, which CreateProcess needs.
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring host = folder + L"\\\u8868\u793A\u8868\u793A.exe";
        ASSERT_TRUE(CopyFileW(self, host.c_str(), FALSE)) << f.what;
        EXPECT_EQ(RunTestAsChild("PluginPaths.TheHostHearsTheQueryBeforeAnErrorBox", host), 0u)
            << f.what << ": the host did not hear the query";
        EXPECT_TRUE(RemoveTree(base)) << f.what;
    }
}

}  // namespace
