#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The rectangle argument of HXF_Execute: left, top, right, bottom (exclusive).
struct ImageRectArg {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// What `hxhost run` was asked to do.
struct RunOptions {
    std::int32_t index = 0;
    bool haveRect = false;
    ImageRectArg rect;
    bool inPlace = false;
    std::vector<std::string> files;  // [IN.png] OUT.png
};

// A decimal 32-bit integer, the whole text; false for anything else (also overflow).
bool ParseInt32(const char* text, std::int32_t& value);
// "L,T,R,B", four decimal 32-bit integers.
bool ParseRect(const char* text, ImageRectArg& rect);
// The arguments after `run PLUGIN`. False with a message in `error`; an empty
// message means the usage text is due.
bool ParseRunOptions(int argc, const char* const* argv, RunOptions& options, std::string& error);
// Empty when the rectangle lies within a width x height image and is not
// inverted; otherwise what is wrong with it.
std::string RectError(const ImageRectArg& rect, std::int32_t width, std::int32_t height);
