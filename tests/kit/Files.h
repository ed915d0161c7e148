#pragma once
#include <string>

// LongPath, RemoveTree, RemoveFile, FullPath, ForEachEntry: tests make folders
// deeper than 260 characters, and every file call on a path the runner did not
// make itself goes through the \\?\ form.
#include "tests/wine/support/Platform.h"

// The folder part of a path, without the last backslash.
std::wstring FolderOf(const std::wstring& path);
// RemoveTree, waiting a little longer for files that a process just ended
// still holds.
bool DeleteTree(const std::wstring& folder);
bool ReadBytes(const std::wstring& path, std::string& bytes);

// Text from a file the runner did not write: UTF-8 where it is valid UTF-8
// (the list, ASCII output), else the ANSI code page (the tests' own messages).
std::wstring DecodeText(const std::string& bytes);
std::string Utf8(const std::wstring& text);
// The system's text for an error code, on one line.
std::wstring SystemMessage(unsigned long error);
