#include "export/ExNativeExcel.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the record stream is written as little-endian memory");

namespace {

constexpr uint16_t WorksheetKind = 0x0010;
constexpr uint16_t BofVersion = 0x0200;
constexpr uint16_t CellHeadLength = 7;

uint16_t ClampToWord(int64_t value)
{
    return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, 0xFFFF));
}

std::string_view CutText(std::string_view text)
{
    // Text is 8-bit: every byte is a character, so any cut lies on a character boundary.
    return text.substr(0, std::min(text.size(), TExNativeExcel::MaxTextLength));
}

template <class E>
TEnumSet<E> SetFromBits(uint64_t bits, unsigned count)
{
    TEnumSet<E> set;
    for (unsigned i = 0; i < count; ++i)
        if ((bits >> i) & 1u)
            set.Include(static_cast<E>(i));
    return set;
}

void RegisterExcelEnums()
{
    RegisterEnum<TExBIFFVersion>("TExBIFFVersion", {"bvBIFF2", "bvBIFF3", "bvBIFF4", "bvBIFF5"});
    RegisterEnum<TExMoveAfterEnter>("TExMoveAfterEnter", {"maNone", "maUp", "maDown", "maLeft", "maRight"});
    RegisterEnum<TExExcelBorders>("TExExcelBorders", {"ebTop", "ebBottom", "ebLeft", "ebRight"});
    RegisterEnum<TExExcelAlignment>("TExExcelAlignment", {"eaGeneral", "eaLeft", "eaRight", "eaCenter", "eaFill", "eaMultiPlan"});
    RegisterEnum<TExExcelVersion>("TExExcelVersion", {"xls21", "xls30", "xls40", "xls50"});
    RegisterEnum<TExExportExcelOptions>("TExExportExcelOptions",
                                        {"reCellsAsText", "reSetColumnWidths", "reSetMargins", "reUseBorders"});
}

}  // namespace

void TExNativeExcel::RegisterClass()
{
    RegisterExcelEnums();
    using C = TExNativeExcel;
    TClassRegistration<C, TComponent>("TExNativeExcel")
        .Component()
        .Integer("ActiveFont", [](const C& c) { return c.ActiveFont; }, [](C& c, int64_t v) { c.ActiveFont = static_cast<uint8_t>(v); })
        .Enum("Alignment", [](const C& c) { return c.Alignment; }, [](C& c, TExExcelAlignment v) { c.Alignment = v; },
              TExExcelAlignment::eaGeneral)
        .Enum("BIFF", &C::BIFF, &C::SetBIFF, TExBIFFVersion::bvBIFF5)
        .Set<TExExcelBorders>("Borders", [](const C& c) { return c.Borders.Bits(); },
                              [](C& c, uint64_t bits) { c.Borders = SetFromBits<TExExcelBorders>(bits, 4); })
        .String("FileName", &C::FileName, &C::SetFileName)
        .Integer("Row", [](const C& c) { return c.Row; }, [](C& c, int64_t v) { c.Row = static_cast<uint16_t>(v); }, 1)
        .Integer("Column", [](const C& c) { return c.Column; }, [](C& c, int64_t v) { c.Column = static_cast<uint16_t>(v); }, 1)
        .Enum("MoveAfterEnter", [](const C& c) { return c.MoveAfterEnter; }, [](C& c, TExMoveAfterEnter v) { c.MoveAfterEnter = v; },
              TExMoveAfterEnter::maRight)
        .Boolean("Shading", [](const C& c) { return c.Shading; }, [](C& c, bool v) { c.Shading = v; })
        .Boolean("Hidden", [](const C& c) { return c.Hidden; }, [](C& c, bool v) { c.Hidden = v; })
        .Boolean("Locked", [](const C& c) { return c.Locked; }, [](C& c, bool v) { c.Locked = v; }, true)
        .String("Version", [](const C&) { return Version(); }, [](C&, const std::string&) {}, Version());
}

void TExExcelOptions::RegisterClass()
{
    RegisterExcelEnums();
    using C = TExExcelOptions;
    const TExExportExcelOptionSet defaultOptions{TExExportExcelOptions::reSetMargins, TExExportExcelOptions::reUseBorders};
    TClassRegistration<C, TPersistent>("TExExcelOptions")
        .Set<TExExportExcelOptions>("Options", [](const C& c) { return c.Options.Bits(); },
                                    [](C& c, uint64_t bits) { c.Options = SetFromBits<TExExportExcelOptions>(bits, 4); },
                                    defaultOptions.Bits())
        .Integer("ColumnWidth", [](const C& c) { return c.ColumnWidth; }, [](C& c, int64_t v) { c.ColumnWidth = static_cast<int>(v); }, 20)
        .Boolean("Protected", [](const C& c) { return c.Protected; }, [](C& c, bool v) { c.Protected = v; })
        .String("Header", [](const C& c) { return c.Header; }, [](C& c, const std::string& v) { c.Header = v; })
        .String("Footer", [](const C& c) { return c.Footer; }, [](C& c, const std::string& v) { c.Footer = v; }, "&P")
        .Enum("ExcelVersion", [](const C& c) { return c.ExcelVersion; }, [](C& c, TExExcelVersion v) { c.ExcelVersion = v; },
              TExExcelVersion::xls50)
        .Object("DefaultFont", [](C& c) -> TFont& { return c.DefaultFont(); })
        .Object("HeaderFont", [](C& c) -> TFont& { return c.HeaderFont(); })
        .Object("TableFont", [](C& c) -> TFont& { return c.TableFont(); })
        .Float("TopMargin", [](const C& c) { return c.TopMargin; }, [](C& c, double v) { c.TopMargin = v; }, 0.3)
        .Float("BottomMargin", [](const C& c) { return c.BottomMargin; }, [](C& c, double v) { c.BottomMargin = v; }, 0.3)
        .Float("LeftMargin", [](const C& c) { return c.LeftMargin; }, [](C& c, double v) { c.LeftMargin = v; }, 0.3)
        .Float("RightMargin", [](const C& c) { return c.RightMargin; }, [](C& c, double v) { c.RightMargin = v; }, 0.3);
}

TExBIFFVersion ExBIFFVersionOf(TExExcelVersion version)
{
    switch (version) {
    case TExExcelVersion::xls21:
        return TExBIFFVersion::bvBIFF2;
    case TExExcelVersion::xls30:
        return TExBIFFVersion::bvBIFF3;
    case TExExcelVersion::xls40:
        return TExBIFFVersion::bvBIFF4;
    case TExExcelVersion::xls50:
        break;
    }
    return TExBIFFVersion::bvBIFF5;
}

// ---- TExNativeExcel ----

TExNativeExcel::TExNativeExcel(TComponent* owner) : TComponent(owner), stream_(std::make_unique<TMemoryStream>())
{
    StartDocument();
}

TExNativeExcel::~TExNativeExcel() = default;

void TExNativeExcel::SetBIFF(TExBIFFVersion value)
{
    if (value == biff_)
        return;
    biff_ = value;
    StartDocument();
}

void TExNativeExcel::SetFileName(const std::string& value)
{
    if (value.empty() || SameText(ExtractFileExt(value), ".XLS"))
        fileName_ = value;
    else
        fileName_ = ChangeFileExt(value, ".XLS");
}

void TExNativeExcel::StartDocument()
{
    stream_->Clear();
    pending_.clear();
    fontCount_ = 0;
    open_ = true;
    if (biff_ == TExBIFFVersion::bvBIFF2) {
        BeginRecord(ExcelRecord::Bof2, 4);
        WriteWord(BofVersion);
        WriteWord(WorksheetKind);
        BeginRecord(ExcelRecord::Dimensions2, 8);
    } else {
        const uint16_t type = biff_ == TExBIFFVersion::bvBIFF3   ? ExcelRecord::Bof3
                              : biff_ == TExBIFFVersion::bvBIFF4 ? ExcelRecord::Bof4
                                                                 : ExcelRecord::Bof5;
        BeginRecord(type, 6);
        WriteWord(BofVersion);
        WriteWord(WorksheetKind);
        WriteWord(0);
        BeginRecord(ExcelRecord::Dimensions, 10);
    }
    WriteWord(0);
    WriteWord(LastRow);
    WriteWord(0);
    WriteWord(LastColumn);
    if (biff_ != TExBIFFVersion::bvBIFF2)
        WriteWord(0);
    Flush();
}

void TExNativeExcel::EndDocument()
{
    BeginRecord(ExcelRecord::Eof, 0);
    Flush();
    open_ = false;
}

void TExNativeExcel::Save() { stream_->SaveToFile(fileName_); }

std::string TExNativeExcel::Bytes() const
{
    return std::string(stream_->Memory(), static_cast<size_t>(stream_->Size()));
}

void TExNativeExcel::BeginRecord(uint16_t type, uint16_t length)
{
    if (!open_)
        StartDocument();
    WriteWord(type);
    WriteWord(length);
}

void TExNativeExcel::WriteByte(uint8_t value) { pending_.push_back(static_cast<char>(value)); }

void TExNativeExcel::WriteWord(uint16_t value)
{
    pending_.push_back(static_cast<char>(value & 0xFF));
    pending_.push_back(static_cast<char>(value >> 8));
}

void TExNativeExcel::WriteDouble(double value)
{
    char bytes[8];
    std::memcpy(bytes, &value, 8);
    pending_.append(bytes, 8);
}

void TExNativeExcel::WriteBytes(std::string_view bytes) { pending_.append(bytes); }

void TExNativeExcel::Flush()
{
    if (!pending_.empty())
        stream_->WriteBuffer(pending_.data(), static_cast<int64_t>(pending_.size()));
    pending_.clear();
}

void TExNativeExcel::WriteFont(const TFont* font)
{
    if (font == nullptr || fontCount_ >= MaxFonts)
        return;
    const std::string_view name = CutText(font->Name());
    uint16_t style = 0;
    const TFontStyles styles = font->Style();
    if (styles.Contains(TFontStyle::fsBold))
        style |= 1;
    if (styles.Contains(TFontStyle::fsItalic))
        style |= 2;
    if (styles.Contains(TFontStyle::fsUnderline))
        style |= 4;
    if (styles.Contains(TFontStyle::fsStrikeOut))
        style |= 8;
    BeginRecord(ExcelRecord::Font, static_cast<uint16_t>(5 + name.size()));
    WriteWord(ClampToWord(int64_t{font->Size()} * 20));
    WriteWord(style);
    WriteByte(static_cast<uint8_t>(name.size()));
    WriteBytes(name);
    Flush();
    ++fontCount_;
}

void TExNativeExcel::WriteHeader(std::string_view text)
{
    const std::string_view cut = CutText(text);
    BeginRecord(ExcelRecord::Header, static_cast<uint16_t>(1 + cut.size()));
    WriteByte(static_cast<uint8_t>(cut.size()));
    WriteBytes(cut);
    Flush();
}

void TExNativeExcel::WriteFooter(std::string_view text)
{
    const std::string_view cut = CutText(text);
    BeginRecord(ExcelRecord::Footer, static_cast<uint16_t>(1 + cut.size()));
    WriteByte(static_cast<uint8_t>(cut.size()));
    WriteBytes(cut);
    Flush();
}

void TExNativeExcel::WriteMargin(TExExcelMargin margin, double inches)
{
    uint16_t type = ExcelRecord::LeftMargin;
    switch (margin) {
    case TExExcelMargin::emLeft:
        break;
    case TExExcelMargin::emRight:
        type = ExcelRecord::RightMargin;
        break;
    case TExExcelMargin::emTop:
        type = ExcelRecord::TopMargin;
        break;
    case TExExcelMargin::emBottom:
        type = ExcelRecord::BottomMargin;
        break;
    }
    BeginRecord(type, 8);
    WriteDouble(inches);
    Flush();
}

void TExNativeExcel::SetColumnWidths(int firstColumn, int lastColumn, int widthInCharacters)
{
    BeginRecord(ExcelRecord::ColWidth, 4);
    WriteByte(static_cast<uint8_t>(std::clamp(firstColumn, 1, int{LastColumn}) - 1));
    WriteByte(static_cast<uint8_t>(std::clamp(lastColumn, 1, int{LastColumn}) - 1));
    WriteWord(ClampToWord(int64_t{widthInCharacters} * 256));
    Flush();
}

void TExNativeExcel::WriteProtection(bool isProtected)
{
    BeginRecord(ExcelRecord::Protect, 2);
    WriteWord(isProtected ? 1 : 0);
    Flush();
}

void TExNativeExcel::WriteCellHead(uint16_t type, uint16_t dataLength)
{
    BeginRecord(type, static_cast<uint16_t>(CellHeadLength + dataLength));
    WriteWord(static_cast<uint16_t>(Row - 1));
    WriteWord(static_cast<uint16_t>(Column - 1));

    uint8_t protection = 0;
    if (Locked)
        protection |= 0x40;
    if (Hidden)
        protection |= 0x80;
    WriteByte(protection);

    WriteByte(ActiveFont >= 1 && ActiveFont <= 3 ? static_cast<uint8_t>(ActiveFont << 6) : 0);

    uint8_t format = 0;
    switch (Alignment) {
    case TExExcelAlignment::eaGeneral:
        format = 0;
        break;
    case TExExcelAlignment::eaLeft:
        format = 1;
        break;
    case TExExcelAlignment::eaCenter:
        format = 2;
        break;
    case TExExcelAlignment::eaRight:
        format = 3;
        break;
    case TExExcelAlignment::eaFill:
        format = 4;
        break;
    case TExExcelAlignment::eaMultiPlan:
        format = 7;
        break;
    }
    if (Borders.Contains(TExExcelBorders::ebLeft))
        format |= 0x08;
    if (Borders.Contains(TExExcelBorders::ebRight))
        format |= 0x10;
    if (Borders.Contains(TExExcelBorders::ebTop))
        format |= 0x20;
    if (Borders.Contains(TExExcelBorders::ebBottom))
        format |= 0x40;
    if (Shading)
        format |= 0x80;
    WriteByte(format);
}

void TExNativeExcel::MoveCursor()
{
    switch (MoveAfterEnter) {
    case TExMoveAfterEnter::maNone:
        break;
    case TExMoveAfterEnter::maRight:
        if (Column < LastColumn) {
            ++Column;
        } else if (Row < LastRow) {
            Column = 1;
            ++Row;
        }
        break;
    case TExMoveAfterEnter::maDown:
        if (Row < LastRow) {
            ++Row;
        } else if (Column < LastColumn) {
            Row = 1;
            ++Column;
        }
        break;
    case TExMoveAfterEnter::maLeft:
        if (Column > 1) {
            --Column;
        } else if (Row > 1) {
            Column = LastColumn;
            --Row;
        }
        break;
    case TExMoveAfterEnter::maUp:
        if (Row > 1) {
            --Row;
        } else if (Column > 1) {
            Row = LastRow;
            --Column;
        }
        break;
    }
}

void TExNativeExcel::WriteBlank()
{
    WriteCellHead(ExcelRecord::Blank, 0);
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteInteger(int64_t value)
{
    if (value < 0 || value > 0xFFFF) {
        // The INTEGER record holds an unsigned 16-bit value; the rest would be lost.
        WriteNumber(static_cast<double>(value));
        return;
    }
    WriteCellHead(ExcelRecord::Integer, 2);
    WriteWord(static_cast<uint16_t>(value));
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteNumber(double value)
{
    WriteCellHead(ExcelRecord::Number, 8);
    WriteDouble(value);
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteText(std::string_view text)
{
    const std::string_view cut = CutText(text);
    WriteCellHead(ExcelRecord::Label, static_cast<uint16_t>(1 + cut.size()));
    WriteByte(static_cast<uint8_t>(cut.size()));
    WriteBytes(cut);
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteBoolean(bool value)
{
    WriteCellHead(ExcelRecord::BoolErr, 2);
    WriteByte(value ? 1 : 0);
    WriteByte(0);
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteError(TExExcelError error)
{
    WriteCellHead(ExcelRecord::BoolErr, 2);
    WriteByte(static_cast<uint8_t>(error));
    WriteByte(1);
    Flush();
    MoveCursor();
}

void TExNativeExcel::WriteValue(const Variant& value)
{
    switch (value.VarType()) {
    case TVarType::varEmpty:
        WriteBlank();
        return;
    case TVarType::varNull:
        WriteError(TExExcelError::eeNull);
        return;
    case TVarType::varInteger:
    case TVarType::varInt64:
        WriteInteger(value.AsInt64());
        return;
    case TVarType::varDouble:
    case TVarType::varCurrency:
        WriteNumber(value.AsDouble());
        return;
    case TVarType::varDate:
        WriteText(DateTimeToStr(value.AsDateTime()));
        return;
    case TVarType::varString:
        WriteText(value.TextValue());
        return;
    case TVarType::varBoolean:
        WriteBoolean(value.AsBoolean());
        return;
    case TVarType::varArray:
        break;
    }
    WriteError(TExExcelError::eeNA);
}

// ---- TExExcelOptions ----

TExExcelOptions::TExExcelOptions()
    : defaultFont_(std::make_unique<TFont>()), headerFont_(std::make_unique<TFont>()), tableFont_(std::make_unique<TFont>())
{
    headerFont_->SetStyle({TFontStyle::fsBold});
}

TExExcelOptions::~TExExcelOptions() = default;

void TExExcelOptions::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TExExcelOptions*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Options = other->Options;
    ColumnWidth = other->ColumnWidth;
    Protected = other->Protected;
    Header = other->Header;
    Footer = other->Footer;
    ExcelVersion = other->ExcelVersion;
    TopMargin = other->TopMargin;
    BottomMargin = other->BottomMargin;
    LeftMargin = other->LeftMargin;
    RightMargin = other->RightMargin;
    defaultFont_->Assign(*other->defaultFont_);
    headerFont_->Assign(*other->headerFont_);
    tableFont_->Assign(*other->tableFont_);
}

void TExExcelOptions::SetDefaultFont(const TFont& font) { defaultFont_->Assign(font); }

void TExExcelOptions::SetHeaderFont(const TFont& font) { headerFont_->Assign(font); }

void TExExcelOptions::SetTableFont(const TFont& font) { tableFont_->Assign(font); }
