#pragma once
#include <cstdio>
#include <cstdlib>

// A property that must hold for every input: a violation is a finding.
inline void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}
