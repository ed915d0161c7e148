// The test host's PNG reading on any bytes: a usable image within the size
// limit, or a message naming the file; never a crash or an overrun.
#include <cstdint>
#include <string>

#include "host/Image.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Image image;
    std::string error;
    if (!DecodePng(data, size, "in.png", image, error)) {
        Check(error.find("'in.png'") != std::string::npos, "a refusal names the file");
        Check(image.bgra.empty(), "a refused image leaves nothing behind");
        return 0;
    }
    Check(image.width > 0 && image.height > 0, "an image has pixels");
    Check(static_cast<std::int64_t>(image.width) * image.height <= kMaxImagePixels, "within the size limit");
    Check(image.bgra.size() == static_cast<std::size_t>(image.width) * image.height * 4, "four bytes a pixel");
    return 0;
}
