// Feeds arbitrary bytes to the kit's list-file reader for every list kind: a damaged file must
// raise a clear error and leave the list as it was, never crash or read outside its data.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "widgets/KitImageList.h"
#include "widgets/KitLists.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void ReadAs(TKitCustomContainer& list, TKitListItem& item, const std::string& bytes)
{
    TStringStream whole(bytes);
    try {
        list.LoadFromListStream(whole, "fuzz");
    } catch (const Exception&) {
    }
    for (int index : {0, 1}) {
        TStringStream single(bytes);
        try {
            KitReadListStreamItem(single, "fuzz", list.ListKind(), item, index);
        } catch (const Exception&) {
        }
    }
    // The same bytes as a container stream without a signature, as form descriptions hold one.
    for (bool withOffsets : {false, true}) {
        TStringStream stream(bytes);
        try {
            list.LoadFromStream(stream, withOffsets);
        } catch (const Exception&) {
        }
    }
    // What was read must save again.
    TMemoryStream saved;
    list.SaveToStream(saved, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TKitStringList strings(nullptr);
    TKitStringListItem stringItem(nullptr);
    ReadAs(strings, stringItem, bytes);
    TKitWaveList waves(nullptr);
    TKitWaveListItem waveItem(nullptr);
    ReadAs(waves, waveItem, bytes);
    TKitBitmapList bitmaps(nullptr);
    TKitBitmapListItem bitmapItem(nullptr);
    ReadAs(bitmaps, bitmapItem, bytes);
    TKitImageList images(nullptr);
    TKitImageListItem imageItem(nullptr);
    ReadAs(images, imageItem, bytes);
    return 0;
}
