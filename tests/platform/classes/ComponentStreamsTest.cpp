#include "TestClasses.h"

#include "platform/classes/ComponentStreams.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

void FillColumns(TTestColumns& columns)
{
    auto* id = static_cast<TTestColumn*>(columns.Add());
    id->fieldName = "ID";
    id->width = 40;
    id->title.caption = "It's #1\r\n\xE9t\xE9";
    id->title.font.style = 0b11;
    auto* name = static_cast<TTestColumn*>(columns.Add());
    name->fieldName = "NAME";
    name->ratio = 0.1;
    name->visible = false;
    name->alignment = TTestAlignment::taRightJustify;
    name->title.font.name = "Arial";
    columns.Add();  // all defaults
}

void ExpectSameColumns(const TTestColumns& a, const TTestColumns& b)
{
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
        auto* x = a.ItemsAs<TTestColumn>(i);
        auto* y = b.ItemsAs<TTestColumn>(i);
        EXPECT_EQ(x->fieldName, y->fieldName) << i;
        EXPECT_EQ(x->width, y->width) << i;
        EXPECT_EQ(x->ratio, y->ratio) << i;  // exact: floats are written to round-trip
        EXPECT_EQ(x->visible, y->visible) << i;
        EXPECT_EQ(x->alignment, y->alignment) << i;
        EXPECT_EQ(x->title.caption, y->title.caption) << i;
        EXPECT_EQ(x->title.font.name, y->title.font.name) << i;
        EXPECT_EQ(x->title.font.style, y->title.font.style) << i;
    }
}

TEST(ComponentStreams, ACollectionRoundTripsThroughAFile)
{
    RegisterTestClasses();
    TTestColumns saved(nullptr);
    FillColumns(saved);
    std::string text = WriteCollectionText(saved);
    // Defaults are left out: the third item is empty, the second writes no width.
    EXPECT_NE(text.find("item\n  end>"), std::string::npos) << text;
    EXPECT_EQ(text.find("Width = 64"), std::string::npos) << text;

    auto file = std::filesystem::temp_directory_path() / ("zv_columns_" + std::to_string(::getpid()) + ".dat");
    SaveCollectionToFile(saved, file.string());
    TTestColumns loaded(nullptr);
    loaded.Add();
    EXPECT_EQ(LoadCollectionFromFile(loaded, file.string()), 0);
    ExpectSameColumns(saved, loaded);
    // Writing what was read gives the same text again.
    EXPECT_EQ(WriteCollectionText(loaded), text);
    std::filesystem::remove(file);
    EXPECT_THROW(LoadCollectionFromFile(loaded, file.string()), EFOpenError);
    EXPECT_THROW(SaveCollectionToFile(saved, "/nonexistent-folder/x.dat"), EFCreateError);
}

TEST(ComponentStreams, ItemsThatNoLongerFitAreLeftOut)
{
    RegisterTestClasses();
    TTestColumns columns(nullptr);
    columns.fields = {"ID", "NAME"};
    const char* text = R"(<
  item
    FieldName = 'ID'
  end
  item
    FieldName = 'GONE'
  end
  item
    FieldName = 'NAME'
    Colour = 5
  end
  item
    FieldName = 'NAME'
    Alignment = taSideways
  end
  item
    FieldName = 'NAME'
    Width = 7
  end>
)";
    EXPECT_EQ(ReadCollectionText(columns, text, "maingrd.dat"), 3);
    ASSERT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns.ItemsAs<TTestColumn>(0)->fieldName, "ID");
    EXPECT_EQ(columns.ItemsAs<TTestColumn>(1)->width, 7);
}

TEST(ComponentStreams, ADamagedStreamFailsAndChangesNothing)
{
    RegisterTestClasses();
    TTestColumns columns(nullptr);
    FillColumns(columns);
    std::string before = WriteCollectionText(columns);
    const char* damaged[] = {"", "<item", "<item FieldName = 'x' end", "<item end> extra", "object x: y end", "<item Width = end>"};
    for (const char* text : damaged) {
        EXPECT_THROW(ReadCollectionText(columns, text, "maingrd.dat"), EParserError) << text;
        EXPECT_EQ(WriteCollectionText(columns), before) << text;
    }
}

TEST(Collections, ItemsKnowTheirIndexAndUpdatesAreBatched)
{
    RegisterTestClasses();
    TTestColumns columns(nullptr);
    columns.BeginUpdate();
    FillColumns(columns);
    EXPECT_EQ(columns.updates, 0);
    columns.EndUpdate();
    EXPECT_EQ(columns.updates, 1);

    TCollectionItem* last = columns.Items(2);
    last->SetIndex(0);
    EXPECT_EQ(columns.Items(0), last);
    EXPECT_EQ(last->Index(), 0);
    TCollectionItem* inserted = columns.Insert(1);
    EXPECT_EQ(inserted->Index(), 1);
    EXPECT_EQ(columns.FindItemID(inserted->ID()), inserted);
    columns.Delete(0);
    EXPECT_EQ(inserted->Index(), 0);
    EXPECT_THROW(columns.Items(3), EListError);
    EXPECT_THROW(columns.Delete(-1), EListError);

    TTestColumns copy(nullptr);
    copy.Assign(columns);
    ExpectSameColumns(columns, copy);
    columns.Clear();
    EXPECT_EQ(columns.Count(), 0);
    TTestFont font;
    EXPECT_THROW(copy.Assign(font), EConvertError);
}

TEST(Components, FreeingAnOwnerFreesItsComponentsAndTellsWhoReferencedThem)
{
    RegisterTestClasses();
    TTestForm form(nullptr);
    auto* menuOwner = new TComponent(nullptr);
    auto* menu = new TTestMenu(menuOwner);
    menu->SetName("menu1");
    auto* button = new TTestControl(&form);
    button->SetName("btn_ok");
    button->SetPopupMenu(menu);
    delete menuOwner;  // frees the menu, which the button references
    EXPECT_EQ(button->PopupMenu(), nullptr);

    // A component owned by the form: freeing the form frees it (the sanitizer build sees leaks).
    auto* child = new TTestControl(button);
    child->SetName("inner");
    EXPECT_EQ(button->FindComponent("INNER"), child);
    EXPECT_EQ(child->ComponentIndex(), 0);

    EXPECT_THROW(button->SetName("not a name"), EComponentError);
    auto* other = new TTestControl(&form);
    EXPECT_THROW(other->SetName("BTN_OK"), EComponentError);
    TTestControl stray(nullptr);
    stray.SetName("btn_ok");
    EXPECT_THROW(form.InsertComponent(&stray), EComponentError);

    TTestControl* doomed = other;
    FreeAndNil(doomed);
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(form.ComponentCount(), 1);
}

}  // namespace
