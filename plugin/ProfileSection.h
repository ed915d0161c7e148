#pragma once
#include <cstddef>
#include <string>

// A key of a profile section and the text to store for it.
struct ProfileEntry {
    const char* key;
    const char* value;
};

// `lines` holds `length` bytes of a section as GetPrivateProfileSectionA gives
// it: "key=value" lines, each ended by a NUL. Returns it, in the form
// WritePrivateProfileSectionA takes, with each entry's key set to its value
// as separate writes of the keys would set it: at the key's first line (keys
// compare without regard to ASCII case and to blanks around them), or after
// the section's lines, in the entries' order, where the section has none.
// Every other line stays as it was, where it was.
std::string MergeProfileSection(const char* lines, std::size_t length, const ProfileEntry* entries,
                                std::size_t count);
