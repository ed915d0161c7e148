#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "plugin/Pixel.h"

using ProgressProc = std::int32_t(__stdcall*)(std::int32_t, std::int32_t, std::uint32_t);

// A private copy of the built plug-in in a fresh folder of its own (so that
// its settings file is the test's alone), loaded with LoadLibrary.
class PluginSandbox {
public:
    // `folder` and `file` are code page 932 names; the folder lands under %TEMP%.
    // `built` names the build's module to copy (rgbcolor_noavx2.dll, say).
    explicit PluginSandbox(const std::string& folder = "", const std::string& file = "rgbcolor.dll",
                           bool load = true, const std::string& built = "rgbcolor.dll");
    ~PluginSandbox();
    PluginSandbox(const PluginSandbox&) = delete;
    PluginSandbox& operator=(const PluginSandbox&) = delete;

    bool Load() { return module || (module = LoadLibraryA(dllPath.c_str())) != nullptr; }
    void Unload()
    {
        if (module)
            FreeLibrary(module);
        module = nullptr;
    }
    HMODULE Module() const { return module; }
    const std::string& Folder() const { return folder; }
    const std::string& DllPath() const { return dllPath; }
    std::string SettingsPath() const { return folder + "\\kwfilters.ini"; }

    void WriteSettings(const std::string& bytes) const;
    bool SettingsExist() const { return GetFileAttributesA(SettingsPath().c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string ReadSettings() const;
    void RemoveSettings() const;

    FARPROC Proc(const char* name) const { return module ? GetProcAddress(module, name) : nullptr; }

    // The entry points, typed.
    std::uint16_t GetPluginInfo(char* buffer, std::int32_t length) const;
    std::int32_t FilterCount() const;
    char* GetName(std::int32_t index, char* category, std::int32_t categoryLength, char* name,
                  std::int32_t nameLength) const;
    std::int32_t Setup(std::int32_t index, HWND parent, Bgra32* pixels, std::int32_t width,
                       std::int32_t height) const;
    std::int32_t Execute(std::int32_t index, HWND owner, const Bgra32* source, Bgra32* destination,
                         const ImageRect* rect, std::int32_t pitch, ProgressProc callback, std::uint32_t data,
                         std::uint32_t arg4 = 0, std::uint32_t arg6 = 0, std::uint32_t arg8 = 0) const;

private:
    std::string folder;
    std::string top;
    std::string dllPath;
    HMODULE module = nullptr;
};

// Full path of the plug-in that the build produced.
std::string BuiltPluginPath();
// A new, empty folder under %TEMP% (with `leaf` as its last part when given).
std::string MakeTempFolder(const std::string& leaf = "");
// RemoveTree of an ANSI path (the wide one is in support/Platform.h).
bool RemoveTree(const std::string& path);
