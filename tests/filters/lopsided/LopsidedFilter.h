#pragma once
#include "table/TableFilter.h"

// A filter whose amounts keep away from 0 on one side or both and reach
// past 999 and 32767, from section "Lopsided" of kwfilters.ini: red moved
// by shift (-100..50), green by dim (-50..-10) times mode (1..3, no amount
// of the dialog), blue scaled by levels (2..64) sixteenths; gain (0..5000)
// and wide (30000..90000, no spinner) are stored only.
class LopsidedFilter : public TableFilter {
public:
    LopsidedFilter();
};
