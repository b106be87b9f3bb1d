#include "TestClasses.h"

#include "platform/classes/PropertyPaths.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// A form with a button, a group box holding a label as a child control only (owned by the form
// under another name would hide it), a list, and a grid with two columns.
class PathFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        form = new TTestForm(nullptr);
        form->SetName("mainfrm");
        button = new TTestControl(form);
        button->SetName("btn_ok");
        group = new TTestControl(form);
        group->SetName("grp1");
        childOwner = new TTestControl(nullptr);
        label = new TTestControl(childOwner);  // owned elsewhere, child control of grp1
        label->SetName("lb_product");
        label->SetParentComponent(group);
        list = new TTestControl(form);
        list->SetName("listname");
        grid = new TTestGrid(form);
        grid->SetName("maingrid");
        grid->columns.Add();
        grid->columns.Add();
    }
    void TearDown() override
    {
        delete form;
        delete childOwner;
    }

    TTestForm* form = nullptr;
    TTestControl* button = nullptr;
    TTestControl* group = nullptr;
    TTestControl* childOwner = nullptr;
    TTestControl* label = nullptr;
    TTestControl* list = nullptr;
    TTestGrid* grid = nullptr;
};

TEST_F(PathFixture, PathShapesReachTheirProperties)
{
    EXPECT_TRUE(SetPropertyPathText(*form, "Caption", "Main"));
    EXPECT_TRUE(SetPropertyPathText(*form, "btn_ok.Hint", "Press"));
    EXPECT_TRUE(SetPropertyPathText(*form, "BTN_OK.caption", "OK"));
    EXPECT_TRUE(SetPropertyPathText(*form, "grp1.Font.Name", "Arial"));
    EXPECT_TRUE(SetPropertyPathText(*form, "grp1.lb_product.Caption", "Product"));
    EXPECT_TRUE(SetPropertyPathText(*form, "listname.Items.Strings", "one\r\ntwo"));
    EXPECT_TRUE(SetPropertyPathText(*form, "maingrid.Columns.Items(1).Title.Caption", "Second"));
    EXPECT_TRUE(SetPropertyPathText(*form, "maingrid.Columns.Anything(0).Width", "33"));

    EXPECT_EQ(form->caption, "Main");
    EXPECT_EQ(button->hint, "Press");
    EXPECT_EQ(button->caption, "OK");
    EXPECT_EQ(group->font.name, "Arial");
    EXPECT_EQ(label->caption, "Product");
    ASSERT_EQ(list->items.Count(), 2);
    EXPECT_EQ(list->items[1], "two");
    EXPECT_EQ(grid->columns.ItemsAs<TTestColumn>(1)->title.caption, "Second");
    EXPECT_EQ(grid->columns.ItemsAs<TTestColumn>(0)->width, 33);
    EXPECT_EQ(GetPropertyPathText(*form, "maingrid.Columns.Items(1).Title.Caption"), "Second");
}

TEST_F(PathFixture, PathsThatLeadNowhereAreReportedNotThrown)
{
    const char* paths[] = {
        "",
        "Nothing",
        "btn_ok",                                  // a component, not a property
        "btn_ok.Nothing",
        "nobody.Caption",
        "listname.Items",                          // a list only as "Strings"
        "listname.Items.strings",                  // ... exactly, with letter case
        "listname.Items.Strings.More",
        "maingrid.Columns.Items(2).Width",         // index past the end: no such property "Items(2)"
        "maingrid.Columns.Items(-1).Width",
        "maingrid.Columns.Items(0)",
        "grp1.Font",                               // an object is not set from text
        ".Caption",
        "lb_product.Caption",                      // a child control of grp1, not of the form
    };
    for (const char* path : paths) {
        EXPECT_FALSE(SetPropertyPathText(*form, path, "x")) << path;
        EXPECT_FALSE(GetPropertyPathText(*form, path).has_value()) << path;
    }
    EXPECT_EQ(button->caption, "");
}

TEST_F(PathFixture, ValuesAreConvertedByTheKindOfTheProperty)
{
    struct Case {
        const char* path;
        const char* text;
        const char* readBack;
    };
    const Case cases[] = {
        {"btn_ok.Width", "120", "120"},
        {"btn_ok.Width", "-7", "-7"},
        {"btn_ok.Width", "$1F", "31"},
        {"btn_ok.Width", "twelve", "0"},
        {"btn_ok.Ratio", "2.25", "2.25"},
        {"btn_ok.Ratio", "abc", "0"},
        {"btn_ok.Alignment", "taCenter", "taCenter"},
        {"btn_ok.Alignment", "TARIGHTJUSTIFY", "taRightJustify"},
        {"btn_ok.Visible", "False", "False"},
        {"btn_ok.Caption.Extra", "tail ignored", "tail ignored"},  // a plain value ends the path
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SetPropertyPathText(*form, c.path, c.text)) << c.path << " " << c.text;
        EXPECT_EQ(GetPropertyPathText(*form, c.path), c.readBack) << c.path << " " << c.text;
    }
    EXPECT_THROW(SetPropertyPathText(*form, "btn_ok.Alignment", "taNowhere"), EPropertyError);
    // Sets, events and references are not set from text.
    EXPECT_FALSE(SetPropertyPathText(*form, "grp1.Font.Style", "[fsBold]"));
    EXPECT_FALSE(SetPropertyPathText(*form, "btn_ok.OnClick", "x"));
    EXPECT_FALSE(SetPropertyPathText(*form, "btn_ok.PopupMenu", "x"));
}

TEST(PropertyRegistry, PropertiesChainToParentsAndClassesAreFoundByName)
{
    RegisterTestClasses();
    TTestGrid grid(nullptr);
    const TClassInfo* info = GetClassInfo(grid);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Name(), "TTestGrid");
    EXPECT_TRUE(info->InheritsFrom("TComponent"));
    EXPECT_NE(info->FindProperty("columns"), nullptr);
    EXPECT_NE(info->FindProperty("Caption"), nullptr);  // from TTestControl
    EXPECT_NE(info->FindProperty("Name"), nullptr);     // from TComponent
    auto all = info->Properties();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front()->name, "Name");
    EXPECT_EQ(all.back()->name, "Columns");

    TComponent owner(nullptr);
    TComponent* made = CreateComponentByName("ttestgrid", &owner);
    EXPECT_STREQ(made->ClassName(), "TTestGrid");
    EXPECT_EQ(made->Owner(), &owner);
    try {
        CreateComponentByName("TNoSuchThing", &owner);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.DisplayText(), "EClassNotFound: Class TNoSuchThing not found");
    }
    // A class without a factory is not created by name.
    EXPECT_THROW(CreateComponentByName("TTestFont", &owner), EClassNotFound);
    EXPECT_EQ(FindCollectionItemClass("TTestColumn").name, "TTestColumn");
}

TEST(PropertyRegistry, ReferencesTakeOnlyComponentsOfTheirClass)
{
    RegisterTestClasses();
    TTestControl control(nullptr);
    TTestMenu menu(nullptr);
    const TPropertyInfo* popup = FindPublishedProperty(control, "PopupMenu");
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->setComponent(control, &menu));
    EXPECT_EQ(control.PopupMenu(), &menu);

    const TPropertyInfo* onClick = FindPublishedProperty(control, "OnClick");
    int clicks = 0;
    EXPECT_TRUE(onClick->setEvent(control, std::any(TNotifyEvent([&](TObject*) { ++clicks; }))));
    control.OnClick(&control);
    EXPECT_EQ(clicks, 1);
    // A handler of another type is refused.
    EXPECT_FALSE(onClick->setEvent(control, std::any(std::function<void(TObject*, bool&)>())));
}

}  // namespace
