// The five entry points the host calls, and the attach handler.
#include <windows.h>

#include <cstdint>

#include "plugin/FilterRegistry.h"
#include "plugin/HostInterface.h"
#include "plugin/TextCopy.h"

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres();  // libstdc++: releases the exception emergency pool
}
#endif

namespace {

// The C++ runtime linked into this module keeps a pool for throwing under
// memory pressure and only gives it back at process exit. A host that loads
// and unloads plug-ins would lose it at every unload, so hand it back when
// the module's static objects are torn down.
struct RuntimeTeardown {
    ~RuntimeTeardown()
    {
#if defined(__GLIBCXX__)
        __gnu_cxx::__freeres();
#endif
    }
} runtimeTeardown;

}  // namespace

extern "C" {

std::uint16_t __stdcall HX_GetPluginInfo(char* buffer, std::int32_t length)
{
    BoundedCopy(buffer, length, kModuleInfo);
    return 1;
}

std::int32_t __stdcall HXF_FilterCount()
{
    return registry->Count();
}

char* __stdcall HXF_GetName(std::int32_t index, char* category, std::int32_t categoryLength, char* name,
                            std::int32_t nameLength)
{
    BoundedCopy(category, categoryLength, registry->CategoryAt(static_cast<std::uint32_t>(index)));
    BoundedCopy(name, nameLength, registry->NameAt(static_cast<std::uint32_t>(index)));
    return name;
}

std::int32_t __stdcall HXF_Setup(std::int32_t index, HWND parent, Bgra32* pixels, std::int32_t width,
                                 std::int32_t height)
{
    return registry->SetupAt(static_cast<std::uint32_t>(index), parent, pixels, width, height);
}

std::int32_t __stdcall HXF_Execute(std::int32_t index, HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4,
                                   HostArg arg5, HostArg arg6, HostArg arg7, HostArg arg8, ProgressCallback callback,
                                   HostArg hostData)
{
    ProgressSink sink{hostData, callback};
    sink.Report(0);
    registry->ExecuteAt(static_cast<std::uint32_t>(index), arg1, arg2, arg3, arg4, arg5, arg6, arg7, arg8, &sink);
    if (!sink.progressProc)
        return 0;
    return sink.progressProc(10000, 10000, sink.hostData);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        return registry->Initialize(module) ? TRUE : FALSE;
    return TRUE;
}

}  // extern "C"
