#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A 32-bit image in the host's layout: blue, green, red, alpha; pitch = width.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

bool LoadPng(const std::string& path, Image& image, std::string& error);
bool SavePng(const std::string& path, const Image& image, std::string& error);
