#pragma once
// The export components: a dataset's records or a data grid's rows written as a document (HTML,
// Excel, Word, text, CSV, tab-separated, RTF, DIF, SYLK) to a file, to a temporary file that the
// desktop then opens ("view"), or to the clipboard.
//
// TExCustomExport holds the options and runs the export (Execute): the format-selection window,
// the save dialog, the document run and the opening of the view file. The source classes
// TExDataSetExport and TExDBGridExport say what the rows and columns are. A failure is never
// raised to the caller: it is reported through OnError with a TExExportError code.

#include "export/ExNativeExcel.h"
#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;
class TDBGrid;
class TField;
class TStringField;
class TExCustomExport;
class TSaveDialog;
class Tfrm_Selection;
class Tfrm_ProgressForm;

enum class TExExportType { xtHTML, xtExcel, xtWord, xtTXT, xtCSV, xtTAB, xtRTF, xtDIF, xtSYLK, xtClipboard };
using TExExportTypeSet = TEnumSet<TExExportType>;
enum class TExExportStyle { xsFile, xsView };
enum class TExExportOptions {
    xoClipboardMessage, xoExportInvisibles, xoFooterLine, xoHeaderLine, xoRowNumbers, xoShowExportDate,
    xoShowHeader, xoShowProgress, xoSelectedRowsOnly, xoTruncate, xoUseAlignments
};
using TExExportOptionSet = TEnumSet<TExExportOptions>;
using TExValues = std::vector<Variant>;

// The codes OnError reports.
enum class TExExportError {
    eeNoFileName = 0,     // no file name and not view style
    eeFileExists = 1,     // the output file exists and OnFileExist refused to overwrite it
    eeNotReady = 2,       // no dataset or grid, or its dataset is not active
    eeWriteFailed = 3,    // the document could not be written
    eeSaveCancelled = 4,  // the save dialog was cancelled
};
// What a code means, in words an error box can show.
std::string ExportErrorText(TExExportError error);

enum class TExExportHTMLOption { hoShowGridLines, hoBoldHeaders, hoAutoLink, hoOddRowColoring, hoDisplayTitle };
using TExExportHTMLOptionSet = TEnumSet<TExExportHTMLOption>;
enum class TExHTMLExtension { exHTM, exHTML };
enum class TExHTMLColorTemplate { ctStandard, ctBW, ctClassic, ctColorful, ctDark, ctGray, ctMSMoney, ctOlive, ctCustom };
enum class TExRTFColorTemplate { rtStandard, rtClassic, rtColorful, rtGray, rtCustom };
enum class TExExportRTFOption { roShowGridLines, roOddRowColoring };
using TExExportRTFOptionSet = TEnumSet<TExExportRTFOption>;

// Colours of an HTML document under the custom template (colour numbers written as #RRGGBB
// with the number's bytes as they are).
class TExHTMLColors : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TExHTMLColors"; }
    void Assign(const TPersistent& source) override;
    int Background = 0xFFFFFF;
    int DefaultLink = 0x0000FF;
    std::string DefaultFontFace = "Arial,Helvetica";
    int VisitedLink = 0xFFFF00;
    int ActiveLink = 0xFF0000;
    int DefaultText = 0x000000;
    int TableFontColor = 0x000000;
    std::string TableFontFace = "Arial,Helvetica";
    int TableBackground = 0xFFFFCF;
    int TableOddBackground = 0xFFFFFF;
    int HeaderBackground = 0x336699;
    int HeadersFontColor = 0xFFFFFF;
};

class TExHTMLOptions : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TExHTMLOptions"; }
    void Assign(const TPersistent& source) override;
    TExExportHTMLOptionSet Options{TExExportHTMLOption::hoShowGridLines, TExExportHTMLOption::hoBoldHeaders,
                                   TExExportHTMLOption::hoAutoLink, TExExportHTMLOption::hoOddRowColoring,
                                   TExExportHTMLOption::hoDisplayTitle};
    TExHTMLExtension Extension = TExHTMLExtension::exHTML;
    TExHTMLColorTemplate Template = TExHTMLColorTemplate::ctStandard;
    std::string Title;
    TExHTMLColors CustomColors;
    // The colours and faces the template gives (CustomColors under ctCustom).
    TExHTMLColors TemplateColors() const;
};

class TExRTFColors : public TPersistent {
public:
    TExRTFColors();
    const char* ClassName() const noexcept override { return "TExRTFColors"; }
    void Assign(const TPersistent& source) override;
    int TableBackground = 0xFFFFCF;
    int TableOddBackground = 0xFFFFFF;
    int HeaderBackground = 0x336699;
    TFont DefaultFont;
    TFont HeaderFont;
    TFont TableFont;
};

class TExRTFOptions : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TExRTFOptions"; }
    void Assign(const TPersistent& source) override;
    TExRTFColorTemplate Template = TExRTFColorTemplate::rtStandard;
    TExExportRTFOptionSet Options{TExExportRTFOption::roShowGridLines, TExExportRTFOption::roOddRowColoring};
    TExRTFColors CustomSettings;
    int CellWidth = 1400;
    int TopMargin = 101;
    int BottomMargin = 101;
    int LeftMargin = 461;
    int RightMargin = 562;
    // The six colour slots of the template: default font, header font, table font, table
    // background, header background, odd-row background.
    std::vector<int> TemplateColors() const;
};

class TExDocumentFilter : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TExDocumentFilter"; }
    std::string HTML = "HTML Documents";
    std::string Excel = "Excel Files";
    std::string Word = "Word Documents";
    std::string Text = "Text Files";
    std::string Comma = "CSV (Comma delimited)";
    std::string Tab = "Text (Tab delimited)";
    std::string RTF = "Rich Text Format";
    std::string DIF = "Data Interchange Format";
    std::string SYLK = "SYLK Files";
};

class TExMessagesOptions : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TExMessagesOptions"; }
    std::string Caption = "Export";
    std::string CopiedToClipboard = "Data was copied to clipboard!";
    std::string CancelCaption = "&Cancel";
    std::string CreatedText = "Created:";
    TExDocumentFilter DocumentFilter;
    std::string ExportCaption = "&Export";
    std::string ExportToFile = "Export &to file";
    std::string FalseText = "False";
    int Height = 80;
    std::string SaveTitle = "Save document";
    std::string SelectFormat = "E&xport formats:";
    std::string Text = "Processing...";
    std::string TrueText = "True";
    int Width = 300;
    std::string ViewOnly = "&View only";
};

// The text of a null value in every format.
inline constexpr std::string_view ExNullText = "** NULL **";

// One cell of a formatted row.
struct TExCell {
    int Column = -1;  // index among all columns of the source
    std::string Text;  // "** NULL **" for a null value; cut with the truncate symbol when asked
    std::string FullText;  // the value's whole text when Text was cut, else empty
    const std::string& WholeText() const noexcept { return FullText.empty() ? Text : FullText; }
    bool IsNull = false;
    int Width = 0;
    int Alignment = 0;  // 0 none, 1 left, 2 right, 3 centre (only with xoUseAlignments)
};

// A formatted row: the caption row (Header) or a data row.
struct TExRow {
    bool Header = false;
    // A data row with row numbers carries its number; the caption row then has a placeholder.
    bool RowNumbers = false;
    std::string RowNumber;
    int RowNumberWidth = 0;
    int SylkRow = 1;      // the row's number in a SYLK document
    unsigned Visited = 0;  // rows read before this one (odd-row colouring)
    std::vector<TExCell> Cells;
};

// Writes one document format. The run calls, in order: Begin, HeaderLines, WriteRow for the
// caption row, HeaderSeparator, WriteRow per data row, TableClosing, Footer, Finish.
class TExDocumentWriter {
public:
    explicit TExDocumentWriter(TExCustomExport& owner) : owner_(owner) {}
    virtual ~TExDocumentWriter() = default;
    TExDocumentWriter(const TExDocumentWriter&) = delete;
    TExDocumentWriter& operator=(const TExDocumentWriter&) = delete;

    virtual void Begin() {}
    virtual void HeaderLines(const std::vector<std::string>& lines) {}
    virtual void WriteRow(const TExRow& row) = 0;
    // After the caption row (or where it would be).
    virtual void HeaderSeparator(bool headerRowWritten) {}
    virtual void TableClosing() {}
    // The footer lines and the date line ("" without xoShowExportDate).
    virtual void Footer(const std::vector<std::string>& lines, const std::string& dateLine) {}
    // Saves the document to `outputFileName` (or wherever the format puts it); raises on failure.
    virtual void Finish(const std::string& outputFileName) = 0;

protected:
    TExCustomExport& Owner() const noexcept { return owner_; }

private:
    TExCustomExport& owner_;
};

// Makes the writer of a format the kit itself does not write (the Excel worksheet writer
// registers itself here); null when the format is not available.
using TExWriterFactory = std::function<std::unique_ptr<TExDocumentWriter>(TExCustomExport& owner)>;
void RegisterExportWriter(TExExportType type, TExWriterFactory factory);

using TExGetTextEvent = std::function<void(TObject* sender, unsigned recordCount, std::string& text)>;
using TExErrorEvent = std::function<void(TObject* sender, TExExportError error)>;
using TExExportEvent =
    std::function<void(TObject* sender, unsigned current, unsigned total, const TExValues& values, bool canExport)>;
using TExFileExistEvent = std::function<void(TObject* sender, const std::string& outputFileName, bool& canOverWrite)>;
using TExGetExtensionEvent = std::function<void(TObject* sender, std::string& extension)>;

class TExCustomExport : public TComponent {
public:
    explicit TExCustomExport(TComponent* owner);
    ~TExCustomExport() override;
    const char* ClassName() const noexcept override { return "TExCustomExport"; }
    static void RegisterClass();

    // The whole interactive run: selection window, save dialog, document, view.
    void Execute();

    // ---- published properties
    TStringList Captions;
    TStringList ColumnWidths;
    std::string DateFormat;
    std::string TimeFormat;
    std::string DateTimeFormat;
    TExExportType ExportType() const noexcept { return exportType_; }
    void SetExportType(TExExportType value);
    TExExportTypeSet ExportTypes() const noexcept { return exportTypes_; }
    void SetExportTypes(TExExportTypeSet value);
    TExExportStyle ExportStyle = TExExportStyle::xsView;
    std::string FileName;
    TExHTMLOptions HTML;
    TExRTFOptions DOC_RTF;
    TExExcelOptions EXCEL;
    TExMessagesOptions Messages;
    TExExportOptionSet Options{TExExportOptions::xoClipboardMessage, TExExportOptions::xoFooterLine,
                               TExExportOptions::xoHeaderLine,       TExExportOptions::xoShowExportDate,
                               TExExportOptions::xoShowHeader,       TExExportOptions::xoShowProgress,
                               TExExportOptions::xoUseAlignments};
    std::string TempDir;
    std::string TruncateSymbol = "...";
    const std::string& RowNumberFormat() const noexcept { return rowNumberFormat_; }
    // A format without exactly one integer conversion is refused with an error box; the old
    // value stays.
    void SetRowNumberFormat(const std::string& value);
    std::string Version() const { return "2.37"; }

    // ---- events
    TNotifyEvent OnBeginExport;
    TNotifyEvent OnEndExport;
    TExGetTextEvent OnGetHeader;
    TExGetTextEvent OnGetFooter;
    // Without a handler, a failure is shown in an error box (a cancelled save dialog is not).
    TExErrorEvent OnError;
    TExExportEvent OnExport;
    TExFileExistEvent OnFileExist;
    TExGetExtensionEvent OnGetExtension;

    // ---- seams for tests and the desktop
    // Shows the selection window modally; true for OK. Tests replace it.
    std::function<bool(Tfrm_Selection& window)> ShowSelection;
    // Pixels per inch of the screen (RTF cell widths); 0 asks the screen (96 without one).
    int PixelsPerInch = 0;

    // ---- the run's state, for the format writers
    unsigned RecordTotal() const noexcept { return recordTotal_; }
    unsigned VisitedRows() const noexcept { return visited_; }
    unsigned ExportedRows() const noexcept { return exported_; }
    // The column count (+1 with row numbers): the columns a row of the document has.
    int DocumentColumnCount() const;
    int ScreenPixelsPerInch() const;
    // The output file of the last run (also for the clipboard: the formed name).
    const std::string& OutputFileName() const noexcept { return outputFileName_; }
    // The default extension of the current format ("HTML", "CSV", ...), before OnGetExtension.
    std::string FormatExtension() const;
    // The total line width of the text formats.
    int TotalLineWidth() const;

    // ---- the row model (each source class answers these)
    virtual int GetColumnCount() = 0;
    virtual std::string GetCaption(int index) = 0;
    virtual int GetColumnWidth(int index) = 0;
    virtual int GetAlignment(int index) { return 0; }
    virtual bool IsColumnVisible(int index) = 0;

    // Formats a row (shared by every format): the caption row from `values` when `header`.
    TExRow FormatRow(const TExValues& values, bool header, bool rowNumbers);
    // The same into `row`, whose storage is reused.
    void FormatRowInto(const TExValues& values, bool header, bool rowNumbers, TExRow& row);
    // The row-number cell's text for `number`, and its width.
    std::string FormatRowNumber(unsigned number) const;
    int RowNumberWidth() const;
    // The width of column `index`: its ColumnWidths line when that reads as an integer.
    int ColumnWidth(int index);
    // Text of the fixed-width formats' separator.
    std::string SeparatorLine() const;

    Tfrm_Selection& SelectionWindow() noexcept { return *selection_; }
    Tfrm_ProgressForm& ProgressWindow() noexcept { return *progress_; }
    TSaveDialog& SaveDialog() noexcept { return *saveDialog_; }
    // The worksheet writer of the Excel document.
    TExNativeExcel& NativeExcel() noexcept { return *nativeExcel_; }

protected:
    virtual void BeforeExport() {}
    virtual void AfterExport() {}
    virtual void First() = 0;
    virtual bool IsReady() = 0;
    virtual bool IsEof() = 0;
    virtual bool IsRowSelected() { return true; }
    // Reads the row's values (one per column) and moves on. `values` holds the last row's
    // values, whose storage may be reused.
    virtual void GetRowValues(TExValues& values) = 0;
    virtual unsigned GetRecordCount() = 0;
    // The width a field of that type takes in the text formats.
    int FieldTypeWidth(const TField& field) const;

private:
    void ReportError(TExExportError error);
    std::string FormOutputName(const std::string& extension) const;
    bool RunDocument(TExDocumentWriter& writer);
    void ShowProgress();
    std::unique_ptr<TExDocumentWriter> MakeWriter();

    // What the columns are during a run (they cannot change while it reads the rows).
    struct ColumnInfo {
        bool formatted = false;
        int width = 0;
        int alignment = 0;
    };
    void CacheColumns();
    std::vector<ColumnInfo> columns_;
    bool columnsCached_ = false;
    int rowNumberWidth_ = -1;

    TExExportType exportType_ = TExExportType::xtExcel;
    TExExportTypeSet exportTypes_{TExExportType::xtHTML, TExExportType::xtExcel, TExExportType::xtWord,
                                  TExExportType::xtTXT,  TExExportType::xtCSV,   TExExportType::xtTAB,
                                  TExExportType::xtRTF,  TExExportType::xtDIF,   TExExportType::xtSYLK,
                                  TExExportType::xtClipboard};
    std::string rowNumberFormat_ = "%d";
    unsigned recordTotal_ = 0;
    unsigned visited_ = 0;
    unsigned exported_ = 0;
    int sylkRow_ = 1;
    std::string outputFileName_;
    Tfrm_Selection* selection_ = nullptr;     // owned as a component
    Tfrm_ProgressForm* progress_ = nullptr;   // owned as a component
    TSaveDialog* saveDialog_ = nullptr;       // owned as a component
    TExNativeExcel* nativeExcel_ = nullptr;   // owned as a component
};

class TExDataSetExport : public TExCustomExport {
public:
    explicit TExDataSetExport(TComponent* owner);
    const char* ClassName() const noexcept override { return "TExDataSetExport"; }
    static void RegisterClass();

    TDataSet* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSet* value);

    int GetColumnCount() override;
    std::string GetCaption(int index) override;
    int GetColumnWidth(int index) override;
    bool IsColumnVisible(int index) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void BeforeExport() override;
    void AfterExport() override;
    void First() override;
    bool IsReady() override;
    bool IsEof() override;
    void GetRowValues(TExValues& values) override;
    unsigned GetRecordCount() override;

private:
    // How each field's value is read, found once per run; string fields are read straight into
    // the values.
    struct FieldReader {
        enum class Kind { Unknown, Binary, Boolean, StringField, Text, Display };
        Kind kind = Kind::Display;
        const TField* field = nullptr;
        const TStringField* text = nullptr;
    };
    void FindTextFields();
    TDataSet* dataSet_ = nullptr;
    TBookmark bookmark_;
    std::vector<FieldReader> readers_;  // by field index
};

class TExDBGridExport : public TExCustomExport {
public:
    explicit TExDBGridExport(TComponent* owner);
    const char* ClassName() const noexcept override { return "TExDBGridExport"; }
    static void RegisterClass();

    TDBGrid* DBGrid() const noexcept { return grid_; }
    void SetDBGrid(TDBGrid* value);

    int GetColumnCount() override;
    std::string GetCaption(int index) override;
    int GetColumnWidth(int index) override;
    int GetAlignment(int index) override;
    bool IsColumnVisible(int index) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void BeforeExport() override;
    void AfterExport() override;
    void First() override;
    bool IsReady() override;
    bool IsEof() override;
    bool IsRowSelected() override;
    void GetRowValues(TExValues& values) override;
    unsigned GetRecordCount() override;

private:
    TDataSet* GridDataSet() const;
    TDBGrid* grid_ = nullptr;
    TBookmark bookmark_;
};
