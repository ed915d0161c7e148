#include "plugin/SettingsPath.h"

#include <cstring>

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
                i += (isLead(c) && i + 1 < length) ? 2 : 1;
            }
        }
    }
    if (cut || folderEnd == 0 || folderEnd + sizeof(kSettingsFileName) > size) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer + folderEnd, kSettingsFileName, sizeof(kSettingsFileName));
    return true;
}
