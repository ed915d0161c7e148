#include "host/PluginModule.h"

PluginModule::~PluginModule()
{
    if (module)
        FreeLibrary(module);
}

bool PluginModule::Load(const std::string& path, std::string& error)
{
    module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load plug-in '" + path + "' (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    auto find = [&](const char* name) -> void (*)() {
        auto proc = reinterpret_cast<void (*)()>(GetProcAddress(module, name));
        if (!proc)
            error = "plug-in '" + path + "' does not export " + name;
        return proc;
    };
    getPluginInfo = reinterpret_cast<GetPluginInfoProc>(find("HX_GetPluginInfo"));
    filterCount = reinterpret_cast<FilterCountProc>(find("HXF_FilterCount"));
    getName = reinterpret_cast<GetNameProc>(find("HXF_GetName"));
    setup = reinterpret_cast<SetupProc>(find("HXF_Setup"));
    execute = reinterpret_cast<ExecuteProc>(find("HXF_Execute"));
    return getPluginInfo && filterCount && getName && setup && execute;
}
