// The grid setup without its window: the entries built from a grid, OK applied to grids with
// and without persistent columns (and kept through the layout stream), reordering, "Apply to
// All" and the colour table of the colour combos.

#include "GridSetupTestSupport.h"

#include "export/GtDBGSet.h"
#include "platform/db/Fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const TGtCharMetrics kMetrics{7, 0};

std::vector<std::string> ListTexts(const TGtGridSetupItems& items)
{
    std::vector<std::string> texts;
    for (const auto& item : items) {
        texts.push_back(item->ListText() + (item->Checked ? " [x]" : " [ ]"));
    }
    return texts;
}

std::vector<std::string> ColumnNames(TDBGrid& grid)
{
    std::vector<std::string> names;
    for (int i = 0; i < grid.Columns().Count(); ++i) {
        TColumn& column = *grid.Columns().Items(i);
        names.push_back(column.FieldName() + (column.Visible() ? "" : " (hidden)"));
    }
    return names;
}

std::vector<std::string> FieldNames(TDataSet& table)
{
    std::vector<std::string> names;
    for (int i = 0; i < table.FieldCount(); ++i) {
        names.push_back(table.Fields()[i].FieldName());
    }
    return names;
}

TGtGridSetupItem& Item(TGtGridSetupItems& items, const std::string& fieldName)
{
    for (auto& item : items) {
        if (item->FieldName == fieldName) {
            return *item;
        }
    }
    throw std::runtime_error("no entry " + fieldName);
}

TEST(GtGridSetupItems, ColumnsFirstThenTheFieldsNoColumnShows)
{
    TPeopleGrid people;
    people.Customize();
    people.grid->TitleFont().SetName("DejaVu Serif");
    TGtGridSetupItems items = GtGridSetupItems(*people.grid, TStringList(), kMetrics);
    EXPECT_EQ(ListTexts(items), (std::vector<std::string>{"NAME  :  Person [x]", "ID  :  ID [ ]", "CITY  :  CITY [x]",
                                                          "NOTE  :  NOTE [ ]"}))
        << "a hidden column's entry is unchecked, a field without a column comes last, unchecked";
    const TGtGridSetupItem& name = Item(items, "NAME");
    EXPECT_EQ(name.Position, 0);
    EXPECT_EQ(name.Width, (120 - 4) / 7);
    EXPECT_EQ(name.TitleColor, clYellow);
    EXPECT_EQ(name.DataColor, 0xD0F0E0);
    EXPECT_EQ(name.TitleFont.Name(), "DejaVu Serif") << "a title without its own font takes the grid's title font";
    EXPECT_EQ(Item(items, "CITY").DataAlignment, TAlignment::taCenter);
    EXPECT_EQ(Item(items, "CITY").Width, 0) << "a column that follows the field's width has no width of its own";
    const TGtGridSetupItem& note = Item(items, "NOTE");
    EXPECT_EQ(note.Position, 3);
    EXPECT_EQ(note.Width, 30) << "a field's entry takes its display width in characters";
    EXPECT_EQ(note.TitleColor, people.grid->FixedColor());
    EXPECT_EQ(note.DataColor, people.grid->Color());
    EXPECT_EQ(Item(items, "ID").DataAlignment, TAlignment::taRightJustify) << "numbers to the right";
}

TEST(GtGridSetupItems, AllowedFieldsLimitTheListAndOkWithNoEntryClearsTheColumns)
{
    TPeopleGrid people;
    people.Customize();
    TStringList allowed;
    allowed.Add("NOTE");
    allowed.Add("NAME");
    TGtGridSetupItems items = GtGridSetupItems(*people.grid, allowed, kMetrics);
    EXPECT_EQ(ListTexts(items), (std::vector<std::string>{"NAME  :  Person [x]", "NOTE  :  NOTE [ ]"}));

    TStringList nothing;
    nothing.Add("MISSING");
    items = GtGridSetupItems(*people.grid, nothing, kMetrics);
    EXPECT_TRUE(items.empty());
    GtApplyGridSetup(*people.grid, items, kMetrics);
    EXPECT_EQ(people.grid->Columns().Count(), 0);
}

TEST(GtApplyGridSetup, PersistentColumnsAreRebuiltInListOrderAndSurviveTheLayoutStream)
{
    TPeopleGrid people;
    people.Customize();
    TGtGridSetupItems items = GtGridSetupItems(*people.grid, TStringList(), kMetrics);
    GtMoveGridSetupItem(items, 3, 0);  // NOTE first
    Item(items, "NOTE").Checked = true;
    Item(items, "NOTE").Width = 12;
    Item(items, "NOTE").TitleCaption = "Remarks";
    Item(items, "NOTE").TitleAlignment = TAlignment::taRightJustify;
    Item(items, "NOTE").DataFont.SetName("DejaVu Sans Mono");
    Item(items, "NOTE").DataFont.SetSize(11);
    Item(items, "CITY").Checked = false;
    GtApplyGridSetup(*people.grid, items, kMetrics);

    EXPECT_EQ(ColumnNames(*people.grid), (std::vector<std::string>{"NOTE", "NAME"}))
        << "unchecked entries lose their columns (the hidden ID column and CITY)";
    EXPECT_EQ(people.grid->Columns().State(), TDBGridColumnsState::csCustomized);

    // The tracker keeps grid layouts as the column collection's stream: a fresh grid that reads
    // it shows the same columns.
    const std::string layout = people.grid->Columns().SaveToText();
    TPeopleGrid restarted;
    EXPECT_EQ(restarted.grid->Columns().LoadFromText(layout), 0);
    for (TDBGrid* grid : {people.grid.get(), restarted.grid.get()}) {
        SCOPED_TRACE(grid == people.grid.get() ? "after OK" : "after the layout stream");
        ASSERT_EQ(grid->Columns().Count(), 2);
        TColumn& note = *grid->Columns().Items(0);
        EXPECT_EQ(note.FieldName(), "NOTE");
        EXPECT_EQ(note.Title().Caption(), "Remarks");
        EXPECT_EQ(note.Title().Alignment(), TAlignment::taRightJustify);
        EXPECT_EQ(note.Width(), 7 * 12 + 4);
        EXPECT_EQ(note.Font().Name(), "DejaVu Sans Mono");
        EXPECT_EQ(note.Font().Size(), 11);
        TColumn& name = *grid->Columns().Items(1);
        EXPECT_EQ(name.Title().Caption(), "Person");
        EXPECT_EQ(name.Title().Color(), clYellow);
        EXPECT_EQ(name.Color(), 0xD0F0E0);
        EXPECT_EQ(name.Width(), 7 * ((120 - 4) / 7) + 4) << "the width goes through whole characters";
    }
}

TEST(GtApplyGridSetup, ColumnWithoutWidthKeepsTheGridsDefaultWidth)
{
    TPeopleGrid people;
    people.Customize();
    const int cityWidth = people.grid->Columns().Items(2)->Width();
    GtApplyGridSetup(*people.grid, GtGridSetupItems(*people.grid, TStringList(), kMetrics), kMetrics);
    TColumn& city = *people.grid->Columns().Items(1);
    ASSERT_EQ(city.FieldName(), "CITY");
    EXPECT_FALSE(city.WidthAssigned());
    EXPECT_EQ(city.Width(), cityWidth);
}

TEST(GtApplyGridSetup, DefaultColumnsReorderTheFieldsByNameWithoutRenamingThem)
{
    TPeopleGrid people;
    ASSERT_EQ(people.grid->Columns().State(), TDBGridColumnsState::csDefault);
    TGtGridSetupItems items = GtGridSetupItems(*people.grid, TStringList(), kMetrics);
    ASSERT_EQ(ListTexts(items),
              (std::vector<std::string>{"ID  :  ID [x]", "NAME  :  NAME [x]", "CITY  :  CITY [x]", "NOTE  :  NOTE [x]"}));
    GtMoveGridSetupItem(items, 2, 0);  // CITY, ID, NAME, NOTE
    Item(items, "ID").Checked = false;
    Item(items, "NAME").TitleCaption = "Person";
    Item(items, "NAME").Width = 25;
    Item(items, "NAME").DataAlignment = TAlignment::taRightJustify;
    Item(items, "CITY").TitleColor = clRed;  // not kept on a grid without persistent columns
    GtApplyGridSetup(*people.grid, items, kMetrics);

    EXPECT_EQ(FieldNames(*people.table), (std::vector<std::string>{"CITY", "ID", "NAME", "NOTE"}));
    EXPECT_EQ(ColumnNames(*people.grid), (std::vector<std::string>{"CITY", "ID (hidden)", "NAME", "NOTE"}));
    EXPECT_EQ(people.grid->Columns().State(), TDBGridColumnsState::csDefault);
    // Each field still reads its own values.
    people.table->First();
    EXPECT_EQ(people.table->FieldByName("NAME")->AsString(), "Ada");
    EXPECT_EQ(people.table->FieldByName("CITY")->AsString(), "Oslo");
    EXPECT_EQ(people.table->Fields()[0].AsString(), "Oslo");
    TField& name = *people.table->FieldByName("NAME");
    EXPECT_EQ(name.DisplayLabel(), "Person");
    EXPECT_EQ(name.DisplayWidth(), 25) << "the display width is in characters";
    EXPECT_EQ(name.Alignment(), TAlignment::taRightJustify);
    EXPECT_FALSE(people.table->FieldByName("ID")->Visible());
    EXPECT_EQ(people.grid->Columns().Items(2)->Title().Caption(), "Person");
    EXPECT_EQ(people.grid->Columns().Items(0)->Title().Color(), people.grid->FixedColor());
}

TEST(GtGridSetupItems, MoveAndApplyToAll)
{
    TPeopleGrid people;
    people.Customize();
    TGtGridSetupItems items = GtGridSetupItems(*people.grid, TStringList(), kMetrics);
    GtMoveGridSetupItem(items, 0, 2);
    GtMoveGridSetupItem(items, 1, 9);  // out of range: nothing
    GtMoveGridSetupItem(items, -1, 0);
    EXPECT_EQ(ListTexts(items), (std::vector<std::string>{"ID  :  ID [ ]", "CITY  :  CITY [x]",
                                                          "NAME  :  Person [x]", "NOTE  :  NOTE [ ]"}));

    TGtGridSetupItem& source = Item(items, "CITY");
    source.TitleAlignment = TAlignment::taCenter;
    source.TitleColor = clAqua;
    source.TitleFont.SetName("DejaVu Serif");
    source.DataAlignment = TAlignment::taRightJustify;
    source.DataColor = clCream;
    source.DataFont.SetSize(14);
    source.Width = 9;
    source.TitleCaption = "Town";
    GtApplyToAllGridSetupItems(items, 1);
    const TGtGridSetupItem& name = Item(items, "NAME");
    EXPECT_EQ(name.TitleAlignment, TAlignment::taCenter);
    EXPECT_EQ(name.TitleColor, clAqua);
    EXPECT_EQ(name.TitleFont.Name(), "DejaVu Serif");
    EXPECT_EQ(name.DataAlignment, TAlignment::taRightJustify);
    EXPECT_EQ(name.DataColor, clCream);
    EXPECT_EQ(name.DataFont.Size(), 14);
    EXPECT_EQ(name.Width, 9);
    EXPECT_EQ(name.TitleCaption, "Person") << "the caption is not copied";
    EXPECT_NE(Item(items, "NOTE").DataColor, clCream) << "unchecked entries are left alone";
    EXPECT_NE(Item(items, "ID").Width, 9);
}

TEST(GtColorTable, EntriesAndTheTwoCustomSlots)
{
    TGtColorTable table;
    struct Case {
        int index;
        TColor color;
    } cases[] = {{0, clBlack}, {9, clRed}, {15, clWhite}, {16, clScrollBar}, {20, clMenu}, {31, clBtnFace},
                 {40, clInfoBk}, {41, clSkyBlue}, {42, clMoneyGreen}, {43, clCream}};
    for (const Case& c : cases) {
        EXPECT_EQ(table.Entry(TGtColorCombo::ccTitle, c.index), c.color) << c.index;
        EXPECT_EQ(table.IndexOf(TGtColorCombo::ccData, c.color), c.index) << c.index;
    }
    EXPECT_EQ(ColorToRGB(clSkyBlue), 0xF0CAA6) << "sky blue is the colour number A6CAF0 as red, green, blue";
    table.SetCustom(TGtColorCombo::ccTitle, 0xD0F0E0);
    table.SetCustom(TGtColorCombo::ccData, 0x654321);
    EXPECT_EQ(table.Entry(TGtColorCombo::ccTitle, 44), 0xD0F0E0);
    EXPECT_EQ(table.Entry(TGtColorCombo::ccData, 44), 0x654321);
    EXPECT_EQ(table.IndexOf(TGtColorCombo::ccTitle, 0xD0F0E0), 44);
    EXPECT_EQ(table.IndexOf(TGtColorCombo::ccTitle, 0x654321), 0) << "the data slot is not the title combo's";
    table.SetCustom(TGtColorCombo::ccData, clRed);
    EXPECT_EQ(table.IndexOf(TGtColorCombo::ccData, clRed), 9) << "a table colour is found before the custom slot";
}

TEST(GtCharMetrics, PixelsAndCharacters)
{
    const TGtCharMetrics metrics{8, 1};
    EXPECT_EQ(metrics.CharactersOf(0), 0);
    EXPECT_EQ(metrics.CharactersOf(-5), 0);
    EXPECT_EQ(metrics.CharactersOf(3), 0);
    for (int characters : {1, 10, 33}) {
        EXPECT_EQ(metrics.CharactersOf(metrics.PixelsOf(characters)), characters);
    }
    EXPECT_EQ(metrics.PixelsOf(10), 7 * 10 + 1 + 4);
    EXPECT_EQ((TGtCharMetrics{0, 0}).CharactersOf(100), 96) << "a font without width does not divide by zero";
}

}  // namespace
