#pragma once
#include <cstdint>
#include <string>

#include "plugin/Filter.h"
#include "plugin/RunRequest.h"

// A filter that writes each pixel of the rectangle from the source: the base
// runs the rows and reports progress, the filter supplies the check before a
// run and the work on one row. Slot order after Filter's: BeginRun, FilterRow.
class PixelFilter : public Filter {
public:
    using Filter::Filter;

    // Asks BeginRun; then, row by row from the top, FilterRow over the row's
    // pixels (none when the rectangle has no columns) and progress
    // rows-finished * 10000 / rows after each. An empty rectangle: nothing.
    void Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg4, HostArg arg5, HostArg arg6,
                 HostArg arg7, HostArg arg8, ProgressSink* sink) override;

protected:
    // Before any row: reads and checks the filter's stored settings and
    // readies the rows. False stops the run, nothing written or reported;
    // the filter has said why (FilterSettings::LoadForRun does). The base
    // accepts every run.
    virtual bool BeginRun(const RunRequest& run);
    // Writes `count` pixels of destination from source. source may be
    // destination: read each pixel before writing it.
    virtual void FilterRow(const Bgra32* source, Bgra32* destination, std::int32_t count) = 0;
};
