#pragma once
#include "plugin/PixelFilter.h"

// Takes each colour channel to 255 minus itself; alpha stays.
class InvertFilter : public PixelFilter {
public:
    InvertFilter() : PixelFilter("Invert|反転", "Color|カラー") {}

protected:
    void Run(const RunRequest& run) override;
};
