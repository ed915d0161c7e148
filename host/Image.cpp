#include "host/Image.h"

#include <cstring>
#include <fstream>
#include <new>
#include <utility>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

// stb speaks RGBA, the host BGRA: the same swap both ways.
void SwapRedBlue(std::vector<std::uint8_t>& pixels)
{
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
}

// stb sizes its buffer for the compressed data from each chunk's stated
// length before it reads the chunk, so a few bytes stating 2 GiB would have it
// ask for that much. Every chunk whose length can be read must lie within the
// bytes there are.
bool ChunksLieWithin(const std::uint8_t* bytes, std::size_t size)
{
    std::size_t at = 8;  // past the signature
    while (size >= at && size - at >= 8) {
        const std::uint32_t length = (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                                     (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (std::uint64_t{length} + 12 > size - at)
            return false;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return true;
}

}  // namespace

bool LoadPng(const std::string& path, Image& image, std::string& error)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot read image '" + path + "': cannot open the file";
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxPngFileBytes) {
        error = "cannot read image '" + path + "': larger than " + std::to_string(kMaxPngFileBytes) + " bytes";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read image '" + path + "': cannot read the file";
        return false;
    }
    return DecodePng(bytes.data(), bytes.size(), path, image, error);
}

bool DecodePng(const std::uint8_t* bytes, std::size_t size, const std::string& name, Image& image,
               std::string& error)
{
    const std::string cannot = "cannot read image '" + name + "': ";
    if (size > static_cast<std::size_t>(kMaxPngFileBytes)) {
        error = cannot + "larger than " + std::to_string(kMaxPngFileBytes) + " bytes";
        return false;
    }
    const int length = static_cast<int>(size);
    int width = 0, height = 0, channels = 0;
    // The size first, so that a huge image is refused before anything is allocated for it.
    if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
        error = cannot + stbi_failure_reason();
        return false;
    }
    const std::string extent = std::to_string(width) + "x" + std::to_string(height);
    if (static_cast<std::int64_t>(width) * height > kMaxImagePixels) {
        error = "image '" + name + "' is " + extent + "; this host takes at most " + std::to_string(kMaxImagePixels) +
                " pixels";
        return false;
    }
    if (!ChunksLieWithin(bytes, size)) {
        error = cannot + "a chunk runs past the end of the file";
        return false;
    }
    stbi_uc* data = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
    if (!data) {
        error = cannot + stbi_failure_reason();
        return false;
    }
    bool ok = true;
    try {
        image.bgra.assign(data, data + static_cast<std::size_t>(width) * height * 4);
        image.width = width;
        image.height = height;
        SwapRedBlue(image.bgra);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the " + extent + " image '" + name + "'";
        ok = false;
    }
    stbi_image_free(data);
    return ok;
}

bool SavePng(const std::string& path, const Image& image, std::string& error)
{
    std::vector<std::uint8_t> rgba = image.bgra;
    SwapRedBlue(rgba);
    if (!stbi_write_png(path.c_str(), image.width, image.height, 4, rgba.data(), image.width * 4)) {
        error = "cannot write image '" + path + "'";
        return false;
    }
    return true;
}
