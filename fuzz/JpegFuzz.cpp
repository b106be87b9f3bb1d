// Decodes arbitrary bytes as a JPEG picture. Damaged or oversized pictures may only fail with
// the picture's error (EJPEG), never take memory beyond the decoder's limits.
#include "platform/gui/Jpeg.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const QImage image = TJPEGImage::Decode(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)image;
    } catch (const EJPEG&) {
    }
    return 0;
}
