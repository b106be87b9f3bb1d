// The animation painter under a clock the test drives: the waits before each frame (the file's
// hundredths of a second, the minimum and default delays, the speed), the loop block and the
// loop options, the painting events and an OnAfterPaint handler that picks the next frame,
// stopping (asynchronous painters are asked, never killed), and canvases or pictures that go
// while a painter runs. The frames it shows for each disposal method are compared pixel for
// pixel with ImageMagick's coalesced frames.

#include "GIFPictureTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include <unistd.h>

using namespace giftest;
namespace fs = std::filesystem;

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

std::vector<TFrameLayout> ThreeFrames(int delay0, int delay1, int delay2)
{
    return {{0, 0, 4, 2, "01230123", TDisposalMethod::dmNone, delay0},
            {1, 0, 2, 2, "4455", TDisposalMethod::dmNone, delay1},
            {0, 1, 3, 1, "666", TDisposalMethod::dmNone, delay2}};
}

// The frames a synchronous painter shows, one picture after each frame.
struct TRun {
    std::vector<QImage> shown;
    std::vector<int> frames;
    int starts = 0;
    int loops = 0;
    int ends = 0;
};

TRun Paint(TGIFPicture& picture, TGIFDrawOptions options, QRgb background = kMagenta)
{
    TRun run;
    TSurface surface(picture.Width(), picture.Height(), background);
    picture.OnStartPaint = [&run](TObject*) { ++run.starts; };
    picture.OnLoop = [&run](TObject*) { ++run.loops; };
    picture.OnEndPaint = [&run](TObject*) { ++run.ends; };
    picture.OnAfterPaint = [&run, &surface](TObject* sender) {
        run.frames.push_back(static_cast<TGIFPainter*>(sender)->ActiveImage());
        run.shown.push_back(surface.Image().convertToFormat(QImage::Format_RGB32));
    };
    TGIFPainter painter(picture, surface.Canvas(), {0, 0, picture.Width(), picture.Height()}, options);
    painter.Execute();
    EXPECT_EQ(painter.ActiveImage(), -1) << "outside a run";
    return run;
}

const TGIFDrawOptions kSynchronous{TGIFDrawOption::goTransparent, TGIFDrawOption::goAnimate, TGIFDrawOption::goLoop};

// The sum of a synchronous painter's sleeps before each frame: slices of at most 100 ms.
std::vector<int64_t> WaitsPerFrame(const std::vector<int64_t>& sleeps, const std::vector<int64_t>& totals)
{
    std::vector<int64_t> sums;
    size_t at = 0;
    for (const int64_t total : totals) {
        int64_t sum = 0;
        while (at < sleeps.size() && sum < total) {
            EXPECT_LE(sleeps[at], 100) << "a slice";
            sum += sleeps[at++];
        }
        sums.push_back(sum);
    }
    EXPECT_EQ(at, sleeps.size());
    return sums;
}

TEST(GIFPainter, SynchronousWaitsFollowTheDelaysInHundredths)
{
    struct Case {
        int delays[3];
        int speed;
        std::vector<int64_t> expected;  // ms before each frame
    };
    const Case cases[] = {
        // 1 unit before the first frame; a delay of 1 is raised to the minimum of 3; 25 is 250 ms.
        {{1, 25, 0}, 100, {10, 30, 250}},
        // Half speed doubles every wait; double speed halves it.
        {{1, 25, 0}, 50, {20, 60, 500}},
        {{1, 25, 0}, 200, {5, 15, 125}},
        // No delay: the default of 10; a delay above the maximum is held to 1000 units.
        {{0, 2000, 7}, 100, {10, 100, 10000}},
    };
    for (const Case& test : cases) {
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(test.delays[0], test.delays[1], test.delays[2]));
        picture->SetAnimationSpeed(test.speed);
        const TRun run = Paint(*picture, kSynchronous);
        EXPECT_EQ(run.frames, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(WaitsPerFrame(scope.clock->Sleeps(), test.expected), test.expected) << "speed " << test.speed;
    }
}

TEST(GIFPainter, AsynchronousPainterWaitsOnItsEventAndDrawsOnTheGuiThread)
{
    TFakeClockScope scope;
    auto picture = MakeAnimation(4, 2, ThreeFrames(1, 25, 0));
    picture->SetAnimationSpeed(50);
    TSurface surface(4, 2, kMagenta);
    std::vector<int> frames;
    std::vector<bool> onGuiThread;
    picture->OnAfterPaint = [&](TObject* sender) {
        frames.push_back(static_cast<TGIFPainter*>(sender)->ActiveImage());
        onGuiThread.push_back(IsMainThread());
    };
    TGIFDrawOptions options = kSynchronous;
    options.Include(TGIFDrawOption::goAsync);
    TGIFPainter painter(*picture, surface.Canvas(), {0, 0, 4, 2}, options);
    painter.Start();
    painter.WaitForEnd();
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(onGuiThread, (std::vector<bool>{true, true, true}));
    // The first frame comes at once (a yield); then 3 and 25 hundredths at half speed.
    EXPECT_EQ(scope.clock->Waits(), (std::vector<int64_t>{60, 500}));
    EXPECT_EQ(scope.clock->Yields(), 1);
    EXPECT_EQ(surface.Image().pixel(0, 1), qRgb(120, 40, 160)) << "the last frame is on the canvas";
}

TEST(GIFPainter, LoopBlockAndOptionsDecideThePasses)
{
    struct Case {
        int loops;  // -1: no loop block
        TGIFDrawOptions options;
        int passes;
    };
    TGIFDrawOptions noLoop = kSynchronous;
    noLoop.Exclude(TGIFDrawOption::goLoop);
    TGIFDrawOptions still = kSynchronous;
    still.Exclude(TGIFDrawOption::goAnimate);
    const Case cases[] = {
        {3, kSynchronous, 3},
        {1, kSynchronous, 1},
        {-1, kSynchronous, 1},
        // A count of 0 ("for ever") shows the frames once on a synchronous painter.
        {0, kSynchronous, 1},
        {3, noLoop, 1},
    };
    for (const Case& test : cases) {
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2), test.loops);
        const TRun run = Paint(*picture, test.options);
        std::vector<int> expected;
        for (int pass = 0; pass < test.passes; ++pass) {
            expected.insert(expected.end(), {0, 1, 2});
        }
        EXPECT_EQ(run.frames, expected) << "loops " << test.loops;
        EXPECT_EQ(run.loops, test.passes - 1);
        EXPECT_EQ(run.starts, 1);
        EXPECT_EQ(run.ends, 1);
    }
    // Without animation only the first frame is shown.
    TFakeClockScope scope;
    auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2), 3);
    EXPECT_EQ(Paint(*picture, still).frames, (std::vector<int>{0}));
}

TEST(GIFPainter, AfterPaintHandlerChoosesTheNextFrame)
{
    TFakeClockScope scope;
    auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2));
    TSurface surface(4, 2, kMagenta);
    std::vector<int> painted;
    int rewinds = 0;
    picture->OnPaint = [&painted](TObject* sender) { painted.push_back(static_cast<TGIFPainter*>(sender)->ActiveImage()); };
    picture->OnAfterPaint = [&rewinds](TObject* sender) {
        auto* painter = static_cast<TGIFPainter*>(sender);
        if (painter->ActiveImage() == 1 && rewinds < 2) {
            ++rewinds;
            painter->SetActiveImage(0);
        }
    };
    TGIFPainter painter(*picture, surface.Canvas(), {0, 0, 4, 2}, kSynchronous);
    painter.Execute();
    EXPECT_EQ(painted, (std::vector<int>{0, 1, 0, 1, 0, 1, 2}));
}

// An endless animation on its own thread runs until it is asked to stop; asked in the middle of
// a wait without a limit (speed 0), it ends at once.
TEST(GIFPainter, EndlessAsynchronousAnimationStopsWhenAsked)
{
    for (const int speed : {100, 0}) {
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2), 0);
        picture->SetAnimationSpeed(speed);
        TSurface surface(4, 2, kMagenta);
        int shown = 0;
        picture->OnAfterPaint = [&shown](TObject*) { ++shown; };
        TGIFDrawOptions options = kSynchronous;
        options.Include(TGIFDrawOption::goAsync);
        TGIFPainter painter(*picture, surface.Canvas(), {0, 0, 4, 2}, options);
        painter.Start();
        const int wanted = speed == 0 ? 1 : 20;
        while (shown < wanted || (speed == 0 && scope.clock->Waits().empty())) {
            // The painter's drawing runs here, on this (the GUI) thread.
            CheckSynchronize();
            std::this_thread::yield();
        }
        painter.Stop();
        painter.WaitForEnd();
        EXPECT_TRUE(painter.Finished());
        EXPECT_EQ(painter.Error(), nullptr);
        EXPECT_GE(shown, wanted);
        if (speed == 0) {
            EXPECT_EQ(scope.clock->Waits(), (std::vector<int64_t>{-1})) << "held until stopped";
        }
    }
}

// The picture's own painters: Draw starts one, StopDraw and the picture's end stop it.
TEST(GIFPainter, PictureStopsItsPaintersCooperatively)
{
    TFakeClockScope scope;
    TSurface surface(4, 2, kMagenta);
    {
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2), 0);
        TGIFDrawOptions options = picture->DrawOptions();
        options.Include(TGIFDrawOption::goDirectDraw);
        options.Exclude(TGIFDrawOption::goDither);
        picture->SetDrawOptions(options);
        picture->Draw(surface.Canvas(), {0, 0, 4, 2});
        EXPECT_EQ(picture->PainterCount(), 1);
        // A second draw on the same canvas and rectangle keeps the running painter.
        picture->Draw(surface.Canvas(), {0, 0, 4, 2});
        EXPECT_EQ(picture->PainterCount(), 1);
        picture->StopDraw();
        EXPECT_EQ(picture->PainterCount(), 0);
        picture->Draw(surface.Canvas(), {0, 0, 4, 2});
        EXPECT_EQ(picture->PainterCount(), 1);
        // The picture goes with its painter still running: it is stopped and waited for.
    }
    // Without direct drawing the painter paints the picture's own bitmap, which Draw shows.
    auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2), 0);
    picture->Draw(surface.Canvas(), {0, 0, 4, 2});
    EXPECT_EQ(picture->PainterCount(), 1);
    ASSERT_NE(picture->Bitmap(), nullptr);
    EXPECT_EQ(surface.Image().pixel(0, 0), qRgb(200, 30, 30)) << "the first frame is shown";
    picture->StopDraw();
}

// A synchronous painter dispatches messages while it waits; a handler there may free the
// canvas or the picture. The painter then ends without drawing again.
TEST(GIFPainter, CanvasOrPictureFreedDuringAWaitEndsThePainter)
{
    {
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2));
        auto surface = std::make_unique<TSurface>(4, 2, kMagenta);
        int shown = 0;
        picture->OnAfterPaint = [&shown](TObject*) { ++shown; };
        scope.clock->OnDispatch = [&] {
            if (shown == 1) {
                surface.reset();
            }
            return true;
        };
        TGIFPainter painter(*picture, surface->Canvas(), {0, 0, 4, 2}, kSynchronous);
        painter.Execute();
        EXPECT_EQ(surface, nullptr);
        EXPECT_EQ(shown, 1);
    }
    {
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2));
        TGIFDrawOptions options = picture->DrawOptions();
        options.Exclude(TGIFDrawOption::goAsync);
        options.Include(TGIFDrawOption::goDirectDraw);
        picture->SetDrawOptions(options);
        TSurface surface(4, 2, kMagenta);
        int ends = 0;
        picture->OnEndPaint = [&ends](TObject*) { ++ends; };
        scope.clock->OnDispatch = [&] {
            picture.reset();
            return true;
        };
        picture->Draw(surface.Canvas(), {0, 0, 4, 2});
        EXPECT_EQ(picture, nullptr);
        EXPECT_EQ(ends, 1);
    }
    {
        // The application ending stops a synchronous painter too.
        TFakeClockScope scope;
        auto picture = MakeAnimation(4, 2, ThreeFrames(2, 2, 2));
        TSurface surface(4, 2, kMagenta);
        scope.clock->OnDispatch = [] { return false; };
        EXPECT_LE(Paint(*picture, kSynchronous).frames.size(), 1u);
    }
}

// ---- frames against ImageMagick ----

class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "gif-painter-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TTempFolder() { fs::remove_all(path_); }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const fs::path& Path() const noexcept { return path_; }

private:
    fs::path path_;
};

// Every disposal method, transparent and opaque frames, frames smaller than the screen, and a
// restore-to-previous frame after another one.
std::vector<TFrameLayout> DisposalFrames()
{
    return {
        {0, 0, 8, 6, "00000000" "01111110" "01222210" "01222210" "01111110" "00000000", TDisposalMethod::dmNoDisposal, 5},
        {1, 1, 5, 3, ".333." "3...3" ".333.", TDisposalMethod::dmBackground, 5},
        {3, 2, 4, 3, "4444" "4554" "4444", TDisposalMethod::dmPrevious, 5},
        {0, 3, 3, 3, "6.6" ".6." "6.6", TDisposalMethod::dmPrevious, 5},
        {5, 0, 3, 3, "111" "1.1" "111", TDisposalMethod::dmNone, 5},
        {0, 0, 8, 6, "........" ".5....5." "........" "...55..." "........" "..5..5..", TDisposalMethod::dmBackground, 5},
        {2, 1, 3, 2, "222" "2.2", TDisposalMethod::dmNoDisposal, 5},
        {6, 4, 2, 2, "33" "33", TDisposalMethod::dmPrevious, 5},
        {1, 0, 2, 6, "00" "11" "22" "33" "44" "55", TDisposalMethod::dmNone, 5},
    };
}

// Only frames that stay: the painter draws straight onto the canvas.
std::vector<TFrameLayout> DirectFrames()
{
    return {
        {2, 1, 4, 3, "0110" "1..1" "0110", TDisposalMethod::dmNone, 5},
        {0, 0, 7, 5, "......." ".22.33." "......." ".44.55." ".......", TDisposalMethod::dmNoDisposal, 5},
        {5, 3, 2, 2, "6.", TDisposalMethod::dmNone, 5, false},
    };
}

TEST(GIFPainter, FramesMatchImageMagicksCoalescedFrames)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick is not installed (scripts/install-deps.sh installs it)";
    }
    TFakeClockScope scope;
    TTempFolder folder;
    struct Animation {
        std::string name;
        std::unique_ptr<TGIFPicture> picture;
    };
    std::vector<Animation> animations;
    animations.push_back({"disposal", MakeAnimation(8, 6, DisposalFrames())});
    animations.push_back({"direct", MakeAnimation(7, 5, DirectFrames())});
    // One call of ImageMagick for all files: each sequence coalesced and laid on magenta.
    std::string command = "cd '" + folder.Path().string() + "' && convert";
    for (Animation& animation : animations) {
        animation.picture->SaveToFile((folder.Path() / (animation.name + ".gif")).string());
        command += " \\( " + animation.name + ".gif -coalesce -background '#FF00FF' -alpha remove -alpha off -write " +
                   animation.name + "-%d.ppm -delete 0--1 \\)";
    }
    command += " xc:white null: 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (Animation& animation : animations) {
        SCOPED_TRACE(animation.name);
        // The picture as saved and loaded again, so both read the same file.
        TGIFPicture loaded;
        loaded.LoadFromFile((folder.Path() / (animation.name + ".gif")).string());
        const TRun run = Paint(loaded, kSynchronous);
        ASSERT_EQ(run.shown.size(), static_cast<size_t>(loaded.Images().Count()));
        for (size_t i = 0; i < run.shown.size(); ++i) {
            const QImage expected(QString::fromStdString((folder.Path() / (animation.name + "-" + std::to_string(i) + ".ppm")).string()));
            ASSERT_FALSE(expected.isNull()) << "frame " << i;
            EXPECT_EQ(run.shown[i], expected.convertToFormat(QImage::Format_RGB32)) << "frame " << i;
        }
    }
}

}  // namespace
