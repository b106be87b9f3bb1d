#pragma once
// JPEG pictures, decoded by libjpeg. Registered with the picture formats for "jpeg" and "jpg"
// ("JPEG Image File"). Every error the library reports becomes one EJPEG "JPEG error #<code>",
// with the library's message code; its warnings (a file that ends early, say) are not errors.

#include "platform/rtl/Exceptions.h"

#include <QImage>

#include <string>
#include <string_view>

ZV_DECLARE_EXCEPTION(EJPEG, Exception);

class TJPEGImage {
public:
    // The largest picture decoded: at most this many pixels a side, and at most kMaxPixels in all
    // (128 MB as a 32-bit image). A larger one is refused from its header, before anything is
    // allocated for it, with "JPEG error #" and the library's code for a picture too big.
    static constexpr int kMaxSide = 16384;
    static constexpr long long kMaxPixels = 1LL << 25;

    // Decodes a whole JPEG file held in memory into a 32-bit RGB image (grey-scale and CMYK
    // files are converted).
    static QImage Decode(std::string_view bytes);
};
