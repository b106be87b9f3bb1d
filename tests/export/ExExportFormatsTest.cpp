// The text of each document format on small fixtures: escaping and quoting, the HTML table
// with its colours and links, the fixed-width columns, the counts DIF gives, the SYLK cells
// and the RTF rows.

#include "ExportTestSupport.h"

#include "export/ExExportFormats.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace exporttest;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Runs `exporter` over `dataSet` into a file of the scratch folder and returns the document.
std::string Export(TExDataSetExport& exporter, TExExportType type, const ScratchFolder& folder)
{
    exporter.SetExportType(type);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = folder / "doc";
    exporter.Execute();
    return ReadFileContents(exporter.OutputFileName());
}

TEST(ExportEscaping, TextsAreMadeSafeForEachFormat)
{
    struct Case {
        const char* text;
        const char* html;
        const char* rtf;
        const char* csv;
        const char* tab;
    };
    const std::vector<Case> cases{
        {"plain", "plain", "plain", "plain", "plain"},
        {"<b>x</b> & 'y' \"z\"", "&lt;b&gt;x&lt;/b&gt; &amp; &#39;y&#39; &quot;z&quot;", "<b>x</b> & 'y' \"z\"",
         "\"<b>x</b> & 'y' \"\"z\"\"\"", "<b>x</b> & 'y' \"z\""},
        {"a\\b{c}", "a\\b{c}", "a\\\\b\\{c\\}", "a\\b{c}", "a\\b{c}"},
        {"caf\xE9 \x80", "caf\xE9 \x80", "caf\\'e9 \\'80", "\"caf\xE9 \x80\"", "caf\xE9 \x80"},
        {"one\r\ntwo\nthree\tfour", "one\r\ntwo\nthree\tfour", "one\\line two\\line three\\tab four",
         "\"one\r\ntwo\nthree\tfour\"", "one  two three four"},
        {"quote\"only", "quote&quot;only", "quote\"only", "\"quote\"\"only\"", "quote\"only"},
        {"a,b", "a,b", "a,b", "\"a,b\"", "a,b"},
        {"semi;colon", "semi;colon", "semi;colon", "semi;colon", "semi;colon"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExHtmlEscape(c.text), c.html) << c.text;
        EXPECT_EQ(ExRtfEscape(c.text), c.rtf) << c.text;
        EXPECT_EQ(ExCsvField(c.text), c.csv) << c.text;
        EXPECT_EQ(ExTabField(c.text), c.tab) << c.text;
    }
}

TEST(ExportHtml, TableColoursLinksAndTheRowWithoutHeader)
{
    ScratchFolder folder;
    std::vector<int> errors;
    auto dataSet = MakeAwkward();
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers, TExExportOptions::xoHeaderLine,
                        TExExportOptions::xoTruncate};
    exporter.HTML.Title = "Tickets <all>";
    exporter.ColumnWidths.SetText("10");
    exporter.OnGetHeader = [](TObject*, unsigned, std::string& text) { text = "Report <1>"; };
    const std::string html = Export(exporter, TExExportType::xtHTML, folder);
    EXPECT_THAT(html, HasSubstr("charset=windows-1252"));
    EXPECT_THAT(html, HasSubstr("  <TITLE>Tickets &lt;all&gt;</TITLE>\r\n"));
    EXPECT_THAT(html, HasSubstr("\r\nReport &lt;1&gt;\r\n  <HR>\r\n  <TABLE WIDTH=\"100%\" CELLPADDING=\"4\" CELLSPACING=\"0\" "
                                "BORDER=\"1\" BGCOLOR=\"#FFFFCF\">\r\n  <FONT COLOR=\"#000000\" FACE=\"Arial,Helvetica\">\r\n"
                                "   <TR BGCOLOR=\"#336699\">\r\n    <TD>&nbsp;</TD>\r\n    <TD WIDTH=\"10\"><B><FONT "
                                "COLOR=\"#FFFFFF\"><small>TITLE</small></FONT></B></TD>\r\n"));
    // The first data row (visited 0) is plain, the second odd one coloured; markup is text.
    EXPECT_THAT(html, HasSubstr("   <TR>\r\n    <TD ALIGN=\"Right\">1</TD>\r\n    <TD WIDTH=\"10\"><small>He said..."
                                "</small></TD>\r\n    <TD><small>&lt;b&gt;bold&lt;/b&gt; &amp; {brace} \\path\r\nsecond "
                                "line</small></TD>\r\n"));
    EXPECT_THAT(html, HasSubstr("   <TR BGCOLOR=\"#FFFFFF\">\r\n    <TD ALIGN=\"Right\">2</TD>"));
    // Null is text, never a link; a link shows its cut text and goes to the whole address.
    EXPECT_THAT(html, HasSubstr("<TD WIDTH=\"10\"><small>** NULL **</small></TD>"));
    EXPECT_THAT(html, HasSubstr("<small><A HREF=\"http://example.org/a?b=1&amp;c=2\">http://...</A></small>"));
    EXPECT_THAT(html, Not(HasSubstr("<b>")));

    // Without the header row the table still opens with the header-coloured row; a text that
    // only mentions an address is no link.
    dataSet->Edit();
    dataSet->FieldByName("TITLE")->SetAsString("see http://x.org");
    dataSet->Post();
    exporter.Options = {};
    exporter.HTML.Template = TExHTMLColorTemplate::ctDark;
    exporter.HTML.Options = {TExExportHTMLOption::hoAutoLink};
    exporter.OnGetHeader = nullptr;
    const std::string plain = Export(exporter, TExExportType::xtHTML, folder);
    EXPECT_THAT(plain, Not(HasSubstr("<TITLE>")));
    EXPECT_THAT(plain, HasSubstr(" <BODY BGCOLOR=\"#317676\" LINK=\"#DDE760\" ALINK=\"#FFFF00\" VLINK=\"#CCCC39\" "
                                 "TEXT=\"#FFE760\">\r\n <FONT COLOR=\"#FFE760\" FACE=\"Arial,Helvetica\">\r\n  <TABLE "
                                 "WIDTH=\"100%\" CELLPADDING=\"4\" CELLSPACING=\"0\" BGCOLOR=\"#004040\">\r\n  <FONT "
                                 "COLOR=\"#FFFFFF\" FACE=\"Arial,Helvetica\">\r\n   <TR BGCOLOR=\"#3A9393\">\r\n   <TR>\r\n"));
    EXPECT_THAT(plain, HasSubstr("<small>see http://x.org</small>"));
    EXPECT_THAT(plain, HasSubstr("  </FONT>\r\n  </TABLE>\r\n </FONT>\r\n </BODY>\r\n</HTML>\r\n"));
    EXPECT_TRUE(errors.empty());
}

TEST(ExportHtml, EmptyNullAndLinkCellsWholeAndCut)
{
    // An empty text that is not null, a null, a link and markup; each in a row of its own.
    struct Value {
        const char* text;  // null: a null value
    };
    const std::vector<Value> values{{""}, {nullptr}, {"mailto:a@b.org"}, {"a<b"}};
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 30}});
    for (size_t i = 0; i < values.size(); ++i) {
        const int recNo = static_cast<int>(i) + 1;
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(recNo, 0, recNo);
        if (values[i].text != nullptr) {
            dataSet->SetStoredString(recNo, 1, values[i].text);
        }
    }
    dataSet->Open();

    struct Case {
        const char* nameWidth;
        std::vector<std::string> nameCells;  // the NAME cell's content in each row, in order
    };
    const std::vector<Case> cases{
        {"30", {"<small>&nbsp;</small>", "<small>** NULL **</small>", "<small><A HREF=\"mailto:a@b.org\">mailto:a@b.org</A></small>",
                "<small>a&lt;b</small>"}},
        // Cut to five characters: the null text is cut like any other, the link shows its cut text.
        {"5", {"<small>&nbsp;</small>", "<small>**...</small>", "<small><A HREF=\"mailto:a@b.org\">ma...</A></small>",
               "<small>a&lt;b</small>"}},
    };
    ScratchFolder folder;
    std::vector<int> errors;
    for (const Case& c : cases) {
        TExDataSetExport exporter(nullptr);
        Unattended(exporter, errors);
        exporter.SetDataSet(dataSet.get());
        exporter.Options = {TExExportOptions::xoTruncate};
        exporter.ColumnWidths.SetText(std::string("15\r\n") + c.nameWidth);
        exporter.HTML.Options = {TExExportHTMLOption::hoAutoLink};
        const std::string html = Export(exporter, TExExportType::xtHTML, folder);
        std::string rows;
        for (size_t i = 0; i < c.nameCells.size(); ++i) {
            rows += "   <TR>\r\n    <TD WIDTH=\"15\"><small>" + std::to_string(i + 1) + "</small></TD>\r\n    <TD WIDTH=\"" +
                    c.nameWidth + "\">" + c.nameCells[i] + "</TD>\r\n   </TR>\r\n";
        }
        EXPECT_THAT(html, HasSubstr(rows)) << c.nameWidth;
    }
    EXPECT_TRUE(errors.empty());
}

TEST(ExportHtml, ColourTemplates)
{
    struct Case {
        TExHTMLColorTemplate colorTemplate;
        int active, background, link, text, visited, header, headerFont, table, odd, tableFont;
    };
    const std::vector<Case> cases{
        {TExHTMLColorTemplate::ctStandard, 0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xFFFF00, 0x336699, 0xFFFFFF, 0xFFFFCF, 0xFFFFFF, 0x000000},
        {TExHTMLColorTemplate::ctBW, 0xBBBBBB, 0xFFFFFF, 0xAAAAAA, 0x000000, 0xDDDDDD, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xF3F3F3, 0x000000},
        {TExHTMLColorTemplate::ctClassic, 0xFF0000, 0x339966, 0x0066CC, 0x000000, 0x923FC1, 0x000000, 0xFF0000, 0x006BCE, 0x007AEC, 0xFFFFFF},
        {TExHTMLColorTemplate::ctColorful, 0xFF0000, 0x339966, 0x0066CC, 0x000000, 0x923FC1, 0xCC0033, 0xFFFFFF, 0xFFFFFF, 0xFAF100, 0xFFFFFF},
        {TExHTMLColorTemplate::ctDark, 0xFFFF00, 0x317676, 0xDDE760, 0xFFE760, 0xCCCC39, 0x3A9393, 0xFFFFFF, 0x004040, 0x000000, 0xFFFFFF},
        {TExHTMLColorTemplate::ctGray, 0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xFFFF00, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xEEEEEE, 0x000000},
        {TExHTMLColorTemplate::ctMSMoney, 0xFF0000, 0xFFFFFF, 0x0000FF, 0x000000, 0xAABBAA, 0xCEC6B5, 0x000000, 0xDEE7DE, 0xFFFBF0, 0x000080},
        {TExHTMLColorTemplate::ctOlive, 0xFF0000, 0xFFFFFF, 0x0000FF, 0x5F605F, 0xFFFF00, 0xCFC890, 0x000000, 0xFFFFFF, 0xFFFFCF, 0x000000},
        {TExHTMLColorTemplate::ctCustom, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
    };
    TExHTMLOptions options;
    options.CustomColors.ActiveLink = 1;
    options.CustomColors.Background = 2;
    options.CustomColors.DefaultLink = 3;
    options.CustomColors.DefaultText = 4;
    options.CustomColors.VisitedLink = 5;
    options.CustomColors.HeaderBackground = 6;
    options.CustomColors.HeadersFontColor = 7;
    options.CustomColors.TableBackground = 8;
    options.CustomColors.TableOddBackground = 9;
    options.CustomColors.TableFontColor = 10;
    options.CustomColors.TableFontFace = "Mono";
    for (const Case& c : cases) {
        options.Template = c.colorTemplate;
        const TExHTMLColors colors = options.TemplateColors();
        const std::vector<int> got{colors.ActiveLink,       colors.Background,       colors.DefaultLink,
                                   colors.DefaultText,      colors.VisitedLink,      colors.HeaderBackground,
                                   colors.HeadersFontColor, colors.TableBackground,  colors.TableOddBackground,
                                   colors.TableFontColor};
        EXPECT_EQ(got, (std::vector<int>{c.active, c.background, c.link, c.text, c.visited, c.header, c.headerFont,
                                         c.table, c.odd, c.tableFont}))
            << static_cast<int>(c.colorTemplate);
        EXPECT_EQ(colors.TableFontFace, c.colorTemplate == TExHTMLColorTemplate::ctCustom ? "Mono" : "Arial,Helvetica");
    }
    EXPECT_EQ(ExHtmlColor(0x0000FF), "#0000FF");
    EXPECT_EQ(ExHtmlColor(0x12345678), "#345678");
}

TEST(ExportText, FixedWidthColumnsAlignmentsAndSeparators)
{
    ScratchFolder folder;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(10);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.ColumnWidths.SetText("4\r\n6");
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoHeaderLine, TExExportOptions::xoFooterLine,
                        TExExportOptions::xoRowNumbers, TExExportOptions::xoUseAlignments};
    exporter.OnGetFooter = [](TObject*, unsigned total, std::string& text) { text = std::to_string(total) + " rows"; };
    dataSet->First();
    const std::string text = Export(exporter, TExExportType::xtTXT, folder);
    // Row numbers two wide (ten records); the separator spans widths, columns and the number.
    EXPECT_EQ(text.substr(0, text.find("\r\n 3")),
              "   ID   NAME  \r\n--------------\r\n 1 1    R1    \r\n 2 2    R2    ");
    EXPECT_THAT(text, HasSubstr("\r\n10 10   R10   \r\n--------------\r\n10 rows\r\n"));

    // A centred text keeps the column width exactly.
    TExRow row;
    row.Cells.push_back(TExCell{0, "ab", "", false, 10, 3});
    row.Cells.push_back(TExCell{1, "toolong", "", false, 3, 2});
    row.Cells.push_back(TExCell{2, "r", "", false, 3, 2});
    std::vector<int> unused;
    TExDataSetExport lineExporter(nullptr);
    Unattended(lineExporter, unused);
    auto writer = MakeFormatWriter(lineExporter, TExExportType::xtTXT);
    writer->WriteRow(row);
    writer->Finish(folder / "row.txt");
    EXPECT_EQ(ReadFileContents(folder / "row.txt"), "    ab     toolong   r\r\n");
    EXPECT_TRUE(errors.empty());
}

TEST(ExportDelimited, CsvAndTabKeepEveryRowOnItsLineAndTheirColumnsInPlace)
{
    ScratchFolder folder;
    std::vector<int> errors;
    auto dataSet = MakeAwkward();
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers};
    exporter.SetRowNumberFormat("No %d");
    EXPECT_EQ(Export(exporter, TExExportType::xtCSV, folder),
              ",TITLE,NOTES,AMOUNT\r\n"
              "\"No 1\",\"He said \"\"hi\"\", then left; ok\",\"<b>bold</b> & {brace} \\path\r\nsecond line\",42\r\n"
              "\"No 2\",\"Caf\xE9 \xFC\xDF \xA9 \x80 \xFF\",tab\there,-7\r\n"
              "\"No 3\",\"** NULL **\",\"a,b;c \"\"q\"\" 'single'\",0\r\n"
              "\"No 4\",http://example.org/a?b=1&c=2,plain,1234567\r\n");
    EXPECT_EQ(Export(exporter, TExExportType::xtTAB, folder),
              "\tTITLE\tNOTES\tAMOUNT\r\n"
              "No 1\tHe said \"hi\", then left; ok\t<b>bold</b> & {brace} \\path  second line\t42\r\n"
              "No 2\tCaf\xE9 \xFC\xDF \xA9 \x80 \xFF\ttab here\t-7\r\n"
              "No 3\t** NULL **\ta,b;c \"q\" 'single'\t0\r\n"
              "No 4\thttp://example.org/a?b=1&c=2\tplain\t1234567\r\n");
    EXPECT_TRUE(errors.empty());
}

TEST(ExportDif, CountsAreThoseWritten)
{
    ScratchFolder folder;
    std::vector<int> errors;
    TMemoryDataSet threeColumns(nullptr, {{"A", TFieldType::ftInteger}, {"B", TFieldType::ftString, 5}, {"C", TFieldType::ftString, 5}});
    threeColumns.Open();
    for (int i = 0; i < 10; ++i) {
        threeColumns.Append();
        threeColumns.FieldByName("A")->SetAsInteger(i);
        threeColumns.FieldByName("B")->SetAsString("b\"" + std::to_string(i));
        threeColumns.Post();
    }
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(&threeColumns);
    exporter.Options = {TExExportOptions::xoRowNumbers};
    std::string dif = Export(exporter, TExExportType::xtDIF, folder);
    EXPECT_EQ(dif.substr(0, dif.find("-1,0")),
              "TABLE\r\n0,1\r\n\"TEXDATASETEXPORT\"\r\nVECTORS\r\n0,4\r\n\"\"\r\nTUPLES\r\n0,10\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n");
    EXPECT_THAT(dif, HasSubstr("-1,0\r\nBOT\r\n1,0\r\n\"1\"\r\n1,0\r\n\"0\"\r\n1,0\r\n\"b\"\"0\"\r\n1,0\r\n\"** NULL **\"\r\n"));
    EXPECT_THAT(dif, HasSubstr("\"** NULL **\"\r\n-1,0\r\nEOD\r\n"));

    // The caption row is a tuple too; a hidden column is no vector.
    exporter.Options = {TExExportOptions::xoShowHeader};
    threeColumns.FieldByName("C")->SetVisible(false);
    dif = Export(exporter, TExExportType::xtDIF, folder);
    EXPECT_THAT(dif, HasSubstr("VECTORS\r\n0,2\r\n\"\"\r\nTUPLES\r\n0,11\r\n"));
    EXPECT_THAT(dif, HasSubstr("DATA\r\n0,0\r\n\"\"\r\n-1,0\r\nBOT\r\n1,0\r\n\"A\"\r\n1,0\r\n\"B\"\r\n-1,0\r\n"));
    EXPECT_TRUE(errors.empty());
}

TEST(ExportSylk, CellsKeepTheirColumnsAndLines)
{
    ScratchFolder folder;
    std::vector<int> errors;
    TMemoryDataSet dataSet(nullptr, {{"A", TFieldType::ftString, 20}, {"HIDDEN", TFieldType::ftInteger}, {"C", TFieldType::ftString, 20}});
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("A")->SetAsString("x;y \"q\"");
    dataSet.FieldByName("C")->SetAsString("l1\r\nl2");
    dataSet.Post();
    dataSet.FieldByName("HIDDEN")->SetVisible(false);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(&dataSet);
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers};
    EXPECT_EQ(Export(exporter, TExExportType::xtSYLK, folder),
              "ID;PTEXDATASETEXPORT\r\n"
              "C;X2;Y1;K\"A\"\r\nC;X4;Y1;K\"C\"\r\n"
              "C;X1;Y2;K\"1\"\r\nC;X2;Y2;K\"x;;y \"q\"\"\r\nC;X4;Y2;K\"l1\x1B :l2\"\r\n"
              "E\r\n");
    EXPECT_TRUE(errors.empty());
}

TEST(ExportRtf, RowsCellsAndEscapes)
{
    ScratchFolder folder;
    std::vector<int> errors;
    TMemoryDataSet dataSet(nullptr, {{"A", TFieldType::ftString, 20}});
    dataSet.Open();
    for (const char* text : {"{x}\\", "caf\xE9\r\nnext"}) {
        dataSet.Append();
        dataSet.FieldByName("A")->SetAsString(text);
        dataSet.Post();
    }
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.PixelsPerInch = 120;
    exporter.SetDataSet(&dataSet);
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers, TExExportOptions::xoShowExportDate};
    exporter.Messages.CreatedText = "On";
    exporter.DOC_RTF.CustomSettings.DefaultFont.SetName("DejaVu Serif");
    exporter.DOC_RTF.CustomSettings.TableFont.SetStyle(TFontStyles{TFontStyle::fsItalic, TFontStyle::fsUnderline});
    exporter.OnGetHeader = [](TObject*, unsigned, std::string& text) { text = "Head {1}"; };
    SetClock([] { return EncodeDate(2026, 1, 2); });
    const std::string rtf = Export(exporter, TExExportType::xtWord, folder);
    SetClock(nullptr);
    EXPECT_EQ(exporter.OutputFileName(), folder / "doc.DOC");
    EXPECT_EQ(rtf.substr(0, rtf.find("\\margl")),
              "{\\rtf1\\ansi\\deff0\\deftab720\r\n{\\fonttbl{\\f0\\froman\\fcharset0 DejaVu Serif;}{\\f1\\fswiss\\fcharset0 MS "
              "Sans Serif;}{\\f2\\fswiss\\fcharset0 MS Sans Serif;}}\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
              "\\red0\\green0\\blue0;\\red0\\green0\\blue128;\\red255\\green255\\blue255;\\red128\\green255\\blue0;}\r\n");
    EXPECT_THAT(rtf, HasSubstr("\\margl461\\margr562\\margt101\\margb101\\par \\pard\\plain\\f0\\fs16\\cf0 Head \\{1\\}\r\n"
                               "\\par \\pard\\plain\\cgrid\r\n{\\stylesheet"));
    // Two cells (row number and A): 100/120 x 1400 twips apiece; the caption row is shaded 3.
    EXPECT_THAT(rtf, HasSubstr(" \\clcbpat3\\cltxlrtb\\cellx1167\\clvertalc"));
    EXPECT_THAT(rtf, HasSubstr("\\cellx2333\\pard\\ri-123\\nowidctlpar\\widctlpar\\intbl\\adjustright {\\f1\\fs16\\b\\cf1\\cgrid0 "
                               " \\cell A\\cell }\\pard \\nowidctlpar\\widctlpar\\intbl\\adjustright {\\row}\r\n"));
    EXPECT_THAT(rtf, HasSubstr(" \\clcbpat4\\cltxlrtb\\cellx1167"));
    EXPECT_THAT(rtf, HasSubstr("{\\f2\\fs16\\i\\ul\\cf2\\cgrid0 1\\cell \\{x\\}\\\\\\cell }"));
    EXPECT_THAT(rtf, HasSubstr(" \\clcbpat5\\cltxlrtb"));
    EXPECT_THAT(rtf, HasSubstr("2\\cell caf\\'e9\\line next\\cell }"));
    EXPECT_EQ(rtf.substr(rtf.rfind("\\pard\\nowidctlpar\\widctlpar\\adjustright {")),
              "\\pard\\nowidctlpar\\widctlpar\\adjustright {\r\n\\par \\pard\\plain\\f0\\fs16\\cf0 On 02/01/2026\r\n}}");
    EXPECT_TRUE(errors.empty());
}

TEST(ExportClipboard, TheTextGoesToTheClipboardAndTheUserIsTold)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(2);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtClipboard);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoHeaderLine, TExExportOptions::xoClipboardMessage};
    Clipboard().SetAsText("before");
    TDialogScript script;
    exporter.Execute();
    EXPECT_EQ(Clipboard().AsText(), "ID              NAME      \r\n--------------------------\r\n1               R1        \r\n"
                                    "2               R2        \r\n");
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "Data was copied to clipboard!");
    EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtInformation);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(FindFiles(folder.Path(), "*").empty());
}

}  // namespace
