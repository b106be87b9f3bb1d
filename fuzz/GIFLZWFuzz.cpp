// Decodes arbitrary bytes as the image data of a frame.
// Input: width and height (one byte each, plus one), a flag byte (bit 0: interlaced), then the
// image data: the minimum code size byte and the data sub-blocks.
#include "gif/GIFLZW.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) {
        return 0;
    }
    const int width = data[0] + 1;
    const int height = data[1] + 1;
    const bool interlaced = (data[2] & 1) != 0;
    TStringStream stream(std::string(reinterpret_cast<const char*>(data + 3), size - 3));
    std::vector<uint8_t> pixels;
    try {
        DecodeGIFImageData(stream, width, height, interlaced, data[2], pixels, [](const std::string&) {});
    } catch (const Exception&) {
        return 0;
    }
    if (pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        __builtin_trap();
    }
    return 0;
}
