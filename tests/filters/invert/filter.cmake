# Invert, the second filter of the tests' two-filter module: no settings, no dialog.
hx_filter(invert CLASS InvertFilter HEADER InvertFilter.h SOURCES InvertFilter.cpp)
