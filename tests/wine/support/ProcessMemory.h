#pragma once
#include <windows.h>

// Committed private memory of this process: PrivateUsage as Windows reports
// it; under Wine, which answers 0, the MEM_COMMIT + MEM_PRIVATE regions summed.
SIZE_T CommittedPrivateBytes();
