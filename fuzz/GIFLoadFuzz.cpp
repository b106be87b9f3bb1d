// Loads arbitrary bytes as a GIF file; a file that loads is saved again with both encoders and
// the result loaded once more.
#include "gif/GIFPicture.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TGIFPicture picture;
    int warnings = 0;
    picture.OnWarning = [&warnings](TObject*, TGIFSeverity, const std::string&) { ++warnings; };
    try {
        TStringStream stream(std::string(reinterpret_cast<const char*>(data), size));
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
        // Refused input is the expected outcome for most inputs.
        return 0;
    }
    for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
        try {
            picture.SetCompression(compression);
            TStringStream saved;
            picture.SaveToStream(saved);
            saved.SetPosition(0);
            TGIFPicture again;
            again.LoadFromStream(saved);
        } catch (const Exception&) {
            // Pixels outside their colour table cannot be written.
        }
    }
    return 0;
}
