// Every format read back by an outside reader: the awkward fixture is exported to CSV, tab,
// HTML, DIF, SYLK, RTF and Word, and readback.py reads the files with Python's csv module and
// html.parser and with LibreOffice headless, comparing each value with what was exported.

#include "ExportTestSupport.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace exporttest;

namespace {

std::string HexBytes(const std::string& text)
{
    std::string hex;
    for (const char c : text) {
        hex += IntToHex(static_cast<uint8_t>(c), 2);
    }
    return hex.empty() ? "-" : hex;
}

TEST(ExportReadback, EveryFormatComesBackEqualThroughOutsideReaders)
{
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "LibreOffice is missing (scripts/install-deps.sh installs it)";
    }
    ScratchFolder folder;
    OpenerRecorder opener;
    std::vector<int> errors;
    auto dataSet = MakeAwkward();
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoUseAlignments};
    exporter.HTML.Options.Exclude(TExExportHTMLOption::hoAutoLink);
    const std::vector<std::pair<TExExportType, std::string>> formats{
        {TExExportType::xtCSV, "awkward.csv"}, {TExExportType::xtTAB, "awkward-tab.txt"},
        {TExExportType::xtHTML, "awkward.html"}, {TExExportType::xtDIF, "awkward-dif.dif"},
        {TExExportType::xtSYLK, "awkward-sylk.slk"}, {TExExportType::xtRTF, "awkward-rtf.rtf"},
        {TExExportType::xtWord, "awkward-word.doc"}};
    for (const auto& [type, name] : formats) {
        exporter.SetExportType(type);
        exporter.FileName = folder / name;
        exporter.OnGetExtension = [name = name](TObject*, std::string& extension) {
            extension = name.substr(name.rfind('.') + 1);
        };
        exporter.Execute();
        ASSERT_TRUE(FileExists(folder / name)) << name;
    }
    ASSERT_TRUE(errors.empty());

    // The values exported, as hexadecimal ANSI bytes: one row per line.
    std::string expected = HexBytes("TITLE") + " " + HexBytes("NOTES") + " " + HexBytes("AMOUNT") + "\n";
    for (const AwkwardRecord& record : AwkwardRecords()) {
        expected += HexBytes(record.title != nullptr ? record.title : "** NULL **") + " " + HexBytes(record.notes) + " " +
                    HexBytes(std::to_string(record.amount)) + "\n";
    }
    ASSERT_TRUE(WriteFileAtomically(folder / "expected.txt", expected));
    const std::string script = std::string(ZV_SOURCE_DIR) + "/tests/export/readback.py";
    EXPECT_EQ(RunProgramAndWait("python3", {script, folder.Path()}), 0) << "see the reader's report above";
}

}  // namespace
