#pragma once
#include <windows.h>

#include <cstdint>

#include "plugin/Pixel.h"

// Every argument that crosses the plug-in boundary is 32 bits wide.
using HostArg = std::uint32_t;

// The host's progress function: position, range (always 10000), user data.
using ProgressCallback = std::int32_t(__stdcall*)(std::int32_t position, std::int32_t range, HostArg hostData);

// Travels from HXF_Execute into a filter's Execute; lives for one call only.
struct ProgressSink {
    HostArg hostData;
    ProgressCallback progressProc;

    void Report(std::int32_t position) const
    {
        if (progressProc)
            progressProc(position, 10000, hostData);
    }
};

// Exported by the host executable; the plug-in sends (5, 0) before every error box.
using QueryClientInfoProc = std::int32_t(__stdcall*)(std::int32_t code, std::int32_t value);
constexpr char kHostQueryName[] = "HXF_QueryClientInfo";
constexpr std::int32_t kQueryBeforeError = 5;
