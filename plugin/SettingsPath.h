#pragma once
#include <cstddef>

#include "plugin/TextCopy.h"

constexpr char kSettingsFileName[] = "kwfilters.ini";
constexpr std::size_t kSettingsPathSize = 260;

// Turns the module path held in buffer[0..length) into the path of the settings
// file in the same folder. The last backslash is found by a forward walk that
// skips the trail bytes of double-byte characters (0x5C can be a trail byte).
// When there is no backslash, when the module path was cut (length >= size),
// when the folder plus the file name does not fit, or when the module itself
// is named like the settings file, the buffer gets the empty text and false is
// returned: no settings file rather than a wrong one.
bool DeriveSettingsPath(char* buffer, std::size_t size, std::size_t length, LeadBytePredicate isLead);
