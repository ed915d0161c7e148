#include "plugin/PixelFilter.h"

#include <new>

namespace {

// The largest cache that Windows reports, or 0: none reported, no memory for
// the answer, or a Windows older than XP SP3, which cannot be asked.
std::uint64_t LastLevelCacheBytes()
{
    using Query = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLogicalProcessorInformation")));
    DWORD bytes = 0;
    if (!query || query(nullptr, &bytes) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    const DWORD count = bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
    auto* entries = new (std::nothrow) SYSTEM_LOGICAL_PROCESSOR_INFORMATION[count];
    std::uint64_t largest = 0;
    if (entries && query(entries, &bytes)) {
        for (DWORD i = 0; i < count; ++i)
            if (entries[i].Relationship == RelationCache && entries[i].Cache.Size > largest)
                largest = entries[i].Cache.Size;
    }
    delete[] entries;
    return largest;
}

// Asked once, at load. Twice the cache: source and destination together are
// then four times it, and nothing of the destination would stay cached anyway.
const std::uint64_t kStreamFromBytes = 2 * LastLevelCacheBytes();

}  // namespace

void PixelFilter::Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg, HostArg arg5, HostArg, HostArg arg7,
                          HostArg, ProgressSink* sink)
{
    Run(RunRequest(arg1, arg2, arg3, arg5, arg7, sink));
}

bool PixelFilter::StreamsPastCache(const RunRequest& run, const ImageRect& area)
{
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    const std::uint64_t bytes =
        rows > 0 && columns > 0 ? 4ull * static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows) : 0;
    // In place, each line is read before it is written anyway.
    return run.source != run.destination && kStreamFromBytes != 0 && bytes >= kStreamFromBytes;
}
