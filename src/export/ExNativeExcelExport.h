#pragma once
// The Excel document of an export run: header lines going down the first column, the caption
// row, one worksheet row per exported row, footer lines, protection and the saved file, all on
// one worksheet writer with the export component's Excel options.
//
// A worksheet holds 65535 rows and 256 columns. Rows and cells that do not fit are left out
// (never written over the first rows or columns); the document is still saved with everything
// that fits, and then Finish raises EExNativeExcelError saying what was left out.

#include "export/ExNativeExcel.h"
#include "platform/rtl/Exceptions.h"

#include <functional>
#include <string>
#include <vector>

ZV_DECLARE_EXCEPTION(EExNativeExcelError, Exception);

// One cell of a formatted row: its text and the column's alignment (0 none, 1 left, 2 right,
// 3 centre).
struct TExExcelCellText {
    std::string Text;
    int Alignment = 0;
};

// Makes the export components write their Excel documents with TExExcelDocument on their own
// worksheet writer and EXCEL options. Harmless to call again.
void RegisterExcelExportWriter();

class TExExcelDocument {
public:
    TExExcelDocument(TExNativeExcel& writer, const TExExcelOptions& options);

    // File name (forced to ".XLS"), version, the fonts, header and footer texts, margins and
    // column widths.
    void Begin(const std::string& outputFileName);
    void HeaderLines(const std::vector<std::string>& lines);
    // The captions in font 1; with row numbers a blank cell stands before them.
    void CaptionRow(bool rowNumbers, const std::vector<TExExcelCellText>& cells);
    // A data row on the next worksheet row, in font 2, led by its row-number cell when given.
    void DataRow(const std::string* rowNumber, const std::vector<TExExcelCellText>& cells);
    // Two rows below the last row, down the first column.
    void FooterLines(const std::vector<std::string>& lines);
    // Protection, the end of the document and the saved file; then raises EExNativeExcelError
    // when rows or cells were left out.
    void Finish();

    unsigned RowsLeftOut() const noexcept { return rowsLeftOut_; }
    unsigned CellsLeftOut() const noexcept { return cellsLeftOut_; }
    unsigned LinesLeftOut() const noexcept { return linesLeftOut_; }

private:
    void WriteLinesDown(const std::vector<std::string>& lines);
    void WriteOneCellDown(const std::function<void()>& write);
    void WriteRowCells(uint16_t row, const std::string* rowNumber, bool captionRow, const std::vector<TExExcelCellText>& cells);
    // A number, else an integer, else text; only an integer or text for a row number.
    void WriteCellText(const std::string& text, bool integerOnly);
    void SetCellFrame(uint8_t font);

    TExNativeExcel& writer_;
    const TExExcelOptions& options_;
    // No worksheet row is left below the cursor: everything else is left out.
    bool sheetFull_ = false;
    unsigned rowsLeftOut_ = 0;
    unsigned cellsLeftOut_ = 0;
    unsigned linesLeftOut_ = 0;
};
