#include "host/Image.h"

#include <utility>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO_WIDE
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
}  // namespace

bool LoadPng(const std::string& path, Image& image, std::string& error)
{
    int width = 0, height = 0, channels = 0;
    stbi_uc* data = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (!data) {
        error = "cannot read image '" + path + "': " + stbi_failure_reason();
        return false;
    }
    image.width = width;
    image.height = height;
    image.bgra.assign(data, data + static_cast<std::size_t>(width) * height * 4);
    stbi_image_free(data);
    SwapRedBlue(image.bgra);
    return true;
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
