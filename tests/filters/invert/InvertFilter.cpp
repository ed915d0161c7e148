#include "tests/filters/invert/InvertFilter.h"

void InvertFilter::Run(const RunRequest& run)
{
    RunRows(run, [](const Bgra32* source, Bgra32* destination, std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) {
            const Bgra32 p = source[i];  // whole pixel first: source may be destination
            destination[i] = Bgra32{static_cast<std::uint8_t>(255 - p.blue), static_cast<std::uint8_t>(255 - p.green),
                                    static_cast<std::uint8_t>(255 - p.red), p.alpha};
        }
    });
}
