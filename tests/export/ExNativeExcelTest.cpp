// The worksheet writer, read back byte by byte: the start records of each version, the cell
// head bits, the cursor, fonts, the value cells and their limits, and saving.

#include "ExcelRecordReader.h"

#include "export/ExNativeExcel.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/GuiRegistration.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <unistd.h>

namespace {

std::string Word(uint16_t value) { return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::vector<TExcelRecord> Records(const TExNativeExcel& excel) { return ReadExcelRecords(excel.Bytes()); }

// The records after BOF and DIMENSIONS.
std::vector<TExcelRecord> Body(const TExNativeExcel& excel)
{
    std::vector<TExcelRecord> records = Records(excel);
    EXPECT_GE(records.size(), 2u);
    records.erase(records.begin(), records.begin() + std::min<size_t>(2, records.size()));
    return records;
}

TExcelCell OnlyCell(const TExNativeExcel& excel)
{
    const std::vector<TExcelCell> cells = ReadExcelCells(excel.Bytes());
    EXPECT_EQ(cells.size(), 1u);
    return cells.empty() ? TExcelCell{} : cells.front();
}

TEST(ExNativeExcel, StartRecordsOfEachVersion)
{
    struct Case {
        TExBIFFVersion version;
        std::string bof;
        std::string dimensions;
    };
    const std::string bounds = Word(0) + Word(0xFFFF) + Word(0) + Word(256);
    const std::string bof = Word(0x0200) + Word(0x0010);
    const Case cases[] = {
        {TExBIFFVersion::bvBIFF2, Word(0x0009) + Word(4) + bof, Word(0x0000) + Word(8) + bounds},
        {TExBIFFVersion::bvBIFF3, Word(0x0209) + Word(6) + bof + Word(0), Word(0x0200) + Word(10) + bounds + Word(0)},
        {TExBIFFVersion::bvBIFF4, Word(0x0409) + Word(6) + bof + Word(0), Word(0x0200) + Word(10) + bounds + Word(0)},
        {TExBIFFVersion::bvBIFF5, Word(0x0809) + Word(6) + bof + Word(0), Word(0x0200) + Word(10) + bounds + Word(0)},
    };
    for (const Case& c : cases) {
        TExNativeExcel excel(nullptr);
        // Away and back, so that every version is reached by a change.
        excel.SetBIFF(c.version == TExBIFFVersion::bvBIFF2 ? TExBIFFVersion::bvBIFF3 : TExBIFFVersion::bvBIFF2);
        excel.SetBIFF(c.version);
        EXPECT_EQ(excel.Bytes(), c.bof + c.dimensions) << static_cast<int>(c.version);
        EXPECT_TRUE(excel.DocumentOpen());
    }
    TExNativeExcel fresh(nullptr);
    EXPECT_EQ(fresh.BIFF(), TExBIFFVersion::bvBIFF5);
    EXPECT_EQ(fresh.Bytes().substr(0, 4), Word(0x0809) + Word(6));
    EXPECT_EQ(TExNativeExcel::Version(), "1.23");
}

TEST(ExNativeExcel, CellHeadAttributeBits)
{
    struct Case {
        const char* name;
        void (*setUp)(TExNativeExcel&);
        uint8_t expected[3];
    };
    const Case cases[] = {
        {"defaults: locked", [](TExNativeExcel&) {}, {0x40, 0x00, 0x00}},
        {"hidden, not locked", [](TExNativeExcel& e) { e.Locked = false; e.Hidden = true; }, {0x80, 0x00, 0x00}},
        {"locked and hidden", [](TExNativeExcel& e) { e.Hidden = true; }, {0xC0, 0x00, 0x00}},
        {"font 1", [](TExNativeExcel& e) { e.ActiveFont = 1; }, {0x40, 0x40, 0x00}},
        {"font 2", [](TExNativeExcel& e) { e.ActiveFont = 2; }, {0x40, 0x80, 0x00}},
        {"font 3", [](TExNativeExcel& e) { e.ActiveFont = 3; }, {0x40, 0xC0, 0x00}},
        {"font 4 is font 0", [](TExNativeExcel& e) { e.ActiveFont = 4; }, {0x40, 0x00, 0x00}},
        {"left", [](TExNativeExcel& e) { e.Alignment = TExExcelAlignment::eaLeft; }, {0x40, 0x00, 0x01}},
        {"centre", [](TExNativeExcel& e) { e.Alignment = TExExcelAlignment::eaCenter; }, {0x40, 0x00, 0x02}},
        {"right", [](TExNativeExcel& e) { e.Alignment = TExExcelAlignment::eaRight; }, {0x40, 0x00, 0x03}},
        {"fill", [](TExNativeExcel& e) { e.Alignment = TExExcelAlignment::eaFill; }, {0x40, 0x00, 0x04}},
        {"multiplan", [](TExNativeExcel& e) { e.Alignment = TExExcelAlignment::eaMultiPlan; }, {0x40, 0x00, 0x07}},
        {"left border", [](TExNativeExcel& e) { e.Borders = {TExExcelBorders::ebLeft}; }, {0x40, 0x00, 0x08}},
        {"right border", [](TExNativeExcel& e) { e.Borders = {TExExcelBorders::ebRight}; }, {0x40, 0x00, 0x10}},
        {"top border", [](TExNativeExcel& e) { e.Borders = {TExExcelBorders::ebTop}; }, {0x40, 0x00, 0x20}},
        {"bottom border", [](TExNativeExcel& e) { e.Borders = {TExExcelBorders::ebBottom}; }, {0x40, 0x00, 0x40}},
        {"shaded", [](TExNativeExcel& e) { e.Shading = true; }, {0x40, 0x00, 0x80}},
        {"everything",
         [](TExNativeExcel& e) {
             e.Hidden = true;
             e.ActiveFont = 3;
             e.Alignment = TExExcelAlignment::eaRight;
             e.Borders = {TExExcelBorders::ebLeft, TExExcelBorders::ebRight, TExExcelBorders::ebTop, TExExcelBorders::ebBottom};
             e.Shading = true;
         },
         {0xC0, 0xC0, 0xFB}},
    };
    for (const Case& c : cases) {
        TExNativeExcel excel(nullptr);
        c.setUp(excel);
        excel.WriteBlank();
        const TExcelCell cell = OnlyCell(excel);
        EXPECT_EQ(cell.Attributes[0], c.expected[0]) << c.name;
        EXPECT_EQ(cell.Attributes[1], c.expected[1]) << c.name;
        EXPECT_EQ(cell.Attributes[2], c.expected[2]) << c.name;
    }
}

TEST(ExNativeExcel, CursorMovesAfterEachCell)
{
    using M = TExMoveAfterEnter;
    struct Case {
        M move;
        uint16_t row, column;
        uint16_t nextRow, nextColumn;
    };
    const Case cases[] = {
        {M::maRight, 1, 1, 1, 2},         {M::maRight, 4, 256, 5, 1},     {M::maRight, 65535, 256, 65535, 256},
        {M::maDown, 1, 1, 2, 1},          {M::maDown, 65535, 3, 1, 4},    {M::maDown, 65535, 256, 65535, 256},
        {M::maLeft, 1, 2, 1, 1},          {M::maLeft, 2, 1, 1, 256},      {M::maLeft, 1, 1, 1, 1},
        {M::maUp, 2, 1, 1, 1},            {M::maUp, 1, 2, 65535, 1},      {M::maUp, 1, 1, 1, 1},
        {M::maNone, 7, 9, 7, 9},
    };
    for (const Case& c : cases) {
        TExNativeExcel excel(nullptr);
        excel.MoveAfterEnter = c.move;
        excel.Row = c.row;
        excel.Column = c.column;
        excel.WriteText("x");
        const TExcelCell cell = OnlyCell(excel);
        const std::string label = std::to_string(static_cast<int>(c.move)) + " from " + std::to_string(c.row) + "," + std::to_string(c.column);
        EXPECT_EQ(cell.Row, c.row - 1) << label;
        EXPECT_EQ(cell.Column, c.column - 1) << label;
        EXPECT_EQ(excel.Row, c.nextRow) << label;
        EXPECT_EQ(excel.Column, c.nextColumn) << label;
    }
}

TEST(ExNativeExcel, AtMostFourFontsPerDocument)
{
    TExNativeExcel excel(nullptr);
    TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetStyle({TFontStyle::fsBold, TFontStyle::fsStrikeOut});
    excel.WriteFont(nullptr);  // ignored, and not counted
    for (int i = 0; i < 5; ++i)
        excel.WriteFont(&font);
    const std::vector<TExcelRecord> body = Body(excel);
    ASSERT_EQ(body.size(), 4u);
    for (const TExcelRecord& record : body) {
        EXPECT_EQ(record.Type, 0x0031);
        EXPECT_EQ(record.Data, Word(200) + Word(1 | 8) + std::string("\x05") + "Arial");
    }

    TFont italicUnderlined;
    italicUnderlined.SetStyle({TFontStyle::fsItalic, TFontStyle::fsUnderline});
    excel.StartDocument();  // counts again
    excel.WriteFont(&italicUnderlined);
    ASSERT_EQ(Body(excel).size(), 1u);
    EXPECT_EQ(Body(excel)[0].Word(2), 2 | 4);
}

TEST(ExNativeExcel, ChangingTheVersionDiscardsTheCells)
{
    TExNativeExcel excel(nullptr);
    excel.WriteText("kept");
    excel.SetBIFF(TExBIFFVersion::bvBIFF5);  // no change: nothing is lost
    EXPECT_EQ(ReadExcelCells(excel.Bytes()).size(), 1u);

    excel.WriteInteger(2);
    excel.SetBIFF(TExBIFFVersion::bvBIFF3);
    const std::vector<TExcelRecord> records = Records(excel);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Type, 0x0209);
    EXPECT_EQ(records[1].Type, 0x0200);
}

TEST(ExNativeExcel, ARecordAfterTheEndStartsANewDocument)
{
    TExNativeExcel excel(nullptr);
    excel.WriteText("first");
    excel.EndDocument();
    EXPECT_FALSE(excel.DocumentOpen());
    EXPECT_EQ(Records(excel).back().Type, 0x000A);
    EXPECT_TRUE(Records(excel).back().Data.empty());

    excel.WriteText("second");
    EXPECT_TRUE(excel.DocumentOpen());
    const std::vector<TExcelRecord> records = Records(excel);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Type, 0x0809);
    EXPECT_EQ(ReadExcelCell(records[2]).Text, "second");
}

TEST(ExNativeExcel, IntegersOutsideSixteenBitsAreWrittenAsNumbers)
{
    struct Case {
        int64_t value;
        uint16_t type;
    };
    const Case cases[] = {
        {0, 0x0002},
        {65535, 0x0002},
        {65536, 0x0003},
        {-1, 0x0003},
        {-70000, 0x0003},
        {4'000'000'000, 0x0003},
        {std::numeric_limits<int64_t>::min(), 0x0003},
    };
    for (const Case& c : cases) {
        TExNativeExcel excel(nullptr);
        excel.WriteInteger(c.value);
        const TExcelCell cell = OnlyCell(excel);
        EXPECT_EQ(cell.Type, c.type) << c.value;
        EXPECT_EQ(cell.Number, static_cast<double>(c.value)) << c.value;
    }
}

TEST(ExNativeExcel, LongTextsAreCutToWholeRecords)
{
    const std::string upper(300, '\xE9');
    TExNativeExcel excel(nullptr);
    excel.WriteText(upper);
    excel.WriteText(std::string(255, 'a'));
    excel.WriteText("");
    excel.WriteHeader(std::string(300, 'h'));
    excel.WriteFooter(std::string(256, 'f'));
    excel.WriteBlank();  // the stream still parses after the cut records
    const std::vector<TExcelRecord> body = Body(excel);
    ASSERT_EQ(body.size(), 6u);
    EXPECT_EQ(ReadExcelCell(body[0]).Text, upper.substr(0, 255));
    EXPECT_EQ(body[0].Data.size(), 7u + 1u + 255u);
    EXPECT_EQ(ReadExcelCell(body[1]).Text, std::string(255, 'a'));
    EXPECT_EQ(ReadExcelCell(body[2]).Text, "");
    EXPECT_EQ(body[3].Type, 0x0014);
    EXPECT_EQ(body[3].Data, std::string("\xFF") + std::string(255, 'h'));
    EXPECT_EQ(body[4].Type, 0x0015);
    EXPECT_EQ(body[4].Data, std::string("\xFF") + std::string(255, 'f'));
    EXPECT_EQ(body[5].Type, 0x0001);
}

TEST(ExNativeExcel, ValuesByTheirType)
{
    const TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 0, 0);
    struct Case {
        const char* name;
        Variant value;
        uint16_t type;
        double number;
        std::string text;
        uint8_t boolErr;
        bool isError;
    };
    const Case cases[] = {
        {"empty", Variant(), 0x0001, 0, "", 0, false},
        {"null", Variant::Null(), 0x0005, 0, "", 0, true},
        {"integer", Variant(1234), 0x0002, 1234, "", 0, false},
        {"negative integer", Variant(-5), 0x0003, -5, "", 0, false},
        {"wide integer", Variant(int64_t{9'000'000'000}), 0x0003, 9e9, "", 0, false},
        {"double", Variant(-2.75), 0x0003, -2.75, "", 0, false},
        {"currency", Variant(Currency{125000}), 0x0003, 12.5, "", 0, false},
        {"date", Variant::FromDateTime(when), 0x0004, 0, DateTimeToStr(when), 0, false},
        {"text", Variant("ticket"), 0x0004, 0, "ticket", 0, false},
        {"true", Variant(true), 0x0005, 0, "", 1, false},
        {"false", Variant(false), 0x0005, 0, "", 0, false},
        {"array", VarArrayOf({Variant(1)}), 0x0005, 0, "", 42, true},
    };
    for (const Case& c : cases) {
        TExNativeExcel excel(nullptr);
        excel.WriteValue(c.value);
        const TExcelCell cell = OnlyCell(excel);
        EXPECT_EQ(cell.Type, c.type) << c.name;
        EXPECT_EQ(cell.Number, c.number) << c.name;
        EXPECT_EQ(cell.Text, c.text) << c.name;
        EXPECT_EQ(cell.Value, c.boolErr) << c.name;
        EXPECT_EQ(cell.IsError, c.isError) << c.name;
    }

    TExNativeExcel excel(nullptr);
    const TExExcelError errors[] = {TExExcelError::eeNull, TExExcelError::eeDivZero, TExExcelError::eeValue, TExExcelError::eeRef,
                                    TExExcelError::eeName, TExExcelError::eeNum,     TExExcelError::eeNA};
    for (TExExcelError error : errors)
        excel.WriteError(error);
    std::vector<int> codes;
    for (const TExcelCell& cell : ReadExcelCells(excel.Bytes())) {
        EXPECT_TRUE(cell.IsError);
        codes.push_back(cell.Value);
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 7, 15, 23, 29, 36, 42}));
}

TEST(ExNativeExcel, SheetSettingRecords)
{
    TExNativeExcel excel(nullptr);
    excel.WriteMargin(TExExcelMargin::emLeft, 0.3);
    excel.WriteMargin(TExExcelMargin::emRight, 0.5);
    excel.WriteMargin(TExExcelMargin::emTop, 1.25);
    excel.WriteMargin(TExExcelMargin::emBottom, 0);
    excel.SetColumnWidths(1, 256, 20);
    excel.SetColumnWidths(3, 4, 1000);  // wider than the record holds: the widest it holds
    excel.WriteProtection(true);
    excel.WriteProtection(false);
    const std::vector<TExcelRecord> body = Body(excel);
    ASSERT_EQ(body.size(), 8u);
    const uint16_t marginTypes[] = {0x0026, 0x0027, 0x0028, 0x0029};
    const double margins[] = {0.3, 0.5, 1.25, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(body[i].Type, marginTypes[i]);
        ASSERT_EQ(body[i].Data.size(), 8u);
        EXPECT_EQ(body[i].Double(0), margins[i]);
    }
    EXPECT_EQ(body[4].Type, 0x0024);
    EXPECT_EQ(body[4].Data, std::string("\x00\xFF", 2) + Word(5120));
    EXPECT_EQ(body[5].Data, std::string("\x02\x03", 2) + Word(0xFFFF));
    EXPECT_EQ(body[6].Type, 0x0012);
    EXPECT_EQ(body[6].Data, Word(1));
    EXPECT_EQ(body[7].Data, Word(0));
}

TEST(ExNativeExcel, FileNameTakesTheSheetExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"report", "report.XLS"},        {"out/report.txt", "out/report.XLS"},
        {"report.xls", "report.xls"},    {"report.XlS", "report.XlS"},
        {"a.b/report", "a.b/report.XLS"}, {"", ""},
    };
    for (const auto& [given, expected] : cases) {
        TExNativeExcel excel(nullptr);
        excel.SetFileName(given);
        EXPECT_EQ(excel.FileName(), expected) << given;
    }
}

TEST(ExNativeExcel, SaveWritesTheStreamOrRaises)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zv_excel_save_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    TExNativeExcel excel(nullptr);
    excel.WriteText("saved");
    excel.EndDocument();
    excel.SetFileName((folder / "sheet").string());
    excel.Save();
    std::ifstream file(folder / "sheet.XLS", std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved, excel.Bytes());

    excel.SetFileName((folder / "missing" / "sheet.xls").string());
    EXPECT_THROW(excel.Save(), Exception);
    std::filesystem::remove_all(folder);
}

TEST(ExExcelOptions, DefaultsAndCopies)
{
    TExExcelOptions options;
    EXPECT_TRUE(options.Options.Contains(TExExportExcelOptions::reSetMargins));
    EXPECT_TRUE(options.Options.Contains(TExExportExcelOptions::reUseBorders));
    EXPECT_FALSE(options.Options.Contains(TExExportExcelOptions::reCellsAsText));
    EXPECT_EQ(options.Footer, "&P");
    EXPECT_TRUE(options.HeaderFont().Style().Contains(TFontStyle::fsBold));
    EXPECT_FALSE(options.TableFont().Style().Contains(TFontStyle::fsBold));

    TFont courier;
    courier.SetName("Courier New");
    options.SetTableFont(courier);
    courier.SetName("changed later");
    EXPECT_EQ(options.TableFont().Name(), "Courier New");

    options.ColumnWidth = 7;
    options.Header = "top";
    options.ExcelVersion = TExExcelVersion::xls30;
    options.LeftMargin = 1.5;
    TExExcelOptions copy;
    copy.Assign(options);
    EXPECT_EQ(copy.ColumnWidth, 7);
    EXPECT_EQ(copy.Header, "top");
    EXPECT_EQ(copy.ExcelVersion, TExExcelVersion::xls30);
    EXPECT_EQ(copy.LeftMargin, 1.5);
    EXPECT_EQ(copy.TableFont().Name(), "Courier New");

    EXPECT_EQ(ExBIFFVersionOf(TExExcelVersion::xls21), TExBIFFVersion::bvBIFF2);
    EXPECT_EQ(ExBIFFVersionOf(TExExcelVersion::xls30), TExBIFFVersion::bvBIFF3);
    EXPECT_EQ(ExBIFFVersionOf(TExExcelVersion::xls40), TExBIFFVersion::bvBIFF4);
    EXPECT_EQ(ExBIFFVersionOf(TExExcelVersion::xls50), TExBIFFVersion::bvBIFF5);
}

TEST(ExNativeExcel, PublishedProperties)
{
    RegisterWindowClasses();
    TExNativeExcel::RegisterClass();
    TExExcelOptions::RegisterClass();

    TExNativeExcel excel(nullptr);
    excel.WriteText("discarded");
    EXPECT_TRUE(SetPropertyPathText(excel, "BIFF", "bvBIFF2"));
    EXPECT_EQ(excel.BIFF(), TExBIFFVersion::bvBIFF2);
    EXPECT_EQ(Records(excel).size(), 2u);
    EXPECT_TRUE(SetPropertyPathText(excel, "MoveAfterEnter", "maDown"));
    EXPECT_EQ(excel.MoveAfterEnter, TExMoveAfterEnter::maDown);
    EXPECT_TRUE(SetPropertyPathText(excel, "FileName", "sheet"));
    EXPECT_EQ(excel.FileName(), "sheet.XLS");
    EXPECT_EQ(GetPropertyPathText(excel, "Borders"), "[]");
    SetPropertyPathText(excel, "Version", "9.99");
    EXPECT_EQ(GetPropertyPathText(excel, "Version"), "1.23");
    EXPECT_EQ(GetPropertyPathText(excel, "Locked"), "True");

    TExExcelOptions options;
    EXPECT_TRUE(SetPropertyPathText(options, "ExcelVersion", "xls40"));
    EXPECT_EQ(options.ExcelVersion, TExExcelVersion::xls40);
    EXPECT_TRUE(SetPropertyPathText(options, "HeaderFont.Name", "Arial"));
    EXPECT_EQ(options.HeaderFont().Name(), "Arial");
    EXPECT_TRUE(SetPropertyPathText(options, "LeftMargin", "0.75"));
    EXPECT_EQ(options.LeftMargin, 0.75);
    EXPECT_EQ(GetPropertyPathText(options, "Options"), "[reSetMargins,reUseBorders]");
}

}  // namespace
