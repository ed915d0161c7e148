#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// A plug-in DLL loaded by path, with its five entry points.
class PluginModule {
public:
    using GetPluginInfoProc = std::uint16_t(__stdcall*)(char*, std::int32_t);
    using FilterCountProc = std::int32_t(__stdcall*)();
    using GetNameProc = char*(__stdcall*)(std::int32_t, char*, std::int32_t, char*, std::int32_t);
    using SetupProc = std::int32_t(__stdcall*)(std::int32_t, HWND, void*, std::int32_t, std::int32_t);
    using ProgressProc = std::int32_t(__stdcall*)(std::int32_t, std::int32_t, std::uint32_t);
    using ExecuteProc = std::int32_t(__stdcall*)(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                  std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                  std::uint32_t, ProgressProc, std::uint32_t);

    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // False with a message in `error` when the DLL cannot be loaded or lacks an entry point.
    bool Load(const std::string& path, std::string& error);

    GetPluginInfoProc getPluginInfo = nullptr;
    FilterCountProc filterCount = nullptr;
    GetNameProc getName = nullptr;
    SetupProc setup = nullptr;
    ExecuteProc execute = nullptr;

private:
    HMODULE module = nullptr;
};
