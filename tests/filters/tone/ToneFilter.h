#pragma once
#include "table/TableFilter.h"

// Brightness (0..200 %) then contrast (-50..50 %) of each colour channel,
// from section "Tone" of kwfilters.ini; alpha stays. A filter with a dialog
// that is its logic, its template and its table.
class ToneFilter : public TableFilter {
public:
    ToneFilter();
};
