#include "plugin/PixelFilter.h"

#include <cstddef>

#include "plugin/Progress.h"

void PixelFilter::Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg, HostArg arg5, HostArg, HostArg arg7,
                          HostArg, ProgressSink* sink)
{
    const RunRequest run(arg1, arg2, arg3, arg5, arg7, sink);
    if (!BeginRun(run))
        return;
    const ImageRect& area = run.area;
    if (area.top >= area.bottom)
        return;
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    for (std::int32_t k = 0; k < rows; ++k) {
        if (columns > 0) {
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(area.top + k) * run.pitch + area.left;
            FilterRow(run.source + first, run.destination + first, columns);
        }
        run.sink->Report(ProgressPosition(k, rows));
    }
}

bool PixelFilter::BeginRun(const RunRequest&)
{
    return true;
}
