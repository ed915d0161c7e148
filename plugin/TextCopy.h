#pragma once
#include <cstddef>

// Tells whether a byte starts a double-byte character in the active code page.
using LeadBytePredicate = bool (*)(unsigned char);

// Lead bytes of code page 932 (Shift-JIS).
bool Cp932IsLeadByte(unsigned char byte);

// strncpy semantics: copies up to `length` bytes, pads with zeros when the text
// is shorter, writes no terminator when it is not. A length of 0 writes nothing.
void BoundedCopy(char* buffer, int length, const char* text);

// Length of the longest prefix of text[0..length) that does not end inside a
// double-byte character, so that a cut never leaves a lone lead byte behind.
std::size_t WholeCharacterPrefix(const char* text, std::size_t length, LeadBytePredicate isLead);

// "<head>\n\n<detail>" in `buffer` of `size` bytes, always NUL-terminated; a
// detail that does not fit is cut at a character boundary.
void ComposeExceptionMessage(char* buffer, std::size_t size, const char* head, const char* detail,
                             LeadBytePredicate isLead);
