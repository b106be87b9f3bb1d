// The Excel document of an export run on the worksheet writer: the preamble, where header
// lines, captions, data rows and footer lines land and how they look, how cell texts become
// numbers (never by the process locale), and what happens when the sheet is full.

#include "ExcelRecordReader.h"
#include "ExcelToolSupport.h"

#include "export/ExNativeExcelExport.h"
#include "platform/gui/Graphics.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace {

std::vector<uint16_t> Types(const std::string& bytes)
{
    std::vector<uint16_t> types;
    for (const TExcelRecord& record : ReadExcelRecords(bytes))
        types.push_back(record.Type);
    return types;
}

class ExcelDocumentTest : public ::testing::Test {
protected:
    TExcelTempFolder folder{"document"};
    TExNativeExcel writer{nullptr};
    TExExcelOptions options;
    std::string FileName(const std::string& name) const { return folder.Path() + "/" + name; }
};

TEST_F(ExcelDocumentTest, PreambleFollowsTheOptions)
{
    {
        TExExcelDocument document(writer, options);
        document.Begin(FileName("plain.csv"));
        EXPECT_EQ(writer.FileName(), FileName("plain.XLS"));
        // Fonts default, caption (bold), table; the footer "&P"; margins left, bottom, top, right.
        EXPECT_EQ(Types(writer.Bytes()),
                  (std::vector<uint16_t>{0x0809, 0x0200, 0x0031, 0x0031, 0x0031, 0x0015, 0x0026, 0x0029, 0x0028, 0x0027}));
        const std::vector<TExcelRecord> records = ReadExcelRecords(writer.Bytes());
        EXPECT_EQ(records[3].Word(2), 1);  // bold caption font
        EXPECT_EQ(records[5].Data, "\x02&P");
    }
    options.ExcelVersion = TExExcelVersion::xls21;
    options.Header = "Tickets";
    options.Footer.clear();
    options.Options = {TExExportExcelOptions::reSetColumnWidths};
    options.ColumnWidth = 12;
    TExExcelDocument document(writer, options);
    document.Begin(FileName("versioned"));
    EXPECT_EQ(Types(writer.Bytes()), (std::vector<uint16_t>{0x0009, 0x0000, 0x0031, 0x0031, 0x0031, 0x0014, 0x0024}));
    EXPECT_EQ(ReadExcelRecords(writer.Bytes()).back().Data, std::string("\x00\xFF\x00\x0C", 4));
}

// Header lines, the caption row with row numbers, two data rows and footer lines.
TEST_F(ExcelDocumentTest, WhereEachPartOfTheDocumentLands)
{
    options.Protected = true;
    TExExcelDocument document(writer, options);
    document.Begin(FileName("layout"));
    document.HeaderLines({"Tickets", "of today"});
    document.CaptionRow(true, {{"No", 0}, {"Title", 1}, {"Hours", 2}});
    const std::string one = "1";
    const std::string two = "2";
    document.DataRow(&one, {{"17", 0}, {"Crash on start", 1}, {"1.5", 2}});
    document.DataRow(&two, {{"18", 3}, {"Slow grid", 1}, {"-0.25", 2}});
    document.FooterLines({"End", "of list"});
    document.Finish();

    struct Expected {
        uint16_t row, column, type;
        uint8_t font, format;
        std::string text;
        double number;
    };
    // Font byte: index << 6; format byte: alignment | borders (0x78 for all four).
    const Expected expected[] = {
        {0, 0, 0x0004, 0x00, 0x00, "Tickets", 0},
        {1, 0, 0x0004, 0x00, 0x00, "of today", 0},
        {2, 0, 0x0001, 0x00, 0x00, "", 0},
        {3, 0, 0x0001, 0x40, 0x00, "", 0},
        {3, 1, 0x0004, 0x40, 0x78, "No", 0},
        {3, 2, 0x0004, 0x40, 0x79, "Title", 0},
        {3, 3, 0x0004, 0x40, 0x7B, "Hours", 0},
        {4, 0, 0x0002, 0x80, 0x78, "", 1},
        {4, 1, 0x0003, 0x80, 0x78, "", 17},
        {4, 2, 0x0004, 0x80, 0x79, "Crash on start", 0},
        {4, 3, 0x0003, 0x80, 0x7B, "", 1.5},
        {5, 0, 0x0002, 0x80, 0x78, "", 2},
        {5, 1, 0x0003, 0x80, 0x7A, "", 18},
        {5, 2, 0x0004, 0x80, 0x79, "Slow grid", 0},
        {5, 3, 0x0003, 0x80, 0x7B, "", -0.25},
        {7, 0, 0x0004, 0x00, 0x00, "End", 0},
        {8, 0, 0x0004, 0x00, 0x00, "of list", 0},
    };
    const std::string saved = ReadWholeFile(FileName("layout.XLS"));
    EXPECT_EQ(saved, writer.Bytes());
    const std::vector<TExcelCell> cells = ReadExcelCells(saved);
    ASSERT_EQ(cells.size(), std::size(expected));
    for (size_t i = 0; i < cells.size(); ++i) {
        const Expected& e = expected[i];
        const TExcelCell& cell = cells[i];
        EXPECT_EQ(cell.Row, e.row) << i;
        EXPECT_EQ(cell.Column, e.column) << i;
        EXPECT_EQ(cell.Type, e.type) << i;
        EXPECT_EQ(cell.Attributes[1], e.font) << i;
        EXPECT_EQ(cell.Attributes[2], e.format) << i;
        EXPECT_EQ(cell.Text, e.text) << i;
        EXPECT_EQ(cell.Number, e.number) << i;
    }
    const std::vector<uint16_t> types = Types(saved);
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types[types.size() - 2], 0x0012);
    EXPECT_EQ(types.back(), 0x000A);
}

// Without header lines or a caption row the first data row is the second worksheet row, and
// without reUseBorders the cells have no borders.
TEST_F(ExcelDocumentTest, BareRowsStartOnTheSecondRow)
{
    options.Options = {};
    TExExcelDocument document(writer, options);
    document.Begin(FileName("bare"));
    document.HeaderLines({});
    document.DataRow(nullptr, {{"a", 0}});
    document.FooterLines({});
    document.Finish();
    const std::vector<TExcelCell> cells = ReadExcelCells(writer.Bytes());
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].Row, 1);
    EXPECT_EQ(cells[0].Attributes[2], 0);
}

struct TextCase {
    const char* text;
    uint16_t type;
    double number;
};

void ExpectCellTypes(const std::vector<TextCase>& cases, bool cellsAsText)
{
    TExNativeExcel writer(nullptr);
    TExExcelOptions options;
    if (cellsAsText)
        options.Options.Include(TExExportExcelOptions::reCellsAsText);
    TExExcelDocument document(writer, options);
    document.Begin("");
    std::vector<TExExcelCellText> cells;
    for (const TextCase& c : cases)
        cells.push_back({c.text, 0});
    document.DataRow(nullptr, cells);
    const std::vector<TExcelCell> written = ReadExcelCells(writer.Bytes());
    ASSERT_EQ(written.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(written[i].Type, cellsAsText ? 0x0004 : cases[i].type) << cases[i].text;
        if (written[i].Type == 0x0004)
            EXPECT_EQ(written[i].Text, cases[i].text);
        else
            EXPECT_EQ(written[i].Number, cases[i].number) << cases[i].text;
    }
}

const std::vector<TextCase>& TextCases()
{
    static const std::vector<TextCase> cases = {
        {"42", 0x0003, 42},          {"-3.5", 0x0003, -3.5},     {" 0.125 ", 0x0003, 0.125},
        {"1E3", 0x0003, 1000},       {"$FF", 0x0002, 255},       {"$FFFFF", 0x0003, 1048575},
        {"12,5", 0x0004, 0},         {"1.234,5", 0x0004, 0},     {"Crash", 0x0004, 0},
        {"", 0x0004, 0},             {"nan", 0x0004, 0},         {"1e999", 0x0004, 0},
    };
    return cases;
}

TEST(ExcelDocumentCells, TextsBecomeNumbersIntegersOrLabels)
{
    ExpectCellTypes(TextCases(), false);
    ExpectCellTypes(TextCases(), true);
}

TEST(ExcelDocumentCells, NumbersDoNotFollowTheProcessLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not generated";
    ExpectCellTypes(TextCases(), false);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(ExcelDocumentCells, RowNumbersAreIntegersOrLabels)
{
    const std::pair<const char*, uint16_t> cases[] = {{"7", 0x0002}, {"70000", 0x0003}, {"2.5", 0x0004}, {"No. 7", 0x0004}};
    for (const auto& [text, type] : cases) {
        TExNativeExcel writer(nullptr);
        TExExcelOptions options;
        TExExcelDocument document(writer, options);
        document.Begin("");
        const std::string number = text;
        document.DataRow(&number, {});
        const std::vector<TExcelCell> cells = ReadExcelCells(writer.Bytes());
        ASSERT_EQ(cells.size(), 1u);
        EXPECT_EQ(cells[0].Type, type) << text;
    }
}

// Rows past the last one are left out, never written over the first rows; the file is saved
// with the rows that fit and the run is told what was left out.
TEST_F(ExcelDocumentTest, RowsPastTheLastRowAreLeftOutAndReported)
{
    TExExcelDocument document(writer, options);
    document.Begin(FileName("full"));
    document.CaptionRow(false, {{"Title", 0}});
    const unsigned rows = TExNativeExcel::LastRow + 3;
    for (unsigned i = 0; i < rows; ++i)
        document.DataRow(nullptr, {{"row " + std::to_string(i + 1), 0}});
    document.FooterLines({"footer"});
    try {
        document.Finish();
        FAIL() << "no error for the rows left out";
    } catch (const EExNativeExcelError& error) {
        EXPECT_EQ(error.Message(), "A worksheet holds at most 65535 rows of 256 columns; left out: 4 rows, 1 header or footer line.");
    }
    EXPECT_EQ(document.RowsLeftOut(), 4u);
    const std::vector<TExcelCell> cells = ReadExcelCells(ReadWholeFile(FileName("full.XLS")));
    ASSERT_EQ(cells.size(), TExNativeExcel::LastRow);
    EXPECT_EQ(cells.front().Text, "Title");
    for (size_t i = 1; i < cells.size(); ++i)
        ASSERT_EQ(cells[i].Row, i) << "data row " << i << " landed elsewhere";
    EXPECT_EQ(cells.back().Text, "row 65534");
}

TEST_F(ExcelDocumentTest, CellsPastTheLastColumnAreLeftOutAndReported)
{
    TExExcelDocument document(writer, options);
    document.Begin(FileName("wide"));
    std::vector<TExExcelCellText> cells(TExNativeExcel::LastColumn + 2, TExExcelCellText{"x", 0});
    document.CaptionRow(true, cells);  // the row-number blank takes the first column
    document.DataRow(nullptr, {{"next", 0}});
    EXPECT_THROW(document.Finish(), EExNativeExcelError);
    EXPECT_EQ(document.CellsLeftOut(), 3u);
    const std::vector<TExcelCell> written = ReadExcelCells(writer.Bytes());
    ASSERT_EQ(written.size(), TExNativeExcel::LastColumn + 1u);
    for (size_t i = 0; i < TExNativeExcel::LastColumn; ++i)
        EXPECT_EQ(written[i].Row, 0) << i;
    EXPECT_EQ(written.back().Row, 1);
    EXPECT_EQ(written.back().Text, "next");
}

TEST_F(ExcelDocumentTest, AFailedSaveRaises)
{
    TExExcelDocument document(writer, options);
    document.Begin(FileName("missing/sheet"));
    document.DataRow(nullptr, {{"a", 0}});
    EXPECT_THROW(document.Finish(), EFCreateError);
}

}  // namespace
