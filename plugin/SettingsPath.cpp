#include "plugin/SettingsPath.h"

#include <cstring>

namespace {

// File names compare without case on Windows: a module that is itself called
// kwfilters.ini must not get its own file as settings.
bool IsSettingsFileName(const char* name, std::size_t length)
{
    const std::size_t nameLength = sizeof(kSettingsFileName) - 1;
    if (strnlen(name, length) != nameLength)
        return false;
    for (std::size_t i = 0; i < nameLength; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kSettingsFileName[i])
            return false;
    }
    return true;
}

}  // namespace

bool DeriveSettingsPath(char* buffer, std::size_t size, std::size_t length, LeadBytePredicate isLead)
{
    if (size == 0)
        return false;
    std::size_t folderEnd = 0;  // one past the last backslash, 0 when none
    bool cut = length >= size;
    if (!cut) {
        std::size_t i = 0;
        while (i < length && buffer[i] != '\0') {
            unsigned char c = static_cast<unsigned char>(buffer[i]);
            if (c == '\\') {
                folderEnd = i + 1;
                ++i;
            } else {
                // A lead byte takes the next byte with it, unless that is the end of the name.
                i += (isLead(c) && i + 1 < length && buffer[i + 1] != '\0') ? 2 : 1;
            }
        }
    }
    if (cut || folderEnd == 0 || folderEnd + sizeof(kSettingsFileName) > size ||
        IsSettingsFileName(buffer + folderEnd, length - folderEnd)) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer + folderEnd, kSettingsFileName, sizeof(kSettingsFileName));
    return true;
}
