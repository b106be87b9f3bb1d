// Feeds arbitrary bytes to the kit's string decoders: text decoding must refuse what it cannot
// read without reading past the input, and what it accepts must survive a round trip; the
// keyed and text codings must restore any bytes.

#include "widgets/KitStrings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string decoded;
    if (KitTryTextDecode(input, decoded)) {
        std::string again;
        if (!KitTryTextDecode(KitTextEncode(decoded), again) || again != decoded)
            __builtin_trap();
    }

    const uint16_t key = size >= 2 ? static_cast<uint16_t>(data[0] | (data[1] << 8)) : 40716;
    if (KitEncodeKeyed(KitDecodeKeyed(input, key), key) != input)
        __builtin_trap();
    std::string restored;
    if (!KitTryTextDecode(KitTextEncode(input), restored) || restored != input)
        __builtin_trap();
    return 0;
}
