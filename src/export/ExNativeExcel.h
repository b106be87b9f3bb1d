#pragma once
// A single worksheet in the old binary spreadsheet record format (versions 2 to 5, a bare record
// stream without a compound document around it), written into memory cell by cell with a
// moving cursor and saved to a ".XLS" file. Also the Excel options of the export components.
//
// Every record is a 16-bit type, a 16-bit length of the data that follows and the data, all
// little-endian. Cell records start with a 7-byte head: zero-based row and column and three
// attribute bytes (locked/hidden, font index, alignment/borders/shading).

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TFont;

enum class TExBIFFVersion { bvBIFF2, bvBIFF3, bvBIFF4, bvBIFF5 };
enum class TExMoveAfterEnter { maNone, maUp, maDown, maLeft, maRight };
enum class TExExcelBorders { ebTop, ebBottom, ebLeft, ebRight };
using TExExcelBorderSet = TEnumSet<TExExcelBorders>;
enum class TExExcelAlignment { eaGeneral, eaLeft, eaRight, eaCenter, eaFill, eaMultiPlan };
enum class TExExcelVersion { xls21, xls30, xls40, xls50 };
enum class TExExportExcelOptions { reCellsAsText, reSetColumnWidths, reSetMargins, reUseBorders };
using TExExportExcelOptionSet = TEnumSet<TExExportExcelOptions>;

// The error values of an error cell.
enum class TExExcelError : uint8_t {
    eeNull = 0,
    eeDivZero = 7,
    eeValue = 15,
    eeRef = 23,
    eeName = 29,
    eeNum = 36,
    eeNA = 42,
};

// Record types.
namespace ExcelRecord {
constexpr uint16_t Dimensions2 = 0x0000;
constexpr uint16_t Blank = 0x0001;
constexpr uint16_t Integer = 0x0002;
constexpr uint16_t Number = 0x0003;
constexpr uint16_t Label = 0x0004;
constexpr uint16_t BoolErr = 0x0005;
constexpr uint16_t Bof2 = 0x0009;
constexpr uint16_t Eof = 0x000A;
constexpr uint16_t Protect = 0x0012;
constexpr uint16_t Header = 0x0014;
constexpr uint16_t Footer = 0x0015;
constexpr uint16_t ColWidth = 0x0024;
constexpr uint16_t LeftMargin = 0x0026;
constexpr uint16_t RightMargin = 0x0027;
constexpr uint16_t TopMargin = 0x0028;
constexpr uint16_t BottomMargin = 0x0029;
constexpr uint16_t Font = 0x0031;
constexpr uint16_t Dimensions = 0x0200;
constexpr uint16_t Bof3 = 0x0209;
constexpr uint16_t Bof4 = 0x0409;
constexpr uint16_t Bof5 = 0x0809;
}  // namespace ExcelRecord

enum class TExExcelMargin { emLeft, emRight, emTop, emBottom };

class TExNativeExcel : public TComponent {
public:
    // The sheet bounds: 1-based rows 1..LastRow and columns 1..LastColumn.
    static constexpr uint16_t LastRow = 65535;
    static constexpr uint16_t LastColumn = 256;
    // Longest text of a LABEL, HEADER or FOOTER record (its length is one byte).
    static constexpr size_t MaxTextLength = 255;
    static constexpr int MaxFonts = 4;

    explicit TExNativeExcel(TComponent* owner);
    ~TExNativeExcel() override;
    const char* ClassName() const noexcept override { return "TExNativeExcel"; }
    // Publishes the properties (and the enumerations of this unit); harmless to call again.
    static void RegisterClass();

    // Font index 0 to 3 of the next cells; other values give font 0.
    uint8_t ActiveFont = 0;
    TExExcelAlignment Alignment = TExExcelAlignment::eaGeneral;
    TExExcelBorderSet Borders;
    TExMoveAfterEnter MoveAfterEnter = TExMoveAfterEnter::maRight;
    bool Shading = false;
    bool Hidden = false;
    bool Locked = true;
    // The 1-based cursor; every cell is written there and then moves it by MoveAfterEnter.
    uint16_t Row = 1;
    uint16_t Column = 1;

    TExBIFFVersion BIFF() const noexcept { return biff_; }
    // A change discards everything written and starts a new document in that version.
    void SetBIFF(TExBIFFVersion value);
    const std::string& FileName() const noexcept { return fileName_; }
    // A name without the extension ".XLS" (letter case ignored) gets it in place of its own.
    void SetFileName(const std::string& value);
    static std::string Version() { return "1.23"; }

    // Clears the stream and writes BOF and DIMENSIONS; the font count starts again.
    void StartDocument();
    // Writes EOF; the next record starts a new document.
    void EndDocument();
    bool DocumentOpen() const noexcept { return open_; }
    // Writes the stream to FileName; raises the file error when it cannot be written.
    void Save();

    // At most four fonts are written; a missing font or a fifth one is ignored.
    void WriteFont(const TFont* font);
    void WriteHeader(std::string_view text);
    void WriteFooter(std::string_view text);
    void WriteMargin(TExExcelMargin margin, double inches);
    // Columns are 1-based (1..256); the width is in characters.
    void SetColumnWidths(int firstColumn, int lastColumn, int widthInCharacters);
    void WriteProtection(bool isProtected);

    void WriteBlank();
    // INTEGER holds 0..65535; any other value is written as NUMBER.
    void WriteInteger(int64_t value);
    void WriteNumber(double value);
    // Texts longer than 255 bytes are cut to their first 255.
    void WriteText(std::string_view text);
    void WriteBoolean(bool value);
    void WriteError(TExExcelError error);
    // Empty: blank; Null: the null error; integers: INTEGER (or NUMBER, see WriteInteger);
    // Double and Currency: NUMBER; a date: its date-time text; text: LABEL; Boolean: BOOLERR;
    // anything else: the not-available error.
    void WriteValue(const Variant& value);

    // The record stream written so far.
    const TMemoryStream& Stream() const noexcept { return *stream_; }
    std::string Bytes() const;

private:
    // A record is gathered in `pending_` and written to the stream whole by Flush.
    void BeginRecord(uint16_t type, uint16_t length);
    void WriteByte(uint8_t value);
    void WriteWord(uint16_t value);
    void WriteDouble(double value);
    void WriteBytes(std::string_view bytes);
    void WriteCellHead(uint16_t type, uint16_t dataLength);
    void Flush();
    void MoveCursor();

    std::unique_ptr<TMemoryStream> stream_;
    std::string pending_;
    TExBIFFVersion biff_ = TExBIFFVersion::bvBIFF5;
    std::string fileName_;
    int fontCount_ = 0;
    bool open_ = false;
};

// The Excel settings of an export component.
class TExExcelOptions : public TPersistent {
public:
    TExExcelOptions();
    ~TExExcelOptions() override;
    const char* ClassName() const noexcept override { return "TExExcelOptions"; }
    static void RegisterClass();
    void Assign(const TPersistent& source) override;

    TExExportExcelOptionSet Options{TExExportExcelOptions::reSetMargins, TExExportExcelOptions::reUseBorders};
    int ColumnWidth = 20;  // characters
    bool Protected = false;
    std::string Header;
    std::string Footer = "&P";
    TExExcelVersion ExcelVersion = TExExcelVersion::xls50;
    double TopMargin = 0.3;  // inches
    double BottomMargin = 0.3;
    double LeftMargin = 0.3;
    double RightMargin = 0.3;

    TFont& DefaultFont() const noexcept { return *defaultFont_; }
    TFont& HeaderFont() const noexcept { return *headerFont_; }
    TFont& TableFont() const noexcept { return *tableFont_; }
    // Setting a font copies it.
    void SetDefaultFont(const TFont& font);
    void SetHeaderFont(const TFont& font);
    void SetTableFont(const TFont& font);

private:
    std::unique_ptr<TFont> defaultFont_;
    std::unique_ptr<TFont> headerFont_;
    std::unique_ptr<TFont> tableFont_;
};

TExBIFFVersion ExBIFFVersionOf(TExExcelVersion version);
