// The bounded copy and the exception message on any text and length.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "plugin/TextCopy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int length = data[0] | ((data[1] & 0x03) << 8);  // 0..1023
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);  // NUL-terminated by std::string

    std::vector<char> buffer(length ? length : 1, '#');
    BoundedCopy(buffer.data(), length, text.c_str());
    const std::size_t textLength = std::strlen(text.c_str());
    for (int i = 0; i < length; ++i) {
        char expected = static_cast<std::size_t>(i) < textLength ? text[i] : '\0';
        Check(buffer[i] == expected, "strncpy semantics");
    }
    if (length == 0)
        Check(buffer[0] == '#', "length 0 writes nothing");

    // The exception box: a 512-byte buffer, head first, never overrun, never half a character.
    std::vector<char> message(512);
    const char head[] = "\x90\xdd\x92\xe8\n\x8f\x88\x97\x9d";
    ComposeExceptionMessage(message.data(), message.size(), head, text.c_str(), Cp932IsLeadByte);
    const std::size_t written = strnlen(message.data(), message.size());
    Check(written < message.size(), "terminated inside the buffer");
    Check(std::strncmp(message.data(), head, sizeof head - 1) == 0, "the head comes first");
    if (sizeof head - 1 + 2 + textLength >= message.size()) {
        // Cut: the cut must not leave half a character (a text that is itself
        // malformed at its end is not the cut's doing, hence only here).
        Check(WholeCharacterPrefix(message.data(), written, Cp932IsLeadByte) == written, "no split character");
        Check(written + 2 >= message.size() - 1, "cut by at most one character");
    }
    return 0;
}
