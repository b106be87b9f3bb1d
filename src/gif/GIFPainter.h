#pragma once
// The animation painter: shows the frames of a picture one after another on a canvas
// rectangle, timed by their delays (hundredths of a second, as the file stores them), with each
// frame's disposal method and the loop block, and raises the picture's painting events. It runs
// inside the drawing call, or on a thread of its own whose drawing and events are handed to the
// GUI thread (Synchronize), so canvases, bitmaps and the picture are only touched there.
//
// Time comes from a clock that tests replace (SetGIFPainterClock). A painter is stopped by
// asking it (Stop): it ends at its next step, also in the middle of a wait; nothing kills it.

#include "gif/GIFPicture.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

// Timing of frames, in hundredths of a second: the file's own delay unit. Frames without a delay
// show for the default, shorter ones for the minimum; synchronous painters hold a frame at most
// the maximum.
inline constexpr int GIFDelayUnit = 10;  // milliseconds
inline constexpr int GIFDefaultDelay = 10;
inline constexpr int GIFMinimumDelay = 3;
inline constexpr int GIFMaximumDelay = 1000;

// An auto-reset event: Signal wakes one wait, or the next one.
class TGIFPainterEvent {
public:
    void Signal();
    // Waits until signalled or `milliseconds` passed (a negative time waits without limit);
    // true when signalled.
    bool Wait(int64_t milliseconds);
    // True, and reset, when signalled.
    bool TryTake();

private:
    std::mutex lock_;
    std::condition_variable signalled_;
    bool set_ = false;
};

// The painters' time and waits.
class TGIFPainterClock {
public:
    virtual ~TGIFPainterClock() = default;
    // Milliseconds since some fixed point.
    virtual int64_t Now() = 0;
    // One slice of a synchronous painter's wait.
    virtual void Sleep(int64_t milliseconds) = 0;
    // An asynchronous painter's wait for its event (see TGIFPainterEvent::Wait).
    virtual bool WaitFor(TGIFPainterEvent& event, int64_t milliseconds) = 0;
    // Gives the processor to other threads.
    virtual void Yield() = 0;
    // Between the slices of a synchronous painter's wait: runs the calling thread's pending
    // messages; false when the application is ending.
    virtual bool DispatchMessages() = 0;
};

// The steady clock, real sleeps, and the application's message loop.
class TGIFSystemClock : public TGIFPainterClock {
public:
    int64_t Now() override;
    void Sleep(int64_t milliseconds) override;
    bool WaitFor(TGIFPainterEvent& event, int64_t milliseconds) override;
    void Yield() override;
    bool DispatchMessages() override;
};

// The clock new painters take; null restores the system clock.
std::shared_ptr<TGIFPainterClock> GIFPainterClock();
void SetGIFPainterClock(std::shared_ptr<TGIFPainterClock> clock);

class TGIFPainter : public TObject {
public:
    // Made on the GUI thread. The painter draws on `canvas` within `rect`; it keeps its own copy
    // of the picture's events, speed and background colour.
    TGIFPainter(TGIFPicture& picture, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options);
    // Stops and joins the painter's thread.
    ~TGIFPainter() override;
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;
    const char* ClassName() const noexcept override { return "TGIFPainter"; }

    // Runs the animation on a thread of its own.
    void Start();
    // Runs the animation in the calling thread, until it ends; an error met on the way is raised.
    void Execute();
    // Asks the painter to end at its next step and wakes it from its wait.
    void Stop();
    // Asks the painter to start over from the first frame.
    void Restart();
    // Waits until the painter's thread has ended, running the GUI thread's waiting calls.
    void WaitForEnd();
    // The same, until the painter has shown its first frame or ended.
    void WaitForStart();

    bool Terminated() const noexcept { return terminated_; }
    // The run has ended (or never started on its thread).
    bool Finished() const noexcept { return finished_; }
    // A frame has been shown.
    bool Started() const noexcept { return started_; }
    bool Asynchronous() const noexcept { return options_.Contains(TGIFDrawOption::goAsync); }
    // The frame being shown; -1 outside a run. An OnAfterPaint handler that sets it chooses the
    // next frame.
    int ActiveImage() const noexcept { return activeImage_; }
    void SetActiveImage(int value) noexcept { activeImage_ = value; }
    int AnimationSpeed() const noexcept { return animationSpeed_; }
    void SetAnimationSpeed(int value) noexcept { animationSpeed_ = value; }
    TGIFDrawOptions DrawOptions() const noexcept { return options_; }
    // Null once the picture is gone.
    TGIFPicture* Picture() const noexcept { return picture_; }
    TCanvas& Canvas() const noexcept { return canvas_; }
    const TRect& Rect() const noexcept { return rect_; }
    TColor BackgroundColor() const noexcept { return backgroundColor_; }
    // The error the run ended with, or null.
    std::exception_ptr Error() const;

    TNotifyEvent OnStartPaint;
    TNotifyEvent OnPaint;
    TNotifyEvent OnAfterPaint;
    TNotifyEvent OnLoop;
    TNotifyEvent OnEndPaint;

private:
    friend class TGIFPicture;
    // What the run needs to know of a frame, read on the GUI thread.
    struct TFrameInfo {
        bool exists = false;
        int delay = 0;
        bool hasLoop = false;
        int loops = 0;
        TDisposalMethod disposal = TDisposalMethod::dmNoDisposal;
    };
    void Run();
    void RunGuarded();
    // Waits until `condition` holds (checked under the end lock), running the GUI thread's
    // waiting calls meanwhile.
    void WaitServing(const std::function<bool()>& condition);
    // Runs `step` on the GUI thread (at once for a synchronous painter).
    void OnGuiThread(const std::function<void()>& step);
    void Fire(const TNotifyEvent& event);
    TFrameInfo ReadFrame(int index, bool prepare);
    // The wait before a frame; false when the painter was stopped meanwhile.
    bool WaitBeforeFrame(int delay, int64_t& timerStart, int64_t& correction);
    void DrawFrame(int index, TDisposalMethod disposal, int loopStart);
    void BufferedDraw(TGIFSubImage& frame, TDisposalMethod disposal, bool firstFrame);
    void RestoreBackground(TBitmap& target, const TGIFSubImage& frame);
    bool CanvasUsable() const;
    // Called by the picture under its painter lock when it goes.
    void CutPicture() noexcept { picture_ = nullptr; }

    std::atomic<TGIFPicture*> picture_;
    TCanvas& canvas_;
    std::weak_ptr<const int> canvasLifetime_;
    TRect rect_;
    TGIFDrawOptions options_;
    std::atomic<int> activeImage_{-1};
    std::atomic<int> animationSpeed_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> restart_{true};
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
    TColor backgroundColor_ = clWindow;
    TDisposalMethod previousDisposal_ = TDisposalMethod::dmNoDisposal;
    // The canvas as it was, for restoring to the background; the drawing so far; the frame
    // drawn over a restored state. Made only when a frame's disposal needs them.
    std::unique_ptr<TBitmap> background_;
    std::unique_ptr<TBitmap> backup_;
    std::unique_ptr<TBitmap> frameBuffer_;
    std::shared_ptr<TGIFPainterClock> clock_;
    TGIFPainterEvent event_;
    mutable std::mutex errorLock_;
    std::exception_ptr error_;
    std::thread thread_;
    std::mutex endLock_;
    std::condition_variable ended_;
};
