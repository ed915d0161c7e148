#include "plugin/TextCopy.h"

#include <cstdio>
#include <cstring>

bool Cp932IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void BoundedCopy(char* buffer, int length, const char* text)
{
    if (length <= 0)
        return;
    std::strncpy(buffer, text, static_cast<std::size_t>(length));
}

std::size_t WholeCharacterPrefix(const char* text, std::size_t length, LeadBytePredicate isLead)
{
    // Only a forward walk knows which bytes are trail bytes.
    std::size_t i = 0;
    while (i < length) {
        std::size_t step = isLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > length)
            break;
        i += step;
    }
    return i;
}

void ComposeExceptionMessage(char* buffer, std::size_t size, const char* head, const char* detail,
                             LeadBytePredicate isLead)
{
    if (size == 0)
        return;
    int written = std::snprintf(buffer, size, "%s\n\n%s", head, detail ? detail : "");
    if (written < 0) {
        buffer[0] = '\0';
        return;
    }
    if (static_cast<std::size_t>(written) >= size) {
        // snprintf cut the text; do not leave half a double-byte character at the end.
        std::size_t keep = WholeCharacterPrefix(buffer, size - 1, isLead);
        buffer[keep] = '\0';
    }
}
