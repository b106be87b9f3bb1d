#include "platform/gui/Jpeg.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg reports errors through a callback that must not return; it jumps back to the
// decoding step that set the mark, and the step reports the library's message code. The
// decoding steps below hold no C++ objects, so the jump skips no destructor.
struct TJpegContext {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf mark{};
    bool created = false;
};

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    auto* context = reinterpret_cast<TJpegContext*>(info->client_data);
    std::longjmp(context->mark, 1);
}

void EmitMessage(j_common_ptr, int)
{
    // Warnings and trace messages are not shown.
}

void OutputMessage(j_common_ptr) {}

// Memory the library may take for its own work on the largest picture decoded.
constexpr long kLibraryMemory = 512L * 1024 * 1024;

// Reads the header and starts decompression; 0 or the library's message code.
int StartDecoding(TJpegContext& context, const unsigned char* data, unsigned long size)
{
    context.info.err = jpeg_std_error(&context.errors);
    context.errors.error_exit = ErrorExit;
    context.errors.emit_message = EmitMessage;
    context.errors.output_message = OutputMessage;
    context.info.client_data = &context;
    if (setjmp(context.mark) != 0) {
        return context.errors.msg_code == 0 ? -1 : context.errors.msg_code;
    }
    jpeg_create_decompress(&context.info);
    context.created = true;
    // The library's own buffers (a progressive picture's coefficients) stay within bounds too:
    // past them it fails instead of taking memory.
    context.info.mem->max_memory_to_use = kLibraryMemory;
    jpeg_mem_src(&context.info, data, size);
    jpeg_read_header(&context.info, TRUE);
    const long long width = context.info.image_width;
    const long long height = context.info.image_height;
    if (width > TJPEGImage::kMaxSide || height > TJPEGImage::kMaxSide || width * height > TJPEGImage::kMaxPixels) {
        return JERR_IMAGE_TOO_BIG;
    }
    if (context.info.jpeg_color_space == JCS_CMYK || context.info.jpeg_color_space == JCS_YCCK) {
        context.info.out_color_space = JCS_CMYK;
    } else {
        context.info.out_color_space = JCS_EXT_RGBX;
    }
    jpeg_start_decompress(&context.info);
    return 0;
}

// Decompresses every scan line into `bits` (4 bytes a pixel, `stride` bytes a line).
int ReadLines(TJpegContext& context, unsigned char* bits, std::ptrdiff_t stride)
{
    if (setjmp(context.mark) != 0) {
        return context.errors.msg_code == 0 ? -1 : context.errors.msg_code;
    }
    while (context.info.output_scanline < context.info.output_height) {
        JSAMPROW row = bits + stride * static_cast<std::ptrdiff_t>(context.info.output_scanline);
        jpeg_read_scanlines(&context.info, &row, 1);
    }
    jpeg_finish_decompress(&context.info);
    return 0;
}

class TJpegDecompressor {
public:
    TJpegDecompressor() = default;
    ~TJpegDecompressor()
    {
        if (context_.created) {
            jpeg_destroy_decompress(&context_.info);
        }
    }
    TJpegDecompressor(const TJpegDecompressor&) = delete;
    TJpegDecompressor& operator=(const TJpegDecompressor&) = delete;
    TJpegContext& Context() noexcept { return context_; }

private:
    TJpegContext context_;
};

[[noreturn]] void RaiseJpegError(int code)
{
    throw EJPEG("JPEG error #" + std::to_string(code));
}

// CMYK as Adobe writes it (inverted) to RGB, in place.
void ConvertCmykToRgb(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        unsigned char* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            const int k = pixel[3];
            pixel[0] = static_cast<unsigned char>(pixel[0] * k / 255);
            pixel[1] = static_cast<unsigned char>(pixel[1] * k / 255);
            pixel[2] = static_cast<unsigned char>(pixel[2] * k / 255);
            pixel[3] = 255;
        }
    }
}

}  // namespace

QImage TJPEGImage::Decode(std::string_view bytes)
{
    TJpegDecompressor decompressor;
    TJpegContext& context = decompressor.Context();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (const int code = StartDecoding(context, data, static_cast<unsigned long>(bytes.size())); code != 0) {
        RaiseJpegError(code);
    }
    QImage image(static_cast<int>(context.info.output_width), static_cast<int>(context.info.output_height),
                 QImage::Format_RGBX8888);
    if (image.isNull()) {
        throw EJPEG("JPEG error #" + std::to_string(static_cast<int>(JERR_OUT_OF_MEMORY)));
    }
    if (const int code = ReadLines(context, image.bits(), image.bytesPerLine()); code != 0) {
        RaiseJpegError(code);
    }
    if (context.info.out_color_space == JCS_CMYK) {
        ConvertCmykToRgb(image);
    }
    return image;
}
