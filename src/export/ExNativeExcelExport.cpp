#include "export/ExNativeExcelExport.h"

#include "export/ExExport.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr TExExcelBorderSet AllBorders{TExExcelBorders::ebTop, TExExcelBorders::ebBottom, TExExcelBorders::ebLeft,
                                       TExExcelBorders::ebRight};
constexpr uint8_t CaptionFont = 1;
constexpr uint8_t TableFont = 2;

TExExcelAlignment AlignmentOf(int columnAlignment)
{
    switch (columnAlignment) {
    case 1:
        return TExExcelAlignment::eaLeft;
    case 2:
        return TExExcelAlignment::eaRight;
    case 3:
        return TExExcelAlignment::eaCenter;
    default:
        return TExExcelAlignment::eaGeneral;
    }
}

void AddCount(std::string& text, unsigned count, const char* one, const char* many)
{
    if (count == 0)
        return;
    if (!text.empty())
        text += ", ";
    text += std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

TExExcelDocument::TExExcelDocument(TExNativeExcel& writer, const TExExcelOptions& options) : writer_(writer), options_(options) {}

void TExExcelDocument::Begin(const std::string& outputFileName)
{
    writer_.SetFileName(outputFileName);
    writer_.MoveAfterEnter = TExMoveAfterEnter::maRight;
    writer_.Row = 1;
    writer_.Column = 1;
    writer_.Borders = {};
    writer_.Alignment = TExExcelAlignment::eaGeneral;
    writer_.ActiveFont = 0;
    writer_.SetBIFF(ExBIFFVersionOf(options_.ExcelVersion));
    writer_.StartDocument();
    writer_.WriteFont(&options_.DefaultFont());
    writer_.WriteFont(&options_.HeaderFont());
    writer_.WriteFont(&options_.TableFont());
    if (!options_.Header.empty())
        writer_.WriteHeader(options_.Header);
    if (!options_.Footer.empty())
        writer_.WriteFooter(options_.Footer);
    if (options_.Options.Contains(TExExportExcelOptions::reSetMargins)) {
        writer_.WriteMargin(TExExcelMargin::emLeft, options_.LeftMargin);
        writer_.WriteMargin(TExExcelMargin::emBottom, options_.BottomMargin);
        writer_.WriteMargin(TExExcelMargin::emTop, options_.TopMargin);
        writer_.WriteMargin(TExExcelMargin::emRight, options_.RightMargin);
    }
    if (options_.Options.Contains(TExExportExcelOptions::reSetColumnWidths))
        writer_.SetColumnWidths(1, TExNativeExcel::LastColumn, options_.ColumnWidth);
    sheetFull_ = false;
    rowsLeftOut_ = 0;
    cellsLeftOut_ = 0;
    linesLeftOut_ = 0;
}

void TExExcelDocument::WriteLinesDown(const std::vector<std::string>& lines)
{
    writer_.MoveAfterEnter = TExMoveAfterEnter::maDown;
    writer_.ActiveFont = 0;
    writer_.Borders = {};
    for (const std::string& line : lines) {
        if (sheetFull_) {
            ++linesLeftOut_;
            continue;
        }
        WriteOneCellDown([&] { writer_.WriteText(line); });
    }
}

void TExExcelDocument::WriteOneCellDown(const std::function<void()>& write)
{
    // Going down from the last row would carry on at the top of the next column.
    const bool lastRow = writer_.Row == TExNativeExcel::LastRow;
    const uint16_t column = writer_.Column;
    write();
    if (lastRow) {
        sheetFull_ = true;
        writer_.Row = TExNativeExcel::LastRow;
        writer_.Column = column;
    }
}

void TExExcelDocument::HeaderLines(const std::vector<std::string>& lines)
{
    WriteLinesDown(lines);
    if (!lines.empty() && !sheetFull_)
        WriteOneCellDown([&] { writer_.WriteBlank(); });
    writer_.MoveAfterEnter = TExMoveAfterEnter::maRight;
}

void TExExcelDocument::SetCellFrame(uint8_t font)
{
    writer_.ActiveFont = font;
    writer_.Borders = options_.Options.Contains(TExExportExcelOptions::reUseBorders) ? AllBorders : TExExcelBorderSet{};
}

void TExExcelDocument::WriteCellText(const std::string& text, bool integerOnly)
{
    if (options_.Options.Contains(TExExportExcelOptions::reCellsAsText)) {
        writer_.WriteText(text);
        return;
    }
    // Numbers are read with "." as the decimal point, whatever the process locale says.
    double number = 0;
    if (!integerOnly && TryStrToFloat(text, number, StorageFormatSettings())) {
        writer_.WriteNumber(number);
        return;
    }
    int32_t integer = 0;
    if (TryStrToInt(text, integer)) {
        writer_.WriteInteger(integer);
        return;
    }
    writer_.WriteText(text);
}

void TExExcelDocument::WriteRowCells(uint16_t row, const std::string* rowNumber, bool captionRow, const std::vector<TExExcelCellText>& cells)
{
    writer_.MoveAfterEnter = TExMoveAfterEnter::maRight;
    writer_.Row = row;
    writer_.Column = 1;
    bool rowFull = false;
    // Going right from the last column would carry on at the start of the next row.
    const auto writeCell = [&](const std::function<void()>& write) {
        if (rowFull) {
            ++cellsLeftOut_;
            return;
        }
        rowFull = writer_.Column == TExNativeExcel::LastColumn;
        write();
    };
    if (captionRow && rowNumber != nullptr) {
        writer_.ActiveFont = CaptionFont;
        writer_.Borders = {};
        writeCell([&] { writer_.WriteBlank(); });
    } else if (rowNumber != nullptr) {
        SetCellFrame(TableFont);
        writeCell([&] { WriteCellText(*rowNumber, true); });
    }
    for (const TExExcelCellText& cell : cells) {
        SetCellFrame(captionRow ? CaptionFont : TableFont);
        writer_.Alignment = AlignmentOf(cell.Alignment);
        writeCell([&] { WriteCellText(cell.Text, false); });
        writer_.Alignment = TExExcelAlignment::eaGeneral;
    }
    writer_.Row = row;
    if (rowFull)
        writer_.Column = TExNativeExcel::LastColumn;
}

void TExExcelDocument::CaptionRow(bool rowNumbers, const std::vector<TExExcelCellText>& cells)
{
    if (sheetFull_) {
        ++rowsLeftOut_;
        return;
    }
    static const std::string placeholder;
    WriteRowCells(writer_.Row, rowNumbers ? &placeholder : nullptr, true, cells);
}

void TExExcelDocument::DataRow(const std::string* rowNumber, const std::vector<TExExcelCellText>& cells)
{
    if (sheetFull_ || writer_.Row == TExNativeExcel::LastRow) {
        sheetFull_ = true;
        ++rowsLeftOut_;
        return;
    }
    WriteRowCells(static_cast<uint16_t>(writer_.Row + 1), rowNumber, false, cells);
}

void TExExcelDocument::FooterLines(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    if (sheetFull_ || writer_.Row > TExNativeExcel::LastRow - 2) {
        sheetFull_ = true;
        linesLeftOut_ += static_cast<unsigned>(lines.size());
        return;
    }
    writer_.Row = static_cast<uint16_t>(writer_.Row + 2);
    writer_.Column = 1;
    WriteLinesDown(lines);
}

void TExExcelDocument::Finish()
{
    if (options_.Protected)
        writer_.WriteProtection(true);
    writer_.EndDocument();
    writer_.Save();
    if (rowsLeftOut_ == 0 && cellsLeftOut_ == 0 && linesLeftOut_ == 0)
        return;
    std::string leftOut;
    AddCount(leftOut, rowsLeftOut_, "row", "rows");
    AddCount(leftOut, cellsLeftOut_, "cell", "cells");
    AddCount(leftOut, linesLeftOut_, "header or footer line", "header or footer lines");
    throw EExNativeExcelError("A worksheet holds at most 65535 rows of 256 columns; left out: " + leftOut + ".");
}

// ---- the Excel document of the export components ----

namespace {

// The export run's calls on the Excel document: no separator lines and no date line.
class TExExcelExportWriter : public TExDocumentWriter {
public:
    explicit TExExcelExportWriter(TExCustomExport& owner) : TExDocumentWriter(owner), document_(owner.NativeExcel(), owner.EXCEL) {}

    void Begin() override { document_.Begin(Owner().OutputFileName()); }
    void HeaderLines(const std::vector<std::string>& lines) override { document_.HeaderLines(lines); }
    void WriteRow(const TExRow& row) override
    {
        cells_.clear();
        for (const TExCell& cell : row.Cells)
            cells_.push_back({cell.Text, cell.Alignment});
        if (row.Header)
            document_.CaptionRow(row.RowNumbers, cells_);
        else
            document_.DataRow(row.RowNumbers ? &row.RowNumber : nullptr, cells_);
    }
    void Footer(const std::vector<std::string>& lines, const std::string&) override { document_.FooterLines(lines); }
    void Finish(const std::string&) override { document_.Finish(); }

private:
    TExExcelDocument document_;
    std::vector<TExExcelCellText> cells_;
};

}  // namespace

void RegisterExcelExportWriter()
{
    RegisterExportWriter(TExExportType::xtExcel,
                         [](TExCustomExport& owner) -> std::unique_ptr<TExDocumentWriter> { return std::make_unique<TExExcelExportWriter>(owner); });
}
