#include "plugin/ProfileSection.h"

#include <cstring>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The key of a line: what stands before its first '=' (the whole line
// without one), blanks around it dropped.
struct KeySpan {
    std::size_t begin;
    std::size_t end;
};

KeySpan KeyOf(const char* line, std::size_t length)
{
    std::size_t end = 0;
    while (end < length && line[end] != '=')
        ++end;
    std::size_t begin = 0;
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    return {begin, end};
}

bool SameKey(const char* line, KeySpan span, const char* key)
{
    const std::size_t keyLength = std::strlen(key);
    if (span.end - span.begin != keyLength)
        return false;
    for (std::size_t i = 0; i < keyLength; ++i)
        if (AsciiLower(line[span.begin + i]) != AsciiLower(key[i]))
            return false;
    return true;
}

void AppendLine(std::string& out, const char* key, std::size_t keyLength, const char* value)
{
    out.append(key, keyLength);
    out += '=';
    out += value;
    out += '\0';
}

}  // namespace

std::string MergeProfileSection(const char* lines, std::size_t length, const ProfileEntry* entries,
                                std::size_t count)
{
    std::string merged;
    std::vector<bool> placed(count, false);
    for (std::size_t at = 0; at < length;) {
        const char* line = lines + at;
        const auto* end = static_cast<const char*>(std::memchr(line, '\0', length - at));
        const std::size_t lineLength = end ? static_cast<std::size_t>(end - line) : length - at;
        at += lineLength + 1;
        if (lineLength == 0)
            continue;
        const KeySpan key = KeyOf(line, lineLength);
        std::size_t match = 0;
        while (match < count && (placed[match] || !SameKey(line, key, entries[match].key)))
            ++match;
        if (match < count) {
            // The key keeps its spelling, as a write of its value keeps it.
            AppendLine(merged, line + key.begin, key.end - key.begin, entries[match].value);
            placed[match] = true;
        } else {
            merged.append(line, lineLength);
            merged += '\0';
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!placed[i])
            AppendLine(merged, entries[i].key, std::strlen(entries[i].key), entries[i].value);
    merged += '\0';  // with the string's own NUL, the empty line that ends the list
    return merged;
}
