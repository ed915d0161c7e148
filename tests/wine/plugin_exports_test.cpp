// The plug-in as a host sees it: the export table, the calling convention,
// the information text, the filter list and the version resource.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/HostSpy.h"
#include "support/Platform.h"
#include "support/PluginSandbox.h"
#include "support/StdcallProbe.h"
#include "version.h"

namespace {

const std::string kCategory = "Color|カラー";
const std::string kName = "RGB Color...|RGBカラー...";

std::map<std::string, DWORD> ExportedNames(HMODULE module)
{
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    std::map<std::string, DWORD> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result[reinterpret_cast<const char*>(base + names[i])] = functions[ordinals[i]];
    return result;
}

TEST(Exports, ExactlyTenNamesInPairsLeadingToOneFunction)
{
    PluginSandbox plugin;
    std::map<std::string, DWORD> names = ExportedNames(plugin.Module());
    const std::pair<const char*, const char*> pairs[] = {
        {"HX_GetPluginInfo", "_HX_GetPluginInfo@8"}, {"HXF_FilterCount", "_HXF_FilterCount@0"},
        {"HXF_GetName", "_HXF_GetName@20"},          {"HXF_Setup", "_HXF_Setup@20"},
        {"HXF_Execute", "_HXF_Execute@44"},
    };
    EXPECT_EQ(names.size(), 10u);
    for (const auto& pair : pairs) {
        ASSERT_EQ(names.count(pair.first), 1u) << pair.first;
        ASSERT_EQ(names.count(pair.second), 1u) << pair.second;
        EXPECT_EQ(names[pair.first], names[pair.second]) << pair.first << " and " << pair.second;
    }
}

TEST(Exports, EveryEntryPointRemovesItsOwnArguments)
{
    PluginSandbox plugin;
    char category[32], name[32], info[80];
    ImageRect empty{0, 0, 0, 0};
    Bgra32 pixel{};
    auto u = [](const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); };
    struct Call {
        const char* name;
        std::vector<std::uint32_t> args;
    };
    const Call calls[] = {
        {"_HX_GetPluginInfo@8", {u(info), sizeof info}},
        {"_HXF_FilterCount@0", {}},
        {"_HXF_GetName@20", {0, u(category), sizeof category, u(name), sizeof name}},
        {"_HXF_Setup@20", {7, 0, u(&pixel), 1, 1}},  // invalid index: no dialog
        {"_HXF_Execute@44", {0, 0, u(&pixel), u(&pixel), 0, u(&empty), 0, 1, 0, 0, 0}},
    };
    for (const Call& call : calls) {
        const void* fn = reinterpret_cast<const void*>(plugin.Proc(call.name));
        ASSERT_NE(fn, nullptr) << call.name;
        EXPECT_EQ(CallAndMeasureStack(fn, call.args.data(), static_cast<int>(call.args.size()), nullptr), 0)
            << call.name << " left its arguments on the stack";
    }
}

TEST(PluginInfo, OneLineOf58CharactersWithTheYearAndTheAuthors)
{
    PluginSandbox plugin;
    char buffer[100];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(plugin.GetPluginInfo(buffer, sizeof buffer), 1);
    std::string text = buffer;
    EXPECT_EQ(text.size(), 58u);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    EXPECT_NE(text.find(" (C) 2026 The RGB Color authors"), std::string::npos) << text;
    EXPECT_TRUE(std::all_of(buffer + 58, buffer + 100, [](char c) { return c == 0; })) << "not zero padded";
}

TEST(PluginInfo, LengthCases)
{
    PluginSandbox plugin;
    char full[100] = {};
    plugin.GetPluginInfo(full, sizeof full);

    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(plugin.GetPluginInfo(buffer, 0), 1);
    EXPECT_EQ(std::string(buffer, 64), std::string(64, '#')) << "length 0 must leave the buffer alone";

    EXPECT_EQ(plugin.GetPluginInfo(buffer, 58), 1);
    EXPECT_EQ(std::string(buffer, 58), std::string(full, 58));
    EXPECT_EQ(buffer[58], '#') << "58 bytes hold the text without its terminator";

    std::memset(buffer, '#', sizeof buffer);
    plugin.GetPluginInfo(buffer, 10);
    EXPECT_EQ(std::string(buffer, 11), std::string(full, 10) + "#");
}

TEST(FilterList, OneFilterWithCategoryAndName)
{
    PluginSandbox plugin;
    EXPECT_EQ(plugin.FilterCount(), 1);
    char category[64], name[64];
    std::memset(category, '#', sizeof category);
    std::memset(name, '#', sizeof name);
    char* result = plugin.GetName(0, category, sizeof category, name, sizeof name);
    EXPECT_EQ(result, name);
    EXPECT_EQ(std::string(category), kCategory);
    EXPECT_EQ(std::string(name), kName);
    EXPECT_EQ(kCategory.size(), 12u);
    EXPECT_EQ(kName.size(), 25u);
}

TEST(FilterList, ABuildWithMoreFiltersListsEachInOrder)
{
    const std::pair<const char*, std::vector<std::string>> modules[] = {
        {"rgbcolor_twofilters.dll", {kName, "Invert|反転"}},
        {"rgbcolor_tone.dll", {kName, "Tone...|トーン...", "Lopsided...|かたより..."}}};
    for (const auto& [module, names] : modules) {
        PluginSandbox plugin("", module, true, module);
        EXPECT_EQ(plugin.FilterCount(), static_cast<int>(names.size())) << module;
        for (int index = 0; index < static_cast<int>(names.size()); ++index) {
            char category[64] = {}, name[64] = {};
            plugin.GetName(index, category, sizeof category, name, sizeof name);
            EXPECT_EQ(std::make_pair(std::string(category), std::string(name)),
                      std::make_pair(std::string(index == 0 ? kCategory : "Color|カラー"), names[index]))
                << module;
        }
    }
}

TEST(FilterList, CategoryLengths)
{
    PluginSandbox plugin;
    struct Case {
        int length;
        std::string expected;
    };
    const Case cases[] = {
        {5, "Color"},
        {12, kCategory},
        {13, kCategory + std::string(1, '\0')},
        {16, kCategory + std::string(4, '\0')},
    };
    for (const Case& c : cases) {
        char category[32], name[32];
        std::memset(category, '#', sizeof category);
        plugin.GetName(0, category, c.length, name, sizeof name);
        EXPECT_EQ(std::string(category, c.length), c.expected) << "length " << c.length;
        EXPECT_EQ(category[c.length], '#') << "wrote past length " << c.length;
    }
}

TEST(FilterList, InvalidIndicesGiveZeroFilledBuffers)
{
    PluginSandbox plugin;
    for (int index : {1, -1, 1000, INT32_MIN}) {
        char category[20], name[30];
        std::memset(category, '#', sizeof category);
        std::memset(name, '#', sizeof name);
        EXPECT_EQ(plugin.GetName(index, category, 19, name, 29), name);
        EXPECT_EQ(std::string(category, 20), std::string(19, '\0') + "#") << index;
        EXPECT_EQ(std::string(name, 30), std::string(29, '\0') + "#") << index;
    }
}

TEST(Setup, InvalidIndexReturnsZeroAndShowsNothing)
{
    PluginSandbox plugin;
    HostSpy spy;
    Bgra32 pixels[4] = {};
    for (int index : {1, -1, 99})
        EXPECT_EQ(plugin.Setup(index, nullptr, pixels, 2, 2), 0) << index;
    EXPECT_TRUE(spy.Events().empty());
}

TEST(Setup, AFilterWithoutADialogConfirmsThroughTheBase)
{
    PluginSandbox plugin("", "rgbcolor_twofilters.dll", true, "rgbcolor_twofilters.dll");
    HostSpy spy;
    Bgra32 pixels[4] = {};
    // A dialog would wait for input: this returns at once, confirmed.
    EXPECT_EQ(plugin.Setup(1, nullptr, pixels, 2, 2), 1);
    EXPECT_TRUE(spy.Events().empty());
}

TEST(Module, ThreadNotificationsChangeNothing)
{
    PluginSandbox plugin;
    std::thread([] {}).join();  // thread attach and detach reach DllMain
    EXPECT_EQ(plugin.FilterCount(), 1);
    char category[16] = {}, name[32] = {};
    plugin.GetName(0, category, sizeof category, name, sizeof name);
    EXPECT_EQ(std::string(name), kName);
}

TEST(Module, LoadsAgainAfterUnloading)
{
    PluginSandbox plugin;
    for (int i = 0; i < 5; ++i) {
        plugin.Unload();
        ASSERT_TRUE(plugin.Load());
        EXPECT_EQ(plugin.FilterCount(), 1);
    }
}

TEST(Module, ImportsOnlySystemLibraries)
{
    PluginSandbox plugin;
    auto* base = reinterpret_cast<const BYTE*>(plugin.Module());
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> imports;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        std::string n = reinterpret_cast<const char*>(base + d->Name);
        std::transform(n.begin(), n.end(), n.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
        imports.push_back(n);
    }
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                              "imm32.dll", "advapi32.dll", "comctl32.dll"};
    for (const std::string& name : imports)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << "imports " << name;
}

// Each module names itself: the release, and a test module of its own definition.
TEST(Module, JapaneseVersionInformationWithTheProjectVersion)
{
    struct Module {
        const char* file;
        const char* description;
        const char* info;
    };
    const Module modules[] = {
        {"rgbcolor.dll", "RGBカラーフィルタ", "RGB Color Plug-in Ver." HX_VERSION " (C) 2026 The RGB Color authors"},
        {"rgbcolor_tone.dll", "トーンのテスト", "Tone test module Ver." HX_VERSION " (C) 2026 RGB Color authors"},
    };
    // The texts as stored (UTF-16), whatever this system's ANSI code page.
    auto fromCp932 = [](const std::string& text) {
        std::wstring wide(text.size(), L'\0');
        wide.resize(MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                        static_cast<int>(wide.size())));
        return wide;
    };
    for (const Module& module : modules) {
        SCOPED_TRACE(module.file);
        std::string path = PluginDir() + "\\" + module.file;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_GT(size, 0u);
        std::vector<char> data(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        EXPECT_EQ(translation[0], 0x0411);
        const std::pair<std::wstring, std::string> strings[] = {
            {L"FileDescription", module.description},
            {L"ProductName", module.description},
            {L"OriginalFilename", module.file},
            {L"FileVersion", HX_VERSION_TEXT},
            {L"ProductVersion", HX_VERSION_TEXT},
            {L"CompanyName", "RGB Color authors"},
            {L"LegalCopyright", "Copyright (C) 2026 RGB Color authors"},
        };
        std::map<std::wstring, std::wstring> values;
        for (const auto& [name, expected] : strings) {
            wchar_t* value = nullptr;
            ASSERT_TRUE(VerQueryValueW(data.data(), (L"\\StringFileInfo\\041104b0\\" + name).c_str(),
                                       reinterpret_cast<void**>(&value), &length)) << expected;
            values[name] = value;
            EXPECT_TRUE(values[name] == fromCp932(expected)) << expected;
        }
        // The numbers, written apart from the texts, against them: a swap
        // in the numbers alone passes every check of the texts.
        auto dotted = [](DWORD high, DWORD low) {
            return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
                   std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
        };
        EXPECT_EQ(dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS), values[L"FileVersion"]);
        EXPECT_EQ(dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), values[L"ProductVersion"]);

        PluginSandbox plugin("", module.file, true, module.file);
        char info[100] = {};
        plugin.GetPluginInfo(info, sizeof info);
        EXPECT_EQ(std::string(info), module.info);
    }
}

}  // namespace
