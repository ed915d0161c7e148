#pragma once
#include <windows.h>

// Committed private memory of this process: PrivateUsage where the system
// reports it, else (Wine answers 0) the MEM_COMMIT + MEM_PRIVATE regions summed.
SIZE_T CommittedPrivateBytes();
