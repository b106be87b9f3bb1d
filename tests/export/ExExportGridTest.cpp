// The grid export: the grid's visible columns in their order with their titles and alignments,
// only the selected rows when asked, and the grid's dataset left on its record.

#include "ExportTestSupport.h"

#include "platform/db/DataSource.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Forms.h"

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

class ExportGrid : public ::testing::Test {
protected:
    ExportGrid()
    {
        TestApplication();
        dataSet = MakeNumbered(6);
        source = new TDataSource(&form);
        source->SetDataSet(dataSet.get());
        grid = new TDBGrid(&form);
        grid->SetParent(&form);
        grid->SetBounds(0, 0, 300, 200);
        grid->SetDataSource(source);
        // NAME first, titled; ID right-aligned; a third column without a field is hidden.
        grid->Columns().SetState(TDBGridColumnsState::csCustomized);
        grid->Columns().Clear();
        TColumn* name = grid->Columns().Add();
        name->SetFieldName("NAME");
        name->Title().SetCaption("Name \"quoted\"");
        name->SetAlignment(TAlignment::taCenter);
        TColumn* id = grid->Columns().Add();
        id->SetFieldName("ID");
        id->SetAlignment(TAlignment::taRightJustify);
        TColumn* hidden = grid->Columns().Add();
        hidden->SetFieldName("ID");
        hidden->SetVisible(false);
        exporter = std::make_unique<TExDBGridExport>(nullptr);
        Unattended(*exporter, errors);
        exporter->SetDBGrid(grid);
        exporter->SetExportType(TExExportType::xtCSV);
        exporter->ExportStyle = TExExportStyle::xsFile;
        exporter->FileName = folder / "grid";
        exporter->Options = {TExExportOptions::xoShowHeader, TExExportOptions::xoUseAlignments};
    }

    std::string Run()
    {
        exporter->Execute();
        return ReadFileContents(folder / "grid.CSV");
    }

    ScratchFolder folder;
    TForm form{nullptr};
    std::unique_ptr<TMemoryDataSet> dataSet;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
    std::unique_ptr<TExDBGridExport> exporter;
    std::vector<int> errors;
};

TEST_F(ExportGrid, ColumnsInGridOrderWithTitlesAndAlignments)
{
    EXPECT_EQ(exporter->Messages.Caption, "Exporting DBGrid");
    EXPECT_EQ(Run(), "\"Name \"\"quoted\"\"\",ID\r\nR1,1\r\nR2,2\r\nR3,3\r\nR4,4\r\nR5,5\r\nR6,6\r\n");
    EXPECT_EQ(exporter->GetColumnCount(), 3);
    EXPECT_FALSE(exporter->IsColumnVisible(2));
    EXPECT_EQ(exporter->GetAlignment(0), 3);
    EXPECT_EQ(exporter->GetAlignment(1), 2);
    EXPECT_EQ(exporter->GetColumnWidth(0), 10);
    EXPECT_EQ(exporter->GetColumnWidth(1), 15);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ExportGrid, OnlyTheSelectedRowsWhenAskedAndTheRecordIsKept)
{
    grid->SetOptions({TDBGridOption::dgTitles, TDBGridOption::dgRowSelect, TDBGridOption::dgMultiSelect});
    for (const int recNo : {2, 3, 6}) {
        dataSet->SetRecNo(recNo);
        grid->SelectedRows().SetCurrentRowSelected(true);
    }
    dataSet->SetRecNo(4);
    exporter->Options.Include(TExExportOptions::xoSelectedRowsOnly);
    exporter->Options.Include(TExExportOptions::xoRowNumbers);
    std::vector<std::string> reported;
    exporter->OnExport = [&](TObject*, unsigned current, unsigned total, const TExValues& values, bool canExport) {
        reported.push_back(values[0].AsString() + (canExport ? "+" : "-"));
    };
    EXPECT_EQ(Run(), ",\"Name \"\"quoted\"\"\",ID\r\n1,R2,2\r\n2,R3,3\r\n3,R6,6\r\n");
    EXPECT_EQ(reported, (std::vector<std::string>{"R1-", "R2+", "R3+", "R4-", "R5-", "R6+"}));
    EXPECT_EQ(dataSet->RecNo(), 4);
    EXPECT_FALSE(dataSet->ControlsDisabled());
    EXPECT_EQ(grid->SelectedRows().Count(), 3);

    // Without the row-select option no row counts as selected.
    grid->SetOptions({TDBGridOption::dgTitles, TDBGridOption::dgMultiSelect});
    EXPECT_EQ(Run(), ",\"Name \"\"quoted\"\"\",ID\r\n");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ExportGrid, AGridWithoutAnOpenDatasetIsNotReady)
{
    dataSet->Close();
    Run();
    delete grid;
    EXPECT_EQ(exporter->DBGrid(), nullptr);
    exporter->Execute();
    EXPECT_EQ(errors, (std::vector<int>{2, 2}));
}

}  // namespace
