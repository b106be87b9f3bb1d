// The data-aware grid: it shows the dataset's window of records, follows navigation, filters
// and deletes through its data link, moves the dataset on clicks and keys, lets a handler paint
// cells, selects rows, and keeps its columns in layout streams.

#include "DataControlsTestSupport.h"

#include "platform/classes/PropertyPaths.h"
#include "platform/gui/DBCtrls.h"
#include "platform/gui/DBGrids.h"
#include "platform/rtl/Exceptions.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

class DBGridTest : public DataControlsFixture {
protected:
    void MakeGrid(int records)
    {
        OpenRecords(records);
        grid = Make<TDBGrid>("grid");
        grid->SetBounds(0, 0, 400, 200);
        grid->SetDataSource(source);
        form->Show();
        QApplication::processEvents();
    }

    QAbstractScrollArea* Area() const { return static_cast<QAbstractScrollArea*>(grid->Widget()); }
    QWidget* Viewport() const { return Area()->viewport(); }

    std::vector<std::string> ShownIds() const
    {
        std::vector<std::string> ids;
        for (int row = 0; row < grid->RowCount(); ++row) ids.push_back(grid->CellText(row, 0));
        return ids;
    }

    std::string CurrentId() const { return grid->CellText(grid->Row(), 0); }

    QPoint CellCentre(int row, int column) const { return grid->CellRect(row, column).ToQRect().center(); }

    QImage Picture() const { return Viewport()->grab().toImage(); }

    TDBGrid* grid = nullptr;
};

TEST_F(DBGridTest, ShowsTheCurrentRecordAndFollowsNavigation)
{
    MakeGrid(50);
    const int rows = grid->VisibleRowCount();
    ASSERT_GT(rows, 3);
    ASSERT_LT(rows, 50);
    EXPECT_EQ(grid->RowCount(), rows);
    EXPECT_EQ(grid->Columns().Count(), 2);
    EXPECT_EQ(grid->Columns()[1]->Title().Caption(), "NAME");
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->CellText(0, 1), "R1");

    dataSet->Next();
    dataSet->Next();
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(CurrentId(), "3");
    EXPECT_EQ(grid->CellText(0, 0), "1");

    dataSet->Last();
    EXPECT_EQ(grid->Row(), rows - 1);
    EXPECT_EQ(CurrentId(), "50");
    EXPECT_EQ(grid->CellText(0, 0), std::to_string(50 - rows + 1));
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 49);
    EXPECT_EQ(Area()->verticalScrollBar()->maximum(), 49);

    dataSet->First();
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(ShownIds().front(), "1");
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 0);

    // The scroll bar moves the dataset: a line, a page, the ends, and a drag to a record number.
    QScrollBar* bar = Area()->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(CurrentId(), "2");
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(CurrentId(), std::to_string(2 + rows));
    EXPECT_EQ(bar->value(), 1 + rows);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(CurrentId(), "50");
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(CurrentId(), "1");
    bar->setSliderDown(true);
    bar->setSliderPosition(24);
    bar->setSliderDown(false);
    EXPECT_EQ(CurrentId(), "25");
    EXPECT_EQ(bar->value(), 24);
}

TEST_F(DBGridTest, FollowsAFilterChangeAndADelete)
{
    MakeGrid(30);
    dataSet->OnFilterRecord = [](TDataSet* data, bool& accept) { accept = data->Fields()[0].AsInteger() % 3 == 0; };
    dataSet->SetFiltered(true);
    const std::vector<std::string> filtered = ShownIds();
    ASSERT_FALSE(filtered.empty());
    for (size_t i = 0; i < filtered.size(); ++i) EXPECT_EQ(filtered[i], std::to_string(3 * (i + 1)));
    // Under a filter the scroll bar only tells top, middle and bottom.
    EXPECT_EQ(Area()->verticalScrollBar()->maximum(), 4);
    dataSet->First();
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 0);
    dataSet->Next();
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 2);
    dataSet->Last();
    EXPECT_EQ(CurrentId(), "30");
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 4);

    // Dropping the filter keeps the current record and shows its neighbours.
    dataSet->SetFiltered(false);
    EXPECT_EQ(CurrentId(), "30");
    EXPECT_EQ(ShownIds().back(), "30");
    EXPECT_EQ(ShownIds().front(), std::to_string(30 - grid->RowCount() + 1));

    dataSet->First();
    dataSet->MoveBy(2);
    ASSERT_EQ(CurrentId(), "3");
    dataSet->Delete();
    EXPECT_EQ(CurrentId(), "4");
    const std::vector<std::string> after = ShownIds();
    EXPECT_EQ(std::count(after.begin(), after.end(), "3"), 0);
    EXPECT_EQ(after[0], "1");
    EXPECT_EQ(after[2], "4");
}

TEST_F(DBGridTest, ClicksAndKeysMoveTheDataset)
{
    MakeGrid(40);
    std::vector<std::string> clicks;
    int doubleClicks = 0;
    grid->OnCellClick = [&](TColumn* column) { clicks.push_back(column->FieldName() + "@" + dataSet->Fields()[0].AsString()); };
    grid->OnDblClick = [&](TObject*) { ++doubleClicks; };

    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(3, 1));
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 4);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(1, 0));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(1, 0));
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 2);
    EXPECT_EQ(doubleClicks, 1);
    ASSERT_GE(clicks.size(), 2u);
    EXPECT_EQ(clicks[0], "NAME@4");
    EXPECT_EQ(clicks[1], "ID@2");

    // A click below the last record or on the titles does not move.
    grid->SetBounds(0, 0, 400, 320);
    dataSet->SetFiltered(true);
    dataSet->OnFilterRecord = [](TDataSet* data, bool& accept) { accept = data->Fields()[0].AsInteger() <= 2; };
    dataSet->Refresh();
    QApplication::processEvents();
    ASSERT_EQ(grid->RowCount(), 2);
    const size_t before = clicks.size();
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, Viewport()->height() - 4));
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 3));
    EXPECT_EQ(clicks.size(), before);
    dataSet->SetFiltered(false);

    dataSet->First();
    grid->SetFocus();
    QTest::keyClick(Area(), Qt::Key_Down);
    QTest::keyClick(Area(), Qt::Key_Down);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 3);
    QTest::keyClick(Area(), Qt::Key_Up);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 2);
    QTest::keyClick(Area(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 40);

    // OnKeyDown sees the key first and may swallow it.
    std::vector<uint16_t> keys;
    grid->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        keys.push_back(key);
        if (key == VK_UP) key = 0;
    };
    QTest::keyClick(Area(), Qt::Key_Up);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 40);
    QTest::keyClick(Area(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 1);
    EXPECT_EQ(keys, (std::vector<uint16_t>{VK_UP, VK_HOME}));
}

TEST_F(DBGridTest, DraggingATitleEdgeResizesTheColumnAndTitleClicksReport)
{
    MakeGrid(5);
    std::vector<std::string> titles;
    grid->OnTitleClick = [&](TColumn* column) { titles.push_back(column->FieldName()); };
    const TRect first = grid->CellRect(0, 0);
    const int width = grid->Columns()[0]->Width();
    const QPoint edge(first.Right, 4);
    QTest::mousePress(Viewport(), Qt::LeftButton, Qt::NoModifier, edge);
    QTest::mouseMove(Viewport(), edge + QPoint(30, 0));
    QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, edge + QPoint(30, 0));
    EXPECT_EQ(grid->Columns()[0]->Width(), width + 30);
    EXPECT_TRUE(titles.empty());
    EXPECT_EQ(grid->CellRect(0, 1).Left, first.Left + width + 30 + 1);

    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(grid->CellRect(0, 1).Left + 10, 4));
    EXPECT_EQ(titles, std::vector<std::string>{"NAME"});
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 1);

    // Without dgColumnResize the edge is an ordinary title click.
    grid->SetOptions({TDBGridOption::dgTitles, TDBGridOption::dgColLines});
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(grid->CellRect(0, 0).Right - 1, 4));
    EXPECT_EQ(grid->Columns()[0]->Width(), width + 30);
    EXPECT_EQ(titles.size(), 2u);
}

TEST_F(DBGridTest, WheelTurnsMoveOneRowWithOrWithoutTheArrowKeyHook)
{
    MakeGrid(30);
    grid->SetFocus();
    auto turn = [&](int delta) {
        const QPointF at(50, 40);
        QWheelEvent wheel(at, Viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Viewport(), &wheel);
    };
    turn(-120);
    turn(-120);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 3);
    turn(120);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 2);

    // The application's hook turns each notch into an arrow key for the focused control.
    auto* hook = new TApplicationEvents(form.get());
    int converted = 0;
    hook->OnMessage = [&](TMsg& message, bool&) {
        if (message.Message != WM_MOUSEWHEEL) return;
        ++converted;
        const auto delta = static_cast<int16_t>(static_cast<uint16_t>(message.WParam >> 16));
        message.Message = WM_KEYDOWN;
        message.WParam = delta >= 1 ? VK_UP : VK_DOWN;
        message.LParam = 0;
    };
    turn(-360);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 3);
    turn(15);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 2);
    EXPECT_EQ(converted, 2);
    delete hook;
}

TEST_F(DBGridTest, DrawColumnCellPaintsAfterOrInsteadOfTheDefault)
{
    MakeGrid(20);
    grid->SetOptions({TDBGridOption::dgTitles, TDBGridOption::dgIndicator, TDBGridOption::dgRowSelect});
    std::vector<std::string> seen;
    grid->OnDrawColumnCell = [&](TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
        auto* painted = static_cast<TDBGrid*>(sender);
        const int id = dataSet->Fields()[0].AsInteger();
        seen.push_back(std::to_string(dataCol) + ":" + column->FieldName() + ":" + std::to_string(id));
        if (dataCol == 0 && id % 2 == 0) {
            painted->Canvas().Brush().SetColor(clRed);
            painted->Canvas().FillRect(rect);
        }
    };
    dataSet->Next();
    dataSet->Prior();
    const QImage picture = Picture();
    ASSERT_FALSE(picture.isNull());
    QDir().mkpath("artifacts");
    picture.save("artifacts/grid-draw-column-cell.png");
    EXPECT_NE(std::find(seen.begin(), seen.end(), "0:ID:2"), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), "1:NAME:3"), seen.end());
    // The handler ran with the dataset on each painted row, and the current record is back.
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 1);

    const TRect odd = grid->CellRect(0, 0);
    const TRect even = grid->CellRect(1, 0);
    EXPECT_EQ(picture.pixelColor(even.Left + 3, even.Top + 3), QColor(Qt::red));
    EXPECT_NE(picture.pixelColor(odd.Left + 3, odd.Top + 3), QColor(Qt::red));

    // Default drawing writes the text: dark pixels inside the NAME cell of an unpainted row.
    auto darkPixels = [](const QImage& image, const TRect& rect) {
        int dark = 0;
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                if (image.pixelColor(x, y).lightness() < 100) ++dark;
        return dark;
    };
    EXPECT_GT(darkPixels(picture, grid->CellRect(2, 1)), 0);
    grid->SetDefaultDrawing(false);
    const QImage bare = Picture();
    EXPECT_EQ(darkPixels(bare, grid->CellRect(2, 1)), 0);
    EXPECT_EQ(bare.pixelColor(even.Left + 3, even.Top + 3), QColor(Qt::red));
}

TEST_F(DBGridTest, NothingUpdatesWhileControlsAreDisabled)
{
    MakeGrid(60);
    auto* label = Make<TDBText>("label");
    label->SetDataSource(source);
    label->SetDataField("NAME");
    ASSERT_EQ(label->Caption(), "R1");
    const QImage before = Picture();

    dataSet->DisableControls();
    dataSet->Last();
    EXPECT_EQ(Area()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(label->Caption(), "R1");
    // A paint meanwhile shows the picture from before and leaves the walk's record alone.
    EXPECT_EQ(Picture(), before);
    EXPECT_EQ(dataSet->Fields()[0].AsInteger(), 60);
    dataSet->EnableControls();

    EXPECT_EQ(Area()->verticalScrollBar()->value(), 59);
    EXPECT_EQ(label->Caption(), "R60");
    EXPECT_EQ(CurrentId(), "60");
    EXPECT_NE(Picture(), before);
}

TEST_F(DBGridTest, MultiSelectKeepsBookmarksOfTheSelectedRows)
{
    MakeGrid(20);
    grid->SetOptions({TDBGridOption::dgTitles, TDBGridOption::dgRowSelect, TDBGridOption::dgMultiSelect});
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(0, 0));
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(2, 0));
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(4, 0));
    EXPECT_EQ(grid->SelectedRows().Count(), 3);
    EXPECT_TRUE(grid->SelectedRows().CurrentRowSelected());
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(2, 0));
    EXPECT_EQ(grid->SelectedRows().Count(), 2);
    EXPECT_FALSE(grid->SelectedRows().CurrentRowSelected());

    std::vector<int> ids;
    for (int i = 0; i < grid->SelectedRows().Count(); ++i) {
        dataSet->GotoBookmark(grid->SelectedRows()[i]);
        ids.push_back(dataSet->Fields()[0].AsInteger());
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 5}));

    // A plain click starts a new selection; the selected rows can be deleted together.
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(1, 0));
    EXPECT_EQ(grid->SelectedRows().Count(), 1);
    QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ControlModifier, CellCentre(3, 0));
    grid->SelectedRows().Delete();
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    EXPECT_TRUE(dataSet->IsStoredDeleted(2));
    EXPECT_TRUE(dataSet->IsStoredDeleted(4));
    EXPECT_FALSE(dataSet->IsStoredDeleted(3));
}

TEST_F(DBGridTest, DefaultColumnsFollowTheFieldsAndPersistentColumnsStay)
{
    MakeGrid(5);
    EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csDefault);
    dataSet->Close();
    EXPECT_EQ(grid->Columns().Count(), 0);
    EXPECT_EQ(grid->RowCount(), 0);
    dataSet->Open();
    ASSERT_EQ(grid->Columns().Count(), 2);

    grid->Columns().Clear();
    TColumn* name = grid->Columns().Add();
    name->SetFieldName("NAME");
    EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csCustomized);
    dataSet->Close();
    dataSet->Open();
    ASSERT_EQ(grid->Columns().Count(), 1);
    EXPECT_EQ(grid->CellText(0, 0), "R1");
    EXPECT_EQ(grid->FieldCount(), 1);
    EXPECT_EQ(grid->Fields(0), dataSet->FindField("NAME"));

    // Unset values follow the grid; set ones stay.
    grid->SetColor(clSilver);
    EXPECT_EQ(name->Color(), clSilver);
    name->SetColor(clYellow);
    grid->SetColor(clWhite);
    EXPECT_EQ(name->Color(), clYellow);
    EXPECT_EQ(name->Title().Color(), clBtnFace);
    grid->SetFixedColor(clGray);
    EXPECT_EQ(name->Title().Color(), clGray);

    grid->Columns().SetState(TDBGridColumnsState::csDefault);
    EXPECT_EQ(grid->Columns().Count(), 2);
}

TEST_F(DBGridTest, ColumnLayoutsRoundTripAndDropColumnsOfMissingFields)
{
    MakeGrid(5);
    grid->Columns().Clear();
    TColumn* id = grid->Columns().Add();
    id->SetFieldName("ID");
    id->Title().SetCaption("Number");
    id->Title().SetAlignment(TAlignment::taCenter);
    id->SetWidth(50);
    id->SetColor(clYellow);
    id->SetAlignment(TAlignment::taLeftJustify);
    TColumn* name = grid->Columns().Add();
    name->SetFieldName("NAME");
    name->Title().SetColor(clAqua);
    name->Font().SetStyle({TFontStyle::fsBold});
    name->SetVisible(false);

    const std::filesystem::path file = std::filesystem::temp_directory_path() / "zv_grid_layout_test.dat";
    grid->Columns().SaveToFile(file.string());
    grid->Columns().Clear();
    grid->Columns().RestoreDefaults();
    ASSERT_EQ(grid->Columns().LoadFromFile(file.string()), 0);
    ASSERT_EQ(grid->Columns().Count(), 2);
    const TColumn* loadedId = grid->Columns()[0];
    TColumn* loadedName = grid->Columns()[1];
    EXPECT_EQ(loadedId->FieldName(), "ID");
    EXPECT_EQ(loadedId->Title().Caption(), "Number");
    EXPECT_EQ(loadedId->Title().Alignment(), TAlignment::taCenter);
    EXPECT_EQ(loadedId->Width(), 50);
    EXPECT_EQ(loadedId->Color(), clYellow);
    EXPECT_EQ(loadedId->Alignment(), TAlignment::taLeftJustify);
    EXPECT_EQ(loadedName->FieldName(), "NAME");
    EXPECT_EQ(loadedName->Title().Caption(), "NAME");
    EXPECT_EQ(loadedName->Title().Color(), clAqua);
    EXPECT_TRUE(loadedName->Font().Style().Contains(TFontStyle::fsBold));
    EXPECT_FALSE(loadedName->Visible());
    EXPECT_FALSE(loadedName->ColorAssigned());
    EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csCustomized);
    std::filesystem::remove(file);

    // A layout naming a field the table no longer has loses that column only.
    std::string text = grid->Columns().SaveToText();
    const size_t at = text.find("'NAME'");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 6, "'GONE'");
    EXPECT_EQ(grid->Columns().LoadFromText(text), 1);
    ASSERT_EQ(grid->Columns().Count(), 1);
    EXPECT_EQ(grid->Columns()[0]->FieldName(), "ID");

    // A damaged layout is refused and leaves the columns as they were.
    EXPECT_THROW(grid->Columns().LoadFromText("<\n item\n  FieldName = 'NAME\n"), Exception);
    EXPECT_EQ(grid->Columns().Count(), 1);
}

TEST_F(DBGridTest, PublishedPropertiesReachColumnsByPath)
{
    MakeGrid(5);
    grid->Columns().SetState(TDBGridColumnsState::csCustomized);
    EXPECT_TRUE(SetPropertyPathText(*form, "grid.Columns.Items(1).Title.Caption", "Name"));
    EXPECT_TRUE(SetPropertyPathText(*form, "grid.Columns.Items(0).Width", "77"));
    EXPECT_EQ(grid->Columns()[1]->Title().Caption(), "Name");
    EXPECT_EQ(grid->Columns()[0]->Width(), 77);
    EXPECT_EQ(GetPropertyPathText(*form, "grid.Columns.Items(1).FieldName"), "NAME");
    EXPECT_TRUE(SetPropertyPathText(*form, "grid.TitleFont.Name", "Arial"));
    EXPECT_EQ(grid->TitleFont().Name(), "Arial");
    const TClassInfo* info = FindClassInfo("TDBGrid");
    ASSERT_NE(info, nullptr);
    for (const char* name : {"DataSource", "Columns", "Options", "OnDrawColumnCell", "OnCellClick", "FixedColor"})
        EXPECT_NE(info->FindProperty(name), nullptr) << name;
}

TEST_F(DBGridTest, ALargeTableOpensAndJumpsToItsEndReadingOnlyVisibleRecords)
{
    MakeGrid(200000);
    dataSet->fetchCalls = 0;
    dataSet->Last();
    EXPECT_EQ(CurrentId(), "200000");
    Picture();
    EXPECT_LT(dataSet->fetchCalls, 10 * grid->VisibleRowCount());
    dataSet->fetchCalls = 0;
    for (int i = 0; i < 5; ++i) QTest::keyClick(Area(), Qt::Key_PageUp);
    Picture();
    EXPECT_LT(dataSet->fetchCalls, 20 * grid->VisibleRowCount());
    EXPECT_EQ(Area()->verticalScrollBar()->maximum(), 199999);
    EXPECT_EQ(Area()->verticalScrollBar()->value(), dataSet->RecNo() - 1);
}

}  // namespace
