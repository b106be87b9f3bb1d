#include "export/ExExport.h"

#include "export/ExExportFormats.h"
#include "export/ExExportProgress.h"
#include "export/ExExportSelect.h"
#include "export/ExNativeExcelExport.h"
#include "platform/db/DataSet.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/db/Fields.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ProgressBar.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"
#include "platform/rtl/TempFiles.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>

namespace {

// Field types whose values are bytes, not text: a row shows "** BINARY **" in their place.
bool IsBinaryFieldType(TFieldType type)
{
    switch (type) {
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftADT:
    case TFieldType::ftArray: return true;
    default: return false;
    }
}

std::map<TExExportType, TExWriterFactory>& WriterFactories()
{
    static std::map<TExExportType, TExWriterFactory> factories;
    return factories;
}

// A row-number format: literal text, "%%" for a percent sign, and exactly one integer
// conversion "%[-][width][.precision]d". The parts of the conversion, when the text is one.
struct RowNumberDirective {
    std::string prefix;
    std::string suffix;
    bool leftJustify = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;
};

bool ParseRowNumberFormat(const std::string& format, RowNumberDirective& result)
{
    RowNumberDirective directive;
    bool found = false;
    std::string* out = &directive.prefix;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out->push_back(c);
            continue;
        }
        ++i;
        if (i < format.size() && format[i] == '%') {
            out->push_back('%');
            continue;
        }
        if (found) {
            return false;
        }
        while (i < format.size() && (format[i] == '-' || format[i] == '0')) {
            (format[i] == '-' ? directive.leftJustify : directive.zeroPad) = true;
            ++i;
        }
        int width = 0;
        int digits = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9' && digits < 3) {
            width = width * 10 + (format[i] - '0');
            ++i;
            ++digits;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            int precision = 0;
            int precisionDigits = 0;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9' && precisionDigits < 3) {
                precision = precision * 10 + (format[i] - '0');
                ++i;
                ++precisionDigits;
            }
            directive.precision = precision;
        }
        if (i >= format.size() || format[i] != 'd') {
            return false;
        }
        directive.width = width;
        found = true;
        out = &directive.suffix;
    }
    if (!found) {
        return false;
    }
    result = directive;
    return true;
}

std::string ApplyRowNumberFormat(const RowNumberDirective& directive, unsigned number)
{
    std::string digits = std::to_string(number);
    if (directive.precision > static_cast<int>(digits.size())) {
        digits.insert(0, static_cast<size_t>(directive.precision) - digits.size(), '0');
    }
    if (directive.width > static_cast<int>(digits.size())) {
        const bool zeros = directive.zeroPad && !directive.leftJustify && directive.precision < 0;
        const std::string pad(static_cast<size_t>(directive.width) - digits.size(), zeros ? '0' : ' ');
        digits = directive.leftJustify ? digits + pad : pad + digits;
    }
    return directive.prefix + digits + directive.suffix;
}

std::string FormatNumber(const std::string& format, unsigned number)
{
    RowNumberDirective directive;
    if (!ParseRowNumberFormat(format, directive)) {
        ParseRowNumberFormat("%d", directive);
    }
    return ApplyRowNumberFormat(directive, number);
}

// The header or footer text of an event, as lines.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    if (text.empty()) {
        return lines;
    }
    TStringList list;
    list.SetText(text);
    for (int i = 0; i < list.Count(); ++i) {
        lines.push_back(list[i]);
    }
    return lines;
}

// A value as the cells show it.
std::string ValueText(const Variant& value)
{
    return value.AsString();
}

int AlignmentCode(TAlignment alignment)
{
    switch (alignment) {
    case TAlignment::taLeftJustify: return 1;
    case TAlignment::taRightJustify: return 2;
    case TAlignment::taCenter: return 3;
    }
    return 0;
}

}  // namespace

std::string ExportErrorText(TExExportError error)
{
    switch (error) {
    case TExExportError::eeNoFileName: return "The export has no file name to write to.";
    case TExExportError::eeFileExists: return "The file already exists and was not overwritten.";
    case TExExportError::eeNotReady: return "There is nothing to export: the table is not open.";
    case TExExportError::eeWriteFailed: return "The document could not be written.";
    case TExExportError::eeSaveCancelled: return "The export was cancelled.";
    }
    return "The export failed.";
}

void RegisterExportWriter(TExExportType type, TExWriterFactory factory)
{
    if (factory) {
        WriterFactories()[type] = std::move(factory);
    } else {
        WriterFactories().erase(type);
    }
}

// ---- option objects -------------------------------------------------------------------------

void TExHTMLColors::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TExHTMLColors*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Background = other->Background;
    DefaultLink = other->DefaultLink;
    DefaultFontFace = other->DefaultFontFace;
    VisitedLink = other->VisitedLink;
    ActiveLink = other->ActiveLink;
    DefaultText = other->DefaultText;
    TableFontColor = other->TableFontColor;
    TableFontFace = other->TableFontFace;
    TableBackground = other->TableBackground;
    TableOddBackground = other->TableOddBackground;
    HeaderBackground = other->HeaderBackground;
    HeadersFontColor = other->HeadersFontColor;
}

void TExHTMLOptions::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TExHTMLOptions*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Options = other->Options;
    Extension = other->Extension;
    Template = other->Template;
    Title = other->Title;
    CustomColors.Assign(other->CustomColors);
}

TExHTMLColors TExHTMLOptions::TemplateColors() const
{
    if (Template == TExHTMLColorTemplate::ctCustom) {
        TExHTMLColors colors;
        colors.Assign(CustomColors);
        return colors;
    }
    struct Row {
        int active, background, link, text, visited, header, headerFont, table, odd, tableFont;
    };
    static constexpr Row rows[] = {
        {0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xFFFF00, 0x336699, 0xFFFFFF, 0xFFFFCF, 0xFFFFFF, 0x000000},
        {0xBBBBBB, 0xFFFFFF, 0xAAAAAA, 0x000000, 0xDDDDDD, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xF3F3F3, 0x000000},
        {0xFF0000, 0x339966, 0x0066CC, 0x000000, 0x923FC1, 0x000000, 0xFF0000, 0x006BCE, 0x007AEC, 0xFFFFFF},
        {0xFF0000, 0x339966, 0x0066CC, 0x000000, 0x923FC1, 0xCC0033, 0xFFFFFF, 0xFFFFFF, 0xFAF100, 0xFFFFFF},
        {0xFFFF00, 0x317676, 0xDDE760, 0xFFE760, 0xCCCC39, 0x3A9393, 0xFFFFFF, 0x004040, 0x000000, 0xFFFFFF},
        {0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xFFFF00, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xEEEEEE, 0x000000},
        {0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xAABBAA, 0xCEC6B5, 0x000000, 0xDEE7DE, 0xFFFBF0, 0x000080},
        {0xFF0000, 0xFFFFFF, 0x0000FF, 0x5F605F, 0xFFFF00, 0xCFC890, 0x000000, 0xFFFFFF, 0xFFFFCF, 0x000000},
    };
    const Row& row = rows[static_cast<size_t>(Template)];
    TExHTMLColors colors;
    colors.ActiveLink = row.active;
    colors.Background = row.background;
    colors.DefaultLink = row.link;
    colors.DefaultText = row.text;
    colors.VisitedLink = row.visited;
    colors.HeaderBackground = row.header;
    colors.HeadersFontColor = row.headerFont;
    colors.TableBackground = row.table;
    colors.TableOddBackground = row.odd;
    colors.TableFontColor = row.tableFont;
    colors.DefaultFontFace = "Arial,Helvetica";
    colors.TableFontFace = "Arial,Helvetica";
    return colors;
}

TExRTFColors::TExRTFColors()
{
    HeaderFont.SetStyle(TFontStyles{TFontStyle::fsBold});
}

void TExRTFColors::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TExRTFColors*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    TableBackground = other->TableBackground;
    TableOddBackground = other->TableOddBackground;
    HeaderBackground = other->HeaderBackground;
    DefaultFont.Assign(other->DefaultFont);
    HeaderFont.Assign(other->HeaderFont);
    TableFont.Assign(other->TableFont);
}

void TExRTFOptions::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TExRTFOptions*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Template = other->Template;
    Options = other->Options;
    CustomSettings.Assign(other->CustomSettings);
    CellWidth = other->CellWidth;
    TopMargin = other->TopMargin;
    BottomMargin = other->BottomMargin;
    LeftMargin = other->LeftMargin;
    RightMargin = other->RightMargin;
}

std::vector<int> TExRTFOptions::TemplateColors() const
{
    switch (Template) {
    case TExRTFColorTemplate::rtStandard: return {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x800000, 0x00FF80};
    case TExRTFColorTemplate::rtClassic: return {0x000000, 0x0000FF, 0x000000, 0xFF0000, 0x000000, 0xFF8080};
    case TExRTFColorTemplate::rtColorful: return {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x0000FF, 0x00FF80};
    case TExRTFColorTemplate::rtGray: return {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x808080, 0x80FF80};
    case TExRTFColorTemplate::rtCustom: break;
    }
    return {static_cast<int>(CustomSettings.DefaultFont.Color()), static_cast<int>(CustomSettings.HeaderFont.Color()),
            static_cast<int>(CustomSettings.TableFont.Color()),   CustomSettings.TableBackground,
            CustomSettings.HeaderBackground,                      CustomSettings.TableOddBackground};
}

// ---- TExCustomExport ------------------------------------------------------------------------

TExCustomExport::TExCustomExport(TComponent* owner) : TComponent(owner)
{
    DateFormat = FormatSettings.ShortDateFormat;
    TimeFormat = FormatSettings.ShortTimeFormat;
    DateTimeFormat = FormatSettings.ShortDateFormat + " " + FormatSettings.ShortTimeFormat;
    TempDir = GetTempPath();
    selection_ = new Tfrm_Selection(this, *this);
    progress_ = new Tfrm_ProgressForm(this);
    saveDialog_ = new TSaveDialog(this);
    nativeExcel_ = new TExNativeExcel(this);
    RegisterExcelExportWriter();
}

TExCustomExport::~TExCustomExport() = default;

void TExCustomExport::SetExportType(TExExportType value)
{
    exportType_ = value;
    exportTypes_.Include(value);
}

void TExCustomExport::SetExportTypes(TExExportTypeSet value)
{
    exportTypes_ = value;
    exportTypes_.Include(exportType_);
}

void TExCustomExport::SetRowNumberFormat(const std::string& value)
{
    RowNumberDirective directive;
    if (!ParseRowNumberFormat(value, directive)) {
        MessageDlg("The format has to contain %d string.", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
        return;
    }
    rowNumberFormat_ = value;
}

int TExCustomExport::ScreenPixelsPerInch() const
{
    if (PixelsPerInch > 0) {
        return PixelsPerInch;
    }
    if (QGuiApplication::instance() != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
            const int dpi = static_cast<int>(screen->logicalDotsPerInch() + 0.5);
            if (dpi > 0) {
                return dpi;
            }
        }
    }
    return 96;
}

std::string TExCustomExport::FormatExtension() const
{
    switch (exportType_) {
    case TExExportType::xtHTML: return HTML.Extension == TExHTMLExtension::exHTM ? "HTM" : "HTML";
    case TExExportType::xtExcel: return "XLS";
    case TExExportType::xtWord: return "DOC";
    case TExExportType::xtTXT:
    case TExExportType::xtTAB: return "TXT";
    case TExExportType::xtCSV: return "CSV";
    case TExExportType::xtRTF: return "RTF";
    case TExExportType::xtDIF: return "DIF";
    case TExExportType::xtSYLK: return "SLK";
    case TExExportType::xtClipboard: return "TMP";
    }
    return "TMP";
}

std::string TExCustomExport::FormOutputName(const std::string& extension) const
{
    if (ExportStyle == TExExportStyle::xsFile) {
        return ChangeFileExt(FileName, "." + extension);
    }
    const std::string folder = IncludeTrailingPathDelimiter(TempDir.empty() ? GetTempPath() : TempDir);
    for (unsigned n = 1; n <= 0xFFFF; ++n) {
        const std::string name = ChangeFileExt(folder + "EXV" + IntToHex(n, 4) + ".TMP", "." + extension);
        if (!FileExists(name)) {
            return name;
        }
    }
    throw Exception("No free name for the view file in " + folder);
}

void TExCustomExport::ReportError(TExExportError error)
{
    if (OnError) {
        OnError(this, error);
        return;
    }
    if (error != TExExportError::eeSaveCancelled) {
        MessageDlg(ExportErrorText(error), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    }
}

std::unique_ptr<TExDocumentWriter> TExCustomExport::MakeWriter()
{
    if (auto found = WriterFactories().find(exportType_); found != WriterFactories().end()) {
        return found->second(*this);
    }
    return MakeFormatWriter(*this, exportType_);
}

void TExCustomExport::Execute()
{
    Tfrm_Selection& window = SelectionWindow();
    window.Prepare();
    const bool chosen = ShowSelection ? ShowSelection(window) : window.ShowModal() == TModalResult::mrOk;
    if (!chosen) {
        return;
    }
    const bool clipboard = exportType_ == TExExportType::xtClipboard;
    // The clipboard needs no file: no save dialog is asked for it.
    if (FileName.empty() && ExportStyle == TExExportStyle::xsFile && !clipboard) {
        const std::string extension = FormatExtension();
        const TExDocumentFilter& filters = Messages.DocumentFilter;
        std::string filter;
        switch (exportType_) {
        case TExExportType::xtHTML: filter = filters.HTML; break;
        case TExExportType::xtExcel: filter = filters.Excel; break;
        case TExExportType::xtWord: filter = filters.Word; break;
        case TExExportType::xtTXT: filter = filters.Text; break;
        case TExExportType::xtCSV: filter = filters.Comma; break;
        case TExExportType::xtTAB: filter = filters.Tab; break;
        case TExExportType::xtRTF: filter = filters.RTF; break;
        case TExExportType::xtDIF: filter = filters.DIF; break;
        case TExExportType::xtSYLK: filter = filters.SYLK; break;
        case TExExportType::xtClipboard: break;
        }
        TSaveDialog& dialog = SaveDialog();
        dialog.DefaultExt = extension;
        dialog.Filter = filter + " (*." + AnsiLowerCase(extension) + ")|*." + extension;
        dialog.InitialDir = ApplicationFolder();
        dialog.Title = Messages.SaveTitle;
        dialog.FileName.clear();
        if (!dialog.Execute()) {
            ReportError(TExExportError::eeSaveCancelled);
            return;
        }
        FileName = dialog.FileName;
    }
    if (!IsReady()) {
        ReportError(TExExportError::eeNotReady);
        return;
    }
    BeforeExport();
    try {
        if (FileName.empty() && ExportStyle == TExExportStyle::xsFile && !clipboard) {
            ReportError(TExExportError::eeNoFileName);
        } else {
            std::string extension = FormatExtension();
            if (OnGetExtension) {
                OnGetExtension(this, extension);
            }
            bool written = false;
            try {
                outputFileName_ = clipboard && ExportStyle == TExExportStyle::xsFile && FileName.empty()
                                      ? std::string()
                                      : FormOutputName(extension);
                std::unique_ptr<TExDocumentWriter> writer = MakeWriter();
                if (writer == nullptr) {
                    throw Exception("This export format is not available");
                }
                written = RunDocument(*writer);
            } catch (const std::exception&) {
                ReportError(TExExportError::eeWriteFailed);
            }
            // The view file is opened once it was written; the clipboard has no file to open.
            if (written && ExportStyle == TExExportStyle::xsView && !clipboard) {
                ShellOpen(outputFileName_);
            }
        }
    } catch (...) {
        AfterExport();
        throw;
    }
    AfterExport();
}

void TExCustomExport::ShowProgress()
{
    Tfrm_ProgressForm& window = ProgressWindow();
    window.Arrange(Messages.Width, Messages.Height, Messages.Caption, Messages.Text,
                   static_cast<int>(std::min<unsigned>(recordTotal_, 0x7FFFFFFF)));
    window.Show();
    window.Repaint();
}

bool TExCustomExport::RunDocument(TExDocumentWriter& writer)
{
    if (OnBeginExport) {
        OnBeginExport(this);
    }
    bool written = false;
    const bool showProgress = Options.Contains(TExExportOptions::xoShowProgress);
    try {
        recordTotal_ = GetRecordCount();
        if (showProgress) {
            ShowProgress();
        }
        bool canWrite = true;
        if (exportType_ != TExExportType::xtClipboard && !outputFileName_.empty() && FileExists(outputFileName_)) {
            bool canOverWrite = true;
            if (OnFileExist) {
                OnFileExist(this, outputFileName_, canOverWrite);
            }
            if (!canOverWrite) {
                ReportError(TExExportError::eeFileExists);
                canWrite = false;
            }
        }
        if (canWrite) {
            visited_ = 0;
            exported_ = 0;
            sylkRow_ = 1;
            First();
            CacheColumns();
            const int columns = GetColumnCount();
            if (columns > 0) {
                const bool rowNumbers = Options.Contains(TExExportOptions::xoRowNumbers);
                writer.Begin();
                std::string header;
                if (OnGetHeader) {
                    OnGetHeader(this, recordTotal_, header);
                }
                writer.HeaderLines(SplitLines(header));
                const bool showHeader = Options.Contains(TExExportOptions::xoShowHeader);
                if (showHeader) {
                    TExValues captions;
                    for (int i = 0; i < columns; ++i) {
                        captions.emplace_back(i < Captions.Count() ? Captions[i] : GetCaption(i));
                    }
                    writer.WriteRow(FormatRow(captions, true, rowNumbers));
                }
                writer.HeaderSeparator(showHeader);
                const bool selectedOnly = Options.Contains(TExExportOptions::xoSelectedRowsOnly);
                TExValues values;
                TExRow row;
                while (!IsEof()) {
                    // The selection is that of the row about to be read, before the source moves on.
                    const bool canExport = selectedOnly ? IsRowSelected() : true;
                    GetRowValues(values);
                    if (OnExport) {
                        OnExport(this, visited_, recordTotal_, values, canExport);
                    }
                    if (showProgress) {
                        progress_->ProgressBar->SetPosition(static_cast<int>(std::min<unsigned>(visited_, 0x7FFFFFFF)));
                    }
                    if (canExport) {
                        FormatRowInto(values, false, rowNumbers, row);
                        writer.WriteRow(row);
                        ++exported_;
                    }
                    ++visited_;
                }
                writer.TableClosing();
                std::string footer;
                if (OnGetFooter) {
                    OnGetFooter(this, recordTotal_, footer);
                }
                std::string dateLine;
                if (Options.Contains(TExExportOptions::xoShowExportDate)) {
                    dateLine = Messages.CreatedText + " " + DateTimeToStr(Now());
                }
                writer.Footer(SplitLines(footer), dateLine);
                writer.Finish(outputFileName_);
                written = true;
            }
        }
    } catch (const std::exception&) {
        ReportError(TExExportError::eeWriteFailed);
        written = false;
    }
    columnsCached_ = false;
    progress_->Close();
    if (OnEndExport) {
        OnEndExport(this);
    }
    return written;
}

int TExCustomExport::ColumnWidth(int index)
{
    int32_t width = 0;
    if (index >= 0 && index < ColumnWidths.Count() && TryStrToInt(ColumnWidths[index], width)) {
        return width;
    }
    return GetColumnWidth(index);
}

std::string TExCustomExport::FormatRowNumber(unsigned number) const
{
    return FormatNumber(rowNumberFormat_, number);
}

int TExCustomExport::RowNumberWidth() const
{
    return static_cast<int>(FormatNumber(rowNumberFormat_, recordTotal_).size());
}

TExRow TExCustomExport::FormatRow(const TExValues& values, bool header, bool rowNumbers)
{
    TExRow row;
    FormatRowInto(values, header, rowNumbers, row);
    return row;
}

void TExCustomExport::CacheColumns()
{
    const int count = GetColumnCount();
    const bool exportInvisibles = Options.Contains(TExExportOptions::xoExportInvisibles);
    const bool useAlignments = Options.Contains(TExExportOptions::xoUseAlignments);
    columns_.assign(static_cast<size_t>(std::max(0, count)), ColumnInfo{});
    for (int i = 0; i < count; ++i) {
        ColumnInfo& info = columns_[static_cast<size_t>(i)];
        info.formatted = exportInvisibles || IsColumnVisible(i);
        info.width = ColumnWidth(i);
        info.alignment = useAlignments ? GetAlignment(i) : 0;
    }
    rowNumberWidth_ = RowNumberWidth();
    columnsCached_ = true;
}

void TExCustomExport::FormatRowInto(const TExValues& values, bool header, bool rowNumbers, TExRow& row)
{
    row.Header = header;
    row.RowNumbers = rowNumbers;
    row.Visited = visited_;
    row.SylkRow = sylkRow_;
    row.RowNumber.clear();
    row.RowNumberWidth = 0;
    if (rowNumbers) {
        row.RowNumberWidth = columnsCached_ ? rowNumberWidth_ : RowNumberWidth();
        if (!header) {
            row.RowNumber = FormatRowNumber(exported_ + 1);
        }
    }
    const bool exportInvisibles = Options.Contains(TExExportOptions::xoExportInvisibles);
    const bool truncate = Options.Contains(TExExportOptions::xoTruncate);
    const bool useAlignments = Options.Contains(TExExportOptions::xoUseAlignments);
    const int columns = static_cast<int>(values.size());
    size_t used = 0;
    for (int i = 0; i < columns; ++i) {
        const bool cached = columnsCached_ && i < static_cast<int>(columns_.size());
        if (cached ? !columns_[static_cast<size_t>(i)].formatted : (!exportInvisibles && !IsColumnVisible(i))) {
            continue;
        }
        if (used == row.Cells.size()) {
            row.Cells.emplace_back();
        }
        TExCell& cell = row.Cells[used++];
        // A cell of the last row that showed the whole null text still holds it.
        const bool holdsNullText = cell.IsNull && cell.FullText.empty() && cell.Column == i;
        cell.Column = i;
        cell.Width = cached ? columns_[static_cast<size_t>(i)].width : ColumnWidth(i);
        cell.FullText.clear();
        const Variant& value = values[static_cast<size_t>(i)];
        cell.IsNull = value.IsNull();
        if (cell.IsNull) {
            if (!holdsNullText) {
                cell.Text = ExNullText;
            }
        } else if (value.VarType() == TVarType::varString) {
            cell.Text.assign(value.TextValue());  // into the cell's storage of the last row
        } else {
            cell.Text = ValueText(value);
        }
        if (truncate && cell.Width >= 1 && static_cast<int>(cell.Text.size()) > cell.Width) {
            const int keep = std::max(0, cell.Width - static_cast<int>(TruncateSymbol.size()));
            cell.FullText = cell.Text;
            cell.Text.resize(static_cast<size_t>(keep));
            cell.Text += TruncateSymbol;
        }
        cell.Alignment = cached ? columns_[static_cast<size_t>(i)].alignment : (useAlignments ? GetAlignment(i) : 0);
    }
    row.Cells.resize(used);
    ++sylkRow_;
}

int TExCustomExport::DocumentColumnCount() const
{
    auto* self = const_cast<TExCustomExport*>(this);
    return self->GetColumnCount() + (Options.Contains(TExExportOptions::xoRowNumbers) ? 1 : 0);
}

int TExCustomExport::TotalLineWidth() const
{
    auto* self = const_cast<TExCustomExport*>(this);
    const int columns = self->GetColumnCount();
    const bool exportInvisibles = Options.Contains(TExExportOptions::xoExportInvisibles);
    int width = 0;
    for (int i = 0; i < columns; ++i) {
        if (exportInvisibles || self->IsColumnVisible(i)) {
            width += self->ColumnWidth(i);
        }
    }
    if (Options.Contains(TExExportOptions::xoRowNumbers)) {
        width += columns + RowNumberWidth();
    } else {
        width += columns - 1;
    }
    return std::max(0, width);
}

std::string TExCustomExport::SeparatorLine() const
{
    return std::string(static_cast<size_t>(TotalLineWidth()), '-');
}

int TExCustomExport::FieldTypeWidth(const TField& field) const
{
    if (IsBinaryFieldType(field.DataType())) {
        return 12;
    }
    const TDateTime sample = EncodeDate(1999, 12, 12) + EncodeTime(12, 12, 12, 12);
    switch (field.DataType()) {
    case TFieldType::ftUnknown: return 13;
    case TFieldType::ftDate: return static_cast<int>(FormatDateTime(DateFormat, sample).size());
    case TFieldType::ftTime: return static_cast<int>(FormatDateTime(TimeFormat, sample).size());
    case TFieldType::ftDateTime: return static_cast<int>(FormatDateTime(DateTimeFormat, sample).size());
    case TFieldType::ftBoolean:
        return static_cast<int>(std::max(Messages.TrueText.size(), Messages.FalseText.size()));
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftBytes:
    case TFieldType::ftAutoInc:
    case TFieldType::ftCursor:
    case TFieldType::ftReference:
    case TFieldType::ftDataSet: return 15;
    case TFieldType::ftString:
    case TFieldType::ftVarBytes:
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo: return field.Size();
    default: return 0;
    }
}

namespace {

// Points `reference` of `owner` at `value`, moving the owner's free notification from the old
// component to the new one, so the reference is cleared when its component goes.
template <class T>
void ChangeReference(TComponent& owner, T*& reference, T* value)
{
    if (reference == value) {
        return;
    }
    if (reference != nullptr) {
        owner.RemoveFreeNotification(reference);
    }
    reference = value;
    if (reference != nullptr) {
        owner.FreeNotification(reference);
    }
}

}  // namespace

// ---- TExDataSetExport -----------------------------------------------------------------------

TExDataSetExport::TExDataSetExport(TComponent* owner) : TExCustomExport(owner)
{
    Messages.Caption = "Exporting DataSet";
}

void TExDataSetExport::SetDataSet(TDataSet* value)
{
    ChangeReference(*this, dataSet_, value);
}

void TExDataSetExport::Notification(TComponent* component, TOperation operation)
{
    TExCustomExport::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dataSet_) {
        dataSet_ = nullptr;
    }
}

void TExDataSetExport::BeforeExport()
{
    bookmark_ = dataSet_->GetBookmark();
    dataSet_->DisableControls();
}

void TExDataSetExport::AfterExport()
{
    if (dataSet_ == nullptr) {
        return;
    }
    try {
        if (!bookmark_.empty() && dataSet_->Active()) {
            dataSet_->GotoBookmark(bookmark_);
        }
    } catch (const std::exception&) {
        // The record is gone: the dataset stays where the export left it.
    }
    dataSet_->FreeBookmark(bookmark_);
    dataSet_->EnableControls();
}

void TExDataSetExport::First()
{
    dataSet_->First();
    // The fields are those of this run (the table may have been reopened since the last one).
    FindTextFields();
}

bool TExDataSetExport::IsReady()
{
    return dataSet_ != nullptr && dataSet_->Active();
}

bool TExDataSetExport::IsEof()
{
    return dataSet_->Eof();
}

int TExDataSetExport::GetColumnCount()
{
    return dataSet_ != nullptr ? dataSet_->FieldCount() : 0;
}

std::string TExDataSetExport::GetCaption(int index)
{
    const TField* field = &dataSet_->Fields()[index];
    const std::string name = field->DisplayName();
    return name.empty() ? field->FieldName() : name;
}

int TExDataSetExport::GetColumnWidth(int index)
{
    return FieldTypeWidth(dataSet_->Fields()[index]);
}

bool TExDataSetExport::IsColumnVisible(int index)
{
    if (dataSet_ == nullptr || index < 0 || index >= dataSet_->FieldCount()) {
        return false;
    }
    return dataSet_->Fields()[index].Visible();
}

void TExDataSetExport::GetRowValues(TExValues& values)
{
    const int count = dataSet_->FieldCount();
    if (readers_.size() != static_cast<size_t>(count)) {
        FindTextFields();
    }
    // The values of the last row give their storage to this row's.
    values.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < readers_.size(); ++i) {
        const FieldReader& reader = readers_[i];
        Variant& value = values[i];
        switch (reader.kind) {
        case FieldReader::Kind::Unknown: value.TextForWrite() = "** UNKNOWN **"; break;
        case FieldReader::Kind::Binary: value.TextForWrite() = "** BINARY **"; break;
        case FieldReader::Kind::Boolean:
            value.TextForWrite() = reader.field->AsBoolean() ? Messages.TrueText : Messages.FalseText;
            break;
        case FieldReader::Kind::StringField:
            if (!reader.text->GetValue(value.TextForWrite())) {
                value = Variant::Null();
            }
            break;
        case FieldReader::Kind::Text:
            if (reader.field->IsNull()) {
                value = Variant::Null();
            } else {
                value.TextForWrite() = reader.field->AsString();
            }
            break;
        case FieldReader::Kind::Display: value.TextForWrite() = reader.field->DisplayText(); break;
        }
    }
    dataSet_->Next();
}

void TExDataSetExport::FindTextFields()
{
    const int count = dataSet_->FieldCount();
    readers_.assign(static_cast<size_t>(count), FieldReader{});
    for (int i = 0; i < count; ++i) {
        const TField& field = dataSet_->Fields()[i];
        FieldReader& reader = readers_[static_cast<size_t>(i)];
        reader.field = &field;
        if (IsBinaryFieldType(field.DataType())) {
            reader.kind = FieldReader::Kind::Binary;
            continue;
        }
        switch (field.DataType()) {
        case TFieldType::ftUnknown: reader.kind = FieldReader::Kind::Unknown; break;
        case TFieldType::ftBoolean: reader.kind = FieldReader::Kind::Boolean; break;
        case TFieldType::ftString:
            reader.text = dynamic_cast<const TStringField*>(&field);
            reader.kind = reader.text != nullptr ? FieldReader::Kind::StringField : FieldReader::Kind::Text;
            break;
        case TFieldType::ftVarBytes:
        case TFieldType::ftMemo:
        case TFieldType::ftFmtMemo: reader.kind = FieldReader::Kind::Text; break;
        default: reader.kind = FieldReader::Kind::Display; break;
        }
    }
}

unsigned TExDataSetExport::GetRecordCount()
{
    unsigned count = 0;
    dataSet_->First();
    while (!dataSet_->Eof()) {
        ++count;
        dataSet_->Next();
    }
    return count;
}

// ---- TExDBGridExport ------------------------------------------------------------------------

namespace {

// The column that shows grid field `index` (the grid's fields are its columns' fields, in order).
TColumn* GridColumn(TDBGrid& grid, int index)
{
    return index >= 0 && index < grid.Columns().Count() ? grid.Columns()[index] : nullptr;
}

}  // namespace

TExDBGridExport::TExDBGridExport(TComponent* owner) : TExCustomExport(owner)
{
    Messages.Caption = "Exporting DBGrid";
}

void TExDBGridExport::SetDBGrid(TDBGrid* value)
{
    ChangeReference(*this, grid_, value);
}

void TExDBGridExport::Notification(TComponent* component, TOperation operation)
{
    TExCustomExport::Notification(component, operation);
    if (operation == TOperation::opRemove && component == grid_) {
        grid_ = nullptr;
    }
}

TDataSet* TExDBGridExport::GridDataSet() const
{
    if (grid_ == nullptr || grid_->DataSource() == nullptr) {
        return nullptr;
    }
    return grid_->DataSource()->DataSet();
}

void TExDBGridExport::BeforeExport()
{
    bookmark_ = GridDataSet()->GetBookmark();
    GridDataSet()->DisableControls();
}

void TExDBGridExport::AfterExport()
{
    TDataSet* dataSet = GridDataSet();
    if (dataSet == nullptr) {
        return;
    }
    try {
        if (!bookmark_.empty() && dataSet->Active()) {
            dataSet->GotoBookmark(bookmark_);
        }
    } catch (const std::exception&) {
        // The record is gone: the dataset stays where the export left it.
    }
    dataSet->FreeBookmark(bookmark_);
    dataSet->EnableControls();
}

void TExDBGridExport::First()
{
    GridDataSet()->First();
}

bool TExDBGridExport::IsReady()
{
    TDataSet* dataSet = GridDataSet();
    return dataSet != nullptr && dataSet->Active();
}

bool TExDBGridExport::IsEof()
{
    // The dataset's end stops the run also when its record count is unknown (negative).
    TDataSet* dataSet = GridDataSet();
    const int count = dataSet->RecordCount();
    return dataSet->Eof() || (count >= 0 && VisitedRows() >= static_cast<unsigned>(count));
}

bool TExDBGridExport::IsRowSelected()
{
    if (!grid_->Options().Contains(TDBGridOption::dgRowSelect)) {
        return false;
    }
    return grid_->SelectedRows().CurrentRowSelected();
}

int TExDBGridExport::GetColumnCount()
{
    return grid_ != nullptr ? grid_->FieldCount() : 0;
}

std::string TExDBGridExport::GetCaption(int index)
{
    std::string caption;
    if (const TField* field = grid_->Fields(index); field != nullptr) {
        caption = field->DisplayName();
        if (caption.empty()) {
            caption = field->FieldName();
        }
    }
    if (const TColumn* column = GridColumn(*grid_, index); column != nullptr) {
        const std::string title = column->Title().Caption();
        if (!title.empty()) {
            caption = title;
        }
    }
    return caption;
}

int TExDBGridExport::GetColumnWidth(int index)
{
    const TField* field = grid_->Fields(index);
    return field != nullptr ? FieldTypeWidth(*field) : 0;
}

int TExDBGridExport::GetAlignment(int index)
{
    const TColumn* column = GridColumn(*grid_, index);
    return column != nullptr && column->Field() != nullptr ? AlignmentCode(column->Alignment()) : 0;
}

bool TExDBGridExport::IsColumnVisible(int index)
{
    const TColumn* column = grid_ != nullptr ? GridColumn(*grid_, index) : nullptr;
    return column != nullptr && column->Visible();
}

void TExDBGridExport::GetRowValues(TExValues& values)
{
    values.clear();
    const int count = grid_->FieldCount();
    for (int i = 0; i < count; ++i) {
        const TField* field = grid_->Fields(i);
        values.emplace_back(field != nullptr ? field->DisplayText() : std::string());
    }
    GridDataSet()->Next();
}

unsigned TExDBGridExport::GetRecordCount()
{
    TDataSet* dataSet = GridDataSet();
    unsigned count = 0;
    dataSet->First();
    while (!dataSet->Eof()) {
        ++count;
        dataSet->Next();
    }
    return count;
}

// ---- published properties -------------------------------------------------------------------

void TExCustomExport::RegisterClass()
{
    RegisterEnum<TExExportType>("TExExportType", {"xtHTML", "xtExcel", "xtWord", "xtTXT", "xtCSV", "xtTAB", "xtRTF",
                                                  "xtDIF", "xtSYLK", "xtClipboard"});
    RegisterEnum<TExExportStyle>("TExExportStyle", {"xsFile", "xsView"});
    RegisterEnum<TExExportOptions>("TExExportOptions",
                                   {"xoClipboardMessage", "xoExportInvisibles", "xoFooterLine", "xoHeaderLine",
                                    "xoRowNumbers", "xoShowExportDate", "xoShowHeader", "xoShowProgress",
                                    "xoSelectedRowsOnly", "xoTruncate", "xoUseAlignments"});
    RegisterEnum<TExExportHTMLOption>("TExExportHTMLOption",
                                      {"hoShowGridLines", "hoBoldHeaders", "hoAutoLink", "hoOddRowColoring", "hoDisplayTitle"});
    RegisterEnum<TExHTMLExtension>("TExHTMLExtension", {"exHTM", "exHTML"});
    RegisterEnum<TExHTMLColorTemplate>("TExHTMLColorTemplate", {"ctStandard", "ctBW", "ctClassic", "ctColorful", "ctDark",
                                                                "ctGray", "ctMSMoney", "ctOlive", "ctCustom"});
    RegisterEnum<TExRTFColorTemplate>("TExRTFColorTemplate", {"rtStandard", "rtClassic", "rtColorful", "rtGray", "rtCustom"});
    RegisterEnum<TExExportRTFOption>("TExExportRTFOption", {"roShowGridLines", "roOddRowColoring"});
    {
        using H = TExHTMLOptions;
        TClassRegistration<H, TPersistent>("TExHTMLOptions")
            .Set<TExExportHTMLOption>("Options", [](const H& h) { return h.Options.Bits(); },
                                      [](H& h, uint64_t bits) {
                                          h.Options = {};
                                          for (unsigned i = 0; i < 5; ++i) {
                                              if ((bits >> i) & 1u) {
                                                  h.Options.Include(static_cast<TExExportHTMLOption>(i));
                                              }
                                          }
                                      },
                                      0x1F)
            .Enum("Extension", [](const H& h) { return h.Extension; }, [](H& h, TExHTMLExtension v) { h.Extension = v; },
                  TExHTMLExtension::exHTML)
            .Enum("Template", [](const H& h) { return h.Template; }, [](H& h, TExHTMLColorTemplate v) { h.Template = v; },
                  TExHTMLColorTemplate::ctStandard)
            .String("Title", [](const H& h) { return h.Title; }, [](H& h, const std::string& v) { h.Title = v; });
        using R = TExRTFOptions;
        TClassRegistration<R, TPersistent>("TExRTFOptions")
            .Enum("Template", [](const R& r) { return r.Template; }, [](R& r, TExRTFColorTemplate v) { r.Template = v; },
                  TExRTFColorTemplate::rtStandard)
            .Integer("CellWidth", [](const R& r) { return r.CellWidth; }, [](R& r, int64_t v) { r.CellWidth = static_cast<int>(v); }, 1400)
            .Integer("TopMargin", [](const R& r) { return r.TopMargin; }, [](R& r, int64_t v) { r.TopMargin = static_cast<int>(v); }, 101)
            .Integer("BottomMargin", [](const R& r) { return r.BottomMargin; },
                     [](R& r, int64_t v) { r.BottomMargin = static_cast<int>(v); }, 101)
            .Integer("LeftMargin", [](const R& r) { return r.LeftMargin; }, [](R& r, int64_t v) { r.LeftMargin = static_cast<int>(v); }, 461)
            .Integer("RightMargin", [](const R& r) { return r.RightMargin; },
                     [](R& r, int64_t v) { r.RightMargin = static_cast<int>(v); }, 562);
        using M = TExMessagesOptions;
        auto text = [](std::string M::*member) {
            return std::pair{[member](const M& m) { return m.*member; },
                             [member](M& m, const std::string& v) { m.*member = v; }};
        };
        TClassRegistration<M, TPersistent> messages("TExMessagesOptions");
        for (const auto& [name, member] : std::initializer_list<std::pair<const char*, std::string M::*>>{
                 {"Caption", &M::Caption},           {"CopiedToClipboard", &M::CopiedToClipboard},
                 {"CancelCaption", &M::CancelCaption}, {"CreatedText", &M::CreatedText},
                 {"ExportCaption", &M::ExportCaption}, {"ExportToFile", &M::ExportToFile},
                 {"FalseText", &M::FalseText},       {"SaveTitle", &M::SaveTitle},
                 {"SelectFormat", &M::SelectFormat}, {"Text", &M::Text},
                 {"TrueText", &M::TrueText},         {"ViewOnly", &M::ViewOnly}}) {
            auto [get, set] = text(member);
            messages.String(name, get, set);
        }
        messages.Integer("Height", [](const M& m) { return m.Height; }, [](M& m, int64_t v) { m.Height = static_cast<int>(v); }, 80)
            .Integer("Width", [](const M& m) { return m.Width; }, [](M& m, int64_t v) { m.Width = static_cast<int>(v); }, 300);
    }
    using C = TExCustomExport;
    const TExExportOptionSet defaultOptions{TExExportOptions::xoClipboardMessage, TExExportOptions::xoFooterLine,
                                            TExExportOptions::xoHeaderLine,       TExExportOptions::xoShowExportDate,
                                            TExExportOptions::xoShowHeader,       TExExportOptions::xoShowProgress,
                                            TExExportOptions::xoUseAlignments};
    TExExcelOptions::RegisterClass();
    TClassRegistration<C, TComponent>("TExCustomExport")
        .Strings("Captions", [](C& c) -> TStrings& { return c.Captions; })
        .Strings("ColumnWidths", [](C& c) -> TStrings& { return c.ColumnWidths; })
        .String("DateFormat", [](const C& c) { return c.DateFormat; }, [](C& c, const std::string& v) { c.DateFormat = v; })
        .String("TimeFormat", [](const C& c) { return c.TimeFormat; }, [](C& c, const std::string& v) { c.TimeFormat = v; })
        .String("DateTimeFormat", [](const C& c) { return c.DateTimeFormat; },
                [](C& c, const std::string& v) { c.DateTimeFormat = v; })
        .Enum("ExportType", &C::ExportType, &C::SetExportType, TExExportType::xtExcel)
        .Set<TExExportType>("ExportTypes", [](const C& c) { return c.ExportTypes().Bits(); },
                            [](C& c, uint64_t bits) {
                                TExExportTypeSet set;
                                for (unsigned i = 0; i < 10; ++i) {
                                    if ((bits >> i) & 1u) {
                                        set.Include(static_cast<TExExportType>(i));
                                    }
                                }
                                c.SetExportTypes(set);
                            },
                            0x3FF)
        .Enum("ExportStyle", [](const C& c) { return c.ExportStyle; }, [](C& c, TExExportStyle v) { c.ExportStyle = v; },
              TExExportStyle::xsView)
        .String("FileName", [](const C& c) { return c.FileName; }, [](C& c, const std::string& v) { c.FileName = v; })
        .Set<TExExportOptions>("Options", [](const C& c) { return c.Options.Bits(); },
                               [](C& c, uint64_t bits) {
                                   TExExportOptionSet set;
                                   for (unsigned i = 0; i < 11; ++i) {
                                       if ((bits >> i) & 1u) {
                                           set.Include(static_cast<TExExportOptions>(i));
                                       }
                                   }
                                   c.Options = set;
                               },
                               defaultOptions.Bits())
        .Object("EXCEL", [](C& c) -> TExExcelOptions& { return c.EXCEL; })
        .String("TempDir", [](const C& c) { return c.TempDir; }, [](C& c, const std::string& v) { c.TempDir = v; },
                GetTempPath())
        .String("TruncateSymbol", [](const C& c) { return c.TruncateSymbol; },
                [](C& c, const std::string& v) { c.TruncateSymbol = v; }, "...")
        .String("RowNumberFormat", &C::RowNumberFormat, &C::SetRowNumberFormat, "%d")
        .Object("HTML", [](C& c) -> TPersistent& { return c.HTML; })
        .Object("DOC_RTF", [](C& c) -> TPersistent& { return c.DOC_RTF; })
        .Object("Messages", [](C& c) -> TPersistent& { return c.Messages; })
        .Event("OnBeginExport", &C::OnBeginExport)
        .Event("OnEndExport", &C::OnEndExport)
        .Event("OnGetHeader", &C::OnGetHeader)
        .Event("OnGetFooter", &C::OnGetFooter)
        .Event("OnError", &C::OnError)
        .Event("OnExport", &C::OnExport)
        .Event("OnFileExist", &C::OnFileExist)
        .Event("OnGetExtension", &C::OnGetExtension);
}

void TExDataSetExport::RegisterClass()
{
    TExCustomExport::RegisterClass();
    TClassRegistration<TExDataSetExport, TExCustomExport>("TExDataSetExport")
        .Component()
        .Reference("DataSet", &TExDataSetExport::DataSet, &TExDataSetExport::SetDataSet);
}

void TExDBGridExport::RegisterClass()
{
    TExCustomExport::RegisterClass();
    TClassRegistration<TExDBGridExport, TExCustomExport>("TExDBGridExport")
        .Component()
        .Reference("DBGrid", &TExDBGridExport::DBGrid, &TExDBGridExport::SetDBGrid);
}
