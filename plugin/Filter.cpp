#include "plugin/Filter.h"

#include <utility>

#include "plugin/FilterRegistry.h"

Filter::Filter(std::string name, std::string category) : name(std::move(name)), category(std::move(category)) {}

Filter::~Filter() = default;

void Filter::Execute(HostArg, HostArg, HostArg, HostArg, HostArg, HostArg, HostArg, HostArg, ProgressSink*) {}

std::int32_t Filter::Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height)
{
    return CanSetup(parent, pixels, width, height) ? 1 : 0;
}

bool Filter::CanSetup(HWND, Bgra32*, std::int32_t, std::int32_t)
{
    return true;
}

void Filter::ReportError(HWND owner, const char* text, const char* caption)
{
    registry->QueryHost(kQueryBeforeError, 0);
    if (!text)
        return;
    MessageBoxA(owner, text, caption ? caption : "エラー", MB_ICONERROR);
}
