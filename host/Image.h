#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A 32-bit image in the host's layout: blue, green, red, alpha; pitch = width.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

// The largest image the host takes: it holds the decoded image, its copy and
// the result in a 32-bit address space (3 x 256 MiB at this size).
constexpr std::int64_t kMaxImagePixels = 8192LL * 8192;
// And the largest file: more than a stored (uncompressed) PNG of that size.
constexpr std::int64_t kMaxPngFileBytes = 512LL * 1024 * 1024;

// False with a message in `error` for a file that is not a PNG this host can
// take (unreadable, malformed, larger than kMaxImagePixels or kMaxPngFileBytes).
bool LoadPng(const std::string& path, Image& image, std::string& error);
// The same for PNG bytes in memory; `name` is used in messages.
bool DecodePng(const std::uint8_t* bytes, std::size_t size, const std::string& name, Image& image,
               std::string& error);
bool SavePng(const std::string& path, const Image& image, std::string& error);
