// A table opened with an NTX index browses in key order in the data grid: the rows come in key
// order, scrolling refills from the index, and the scroll bar does not take record numbers for
// positions.
#include "../NtxTestSupport.h"
#include "GuiTestSupport.h"

#include "platform/db/DataSource.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/DataControlsRegistration.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

TEST(XbNTXGrid, ShowsTheTableInKeyOrder)
{
    TestApplication();
    RegisterDataControlClasses();
    RegisterDBFIndexClasses();
    TScratchFolder folder;
    WriteWholeFile(folder.File("people.dbf"), PeopleTable());
    WriteWholeFile(folder.File("people.ntx"), BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 2),
                                                      PeopleItems(TPeopleKey::Name, false)));
    // A window of four records, so that every few rows come from a refill in key order.
    TIndexedTable indexed(folder.File("people.dbf"), folder.File("people.ntx"), TAccessMode::kShareDenyNone, 4 * 27);
    TXbDBFNTX& table = *indexed.table;
    table.TrimCType = true;  // as the tracker sets it
    indexed.Open();

    TForm form(nullptr);
    form.SetName("form");
    form.SetBounds(10, 10, 420, 300);
    auto* source = new TDataSource(&form);
    source->SetName("source");
    source->SetDataSet(&table);
    auto* grid = new TDBGrid(&form);
    grid->SetName("grid");
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 400, 260);
    grid->SetDataSource(source);
    form.Show();
    QApplication::processEvents();

    std::vector<std::string> names;
    for (const TNtxItem& item : PeopleItems(TPeopleKey::Name, false))
        names.push_back(People()[item.RecNo - 1].Name);
    const int rows = grid->VisibleRowCount();
    ASSERT_GT(rows, 4);
    ASSERT_LT(rows, 30);
    for (int row = 0; row < rows; ++row)
        EXPECT_EQ(grid->CellText(row, 0), names[static_cast<size_t>(row)]) << "row " << row;

    QDir().mkpath("artifacts");
    EXPECT_TRUE(static_cast<QAbstractScrollArea*>(grid->Widget())->viewport()->grab().toImage().save(
        "artifacts/ntx-grid-key-order.png"));

    // Paging down and to the end keeps the key order.
    QScrollBar* bar = static_cast<QAbstractScrollArea*>(grid->Widget())->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(grid->CellText(grid->Row(), 0), names[static_cast<size_t>(rows)]);
    table.Last();
    EXPECT_EQ(grid->CellText(grid->Row(), 0), "Zimmer");
    for (int row = 0; row < rows; ++row)
        EXPECT_EQ(grid->CellText(row, 0), names[static_cast<size_t>(30 - rows + row)]) << "row " << row;
    // Record numbers are not positions in key order: the bar only tells top, middle and bottom.
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 4);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(grid->CellText(grid->Row(), 0), "Adams");
    EXPECT_EQ(table.RecNo(), 2);
}

}  // namespace
