// The clipboard on a real X display: another program (xclip) reads the picture the codec put
// there as "image/gif", and the codec loads a GIF file that xclip offers. Run by CTest under Xvfb
// with Qt's X11 platform; elsewhere it is skipped.

#include "GIFPictureTestSupport.h"
#include "GuiTestSupport.h"
#include "platform/gui/Clipbrd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace giftest;

namespace {

std::string Saved(TGIFPicture& picture)
{
    TStringStream stream;
    picture.SaveToStream(stream);
    return stream.DataString();
}

// Keeps the event loop running (so that this program can answer for its clipboard) until the
// condition holds; the minute's deadline only ends a test whose other program never answers.
bool ServeUntil(const std::function<bool()>& condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 60000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(GIFClipboardX11, XclipReadsAndOffersImageGif)
{
    TestApplication();
    if (QGuiApplication::platformName() != "xcb") {
        GTEST_SKIP() << "needs an X display; CTest runs it under Xvfb";
    }
    ASSERT_EQ(std::system("command -v xclip >/dev/null"), 0) << "xclip is missing (scripts/install-deps.sh installs it)";

    auto picture = MakeAnimation(5, 3, {{0, 0, 5, 3, "012345.5432101", TDisposalMethod::dmNone, 9},
                                        {1, 1, 2, 1, "66", TDisposalMethod::dmBackground, 9}}, 0);
    picture->SaveToClipboard();
    const std::string saved = Saved(*picture);

    QProcess reader;
    reader.start("xclip", {"-selection", "clipboard", "-o", "-t", "image/gif"});
    ASSERT_TRUE(ServeUntil([&] { return reader.state() == QProcess::NotRunning; })) << "xclip did not end";
    const QByteArray read = reader.readAllStandardOutput();
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_EQ(std::string(read.constData(), static_cast<size_t>(read.size())), saved);

    // The other way: xclip owns the clipboard with a GIF file of its own.
    auto other = MakeAnimation(4, 2, {{0, 0, 4, 2, "33221100", TDisposalMethod::dmNone, 0}});
    const std::string offered = Saved(*other);
    const std::filesystem::path file = std::filesystem::temp_directory_path() / ("gif-clipboard-" + std::to_string(getpid()) + ".gif");
    std::ofstream(file, std::ios::binary) << offered;
    QProcess writer;
    writer.start("xclip", {"-quiet", "-selection", "clipboard", "-i", "-t", "image/gif", QString::fromStdString(file.string())});
    ASSERT_TRUE(writer.waitForStarted());
    EXPECT_TRUE(ServeUntil([&] { return Clipboard().AsFormat(GIFClipboardFormat) == offered; })) << "the file did not arrive";
    TGIFPicture pasted;
    pasted.LoadFromClipboard();
    EXPECT_EQ(Saved(pasted), offered);
    writer.kill();
    writer.waitForFinished();
    std::filesystem::remove(file);
}

}  // namespace
