#pragma once
#include <cstdint>
#include <string>

#include "plugin/PixelFilter.h"
#include "table/FilterTable.h"

// A filter that is its logic and its table (table/FilterTable.h): a run
// reads its settings afresh, refuses values outside their keys' limits, and
// sends every row through the table's rows; Setup opens the table's dialog,
// whose preview goes through the same rows.
class TableFilter : public PixelFilter {
public:
    TableFilter(std::string name, std::string category, const FilterTable& table);

    // The table's dialog over the image: 1 when confirmed with OK. Without a
    // dialog, the base's.
    std::int32_t Setup(HWND parent, Bgra32* pixels, std::int32_t width, std::int32_t height) override;

    const FilterTable& table;

protected:
    void Run(const RunRequest& run) override;
};
