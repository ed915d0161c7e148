#pragma once
#include <cstdint>
#include <type_traits>

#include "plugin/PixelFilter.h"
#include "ui/FilterDialog.h"

// A filter's pixel work, one for its runs and its dialog's preview alike, so
// that the two cannot differ. `Rows` is readied once from the settings values
// (in the order of the filter's table, each within its key's limits), then
// called as rows(source, destination, count) on each row of a run and on
// each part of a row the preview shows; source may be destination, so read a
// pixel before writing it. A constructor that also takes a bool hears true
// for a run whose destination is far larger than the cache, where stores
// that bypass it pay.
struct FilterRows {
    void (*run)(const RunRequest& request, const std::int32_t* values);
    bool (*preview)(FilterDialog& dialog, const std::int32_t* values, PreviewPane& pane, const PanePoint& offset,
                    const PanePoint& scroll, const PanePoint& size);

    template <class Rows>
    static constexpr FilterRows Of()
    {
        return FilterRows{&RunOf<Rows>, &PreviewOf<Rows>};
    }

private:
    template <class Rows>
    static Rows Ready(const std::int32_t* values, bool streamed)
    {
        if constexpr (std::is_constructible_v<Rows, const std::int32_t*, bool>)
            return Rows(values, streamed);
        else
            return Rows(values);
    }

    template <class Rows>
    static void RunOf(const RunRequest& request, const std::int32_t* values)
    {
        const ImageRect area = request.Area();
        PixelFilter::RunRows(request, area, Ready<Rows>(values, PixelFilter::StreamsPastCache(request, area)));
    }

    template <class Rows>
    static bool PreviewOf(FilterDialog& dialog, const std::int32_t* values, PreviewPane& pane,
                          const PanePoint& offset, const PanePoint& scroll, const PanePoint& size)
    {
        return dialog.RenderFiltered(pane, offset, scroll, size, Ready<Rows>(values, false));
    }
};
