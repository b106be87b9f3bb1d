// Feeds arbitrary bytes to the kit's LZRW1 decompressor, as one block and as a chunked
// stream: damaged data must raise, never read or write outside the buffers; and every input
// must survive a compression round trip.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "widgets/KitLZRW.h"
#include "widgets/KitStreamUtils.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the room the block may fill, so that the limits are exercised.
    const size_t capacity = size == 0 ? 0 : static_cast<size_t>(data[0]) * 129;
    std::vector<uint8_t> block(data + std::min<size_t>(size, 1), data + size);
    std::vector<uint8_t> output(capacity);
    try {
        KitDecompress(block.data(), output.data(), block.size(), output.size());
    } catch (const Exception&) {
    }

    TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
    TMemoryStream restored;
    try {
        KitDecompressStream(stream, restored);
    } catch (const Exception&) {
    }

    const size_t count = std::min(size, kitMaxBlockInput);
    std::vector<uint8_t> packed(KitCompressBound(count));
    const size_t length = KitCompress(data, packed.data(), count);
    packed.resize(length);
    std::vector<uint8_t> unpacked(count);
    if (length > count + 1 || KitDecompress(packed.data(), unpacked.data(), packed.size(), unpacked.size()) != count ||
        (count != 0 && std::memcmp(unpacked.data(), data, count) != 0)) {
        __builtin_trap();
    }
    return 0;
}
