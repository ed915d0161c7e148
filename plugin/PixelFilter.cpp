#include "plugin/PixelFilter.h"

void PixelFilter::Execute(HostArg arg1, HostArg arg2, HostArg arg3, HostArg, HostArg arg5, HostArg, HostArg arg7,
                          HostArg, ProgressSink* sink)
{
    Run(RunRequest(arg1, arg2, arg3, arg5, arg7, sink));
}
