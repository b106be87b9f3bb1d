// A bitmap's canvas draws on the bitmap's own pixels and hands them over before they are read;
// canvases copy, stretch and tile pictures; a worker thread's call runs on the GUI thread.

#include "GuiTestSupport.h"
#include "platform/gui/Bitmap.h"
#include "platform/rtl/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

TEST(BitmapCanvas, DrawsOnThePixelsAndFinishesBeforeTheyAreRead)
{
    TestApplication();
    TBitmap bitmap;
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(10, 20, 30)});
    indexed.fill(1);
    bitmap.SetImage(indexed);
    int changes = 0;
    bitmap.OnChange = [&changes](TObject*) { ++changes; };
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(clRed);
    canvas.FillRect({1, 0, 3, 1});
    // Drawing turned the indexed picture into a 32-bit one; the scan line shows the fill.
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    const auto* line = reinterpret_cast<const QRgb*>(bitmap.ScanLine(0));
    EXPECT_EQ(line[0] & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF);
    EXPECT_EQ(line[1] & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(changes, 1) << "the owner hears of the drawing once it is finished";
    // The same canvas draws again after the pixels were read.
    canvas.FillRect({0, 1, 1, 2});
    EXPECT_EQ(bitmap.Image().pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.Grab({1, 0, 3, 1}).pixel(1, 0), qRgb(255, 0, 0));

    // Copying takes the source's pixels as they are, alpha included; drawing honours alpha.
    QImage clear(2, 1, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    TBitmap surface;
    QImage white(4, 1, QImage::Format_ARGB32);
    white.fill(Qt::white);
    surface.SetImage(white);
    surface.Canvas().StretchDraw({0, 0, 2, 1}, clear);
    surface.Canvas().CopyRect({2, 0, 4, 1}, clear, {0, 0, 2, 1});
    EXPECT_EQ(surface.Image().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(qAlpha(surface.Image().pixel(3, 0)), 0);

    // A control's canvas has no pixels to read, and nothing to draw on outside a paint.
    TCanvas control;
    EXPECT_TRUE(control.Grab({0, 0, 1, 1}).isNull());
    EXPECT_FALSE(control.CanDraw());
    std::weak_ptr<const int> lifetime;
    {
        TCanvas gone;
        lifetime = gone.Lifetime();
        EXPECT_FALSE(lifetime.expired());
    }
    EXPECT_TRUE(lifetime.expired());
}

TEST(Synchronize, WorkersCallsRunOnTheGuiThread)
{
    TestApplication();
    ASSERT_TRUE(IsMainThread());
    std::atomic<bool> ranOnGui{false};
    std::atomic<bool> done{false};
    std::string error;
    std::thread worker([&] {
        TThread::Synchronize(nullptr, [&] { ranOnGui = IsMainThread(); });
        try {
            TThread::Synchronize(nullptr, [] { throw std::runtime_error("raised on the GUI thread"); });
        } catch (const std::runtime_error& raised) {
            error = raised.what();
        }
        done = true;
    });
    // The calls run from the event loop, or from here.
    while (!done) {
        TestApplication().ProcessMessages();
        CheckSynchronize();
    }
    worker.join();
    EXPECT_TRUE(ranOnGui);
    EXPECT_EQ(error, "raised on the GUI thread");
    bool direct = false;
    TThread::Synchronize(nullptr, [&direct] { direct = true; });
    EXPECT_TRUE(direct) << "on the GUI thread a call runs at once";
}

}  // namespace
