// The test host's `run` arguments on any words, against an image of any
// size: accepted options are exact, and an accepted rectangle never reaches
// outside the image.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// Independent of the parser: the decimal value of a whole text, if it has one.
bool WideValue(const std::string& text, long double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtold(text.c_str(), &end);
    return *end == '\0' && text.find_first_of(".eEpPxXnNiI") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    // Two bytes each: the image's width and height; then words split at NUL bytes.
    const std::int32_t width = data[0] | (data[1] << 8);
    const std::int32_t height = data[2] | (data[3] << 8);
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 4; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());

    RunOptions options;
    std::string error;
    if (!ParseRunOptions(static_cast<int>(argv.size()), argv.data(), options, error))
        return 0;
    Check(!options.files.empty() && options.files.size() <= 2, "one or two files");
    // The last of a repeated option counts.
    const std::string* indexText = nullptr;
    const std::string* rectText = nullptr;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == "--index")
            indexText = &words[++i];
        else if (words[i] == "--rect")
            rectText = &words[++i];
    }
    long double v;
    Check(!indexText ? options.index == 0 : WideValue(*indexText, v) && v == options.index,
          "--index is the number given");
    Check(options.haveRect == (rectText != nullptr), "a rectangle exactly when one was given");
    if (rectText) {
        const std::int32_t parts[4] = {options.rect.left, options.rect.top, options.rect.right, options.rect.bottom};
        std::size_t begin = 0;
        for (int p = 0; p < 4; ++p) {
            const std::size_t comma = rectText->find(',', begin);
            Check(WideValue(rectText->substr(begin, comma - begin), v) && v == parts[p],
                  "--rect holds the four numbers given");
            begin = comma + 1;
        }
    }
    if (!options.haveRect || !RectError(options.rect, width, height).empty())
        return 0;
    const ImageRectArg& r = options.rect;
    Check(0 <= r.left && r.left <= r.right && r.right <= width, "columns inside the image");
    Check(0 <= r.top && r.top <= r.bottom && r.bottom <= height, "rows inside the image");
    return 0;
}
