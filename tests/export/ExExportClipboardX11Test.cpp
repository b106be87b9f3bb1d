// The clipboard export on a real X display: another program (xclip) reads the text the export
// put there. Run by CTest under Xvfb with Qt's X11 platform; elsewhere it is skipped.

#include "ExportTestSupport.h"

#include "platform/rtl/CodePages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace exporttest;

namespace {

// Keeps the event loop running (so that this program answers for its clipboard) until the
// condition holds or ten seconds have passed.
bool ServeUntil(const std::function<bool()>& condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(ExportClipboardX11, XclipReadsTheExportedText)
{
    TestApplication();
    if (QGuiApplication::platformName() != "xcb") {
        GTEST_SKIP() << "needs an X display; CTest runs it under Xvfb";
    }
    ASSERT_EQ(std::system("command -v xclip >/dev/null"), 0) << "xclip is missing (scripts/install-deps.sh installs it)";
    std::vector<int> errors;
    auto dataSet = MakeAwkward();
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtClipboard);
    exporter.Options = {TExExportOptions::xoShowHeader};
    exporter.ColumnWidths.SetText("1\r\n1\r\n1");
    exporter.Execute();
    ASSERT_TRUE(errors.empty());

    std::string expected = "T N A\r\n";
    for (const AwkwardRecord& record : AwkwardRecords()) {
        expected += std::string(record.title != nullptr ? record.title : "** NULL **") + " " + record.notes + " " +
                    std::to_string(record.amount) + "\r\n";
    }
    expected.replace(0, 5, "TITLE NOTES AMOUNT");
    QProcess reader;
    reader.start("xclip", {"-selection", "clipboard", "-o"});
    ASSERT_TRUE(ServeUntil([&] { return reader.state() == QProcess::NotRunning; })) << "xclip did not end";
    const QByteArray read = reader.readAllStandardOutput();
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    // xclip hands over the desktop's UTF-8 text.
    EXPECT_EQ(std::string(read.constData(), static_cast<size_t>(read.size())), AnsiToUtf8(expected));
}

}  // namespace
