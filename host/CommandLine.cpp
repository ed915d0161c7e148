#include "host/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool ParseInt32(const char* text, std::int32_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ParseRect(const char* text, ImageRectArg& rect)
{
    std::int32_t* const parts[4] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    const std::string whole = text;
    std::size_t begin = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = whole.find(',', begin);
        if ((comma == std::string::npos) != (i == 3))
            return false;
        const std::string part = whole.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        if (!ParseInt32(part.c_str(), *parts[i]))
            return false;
        begin = comma + 1;
    }
    return true;
}

bool ParseRunOptions(int argc, const char* const* argv, RunOptions& options, std::string& error)
{
    error.clear();
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--index") {
            if (i + 1 == argc || !ParseInt32(argv[++i], options.index)) {
                error = "--index needs a 32-bit number";
                return false;
            }
        } else if (arg == "--rect") {
            if (i + 1 == argc || !ParseRect(argv[++i], options.rect)) {
                error = "--rect needs L,T,R,B, four 32-bit numbers";
                return false;
            }
            options.haveRect = true;
        } else if (arg == "--in-place") {
            options.inPlace = true;
        } else if (arg.rfind("--", 0) == 0) {
            error = "unknown option " + arg;
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    return !options.files.empty() && options.files.size() <= 2;
}

std::string RectError(const ImageRectArg& rect, std::int32_t width, std::int32_t height)
{
    if (rect.left < 0 || rect.top < 0 || rect.right > width || rect.bottom > height)
        return "--rect lies outside the " + std::to_string(width) + "x" + std::to_string(height) + " image";
    if (rect.right < rect.left || rect.bottom < rect.top)
        return "--rect is inverted: its right or bottom edge lies before its left or top";
    return "";
}
