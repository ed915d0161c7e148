#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "plugin/Filter.h"
#include "plugin/FilterIndex.h"

// The one module-wide list of filters, built when the library is attached.
// The position in the list is the index the host uses.
class FilterRegistry {
public:
    FilterRegistry() = default;
    ~FilterRegistry();
    FilterRegistry(const FilterRegistry&) = delete;
    FilterRegistry& operator=(const FilterRegistry&) = delete;

    // From the process-attach notification; false refuses the library.
    bool Initialize(HINSTANCE module);
    void Clear();
    bool BuildFilters();
    // Appends a filter (null too: validation refuses the load on it); the
    // registry owns it from the call on, also when the list cannot grow.
    void Append(Filter* filter);

    std::int32_t Count() const { return static_cast<std::int32_t>(filters.size()); }
    const char* NameAt(std::uint32_t index) const;
    const char* CategoryAt(std::uint32_t index) const;
    void ExecuteAt(std::uint32_t index, HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4, HostArg arg5,
                   HostArg arg6, HostArg arg7, HostArg arg8, ProgressSink* sink);
    std::int32_t SetupAt(std::uint32_t index, HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height);

    // Calls HXF_QueryClientInfo of the host executable; 0 when it has none.
    std::int32_t QueryHost(std::int32_t code, std::int32_t value);
    // Path of the settings file beside the module; the empty text when it cannot
    // be had (too long, or the folder has no exact ANSI name).
    char* GetSettingsPath(char* buffer, std::uint32_t size) const;

    HINSTANCE moduleHandle = nullptr;

private:
    bool IsValidIndex(std::uint32_t index) const
    {
        return IsValidFilterIndex(static_cast<std::int32_t>(index), filters.size());
    }

    std::vector<Filter*> filters;
};

// Appends every filter the library offers, in the hosts' index order, each
// allocated without throwing (a null refuses the load); std::bad_alloc from
// what a filter's constructor allocates goes to the caller. Defined with the
// filters, so that this framework names none of them.
void AppendAllFilters(FilterRegistry& registry);
// The module's information text (HX_GetPluginInfo), one line; defined with
// its list of filters.
extern const char kModuleInfo[];

// Set by static initialisation, before the attach notification.
extern FilterRegistry* registry;

// Lead-byte rule of the ANSI code page the host process runs with.
bool AnsiIsLeadByte(unsigned char byte);
