// Loads arbitrary bytes as a GIF file; a file that loads is saved again with both encoders and
// the result loaded once more. A file of a moderate logical size is also drawn: every frame's
// bitmap, the picture's bitmap, the frames one after another by a painter without waits, and the
// picture optimised in every way.
#include "gif/GIFPainter.h"
#include "gif/GIFPicture.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// A painter's clock whose waits take no time.
class TNoWaitClock : public TGIFPainterClock {
public:
    int64_t Now() override { return now_; }
    void Sleep(int64_t milliseconds) override { now_ += milliseconds; }
    bool WaitFor(TGIFPainterEvent& event, int64_t milliseconds) override { return event.TryTake(); }
    void Yield() override {}
    bool DispatchMessages() override { return true; }

private:
    int64_t now_ = 0;
};

constexpr int64_t kMaxDrawnPixels = 1 << 18;

void Draw(TGIFPicture& picture)
{
    int64_t pixels = int64_t(picture.Width()) * picture.Height();
    for (int i = 0; i < picture.Images().Count(); ++i) {
        pixels += int64_t(picture.Images()[i].Width()) * picture.Images()[i].Height();
    }
    if (picture.Width() <= 0 || picture.Height() <= 0 || pixels > kMaxDrawnPixels || picture.Images().Count() > 64) {
        return;
    }
    try {
        for (int i = 0; i < picture.Images().Count(); ++i) {
            picture.Images()[i].Bitmap();
        }
        picture.Bitmap();
        SetGIFPainterClock(std::make_shared<TNoWaitClock>());
        TBitmap surface;
        surface.SetImage(QImage(picture.Width(), picture.Height(), QImage::Format_RGB32));
        TGIFPainter painter(picture, surface.Canvas(), {0, 0, picture.Width(), picture.Height()},
                            {TGIFDrawOption::goTransparent, TGIFDrawOption::goAnimate});
        painter.Execute();
        picture.Optimize(0x1F, TColorReduction::rmQuantize, TDitherMode::dmFloydSteinberg, 4);
        picture.Bitmap();
    } catch (const Exception&) {
        // A picture without any colour table cannot be drawn.
    }
    SetGIFPainterClock(nullptr);
}

}  // namespace

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
    Draw(picture);
    return 0;
}
