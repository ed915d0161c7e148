// The filters this library offers; the registry knows them only through here.
#include <new>

#include "filters/rgbcolor/RgbColorFilter.h"
#include "plugin/FilterRegistry.h"

namespace {

template <typename F>
Filter* Allocate()
{
#ifdef HX_FAIL_FILTER_ALLOCATION
    // Fault-injection build: behave as if memory were exhausted.
    return nullptr;
#else
    return new (std::nothrow) F();
#endif
}

}  // namespace

void AppendAllFilters(FilterRegistry& registry)
{
    registry.Append(Allocate<RgbColorFilter>());
}
