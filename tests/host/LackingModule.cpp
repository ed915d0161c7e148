// The five entry points of a plug-in, doing nothing. Built once for each, as
// a module that exports the other four (tests/wine/CMakeLists.txt): hxhost
// must refuse it, naming the one it lacks, before calling any.
#include <cstdint>

extern "C" {
std::uint16_t __stdcall HX_GetPluginInfo(char*, std::int32_t) { return 0; }
std::int32_t __stdcall HXF_FilterCount() { return 0; }
char* __stdcall HXF_GetName(std::int32_t, char*, std::int32_t, char*, std::int32_t) { return nullptr; }
std::int32_t __stdcall HXF_Setup(std::int32_t, void*, void*, std::int32_t, std::int32_t) { return 0; }
std::int32_t __stdcall HXF_Execute(std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, void*, std::uint32_t)
{
    return 0;
}
}
