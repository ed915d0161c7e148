#include "support/PluginSandbox.h"

#include "support/Platform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {
// An entry point called as the host calls it: stdcall, with arguments of exactly these types.
template <typename Result, typename... Args>
Result Call(FARPROC proc, Args... args)
{
    return reinterpret_cast<Result(__stdcall*)(Args...)>(reinterpret_cast<void (*)()>(proc))(args...);
}
}  // namespace

std::string BuiltPluginPath()
{
    return PluginDir() + "\\rgbcolor.dll";
}

std::string MakeTempFolder(const std::string& leaf)
{
    std::wstring wide(MAX_PATH + 1, L'\0');
    wide.resize(GetTempPathW(static_cast<DWORD>(wide.size()), &wide[0]));
    std::string temp = AnsiPath(wide);
    if (temp.empty()) {
        ADD_FAILURE() << "the temporary folder has no ANSI name and no short name; using the program's";
        temp = PluginDir() + "\\";
    }
    // Wine reuses small process ids, and a killed run leaves its folders:
    // only a folder this call created itself is fresh.
    static unsigned counter = 0;
    std::string base;
    do {
        base = temp + "hxtest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    } while (!CreateDirectoryA(base.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    if (leaf.empty())
        return base;
    // Create every level of the leaf; CharNextA steps over double-byte
    // characters, whose trail byte may be 0x5C like a backslash.
    std::string path = base + "\\" + leaf;
    for (const char* p = path.c_str() + base.size() + 1; *p; p = CharNextA(p))
        if (*p == '\\')
            CreateDirectoryA(std::string(path.c_str(), p).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

bool RemoveTree(const std::string& path)
{
    return RemoveTree(WideFromAnsi(path));
}

PluginSandbox::PluginSandbox(const std::string& folderName, const std::string& file, bool load,
                             const std::string& built)
    : folder(MakeTempFolder(folderName)),
      top(folderName.empty() ? folder : folder.substr(0, folder.size() - folderName.size() - 1)),
      dllPath(folder + "\\" + file)
{
    EXPECT_TRUE(CopyFileA((PluginDir() + "\\" + built).c_str(), dllPath.c_str(), FALSE))
        << "cannot copy the plug-in to " << dllPath << " (error " << GetLastError() << ")";
    EXPECT_TRUE(!load || Load()) << "LoadLibrary failed for " << dllPath << " (error " << GetLastError() << ")";
}

PluginSandbox::~PluginSandbox()
{
    Unload();
    // With a leaf name given, the folder MakeTempFolder made is its parent.
    EXPECT_TRUE(RemoveTree(top)) << "the sandbox " << top << " stays behind";
}

void PluginSandbox::WriteSettings(const std::string& bytes) const
{
    std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string PluginSandbox::ReadSettings() const
{
    std::ifstream in(SettingsPath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void PluginSandbox::RemoveSettings() const
{
    RemoveFile(WideFromAnsi(SettingsPath()));
}

std::uint16_t PluginSandbox::GetPluginInfo(char* buffer, std::int32_t length) const
{
    return Call<std::uint16_t>(Proc("HX_GetPluginInfo"), buffer, length);
}

std::int32_t PluginSandbox::FilterCount() const
{
    return Call<std::int32_t>(Proc("HXF_FilterCount"));
}

char* PluginSandbox::GetName(std::int32_t index, char* category, std::int32_t categoryLength, char* name,
                             std::int32_t nameLength) const
{
    return Call<char*>(Proc("HXF_GetName"), index, category, categoryLength, name, nameLength);
}

std::int32_t PluginSandbox::Setup(std::int32_t index, HWND parent, Bgra32* pixels, std::int32_t width,
                                  std::int32_t height) const
{
    return Call<std::int32_t>(Proc("HXF_Setup"), index, parent, pixels, width, height);
}

std::int32_t PluginSandbox::Execute(std::int32_t index, HWND owner, const Bgra32* source, Bgra32* destination,
                                    const ImageRect* rect, std::int32_t pitch, ProgressProc callback,
                                    std::uint32_t data, std::uint32_t arg4, std::uint32_t arg6,
                                    std::uint32_t arg8) const
{
    auto u = [](const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); };
    return Call<std::int32_t>(Proc("HXF_Execute"), index, u(owner), u(source), u(destination), arg4, u(rect), arg6,
                              static_cast<std::uint32_t>(pitch), arg8, callback, data);
}
