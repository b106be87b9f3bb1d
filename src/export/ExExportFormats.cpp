#include "export/ExExportFormats.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kCrLf = "\r\n";

void SaveDocument(const std::string& fileName, const std::string& data)
{
    if (fileName.empty()) {
        throw Exception("The export has no file name");
    }
    if (!WriteFileAtomically(fileName, data)) {
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    }
}

std::string UpperName(const TExCustomExport& owner)
{
    return AnsiUpperCase(owner.ClassName());
}

bool HasOption(const TExCustomExport& owner, TExExportOptions option)
{
    return owner.Options.Contains(option);
}

// ---- line-based formats ---------------------------------------------------------------------

// A document's text is formed in one buffer that goes to the output file each time it holds a
// good piece: a large document never lies whole in memory, and the buffer's storage serves
// every row. The file is a temporary one beside the target, renamed over it when the document
// is finished, so the target is never seen half-written. A writer that needs its whole text at
// the end (the clipboard, DIF with its counts in front) keeps everything in the buffer.
class BufferedWriter : public TExDocumentWriter {
public:
    explicit BufferedWriter(TExCustomExport& owner, bool streams = true) : TExDocumentWriter(owner), streams_(streams)
    {
    }
    void Finish(const std::string& outputFileName) override { Save(outputFileName); }

protected:
    // The text not yet written; a writer appends to it and calls PieceDone after each line or row.
    std::string& Out() noexcept { return out_; }
    void Add(std::string_view line)
    {
        out_ += line;
        EndLine();
    }
    void EndLine()
    {
        out_ += kCrLf;
        PieceDone();
    }
    void PieceDone()
    {
        if (streams_ && out_.size() >= kPieceSize) {
            WritePiece();
        }
    }
    void Save(const std::string& outputFileName)
    {
        if (!file_.IsOpen()) {
            SaveDocument(outputFileName, out_);
            return;
        }
        WritePiece();
        if (!file_.Commit()) {
            ThrowWriteError(outputFileName);
        }
    }

private:
    static constexpr size_t kPieceSize = 256 * 1024;

    void WritePiece()
    {
        const std::string& fileName = Owner().OutputFileName();
        if (!file_.IsOpen()) {
            if (fileName.empty()) {
                throw Exception("The export has no file name");
            }
            if (!file_.Open(fileName)) {
                const int error = errno;
                throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(error));
            }
        }
        if (!file_.Write(out_.data(), out_.size())) {
            ThrowWriteError(fileName);
        }
        out_.clear();
    }
    [[noreturn]] static void ThrowWriteError(const std::string& fileName)
    {
        const int error = errno;
        throw EWriteError("Cannot write file \"" + fileName + "\". " + std::strerror(error));
    }

    std::string out_;
    TAtomicFileWriter file_;
    bool streams_;
};

// A table of the bytes that a format writes otherwise than as themselves.
struct ByteSet {
    constexpr explicit ByteSet(std::string_view bytes)
    {
        for (const char c : bytes) {
            marked[static_cast<unsigned char>(c)] = true;
        }
    }
    // The position of the first marked byte of `text` from `from`, or its size.
    size_t Next(std::string_view text, size_t from) const noexcept
    {
        while (from < text.size() && !marked[static_cast<unsigned char>(text[from])]) {
            ++from;
        }
        return from;
    }
    bool marked[256] = {};
};

void AppendHtmlEscaped(std::string& out, std::string_view text)
{
    static constexpr ByteSet special("<>&\"'");
    size_t done = 0;
    for (size_t at = special.Next(text, 0); at < text.size(); at = special.Next(text, done)) {
        out.append(text, done, at - done);
        switch (text[at]) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += "&#39;"; break;
        }
        done = at + 1;
    }
    out.append(text, done);
}

void AppendCsvField(std::string& out, std::string_view text)
{
    static constexpr ByteSet quoted(" ,\"\r\n");
    if (quoted.Next(text, 0) == text.size()) {
        out += text;
        return;
    }
    out += '"';
    size_t done = 0;
    for (size_t at = text.find('"'); at != std::string_view::npos; at = text.find('"', done)) {
        out.append(text, done, at + 1 - done);
        out += '"';
        done = at + 1;
    }
    out.append(text, done);
    out += '"';
}

void AppendTabField(std::string& out, std::string_view text)
{
    static constexpr ByteSet blanked("\t\r\n");
    size_t done = 0;
    for (size_t at = blanked.Next(text, 0); at < text.size(); at = blanked.Next(text, done)) {
        out.append(text, done, at - done);
        out += ' ';
        done = at + 1;
    }
    out.append(text, done);
}

// ---- HTML -----------------------------------------------------------------------------------

bool IsLinkText(const std::string& text)
{
    // Every scheme begins with one of these letters.
    if (text.empty() || std::strchr("hfnm", text[0]) == nullptr) {
        return false;
    }
    static constexpr std::array<const char*, 6> schemes{"http:", "https:", "ftp:", "news:", "nntp:", "mailto:"};
    for (const char* scheme : schemes) {
        if (text.compare(0, std::strlen(scheme), scheme) == 0) {
            return true;
        }
    }
    return false;
}

class HtmlWriter : public BufferedWriter {
public:
    explicit HtmlWriter(TExCustomExport& owner)
        : BufferedWriter(owner), colors_(owner.HTML.TemplateColors()),
          oddRowLine_("   <TR BGCOLOR=\"" + ExHtmlColor(colors_.TableOddBackground) + "\">"),
          autoLink_(owner.HTML.Options.Contains(TExExportHTMLOption::hoAutoLink)),
          oddRowColoring_(owner.HTML.Options.Contains(TExExportHTMLOption::hoOddRowColoring))
    {
    }

    void Begin() override
    {
        const TExHTMLOptions& html = Owner().HTML;
        Add("<!-- Written by the Zentivor export kit " + Owner().Version() + " -->");
        Add("<!-- DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 TRANSITIONAL//EN\" -->");
        Add("<HTML>");
        Add(" <HEAD>");
        // The document is in the tables' ANSI code page; the reader is told so.
        Add("  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">");
        Add("  <META NAME=\"GENERATOR\" CONTENT=\"Zentivor export kit " + Owner().Version() + "\">");
        Add("  <META NAME=\"Author\" CONTENT=\"Zentivor\">");
        Add("  <META NAME=\"Description\" CONTENT=\"Exported records\">");
        if (html.Options.Contains(TExExportHTMLOption::hoDisplayTitle)) {
            Add("  <TITLE>" + ExHtmlEscape(html.Title) + "</TITLE>");
        }
        Add(" </HEAD>");
        Add(" <BODY BGCOLOR=\"" + ExHtmlColor(colors_.Background) + "\" LINK=\"" + ExHtmlColor(colors_.DefaultLink) +
            "\" ALINK=\"" + ExHtmlColor(colors_.ActiveLink) + "\" VLINK=\"" + ExHtmlColor(colors_.VisitedLink) +
            "\" TEXT=\"" + ExHtmlColor(colors_.DefaultText) + "\">");
        Add(" <FONT COLOR=\"" + ExHtmlColor(colors_.DefaultText) + "\" FACE=\"" + ExHtmlEscape(colors_.DefaultFontFace) +
            "\">");
    }

    void HeaderLines(const std::vector<std::string>& lines) override
    {
        for (const std::string& line : lines) {
            Add(ExHtmlEscape(line));
        }
        if (HasOption(Owner(), TExExportOptions::xoHeaderLine)) {
            Add("  <HR>");
        }
    }

    void WriteRow(const TExRow& row) override
    {
        const bool odd = (row.Visited % 2) == 1;
        if (row.Header) {
            TableOpening();
        } else if (oddRowColoring_ && odd) {
            Add(oddRowLine_);
        } else {
            Add("   <TR>");
        }
        if (row.RowNumbers) {
            if (row.Header) {
                Add("    <TD>&nbsp;</TD>");
            } else {
                Out() += "    <TD ALIGN=\"Right\">";
                AppendHtmlEscaped(Out(), row.RowNumber);
                Out() += "</TD>";
                EndLine();
            }
        }
        for (const TExCell& cell : row.Cells) {
            Cell(cell, row.Header);
        }
        Add("   </TR>");
    }

    void HeaderSeparator(bool headerRowWritten) override
    {
        if (!headerRowWritten) {
            TableOpening();
        }
    }

    void TableClosing() override
    {
        Add("  </FONT>");
        Add("  </TABLE>");
    }

    void Footer(const std::vector<std::string>& lines, const std::string& dateLine) override
    {
        if (HasOption(Owner(), TExExportOptions::xoFooterLine)) {
            Add("  <HR>");
        }
        for (const std::string& line : lines) {
            Add(ExHtmlEscape(line));
        }
        if (!dateLine.empty()) {
            Add(ExHtmlEscape(dateLine));
        }
        Add(" </FONT>");
        Add(" </BODY>");
        Add("</HTML>");
    }

private:
    void TableOpening()
    {
        const bool gridLines = Owner().HTML.Options.Contains(TExExportHTMLOption::hoShowGridLines);
        Add(std::string("  <TABLE WIDTH=\"100%\" CELLPADDING=\"4\" CELLSPACING=\"0\"") + (gridLines ? " BORDER=\"1\"" : "") +
            " BGCOLOR=\"" + ExHtmlColor(colors_.TableBackground) + "\">");
        Add("  <FONT COLOR=\"" + ExHtmlColor(colors_.TableFontColor) + "\" FACE=\"" + ExHtmlEscape(colors_.TableFontFace) +
            "\">");
        Add("   <TR BGCOLOR=\"" + ExHtmlColor(colors_.HeaderBackground) + "\">");
    }

    // The cell's markup around its text, formed once per column and alignment for the whole
    // document: the opening tag, and the whole cell for an empty and for a null value.
    struct Opening {
        bool formed = false;
        int alignment = 0;
        std::string tag;  // "    <TD ...>"
        std::string dataPrefix;  // the tag and "<small>"
        std::string emptyCell;
        std::string nullCell;
    };

    const Opening& CellOpening(const TExCell& cell)
    {
        const size_t index = cell.Column >= 0 ? static_cast<size_t>(cell.Column) + 1 : 0;
        if (index >= openings_.size()) {
            openings_.resize(index + 1);
        }
        Opening& opening = openings_[index];
        if (opening.formed && opening.alignment == cell.Alignment) {
            return opening;
        }
        std::string& text = opening.tag;
        text = "    <TD";
        if (cell.Column >= 0 && cell.Column < Owner().ColumnWidths.Count()) {
            text += " WIDTH=\"";
            AppendHtmlEscaped(text, Owner().ColumnWidths[cell.Column]);
            text += '"';
        }
        switch (cell.Alignment) {
        case 1: text += " ALIGN=\"Left\" "; break;
        case 2: text += " ALIGN=\"Right\" "; break;
        case 3: text += " ALIGN=\"Center\" "; break;
        default: break;
        }
        text += '>';
        opening.dataPrefix = text + "<small>";
        opening.emptyCell = opening.dataPrefix;
        opening.emptyCell += "&nbsp;";
        opening.emptyCell += kDataCellEnd;
        opening.nullCell = opening.dataPrefix;
        opening.nullCell += ExNullText;
        opening.nullCell += kDataCellEnd;
        opening.formed = true;
        opening.alignment = cell.Alignment;
        return opening;
    }

    void Cell(const TExCell& cell, bool header)
    {
        std::string& out = Out();
        const Opening& opening = CellOpening(cell);
        if (!header) {
            // The common empty and null cells are written in one piece (neither is ever a link).
            if (cell.Text.empty()) {
                out += opening.emptyCell;
            } else if (cell.IsNull && cell.Text == ExNullText) {
                out += opening.nullCell;
            } else if (autoLink_ && !cell.IsNull && IsLinkText(cell.WholeText())) {
                // The whole value is the address; the cell's (possibly cut) text is what shows.
                out += opening.dataPrefix;
                out += "<A HREF=\"";
                AppendHtmlEscaped(out, cell.WholeText());
                out += "\">";
                AppendHtmlEscaped(out, cell.Text);
                out += "</A>";
                out += kDataCellEnd;
            } else {
                out += opening.dataPrefix;
                AppendHtmlEscaped(out, cell.Text);
                out += kDataCellEnd;
            }
            PieceDone();
            return;
        }
        const bool bold = Owner().HTML.Options.Contains(TExExportHTMLOption::hoBoldHeaders);
        out += opening.tag;
        out += bold ? "<B><FONT COLOR=\"" : "<FONT COLOR=\"";
        out += ExHtmlColor(colors_.HeadersFontColor);
        out += "\"><small>";
        if (cell.Text.empty()) {
            out += "&nbsp;";
        } else {
            AppendHtmlEscaped(out, cell.Text);
        }
        out += "</small>";
        out += bold ? "</FONT></B>" : "</FONT>";
        out += "</TD>";
        EndLine();
    }

    static constexpr std::string_view kDataCellEnd = "</small></TD>\r\n";

    TExHTMLColors colors_;
    std::string oddRowLine_;
    bool autoLink_;
    bool oddRowColoring_;
    std::vector<Opening> openings_;  // by column + 1 (0: a cell of no column)
};

// ---- fixed-width text and the clipboard -----------------------------------------------------

void AppendPadded(std::string& out, const TExCell& cell)
{
    const int length = static_cast<int>(cell.Text.size());
    if (length >= cell.Width) {
        out += cell.Text;
        return;
    }
    const size_t pad = static_cast<size_t>(cell.Width - length);
    switch (cell.Alignment) {
    case 2:
        out.append(pad, ' ');
        out += cell.Text;
        break;
    case 3: {
        const size_t before = pad / 2;
        out.append(before, ' ');
        out += cell.Text;
        out.append(pad - before, ' ');
        break;
    }
    default:
        out += cell.Text;
        out.append(pad, ' ');
        break;
    }
}

class TextWriter : public BufferedWriter {
public:
    // The clipboard takes the whole text at the end, so it is kept in memory.
    TextWriter(TExCustomExport& owner, bool clipboard) : BufferedWriter(owner, !clipboard), clipboard_(clipboard) {}

    void HeaderLines(const std::vector<std::string>& lines) override
    {
        for (const std::string& line : lines) {
            Add(line);
        }
    }

    void WriteRow(const TExRow& row) override
    {
        std::string& out = Out();
        if (row.RowNumbers) {
            if (row.Header) {
                out.append(static_cast<size_t>(row.RowNumberWidth) + 1, ' ');
            } else {
                const int pad = row.RowNumberWidth - static_cast<int>(row.RowNumber.size());
                out.append(static_cast<size_t>(std::max(0, pad)), ' ');
                out += row.RowNumber;
                out += ' ';
            }
        }
        for (size_t i = 0; i < row.Cells.size(); ++i) {
            if (i > 0) {
                out += ' ';
            }
            AppendPadded(out, row.Cells[i]);
        }
        EndLine();
    }

    void HeaderSeparator(bool) override
    {
        if (HasOption(Owner(), TExExportOptions::xoHeaderLine)) {
            Add(Owner().SeparatorLine());
        }
    }

    void Footer(const std::vector<std::string>& lines, const std::string& dateLine) override
    {
        if (HasOption(Owner(), TExExportOptions::xoFooterLine)) {
            Add(Owner().SeparatorLine());
        }
        for (const std::string& line : lines) {
            Add(line);
        }
        if (!dateLine.empty()) {
            Add(dateLine);
        }
    }

    void Finish(const std::string& outputFileName) override
    {
        if (!clipboard_) {
            BufferedWriter::Finish(outputFileName);
            return;
        }
        Clipboard().Clear();
        Clipboard().SetAsText(Out());
        if (HasOption(Owner(), TExExportOptions::xoClipboardMessage)) {
            MessageDlg(Owner().Messages.CopiedToClipboard, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
        }
    }

private:
    bool clipboard_;
};

// ---- CSV and tab-separated text -------------------------------------------------------------

class CsvWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;

    void WriteRow(const TExRow& row) override
    {
        std::string& out = Out();
        bool first = true;
        if (row.RowNumbers) {
            // The caption row keeps an empty field above the row numbers.
            if (!row.Header) {
                AppendCsvField(out, row.RowNumber);
            }
            first = false;
        }
        for (const TExCell& cell : row.Cells) {
            if (!first) {
                out += ',';
            }
            first = false;
            AppendCsvField(out, cell.Text);
        }
        EndLine();
    }
};

class TabWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;

    void HeaderLines(const std::vector<std::string>& lines) override
    {
        for (const std::string& line : lines) {
            Add(line);
        }
    }

    void WriteRow(const TExRow& row) override
    {
        std::string& out = Out();
        bool first = true;
        if (row.RowNumbers) {
            if (!row.Header) {
                AppendTabField(out, row.RowNumber);
            }
            first = false;
        }
        for (const TExCell& cell : row.Cells) {
            if (!first) {
                out += '\t';
            }
            first = false;
            AppendTabField(out, cell.Text);
        }
        EndLine();
    }

    void Footer(const std::vector<std::string>& lines, const std::string& dateLine) override
    {
        for (const std::string& line : lines) {
            Add(line);
        }
        if (!dateLine.empty()) {
            Add(dateLine);
        }
    }
};

// ---- DIF ------------------------------------------------------------------------------------

// A DIF string value: always in quotes, inner quotes doubled, line breaks kept inside the quotes.
std::string DifString(std::string_view text)
{
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"') {
            result += "\"\"";
        } else {
            result += c;
        }
    }
    result += '"';
    return result;
}

class DifWriter : public BufferedWriter {
public:
    // The counts stand in front of the data and are known only at the end: the text is kept.
    explicit DifWriter(TExCustomExport& owner) : BufferedWriter(owner, false) {}

    void WriteRow(const TExRow& row) override
    {
        Add("-1,0");
        Add("BOT");
        int vectors = 0;
        if (row.RowNumbers) {
            Add("1,0");
            Add(row.Header ? "\"\"" : DifString(row.RowNumber));
            ++vectors;
        }
        for (const TExCell& cell : row.Cells) {
            Add("1,0");
            Add(DifString(cell.Text));
            ++vectors;
        }
        vectors_ = std::max(vectors_, vectors);
        ++tuples_;
    }

    void Finish(const std::string& outputFileName) override
    {
        Add("-1,0");
        Add("EOD");
        // The counts of what was written, so that a reader takes every row and column.
        const std::string head = "TABLE\r\n0,1\r\n\"" + UpperName(Owner()) + "\"\r\nVECTORS\r\n0," +
                                 std::to_string(vectors_) + "\r\n\"\"\r\nTUPLES\r\n0," + std::to_string(tuples_) +
                                 "\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n";
        SaveDocument(outputFileName, head + Out());
    }

private:
    int vectors_ = 0;
    int tuples_ = 0;
};

// ---- SYLK -----------------------------------------------------------------------------------

// A SYLK text value: in quotes (a quote inside stays single: readers take the text up to the
// record's next field), semicolons doubled, line breaks as the format's escape sequence so that
// no value breaks its line.
std::string SylkString(std::string_view text)
{
    std::string result = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';') {
            result += ";;";
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            result += "\x1B :";
        } else {
            result += c;
        }
    }
    result += '"';
    return result;
}

class SylkWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;

    void Begin() override { Add("ID;P" + UpperName(Owner())); }

    void WriteRow(const TExRow& row) override
    {
        const std::string y = std::to_string(row.SylkRow);
        const int shift = row.RowNumbers ? 1 : 0;
        if (row.RowNumbers && !row.Header) {
            Add("C;X1;Y" + y + ";K" + SylkString(row.RowNumber));
        }
        for (const TExCell& cell : row.Cells) {
            Add("C;X" + std::to_string(cell.Column + 1 + shift) + ";Y" + y + ";K" + SylkString(cell.Text));
        }
    }

    void Finish(const std::string& outputFileName) override
    {
        Add("E");
        BufferedWriter::Finish(outputFileName);
    }
};

// ---- RTF and Word ---------------------------------------------------------------------------

std::string RtfFontFamily(const TFont& font)
{
    if (font.Pitch() == TFontPitch::fpFixed) {
        return "fmodern";
    }
    const std::string name = AnsiLowerCase(font.Name());
    if (name.find("sans") != std::string::npos || name.find("arial") != std::string::npos ||
        name.find("helvetica") != std::string::npos || name.find("verdana") != std::string::npos ||
        name.find("tahoma") != std::string::npos) {
        return "fswiss";
    }
    if (name.find("mono") != std::string::npos || name.find("courier") != std::string::npos) {
        return "fmodern";
    }
    return "froman";
}

std::string RtfCharset(const TFont& font)
{
    switch (font.Charset()) {
    // The default character set is the ANSI one the document's text is in; written as the
    // "default" set, readers take the bytes above 127 for another code page.
    case 0:
    case 1: return "fcharset0";
    case 2: return "fcharset2";
    case 128: return "fcharset128";
    case 255: return "fcharset255";
    default: return "fcharset1";
    }
}

std::string RtfFontStyle(const TFont& font)
{
    std::string style = "\\fs" + std::to_string(font.Size() * 2);
    if (font.Style().Contains(TFontStyle::fsBold)) {
        style += "\\b";
    }
    if (font.Style().Contains(TFontStyle::fsItalic)) {
        style += "\\i";
    }
    if (font.Style().Contains(TFontStyle::fsUnderline)) {
        style += "\\ul";
    }
    if (font.Style().Contains(TFontStyle::fsStrikeOut)) {
        style += "\\strike";
    }
    return style;
}

class RtfWriter : public BufferedWriter {
public:
    using BufferedWriter::BufferedWriter;

    void Begin() override
    {
        const TExRTFOptions& rtf = Owner().DOC_RTF;
        const TExRTFColors& fonts = rtf.CustomSettings;
        Out() += "{\\rtf1\\ansi\\deff0\\deftab720\r\n";
        Out() += "{\\fonttbl";
        const TFont* list[] = {&fonts.DefaultFont, &fonts.HeaderFont, &fonts.TableFont};
        for (int k = 0; k < 3; ++k) {
            Out() += "{\\f" + std::to_string(k) + "\\" + RtfFontFamily(*list[k]) + "\\" + RtfCharset(*list[k]) + " " +
                    list[k]->Name() + ";}";
        }
        Out() += "}\r\n";
        const std::vector<int> colors = rtf.TemplateColors();
        Out() += "{\\colortbl";
        for (const int slot : {0, 1, 2, 4, 3, 5}) {
            const unsigned color = static_cast<unsigned>(colors[static_cast<size_t>(slot)]);
            Out() += "\\red" + std::to_string(color & 0xFF) + "\\green" + std::to_string((color >> 8) & 0xFF) + "\\blue" +
                    std::to_string((color >> 16) & 0xFF) + ";";
        }
        Out() += "}\r\n";
        Out() += "\\margl" + std::to_string(rtf.LeftMargin) + "\\margr" + std::to_string(rtf.RightMargin) + "\\margt" +
                std::to_string(rtf.TopMargin) + "\\margb" + std::to_string(rtf.BottomMargin);
    }

    void HeaderLines(const std::vector<std::string>& lines) override
    {
        for (const std::string& line : lines) {
            Paragraph(line);
        }
        Out() += "\\par \\pard\\plain\\cgrid\r\n";
        static constexpr const char* styles[] = {
            "{\\stylesheet{\\nowidctlpar\\widctlpar\\adjustright \\fs20\\cgrid \\snext0 Normal;}",
            "{\\*\\cs10 \\additive Default Paragraph Font;}}",
            "{\\*\\pnseclvl1\\pnucrm\\pnstart1\\pnindent720\\pnhang{\\pntxta.}}",
            "{\\*\\pnseclvl2\\pnucltr\\pnstart1\\pnindent720\\pnhang{\\pntxta .}}",
            "{\\*\\pnseclvl3\\pndec\\pnstart1\\pnindent720\\pnhang{\\pntxta.}}",
            "{\\*\\pnseclvl4\\pnlcltr\\pnstart1\\pnindent720\\pnhang{\\pntxta)}}",
            "{\\*\\pnseclvl5\\pndec\\pnstart1\\pnindent720\\pnhang{\\pntxtb (}{\\pntxta)}}",
            "{\\*\\pnseclvl6\\pnlcltr\\pnstart1\\pnindent720\\pnhang{\\pntxtb (}{\\pntxta )}}",
            "{\\*\\pnseclvl7\\pnlcrm\\pnstart1\\pnindent720\\pnhang{\\pntxtb (}{\\pntxta)}}",
            "{\\*\\pnseclvl8\\pnlcltr\\pnstart1\\pnindent720\\pnhang{\\pntxtb (}{\\pntxta)}}",
            "{\\*\\pnseclvl9\\pnlcrm\\pnstart1\\pnindent720\\pnhang{\\pntxtb (}{\\pntxta )}}",
        };
        for (const char* line : styles) {
            Out() += line;
            Out() += "\r\n";
        }
    }

    void WriteRow(const TExRow& row) override
    {
        const TExRTFOptions& rtf = Owner().DOC_RTF;
        const int cells = static_cast<int>(row.Cells.size()) + (row.RowNumbers ? 1 : 0);
        const bool odd = rtf.Options.Contains(TExExportRTFOption::roOddRowColoring) && (row.Visited % 2) == 1;
        const char* shading = row.Header ? " \\clcbpat3" : (odd ? " \\clcbpat5" : " \\clcbpat4");
        const double pixelsPerInch = Owner().ScreenPixelsPerInch();
        Out() += "\\trowd\\trgaph108\\trrh260\\trleft0";
        for (int k = 1; k <= cells; ++k) {
            Out() += "\\clvertalc";
            if (rtf.Options.Contains(TExExportRTFOption::roShowGridLines)) {
                Out() += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
            }
            Out() += shading;
            Out() += "\\cltxlrtb\\cellx" + std::to_string(std::lround(k * 100.0 / pixelsPerInch * rtf.CellWidth));
        }
        Out() += "\\pard\\ri-123\\nowidctlpar\\widctlpar\\intbl\\adjustright";
        if (row.Header) {
            Out() += " {\\f1" + RtfFontStyle(rtf.CustomSettings.HeaderFont) + "\\cf1\\cgrid0 ";
        } else {
            Out() += " {\\f2" + RtfFontStyle(rtf.CustomSettings.TableFont) + "\\cf2\\cgrid0 ";
        }
        if (row.RowNumbers) {
            Out() += row.Header ? " \\cell " : ExRtfEscape(row.RowNumber) + "\\cell ";
        }
        for (const TExCell& cell : row.Cells) {
            switch (cell.Alignment) {
            case 1: Out() += "\\ql "; break;
            case 2: Out() += "\\qr "; break;
            case 3: Out() += "\\qc "; break;
            default: break;
            }
            Out() += ExRtfEscape(cell.Text);
            Out() += "\\cell ";
        }
        Out() += "}\\pard \\nowidctlpar\\widctlpar\\intbl\\adjustright {\\row}\r\n";
        PieceDone();
    }

    void Footer(const std::vector<std::string>& lines, const std::string& dateLine) override
    {
        Out() += "\\pard\\nowidctlpar\\widctlpar\\adjustright {\r\n";
        for (const std::string& line : lines) {
            Paragraph(line);
        }
        if (!dateLine.empty()) {
            Paragraph(dateLine);
        }
        Out() += "}}";
    }

private:
    void Paragraph(const std::string& line)
    {
        Out() += "\\par \\pard\\plain\\f0" + RtfFontStyle(Owner().DOC_RTF.CustomSettings.DefaultFont) + "\\cf0 " +
                ExRtfEscape(line) + "\r\n";
    }

};

}  // namespace

std::string ExHtmlEscape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    AppendHtmlEscaped(result, text);
    return result;
}

std::string ExRtfEscape(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '{' || c == '}') {
            result += '\\';
            result += static_cast<char>(c);
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            result += "\\line ";
        } else if (c == '\t') {
            result += "\\tab ";
        } else if (c >= 128) {
            result += "\\'";
            result += hex[c >> 4];
            result += hex[c & 0xF];
        } else if (c < 32) {
            // Other control characters have no place in the document's text.
        } else {
            result += static_cast<char>(c);
        }
    }
    return result;
}

std::string ExCsvField(std::string_view text)
{
    std::string result;
    AppendCsvField(result, text);
    return result;
}

std::string ExTabField(std::string_view text)
{
    std::string result;
    AppendTabField(result, text);
    return result;
}

std::string ExHtmlColor(int color)
{
    return "#" + IntToHex(static_cast<uint32_t>(color) & 0xFFFFFFu, 6);
}

std::unique_ptr<TExDocumentWriter> MakeFormatWriter(TExCustomExport& owner, TExExportType type)
{
    switch (type) {
    case TExExportType::xtHTML: return std::make_unique<HtmlWriter>(owner);
    case TExExportType::xtWord:
    case TExExportType::xtRTF: return std::make_unique<RtfWriter>(owner);
    case TExExportType::xtTXT: return std::make_unique<TextWriter>(owner, false);
    case TExExportType::xtClipboard: return std::make_unique<TextWriter>(owner, true);
    case TExExportType::xtCSV: return std::make_unique<CsvWriter>(owner);
    case TExExportType::xtTAB: return std::make_unique<TabWriter>(owner);
    case TExExportType::xtDIF: return std::make_unique<DifWriter>(owner);
    case TExExportType::xtSYLK: return std::make_unique<SylkWriter>(owner);
    case TExExportType::xtExcel: break;
    }
    return nullptr;
}
