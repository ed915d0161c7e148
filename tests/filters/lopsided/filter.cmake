# Lopsided, the third filter of the tests' module with dialog filters:
# amounts whose limits leave out 0 or reach past 999 and 32767, and a key
# that no amount shows.
hx_filter(lopsided CLASS LopsidedFilter HEADER LopsidedFilter.h SOURCES LopsidedFilter.cpp
    RC lopsided_dialog.rc IDS LopsidedIds.h)
