#pragma once
// Helpers of the picture and painter tests: animations built frame by frame, a clock the test
// drives, and pictures read back from files that outside tools write.

#include "gif/GIFExtensions.h"
#include "gif/GIFPainter.h"
#include "platform/rtl/Threads.h"

#include <QImage>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace giftest {

struct TFrameLayout {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    // One character a pixel, rows joined: '0'..'9' are colour indices, '.' the transparent one.
    std::string pixels;
    TDisposalMethod disposal = TDisposalMethod::dmNone;
    int delay = 0;
    bool withControl = true;
};

inline constexpr int kTransparentIndex = 7;

// A picture of `width` by `height` with an 8-colour global table (index 7 serves as the
// transparent colour) and the frames described.
inline std::unique_ptr<TGIFPicture> MakeAnimation(int width, int height, const std::vector<TFrameLayout>& frames, int loops = -1)
{
    auto picture = std::make_unique<TGIFPicture>();
    picture->Header().SetWidth(width);
    picture->Header().SetHeight(height);
    const TGIFColor colors[8] = {{200, 30, 30}, {30, 180, 40}, {40, 60, 220}, {240, 220, 20},
                                 {20, 20, 20},  {250, 250, 250}, {120, 40, 160}, {0, 0, 0}};
    for (const TGIFColor& color : colors) {
        picture->GlobalColorMap().Add(color);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        const TFrameLayout& layout = frames[i];
        auto frame = std::make_unique<TGIFSubImage>(picture.get());
        if (i == 0 && loops >= 0) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(*frame);
            loop->SetLoops(loops);
            frame->Extensions().Add(std::move(loop));
        }
        const bool transparent = layout.pixels.find('.') != std::string::npos;
        if (layout.withControl) {
            auto control = std::make_unique<TGIFGraphicControlExtension>(*frame);
            control->SetDisposal(layout.disposal);
            control->SetDelay(layout.delay);
            control->SetTransparent(transparent);
            control->SetTransparentColorIndex(kTransparentIndex);
            frame->Extensions().Add(std::move(control));
            frame->SetTransparent(transparent);
        }
        frame->SetBounds(layout.left, layout.top, layout.width, layout.height);
        for (size_t p = 0; p < layout.pixels.size() && p < frame->Data().size(); ++p) {
            frame->Data()[p] = static_cast<uint8_t>(layout.pixels[p] == '.' ? kTransparentIndex : layout.pixels[p] - '0');
        }
        picture->Images().Add(std::move(frame));
    }
    return picture;
}

// Time that moves only when the painter waits; every wait is recorded.
class TFakeClock : public TGIFPainterClock {
public:
    int64_t Now() override
    {
        std::lock_guard guard(lock_);
        return now_;
    }
    void Sleep(int64_t milliseconds) override
    {
        std::lock_guard guard(lock_);
        sleeps_.push_back(milliseconds);
        now_ += milliseconds;
    }
    bool WaitFor(TGIFPainterEvent& event, int64_t milliseconds) override
    {
        {
            std::lock_guard guard(lock_);
            waits_.push_back(milliseconds);
        }
        if (milliseconds < 0) {
            // Without a limit only the event ends the wait, as it would on the real clock.
            return event.Wait(-1);
        }
        if (event.TryTake()) {
            return true;
        }
        std::lock_guard guard(lock_);
        now_ += milliseconds;
        return false;
    }
    void Yield() override
    {
        std::lock_guard guard(lock_);
        ++yields_;
    }
    bool DispatchMessages() override
    {
        CheckSynchronize();
        return OnDispatch ? OnDispatch() : true;
    }
    std::vector<int64_t> Sleeps()
    {
        std::lock_guard guard(lock_);
        return sleeps_;
    }
    std::vector<int64_t> Waits()
    {
        std::lock_guard guard(lock_);
        return waits_;
    }
    int Yields()
    {
        std::lock_guard guard(lock_);
        return yields_;
    }
    // Runs at each dispatch of a synchronous painter's wait; false ends the painter.
    std::function<bool()> OnDispatch;

private:
    std::mutex lock_;
    int64_t now_ = 1000;
    std::vector<int64_t> sleeps_;
    std::vector<int64_t> waits_;
    int yields_ = 0;
};

// Sets a fake clock for the painters made during its lifetime.
class TFakeClockScope {
public:
    TFakeClockScope() : clock(std::make_shared<TFakeClock>()) { SetGIFPainterClock(clock); }
    ~TFakeClockScope() { SetGIFPainterClock(nullptr); }
    TFakeClockScope(const TFakeClockScope&) = delete;
    TFakeClockScope& operator=(const TFakeClockScope&) = delete;
    std::shared_ptr<TFakeClock> clock;
};

// A bitmap of one colour to draw on.
struct TSurface : TBitmap {
    TSurface(int width, int height, QRgb color)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        SetImage(image);
    }
};

}  // namespace giftest
