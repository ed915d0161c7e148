#pragma once
#include <cstddef>
#include <cstdint>

#include "plugin/Filter.h"
#include "plugin/Progress.h"
#include "plugin/RunRequest.h"

// A filter that writes each pixel of the rectangle from the source. The base
// decodes the host's arguments; the filter's Run checks its stored settings,
// readies what its rows need and hands its row function to RunRows. What a
// run readies lives on its own stack, not in the filter: a host whose
// progress callback pumps messages may start another run before this one
// ends. Slot order after Filter's: Run.
class PixelFilter : public Filter {
public:
    using Filter::Filter;

    // Run, with the request decoded from host arguments 1, 2, 3, 5 and 7.
    void Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4, HostArg arg5, HostArg arg6,
                 HostArg arg7, HostArg arg8, ProgressSink* sink) override;

    // The rectangle's rows from the top: filterRow(source, destination,
    // count) over each row's pixels (not called when the rectangle has no
    // columns; source may be destination, so read a pixel before writing
    // it), then progress rows-finished * 10000 / rows. An empty rectangle:
    // nothing at all. `area` is the run's Area(), for a filter that sized
    // its work by it first.
    template <typename RowFunction>
    static void RunRows(const RunRequest& run, RowFunction filterRow)
    {
        RunRows(run, run.Area(), filterRow);
    }
    template <typename RowFunction>
    static void RunRows(const RunRequest& run, const ImageRect& area, RowFunction filterRow);

    // True where the run's output is far larger than the cache, so that
    // stores bypassing the cache pay: twice the largest cache Windows
    // reports, for a destination apart from the source. Never where Windows
    // reports no cache.
    static bool StreamsPastCache(const RunRequest& run, const ImageRect& area);

protected:
    // One run. A run that must not happen (stored settings out of their
    // limits: FilterSettings::LoadForRun says so to the user) returns
    // without RunRows: nothing written, no progress reported.
    virtual void Run(const RunRequest& run) = 0;
};

template <typename RowFunction>
void PixelFilter::RunRows(const RunRequest& run, const ImageRect& area, RowFunction filterRow)
{
    if (area.top >= area.bottom)
        return;
    const std::int32_t rows = area.bottom - area.top;
    const std::int32_t columns = area.right - area.left;
    for (std::int32_t k = 0; k < rows; ++k) {
        if (columns > 0) {
            const std::ptrdiff_t first = static_cast<std::ptrdiff_t>(area.top + k) * run.pitch + area.left;
            filterRow(run.source + first, run.destination + first, columns);
        }
        run.sink->Report(ProgressPosition(k, rows));
    }
}
