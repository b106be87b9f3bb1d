#include "gif/GIFPainter.h"

#include "gif/GIFExtensions.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Threads.h"

#include <algorithm>
#include <chrono>

// ---- TGIFPainterEvent ----

void TGIFPainterEvent::Signal()
{
    {
        std::lock_guard guard(lock_);
        set_ = true;
    }
    signalled_.notify_one();
}

bool TGIFPainterEvent::Wait(int64_t milliseconds)
{
    std::unique_lock guard(lock_);
    if (milliseconds < 0) {
        signalled_.wait(guard, [this] { return set_; });
    } else if (!signalled_.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return set_; })) {
        return false;
    }
    set_ = false;
    return true;
}

bool TGIFPainterEvent::TryTake()
{
    std::lock_guard guard(lock_);
    const bool was = set_;
    set_ = false;
    return was;
}

// ---- clocks ----

int64_t TGIFSystemClock::Now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void TGIFSystemClock::Sleep(int64_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool TGIFSystemClock::WaitFor(TGIFPainterEvent& event, int64_t milliseconds)
{
    return event.Wait(milliseconds);
}

void TGIFSystemClock::Yield()
{
    std::this_thread::yield();
}

bool TGIFSystemClock::DispatchMessages()
{
    if (Application != nullptr) {
        Application->ProcessMessages();
        return !Application->Terminated();
    }
    CheckSynchronize();
    return true;
}

namespace {

std::mutex clockLock;

std::shared_ptr<TGIFPainterClock>& CurrentClock()
{
    static std::shared_ptr<TGIFPainterClock> clock = std::make_shared<TGIFSystemClock>();
    return clock;
}

}  // namespace

std::shared_ptr<TGIFPainterClock> GIFPainterClock()
{
    std::lock_guard guard(clockLock);
    return CurrentClock();
}

void SetGIFPainterClock(std::shared_ptr<TGIFPainterClock> clock)
{
    std::lock_guard guard(clockLock);
    CurrentClock() = clock ? std::move(clock) : std::make_shared<TGIFSystemClock>();
}

// ---- TGIFPainter ----

TGIFPainter::TGIFPainter(TGIFPicture& picture, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options)
    : picture_(&picture), canvas_(canvas), canvasLifetime_(canvas.Lifetime()), rect_(rect), options_(options),
      animationSpeed_(picture.AnimationSpeed()), clock_(GIFPainterClock())
{
    OnStartPaint = picture.OnStartPaint;
    OnPaint = picture.OnPaint;
    OnAfterPaint = picture.OnAfterPaint;
    OnLoop = picture.OnLoop;
    OnEndPaint = picture.OnEndPaint;
    // A picture of one frame has nothing to animate.
    if (picture.Images().Count() == 1) {
        options_.Exclude(TGIFDrawOption::goAsync);
        options_.Exclude(TGIFDrawOption::goAnimate);
    }
    const TGIFHeader& header = picture.Header();
    if (picture.DrawBackgroundColor() != clNone) {
        backgroundColor_ = picture.DrawBackgroundColor();
    } else if (picture.GlobalColorMap().Count() == 0) {
        backgroundColor_ = clWindow;
    } else {
        const TGIFColor color = picture.GlobalColorMap().Colors(header.BackgroundColorIndex());
        backgroundColor_ = color.Red | (color.Green << 8) | (color.Blue << 16);
    }
    // The disposal methods the frames use decide which buffers the painter needs.
    bool restoresBackground = options_.Contains(TGIFDrawOption::goClearOnLoop);
    bool restoresPrevious = false;
    for (int i = 0; i < picture.Images().Count(); ++i) {
        const TGIFSubImage& frame = picture.Images()[i];
        for (int e = 0; e < frame.Extensions().Count(); ++e) {
            if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(&frame.Extensions()[e])) {
                restoresBackground = restoresBackground || control->Disposal() == TDisposalMethod::dmBackground;
                restoresPrevious = restoresPrevious || control->Disposal() == TDisposalMethod::dmPrevious;
            }
        }
    }
    const int width = std::max(rect.Width(), 0);
    const int height = std::max(rect.Height(), 0);
    if (width == 0 || height == 0 || !(restoresBackground || restoresPrevious)) {
        return;
    }
    // A copy of the canvas where it can be read back, else the background colour.
    auto copyOfDestination = [&] {
        auto bitmap = std::make_unique<TBitmap>();
        QImage area = canvas.Grab(rect);
        if (area.isNull()) {
            area = QImage(width, height, QImage::Format_RGB32);
            area.fill(ToQColor(backgroundColor_));
        } else if (area.format() != QImage::Format_ARGB32_Premultiplied && area.format() != QImage::Format_RGB32) {
            area = area.convertToFormat(area.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        }
        bitmap->SetImage(area);
        return bitmap;
    };
    if (restoresBackground && options_.Contains(TGIFDrawOption::goTransparent)) {
        background_ = copyOfDestination();
    }
    backup_ = copyOfDestination();
    frameBuffer_ = std::make_unique<TBitmap>();
    QImage buffer(width, height, backup_->Image().format());
    buffer.fill(ToQColor(backgroundColor_));
    frameBuffer_->SetImage(buffer);
}

TGIFPainter::~TGIFPainter()
{
    Stop();
    if (thread_.joinable()) {
        WaitForEnd();
    }
}

void TGIFPainter::Start()
{
    finished_ = false;
    thread_ = std::thread([this] { RunGuarded(); });
}

void TGIFPainter::Execute()
{
    RunGuarded();
    if (const std::exception_ptr error = Error()) {
        std::rethrow_exception(error);
    }
}

void TGIFPainter::Stop()
{
    terminated_ = true;
    event_.Signal();
}

void TGIFPainter::Restart()
{
    restart_ = true;
    event_.Signal();
}

void TGIFPainter::WaitServing(const std::function<bool()>& condition)
{
    // The painter may be waiting for the GUI thread to run its drawing: run it meanwhile.
    for (;;) {
        CheckSynchronize();
        std::unique_lock guard(endLock_);
        if (ended_.wait_for(guard, std::chrono::milliseconds(1), condition)) {
            return;
        }
    }
}

void TGIFPainter::WaitForEnd()
{
    if (thread_.joinable()) {
        WaitServing([this] { return finished_.load(); });
        thread_.join();
    }
}

void TGIFPainter::WaitForStart()
{
    if (thread_.joinable()) {
        WaitServing([this] { return started_ || finished_; });
    }
}

std::exception_ptr TGIFPainter::Error() const
{
    std::lock_guard guard(errorLock_);
    return error_;
}

void TGIFPainter::RunGuarded()
{
    try {
        Run();
    } catch (...) {
        std::lock_guard guard(errorLock_);
        error_ = std::current_exception();
        terminated_ = true;
    }
    {
        std::lock_guard guard(endLock_);
        finished_ = true;
    }
    ended_.notify_all();
}

void TGIFPainter::OnGuiThread(const std::function<void()>& step)
{
    if (Asynchronous()) {
        TThread::Synchronize(nullptr, step);
    } else {
        step();
    }
}

void TGIFPainter::Fire(const TNotifyEvent& event)
{
    if (event) {
        OnGuiThread([&] { event(this); });
    }
}

TGIFPainter::TFrameInfo TGIFPainter::ReadFrame(int index, bool prepare)
{
    TFrameInfo info;
    OnGuiThread([&] {
        TGIFPicture* picture = picture_;
        if (picture == nullptr || index < 0 || index >= picture->Images().Count() || picture->Images()[index].Empty()) {
            return;
        }
        TGIFSubImage& frame = picture->Images()[index];
        info.exists = true;
        if (prepare) {
            frame.Bitmap();
        }
        bool controlSeen = false;
        for (int e = 0; e < frame.Extensions().Count(); ++e) {
            TGIFExtension& extension = frame.Extensions()[e];
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&extension); loop != nullptr && !info.hasLoop) {
                info.hasLoop = true;
                info.loops = loop->Loops();
            } else if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(&extension);
                       control != nullptr && !controlSeen) {
                controlSeen = true;
                info.disposal = control->Disposal();
                info.delay = control->Delay();
            }
        }
    });
    return info;
}

bool TGIFPainter::WaitBeforeFrame(int delay, int64_t& timerStart, int64_t& correction)
{
    TGIFPainterClock& clock = *clock_;
    const int speed = animationSpeed_;
    int64_t wait = 0;
    const int64_t now = clock.Now();
    if (speed <= 0) {
        wait = Asynchronous() ? -1 : int64_t(GIFMaximumDelay) * GIFDelayUnit;
    } else {
        // The time spent beyond the last wait (drawing, mostly) is half taken off this one.
        const int64_t overrun = now - timerStart - correction;
        wait = (int64_t(delay) * GIFDelayUnit - overrun / 2) * 100 / speed;
        if (wait > int64_t(GIFMaximumDelay) * GIFDelayUnit * 100 || wait < -int64_t(GIFMaximumDelay) * GIFDelayUnit * 100) {
            wait = int64_t(GIFMaximumDelay) * GIFDelayUnit;
            correction = 0;
        } else {
            correction = std::max<int64_t>(wait, 0);
        }
    }
    timerStart = now;
    if (Asynchronous()) {
        if (clock.WaitFor(event_, wait < 0 ? -1 : std::max<int64_t>(wait, 0))) {
            // Woken: to stop, to start over, or to go on at once.
            correction = 0;
            timerStart = clock.Now();
        }
        return !terminated_ && !restart_;
    }
    // A synchronous painter waits in slices and keeps the calling thread's messages moving.
    int64_t remaining = std::max<int64_t>(wait, 1);
    while (remaining > 0 && !terminated_) {
        const int64_t slice = std::min<int64_t>(remaining, 100);
        const int64_t before = clock.Now();
        clock.Sleep(slice);
        remaining -= std::max<int64_t>(clock.Now() - before, 1);
        if (!clock.DispatchMessages()) {
            terminated_ = true;
        }
        if (picture_ == nullptr) {
            terminated_ = true;
        }
    }
    return !terminated_ && !restart_;
}

void TGIFPainter::Run()
{
    const bool animate = options_.Contains(TGIFDrawOption::goAnimate);
    const bool loop = options_.Contains(TGIFDrawOption::goLoop);
    restart_ = true;
    while (restart_ && !terminated_) {
        activeImage_ = 0;
        Fire(OnStartPaint);
        started_ = false;
        restart_ = false;
        int loopCount = 1;
        bool endless = options_.Contains(TGIFDrawOption::goLoopContinuously);
        int loopStart = 0;
        bool loopSeen = false;
        int delay = Asynchronous() ? 0 : 1;
        previousDisposal_ = TDisposalMethod::dmNoDisposal;
        int64_t timerStart = clock_->Now();
        int64_t correction = 0;
        do {
            activeImage_ = loopStart;
            if (started_) {
                Fire(OnLoop);
            }
            for (;;) {
                if (terminated_ || restart_) {
                    break;
                }
                const int index = activeImage_;
                TFrameInfo frame = ReadFrame(index, delay >= 1);
                if (!frame.exists) {
                    break;
                }
                if (delay < 1) {
                    clock_->Yield();
                } else if (!WaitBeforeFrame(delay, timerStart, correction)) {
                    break;
                }
                Fire(OnPaint);
                if (frame.hasLoop && !loopSeen) {
                    loopSeen = true;
                    loopCount = frame.loops;
                    // No count, or "loop for ever", repeats until the painter is stopped; a
                    // synchronous painter shows the frames once more per pass while the count lasts.
                    if (loopCount == 0 && Asynchronous()) {
                        endless = true;
                    }
                    loopStart = index;
                }
                OnGuiThread([&] { DrawFrame(index, frame.disposal, loopStart); });
                if (terminated_) {
                    break;
                }
                previousDisposal_ = frame.disposal;
                if (frame.delay != 0) {
                    delay = std::max(frame.delay, GIFMinimumDelay);
                    if (!Asynchronous()) {
                        delay = std::min(delay, GIFMaximumDelay);
                    }
                } else {
                    delay = GIFDefaultDelay;
                }
                {
                    std::lock_guard guard(endLock_);
                    started_ = true;
                }
                ended_.notify_all();
                Fire(OnAfterPaint);
                if (activeImage_ == index) {
                    activeImage_ = index + 1;
                }
                if (!animate) {
                    break;
                }
            }
            if (loopCount > 0) {
                --loopCount;
            }
            if (!(animate && loop)) {
                break;
            }
        } while ((loopCount != 0 || endless) && !terminated_ && !restart_);
    }
    activeImage_ = -1;
    Fire(OnEndPaint);
}

bool TGIFPainter::CanvasUsable() const
{
    if (canvasLifetime_.expired()) {
        return false;
    }
    return !options_.Contains(TGIFDrawOption::goValidateCanvas) || canvas_.CanDraw();
}

void TGIFPainter::DrawFrame(int index, TDisposalMethod disposal, int loopStart)
{
    TGIFPicture* picture = picture_;
    if (picture == nullptr || !CanvasUsable()) {
        // The picture or the canvas is gone: nothing is drawn any more.
        terminated_ = true;
        return;
    }
    if (index >= picture->Images().Count()) {
        return;
    }
    TGIFSubImage& frame = picture->Images()[index];
    if (backup_) {
        BufferedDraw(frame, disposal, index == loopStart);
    } else {
        frame.Draw(canvas_, rect_, options_.Contains(TGIFDrawOption::goTransparent), options_.Contains(TGIFDrawOption::goTile));
    }
}

void TGIFPainter::BufferedDraw(TGIFSubImage& frame, TDisposalMethod disposal, bool firstFrame)
{
    const bool transparent = options_.Contains(TGIFDrawOption::goTransparent);
    const bool tile = options_.Contains(TGIFDrawOption::goTile);
    const TRect whole{0, 0, rect_.Width(), rect_.Height()};
    if (firstFrame && options_.Contains(TGIFDrawOption::goClearOnLoop)) {
        RestoreBackground(*backup_, frame);
    }
    const bool restoresOnTop = previousDisposal_ == TDisposalMethod::dmBackground || previousDisposal_ == TDisposalMethod::dmPrevious;
    if (disposal == TDisposalMethod::dmPrevious) {
        if (!restoresOnTop) {
            // The backup keeps the picture before this frame; the frame goes on the canvas only.
            frame.Draw(canvas_, rect_, transparent, tile);
            return;
        }
        frameBuffer_->Canvas().CopyRect(whole, backup_->Image(), whole);
        frame.Draw(frameBuffer_->Canvas(), whole, transparent, tile);
        canvas_.CopyRect(rect_, frameBuffer_->Image(), whole);
        return;
    }
    frame.Draw(backup_->Canvas(), whole, transparent, tile);
    canvas_.CopyRect(rect_, backup_->Image(), whole);
    if (disposal == TDisposalMethod::dmBackground) {
        RestoreBackground(*backup_, frame);
    }
}

void TGIFPainter::RestoreBackground(TBitmap& target, const TGIFSubImage& frame)
{
    const TRect whole{0, 0, rect_.Width(), rect_.Height()};
    const TRect area = frame.ScaleRect(whole);
    if (background_) {
        target.Canvas().CopyRect(area, background_->Image(), area);
        return;
    }
    TCanvas& canvas = target.Canvas();
    canvas.Brush().SetColor(backgroundColor_);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect(area);
}
