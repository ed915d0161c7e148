#pragma once
#include <string>

// Saves what the whole desktop shows now as a PNG; false when it cannot.
bool SaveScreenshot(const std::wstring& path);
