// The export components' Excel documents: a dataset exported as a worksheet and read back by
// the record reader and by python3-xlrd, the EXCEL options set by property path, and a source
// with more rows than a worksheet holds.

#include "ExcelRecordReader.h"
#include "ExcelToolSupport.h"
#include "ExportTestSupport.h"

#include "export/ExNativeExcelExport.h"
#include "platform/classes/PropertyPaths.h"

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

TEST(ExcelExport, ADataSetBecomesAWorksheet)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    auto dataSet = MakeAwkward();
    TExDataSetExport exporter(nullptr);
    std::vector<int> errors;
    Unattended(exporter, errors);
    RegisterExcelExportWriter();
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtExcel);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = folder / "awkward.txt";
    exporter.Options.Include(TExExportOptions::xoRowNumbers);
    exporter.OnGetHeader = [](TObject*, unsigned total, std::string& text) { text = "Awkward\r\n" + std::to_string(total) + " records"; };
    exporter.OnGetFooter = [](TObject*, unsigned, std::string& text) { text = "end"; };
    exporter.Execute();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(opener.opened.empty());

    const std::string bytes = ReadWholeFile(folder / "awkward.XLS");
    ASSERT_FALSE(bytes.empty());
    std::vector<std::string> texts;
    std::vector<std::pair<int, int>> places;
    for (const TExcelCell& cell : ReadExcelCells(bytes)) {
        places.emplace_back(cell.Row, cell.Column);
        switch (cell.Type) {
        case 0x0001:
            texts.push_back("<blank>");
            break;
        case 0x0002:
        case 0x0003:
            texts.push_back((cell.Type == 0x0002 ? "int " : "num ") + std::to_string(static_cast<long long>(cell.Number)));
            break;
        default:
            texts.push_back(cell.Text);
        }
    }
    const AwkwardRecord& first = AwkwardRecords()[0];
    const std::vector<std::string> expected = {
        "Awkward", "4 records", "<blank>",                                                   // header lines, then a blank
        "<blank>", "TITLE", "NOTES", "AMOUNT",                                               // captions after the number column
        "int 1", first.title, first.notes, "num 42",                                         // row numbers as integers
        "int 2", AwkwardRecords()[1].title, AwkwardRecords()[1].notes, "num -7",
        "int 3", "** NULL **", AwkwardRecords()[2].notes, "num 0",
        "int 4", AwkwardRecords()[3].title, AwkwardRecords()[3].notes, "num 1234567",
        "end",                                                                               // no separator, no date line
    };
    EXPECT_EQ(texts, expected);
    ASSERT_EQ(places.size(), expected.size());
    EXPECT_EQ(places[3], std::make_pair(3, 0));
    EXPECT_EQ(places[7], std::make_pair(4, 0));
    EXPECT_EQ(places.back(), std::make_pair(9, 0));

    if (!ExcelToolAvailable("/usr/bin/python3 -c 'import xlrd'"))
        GTEST_SKIP() << "python3-xlrd is not installed";
    const std::string read = ReadWithXlrd(folder / "awkward.XLS");
    EXPECT_NE(read.find("4,3,2,42.0\n"), std::string::npos) << read;
    EXPECT_NE(read.find("6,1,1,'** NULL **'\n"), std::string::npos) << read;
    EXPECT_NE(read.find("5,1,1,'Caf\xC3\xA9 "), std::string::npos) << read;
}

TEST(ExcelExport, TheExcelOptionsShapeTheDocument)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    TExDataSetExport::RegisterClass();
    auto dataSet = MakeNumbered(2);
    TExDataSetExport exporter(nullptr);
    std::vector<int> errors;
    Unattended(exporter, errors);
    RegisterExcelExportWriter();
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtExcel);
    exporter.ExportStyle = TExExportStyle::xsView;
    exporter.TempDir = folder.Path();
    ASSERT_TRUE(SetPropertyPathText(exporter, "EXCEL.ExcelVersion", "xls21"));
    ASSERT_TRUE(SetPropertyPathText(exporter, "EXCEL.Protected", "True"));
    ASSERT_TRUE(SetPropertyPathText(exporter, "EXCEL.Footer", ""));
    exporter.EXCEL.Options = {TExExportExcelOptions::reCellsAsText};
    exporter.Execute();
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(ExtractFileExt(opener.opened[0]), ".XLS");

    const std::vector<TExcelRecord> records = ReadExcelRecords(ReadWholeFile(opener.opened[0]));
    std::vector<uint16_t> types;
    for (const TExcelRecord& record : records)
        if (!IsExcelCellRecord(record.Type))
            types.push_back(record.Type);
    // Version 2, three fonts, no footer, no margins, no column widths; protected.
    EXPECT_EQ(types, (std::vector<uint16_t>{0x0009, 0x0000, 0x0031, 0x0031, 0x0031, 0x0012, 0x000A}));
    for (const TExcelRecord& record : records) {
        if (IsExcelCellRecord(record.Type)) {
            const TExcelCell cell = ReadExcelCell(record);
            EXPECT_EQ(cell.Type, 0x0004) << "every cell is text";
            EXPECT_EQ(cell.Attributes[2] & 0x78, 0) << "no borders";
        }
    }
}

// A worksheet holds 65535 rows: the caption row and 65534 records. The others are left out,
// the file keeps what fits, and the run reports the write error (3).
TEST(ExcelExport, MoreRowsThanAWorksheetHoldsAreReported)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    auto dataSet = MakeNumbered(TExNativeExcel::LastRow + 5);
    TExDataSetExport exporter(nullptr);
    std::vector<int> errors;
    Unattended(exporter, errors);
    RegisterExcelExportWriter();
    exporter.Options.Exclude(TExExportOptions::xoShowProgress);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtExcel);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = folder / "big.xls";
    exporter.Execute();
    EXPECT_EQ(errors, (std::vector<int>{3}));

    const std::vector<TExcelCell> cells = ReadExcelCells(ReadWholeFile(folder / "big.XLS"));
    ASSERT_EQ(cells.size(), 2u * TExNativeExcel::LastRow);
    EXPECT_EQ(cells[0].Text, "ID");
    EXPECT_EQ(cells[0].Row, 0);
    // Every record row lies where it belongs: nothing was written over the caption row.
    for (size_t i = 2; i < cells.size(); i += 2) {
        ASSERT_EQ(cells[i].Row, i / 2);
        ASSERT_EQ(cells[i].Number, static_cast<double>(i / 2));
    }
}

}  // namespace
