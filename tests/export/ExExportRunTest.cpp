// The export run: the row formatter's cells, the row-number format, the error codes, the
// output names of file and view style, the second run over an existing file, and what the run
// leaves of the source (its current record, its controls).

#include "ExportTestSupport.h"
#include "TextFit.h"

#include "export/ExExportProgress.h"
#include "export/ExExportSelect.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ProgressBar.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Exceptions.h"


#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

// The formatter sees the fields as the dataset export gives them.
TEST(ExportRow, ColumnWidthsFollowTheFieldTypeUnlessColumnWidthsSaysOtherwise)
{
    TestApplication();
    TMemoryDataSet dataSet(nullptr, {{"S", TFieldType::ftString, 25},
                                     {"I", TFieldType::ftInteger},
                                     {"F", TFieldType::ftFloat},
                                     {"B", TFieldType::ftBoolean},
                                     {"D", TFieldType::ftDate},
                                     {"T", TFieldType::ftTime},
                                     {"DT", TFieldType::ftDateTime},
                                     {"PIC", TFieldType::ftBlob},
                                     {"CUR", TFieldType::ftCurrency}});
    dataSet.Open();
    TExDataSetExport exporter(nullptr);
    exporter.SetDataSet(&dataSet);
    exporter.DateFormat = "yyyy-mm-dd";
    exporter.TimeFormat = "hh:nn:ss";
    exporter.DateTimeFormat = "d/m/yy h:n";
    exporter.Messages.TrueText = "Yes";
    exporter.Messages.FalseText = "Nope";
    const std::vector<int> expected{25, 15, 15, 4, 10, 8, 14, 12, 15};
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        EXPECT_EQ(exporter.ColumnWidth(i), expected[static_cast<size_t>(i)]) << dataSet.Fields()[i].FieldName();
    }
    // A line that reads as an integer wins; one that does not is ignored.
    exporter.ColumnWidths.SetText("7\r\nwide\r\n0");
    EXPECT_EQ(exporter.ColumnWidth(0), 7);
    EXPECT_EQ(exporter.ColumnWidth(1), 15);
    EXPECT_EQ(exporter.ColumnWidth(2), 0);
}

TEST(ExportRow, CellTextsNullTruncationAndAlignment)
{
    TestApplication();
    auto dataSet = MakeNumbered(1);
    TExDataSetExport exporter(nullptr);
    exporter.SetDataSet(dataSet.get());
    struct Case {
        Variant value;
        int width;
        bool truncate;
        std::string symbol;
        std::string text;
    };
    const std::vector<Case> cases{
        {Variant::Null(), 5, true, "...", "**..."},
        {Variant::Null(), 20, false, "...", "** NULL **"},
        {Variant("abcdefghij"), 5, true, "...", "ab..."},
        {Variant("abcdefghij"), 5, false, "...", "abcdefghij"},
        {Variant("abcdefghij"), 10, true, "...", "abcdefghij"},
        {Variant("abcdefghij"), 0, true, "...", "abcdefghij"},  // no width: kept whole
        {Variant("abcdefghij"), 2, true, "...", "..."},         // narrower than the symbol
        {Variant("abcdefghij"), 4, true, "~", "abc~"},
        {Variant(12345), 3, true, "", "123"},
    };
    for (const Case& c : cases) {
        exporter.ColumnWidths.Clear();
        exporter.ColumnWidths.Add(std::to_string(c.width));
        exporter.TruncateSymbol = c.symbol;
        if (c.truncate) {
            exporter.Options.Include(TExExportOptions::xoTruncate);
        } else {
            exporter.Options.Exclude(TExExportOptions::xoTruncate);
        }
        const TExRow row = exporter.FormatRow({c.value, Variant("x")}, false, false);
        ASSERT_EQ(row.Cells.size(), 2u);
        EXPECT_EQ(row.Cells[0].Text, c.text) << c.width << " " << c.symbol;
        EXPECT_EQ(row.Cells[0].IsNull, c.value.IsNull());
    }
    // Invisible columns are left out unless invisibles are exported; their index stays.
    dataSet->Fields()[0].SetVisible(false);
    TExRow row = exporter.FormatRow({Variant(1), Variant("x")}, false, false);
    ASSERT_EQ(row.Cells.size(), 1u);
    EXPECT_EQ(row.Cells[0].Column, 1);
    exporter.Options.Include(TExExportOptions::xoExportInvisibles);
    EXPECT_EQ(exporter.FormatRow({Variant(1), Variant("x")}, false, false).Cells.size(), 2u);
    // The dataset export gives no alignment; the grid export does (see the grid tests).
    EXPECT_EQ(row.Cells[0].Alignment, 0);
}

TEST(ExportRow, RowNumberFormatTakesExactlyOneIntegerConversion)
{
    TestApplication();
    TExDataSetExport exporter(nullptr);
    struct Case {
        const char* format;
        bool accepted;
        const char* seven;  // row 7 in the accepted format
    };
    const std::vector<Case> cases{
        {"%d", true, "7"},      {"%03d", true, "007"},   {"No. %d", true, "No. 7"}, {"%-4d|", true, "7   |"},
        {"%d%%", true, "7%"},   {"%.2d", true, "07"},    {"row", false, ""},        {"%s", false, ""},
        {"%d%d", false, ""},    {"%n", false, ""},       {"%x", false, ""},         {"%", false, ""},
        {"%*d", false, ""},     {"%1$d", false, ""},     {"%ld", false, ""},
    };
    for (const Case& c : cases) {
        TDialogScript script;
        exporter.SetRowNumberFormat("%d");
        exporter.SetRowNumberFormat(c.format);
        if (c.accepted) {
            EXPECT_EQ(exporter.RowNumberFormat(), c.format);
            EXPECT_EQ(exporter.FormatRowNumber(7), c.seven) << c.format;
            EXPECT_TRUE(script.Records().empty()) << c.format;
        } else {
            EXPECT_EQ(exporter.RowNumberFormat(), "%d") << c.format;
            ASSERT_EQ(script.Records().size(), 1u) << c.format;
            EXPECT_EQ(script.Records()[0].Text, "The format has to contain %d string.");
            EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtError);
        }
    }
}

TEST(ExportRun, ErrorCodes)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(3);

    // 2: no dataset, then a closed one.
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetExportType(TExExportType::xtCSV);
    exporter.Execute();
    dataSet->Close();
    exporter.SetDataSet(dataSet.get());
    exporter.Execute();
    EXPECT_EQ(errors, (std::vector<int>{2, 2}));
    dataSet->Open();

    // 4: the save dialog cancelled; 0: the save dialog gave no name.
    errors.clear();
    exporter.ExportStyle = TExExportStyle::xsFile;
    {
        TDialogScript script;
        script.Answer(TModalResult::mrCancel);
        exporter.Execute();
        script.Answer(TDialogAnswer{TModalResult::mrOk, "", clBlack, 0});
        exporter.Execute();
        ASSERT_EQ(script.Records().size(), 2u);
        EXPECT_EQ(script.Records()[0].Kind, TDialogKind::dkSave);
        EXPECT_EQ(script.Records()[0].Caption, "Save document");
    }
    EXPECT_EQ(errors, (std::vector<int>{4, 0}));

    // 1: the file exists and OnFileExist refuses; the file stays as it was.
    errors.clear();
    exporter.FileName = folder / "out.csv";
    WriteFileAtomically(folder / "out.CSV", "old");
    exporter.OnFileExist = [](TObject*, const std::string&, bool& canOverWrite) { canOverWrite = false; };
    exporter.Execute();
    EXPECT_EQ(errors, (std::vector<int>{1}));
    EXPECT_EQ(ReadFileContents(folder / "out.CSV"), "old");

    // 3: the document cannot be written (no such folder), and a format that is not available.
    errors.clear();
    exporter.OnFileExist = nullptr;
    exporter.FileName = folder / "missing/out.csv";
    exporter.Execute();
    RegisterExportWriter(TExExportType::xtExcel, nullptr);
    exporter.SetExportType(TExExportType::xtExcel);
    exporter.FileName = folder / "out.xls";
    exporter.Execute();
    EXPECT_EQ(errors, (std::vector<int>{3, 3}));
    EXPECT_FALSE(FileExists(folder / "out.XLS"));
    EXPECT_TRUE(opener.opened.empty());
}

TEST(ExportRun, WithoutAnErrorHandlerAFailureIsShownButACancelledDialogIsNot)
{
    TestApplication();
    TExDataSetExport exporter(nullptr);
    exporter.ShowSelection = [](Tfrm_Selection&) { return true; };
    TDialogScript script;
    exporter.Execute();
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(script.Records()[0].Text, ExportErrorText(TExExportError::eeNotReady));

    auto dataSet = MakeNumbered(1);
    exporter.SetDataSet(dataSet.get());
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.SetExportType(TExExportType::xtCSV);
    script.ClearRecords();
    script.Answer(TModalResult::mrCancel);
    exporter.Execute();
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Kind, TDialogKind::dkSave);
}

TEST(ExportRun, FileStyleTakesTheFormatsExtensionAndASecondRunAsksBeforeOverwriting)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(2);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtCSV);
    exporter.ExportStyle = TExExportStyle::xsFile;
    std::vector<std::string> asked;
    exporter.OnFileExist = [&](TObject*, const std::string& name, bool&) { asked.push_back(name); };

    TDialogScript script;
    script.Answer(TDialogAnswer{TModalResult::mrOk, folder / "typed.txt", clBlack, 0});
    exporter.Execute();
    EXPECT_EQ(exporter.FileName, folder / "typed.txt");
    EXPECT_EQ(exporter.OutputFileName(), folder / "typed.CSV");
    EXPECT_EQ(ReadFileContents(folder / "typed.CSV"), "ID,NAME\r\n1,R1\r\n2,R2\r\n");
    EXPECT_TRUE(asked.empty());

    // Again: no dialog, the same name, and OnFileExist is asked first.
    exporter.Execute();
    EXPECT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(asked, (std::vector<std::string>{folder / "typed.CSV"}));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(opener.opened.empty());

    // OnGetExtension may choose another extension.
    exporter.OnGetExtension = [](TObject*, std::string& extension) { extension = "dat"; };
    exporter.Execute();
    EXPECT_TRUE(FileExists(folder / "typed.dat"));
}

TEST(ExportRun, ViewStyleWritesAFreshTemporaryNameAndOpensIt)
{
    ScratchFolder folder;
    OpenerRecorder opener;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(2);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtHTML);
    exporter.TempDir = folder.Path();
    WriteFileAtomically(folder / "EXV0001.HTML", "taken");
    exporter.Execute();
    EXPECT_EQ(opener.opened, (std::vector<std::string>{folder / "EXV0002.HTML"}));
    EXPECT_NE(ReadFileContents(folder / "EXV0002.HTML").find("<TD><small>R2</small></TD>"), std::string::npos);
    EXPECT_EQ(ReadFileContents(folder / "EXV0001.HTML"), "taken");

    // HTM by the option; the clipboard forms no file to open.
    exporter.HTML.Extension = TExHTMLExtension::exHTM;
    exporter.Execute();
    EXPECT_EQ(opener.opened.back(), folder / "EXV0001.HTM");
    exporter.SetExportType(TExExportType::xtClipboard);
    exporter.Options.Exclude(TExExportOptions::xoClipboardMessage);
    exporter.Execute();
    EXPECT_EQ(opener.opened.size(), 2u);
    EXPECT_TRUE(errors.empty());
}

TEST(ExportRun, EventsRowsSelectionAndTheSourceLeftAsItWas)
{
    ScratchFolder folder;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(5);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.SetExportType(TExExportType::xtTAB);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = folder / "rows";
    exporter.Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers, TExExportOptions::xoShowExportDate};
    exporter.Messages.CreatedText = "Made:";
    SetClock([] { return EncodeDate(2026, 3, 4) + EncodeTime(5, 6, 0, 0); });
    std::vector<std::string> calls;
    exporter.OnGetHeader = [&](TObject*, unsigned total, std::string& text) { text = "Head " + std::to_string(total); };
    exporter.OnGetFooter = [&](TObject*, unsigned total, std::string& text) { text = "Foot\r\nline 2"; };
    exporter.OnExport = [&](TObject*, unsigned current, unsigned total, const TExValues& values, bool canExport) {
        calls.push_back(std::to_string(current) + "/" + std::to_string(total) + ":" + values[1].AsString());
    };
    dataSet->MoveBy(2);
    bool controlsDisabledDuringRun = false;
    exporter.OnBeginExport = [&](TObject*) { controlsDisabledDuringRun = dataSet->ControlsDisabled(); };
    exporter.Execute();
    SetClock(nullptr);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"0/5:R1", "1/5:R2", "2/5:R3", "3/5:R4", "4/5:R5"}));
    EXPECT_EQ(ReadFileContents(folder / "rows.TXT"),
              "Head 5\r\n\tID\tNAME\r\n1\t1\tR1\r\n2\t2\tR2\r\n3\t3\tR3\r\n4\t4\tR4\r\n5\t5\tR5\r\nFoot\r\nline 2\r\n"
              "Made: 04/03/2026 05:06:00\r\n");
    EXPECT_EQ(dataSet->FieldByName("ID")->AsInteger(), 3);
    EXPECT_TRUE(controlsDisabledDuringRun);
    EXPECT_FALSE(dataSet->ControlsDisabled());
}

TEST(ExportRun, ALargeDocumentIsWrittenWholeAndAFailedRunLeavesTheOldFile)
{
    // Enough rows that the document reaches the file in many pieces.
    constexpr int kRows = 60000;
    ScratchFolder folder;
    std::vector<int> errors;
    auto dataSet = MakeNumbered(kRows);
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(dataSet.get());
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.Options = {TExExportOptions::xoShowHeader};
    auto entries = [&folder] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };

    exporter.SetExportType(TExExportType::xtCSV);
    exporter.FileName = folder / "big";
    exporter.Execute();
    std::string expected = "ID,NAME\r\n";
    for (int i = 1; i <= kRows; ++i) {
        expected += std::to_string(i) + ",R" + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(ReadFileContents(folder / "big.CSV"), expected);

    // The fixed-width text written to a file is the text the clipboard is given whole.
    exporter.SetExportType(TExExportType::xtTXT);
    exporter.Execute();
    exporter.SetExportType(TExExportType::xtClipboard);
    exporter.Execute();
    const std::string text = ReadFileContents(folder / "big.TXT");
    EXPECT_GT(text.size(), 1000000u);
    EXPECT_TRUE(Clipboard().AsText() == text);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(entries(), (std::vector<std::string>{"big.CSV", "big.TXT"}));

    // A run that fails late, when much of the document is written, keeps the file as it was
    // and leaves nothing behind.
    exporter.SetExportType(TExExportType::xtCSV);
    exporter.OnExport = [](TObject*, unsigned current, unsigned, const TExValues&, bool) {
        if (current == kRows - 10) {
            throw EWriteError("disk full");
        }
    };
    exporter.Execute();
    EXPECT_EQ(errors, (std::vector<int>{3}));
    EXPECT_TRUE(ReadFileContents(folder / "big.CSV") == expected);
    EXPECT_EQ(entries(), (std::vector<std::string>{"big.CSV", "big.TXT"}));
}

TEST(ExportRun, ASourceWithoutFieldsWritesNothingButStillEnds)
{
    ScratchFolder folder;
    std::vector<int> errors;
    TMemoryDataSet dataSet(nullptr, {});
    dataSet.Open();
    TExDataSetExport exporter(nullptr);
    Unattended(exporter, errors);
    exporter.SetDataSet(&dataSet);
    exporter.SetExportType(TExExportType::xtCSV);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = folder / "none";
    int begins = 0;
    int ends = 0;
    exporter.OnBeginExport = [&](TObject*) { ++begins; };
    exporter.OnEndExport = [&](TObject*) { ++ends; };
    exporter.Execute();
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(exporter.ProgressWindow().Visible());
    EXPECT_FALSE(FileExists(folder / "none.CSV"));
    EXPECT_TRUE(errors.empty());
}

TEST(ExportSelection, OffersTheFormatsInOrderAndFollowsTheUsersChoice)
{
    TestApplication();
    TExDataSetExport exporter(nullptr);
    exporter.SetExportType(TExExportType::xtRTF);
    exporter.SetExportTypes({TExExportType::xtCSV, TExExportType::xtClipboard, TExExportType::xtHTML});
    exporter.ExportStyle = TExExportStyle::xsFile;
    Tfrm_Selection& window = exporter.SelectionWindow();
    window.Prepare();
    EXPECT_EQ(window.Caption(), "Exporting DataSet");
    EXPECT_EQ(window.GroupBox->Caption(), " E&xport formats: ");
    EXPECT_EQ(window.SelectionCombo->Items().Text(), "HTML\r\nRich Text\r\nComma-Separated Text\r\nClipboard\r\n");
    EXPECT_EQ(window.SelectionCombo->Text(), "Rich Text");
    EXPECT_EQ(window.SelectionCombo->DropDownCount(), 4);
    EXPECT_TRUE(window.rdo_File->Checked());
    EXPECT_FALSE(window.rdo_View->Checked());
    EXPECT_FALSE(window.IconImage->Picture().Empty());

    window.SelectionCombo->SetItemIndex(3);
    window.SelectionComboChange(window.SelectionCombo);
    EXPECT_EQ(exporter.ExportType(), TExExportType::xtClipboard);
    EXPECT_FALSE(window.rdo_View->Enabled());
    EXPECT_FALSE(window.rdo_File->Enabled());
    EXPECT_EQ(exporter.ExportStyle, TExExportStyle::xsFile);
    window.SelectionCombo->SetItemIndex(0);
    window.SelectionComboChange(window.SelectionCombo);
    EXPECT_EQ(exporter.ExportType(), TExExportType::xtHTML);
    EXPECT_TRUE(window.rdo_View->Enabled());
    window.rdo_View->Click();
    EXPECT_EQ(exporter.ExportStyle, TExExportStyle::xsView);

    // Cancel ends the run with nothing done.
    std::vector<int> errors;
    exporter.OnError = [&errors](TObject*, TExExportError error) { errors.push_back(static_cast<int>(error)); };
    exporter.ShowSelection = [](Tfrm_Selection&) { return false; };
    exporter.Execute();
    EXPECT_TRUE(errors.empty());
}

TEST(ExportSelection, TheWindowsShowEveryTextWhole)
{
    TestApplication();
    TExDataSetExport exporter(nullptr);
    exporter.Messages.Text = "Processing...";
    exporter.SelectionWindow().Prepare();
    EXPECT_THAT(CutTexts(exporter.SelectionWindow()), ::testing::IsEmpty());
    exporter.ProgressWindow().Arrange(300, 80, "Export", "Processing...", 10);
    EXPECT_THAT(CutTexts(exporter.ProgressWindow()), ::testing::IsEmpty());
    // The bar lies below the label, centred in the height left.
    const Tfrm_ProgressForm& progress = exporter.ProgressWindow();
    EXPECT_GT(progress.ProgressBar->Top(), progress.ProgressLabel->Top() + progress.ProgressLabel->Height());
    EXPECT_LE(progress.ProgressBar->Top() + progress.ProgressBar->Height(), 80);
    if (const char* shots = std::getenv("ZV_EXPORT_SHOTS"); shots != nullptr) {
        exporter.SelectionWindow().Grab().save(QString::fromUtf8(shots) + "/selection.png");
        exporter.ProgressWindow().Grab().save(QString::fromUtf8(shots) + "/progress.png");
    }
}

}  // namespace

namespace {

TEST(ExportComponent, AFormDescriptionSetsItsPublishedProperties)
{
    TestApplication();
    TExDataSetExport::RegisterClass();
    TForm form(nullptr);
    form.LoadFormText(R"(object Form1: TForm
  object exporter: TExDataSetExport
    ExportType = xtCSV
    ExportStyle = xsFile
    Options = [xoShowHeader, xoRowNumbers]
    RowNumberFormat = 'No %d'
    HTML.Title = 'Tickets'
    HTML.Template = ctOlive
    DOC_RTF.CellWidth = 1000
    Messages.Caption = 'Export tickets'
    Messages.Width = 320
  end
end)",
                      "export test");
    auto* exporter = dynamic_cast<TExDataSetExport*>(form.FindComponent("exporter"));
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exporter->ExportType(), TExExportType::xtCSV);
    EXPECT_EQ(exporter->ExportStyle, TExExportStyle::xsFile);
    EXPECT_EQ(exporter->Options, (TExExportOptionSet{TExExportOptions::xoShowHeader, TExExportOptions::xoRowNumbers}));
    EXPECT_EQ(exporter->RowNumberFormat(), "No %d");
    EXPECT_EQ(exporter->HTML.Title, "Tickets");
    EXPECT_EQ(exporter->HTML.Template, TExHTMLColorTemplate::ctOlive);
    EXPECT_EQ(exporter->DOC_RTF.CellWidth, 1000);
    EXPECT_EQ(exporter->Messages.Caption, "Export tickets");
    EXPECT_EQ(exporter->Messages.Width, 320);
}

}  // namespace
