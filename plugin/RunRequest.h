#pragma once
#include <windows.h>

#include <cstdint>

#include "plugin/HostInterface.h"
#include "plugin/Pixel.h"

// What one HXF_Execute asks of a filter, decoded once from the host's eight
// arguments. Arguments 4, 6 and 8 are the host's own: no filter reads them.
struct RunRequest {
    RunRequest(HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg5, HostArg arg7, ProgressSink* sink);

    HWND owner;                 // 1: owner of any message the run shows
    const Bgra32* source;       // 2
    Bgra32* destination;        // 3: may be the source itself
    // 5, read by Area() only once the filter has checked its settings: a run
    // its settings refuse touches nothing of the host's, the rectangle neither.
    const ImageRect* rect;
    std::int32_t pitch;         // 7: of both images, in pixels
    ProgressSink* sink;         // never null; its callback may be

    // A copy: a host whose progress callback pumps messages may move its
    // selection during the run, and the rows must stay those of the call.
    ImageRect Area() const { return *rect; }
};
