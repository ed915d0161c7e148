#include "plugin/RunRequest.h"

RunRequest::RunRequest(HostArg arg1, HostArg arg2, HostArg arg3, HostArg arg5, HostArg arg7, ProgressSink* sink)
    : owner(reinterpret_cast<HWND>(arg1)), source(reinterpret_cast<const Bgra32*>(arg2)),
      destination(reinterpret_cast<Bgra32*>(arg3)), rect(reinterpret_cast<const ImageRect*>(arg5)),
      pitch(static_cast<std::int32_t>(arg7)), sink(sink)
{
}
