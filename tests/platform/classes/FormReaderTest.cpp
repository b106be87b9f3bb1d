#include "TestClasses.h"

#include "platform/classes/FormParser.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/FormResources.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const TestForm = R"(object mainfrm: TTestForm
  Caption = 'Main ' +
    'window'
  Width = $1F4
  Left = -12
  Ratio = 2.5
  OnCanClose = FormCanClose
  object menu1: TTestMenu
  end
  object grp1: TTestControl
    Caption = 'It''s'#13#10'two'
    Font.Name = 'Arial'
    Font.Style = [fsBold, fsUnderline]
    Font.Size = 10
    Alignment = taCenter
    Visible = False
    PopupMenu = menu1
    object btn_ok: TTestControl
      Caption = 'OK'
      Width = clTestRed
      OnClick = btn_okClick
      Internal = {00 FF 41}
    end
  end
  object listname: TTestControl
    Items.Strings = (
      'one'
      'two words')
  end
  object maingrid: TTestGrid
    PopupMenu = menu2
    Columns = <
      item
        FieldName = 'ID'
        Title.Caption = 'Number'
        Title.Font.Style = [fsItalic]
        Width = 40
      end
      item
        FieldName = 'NAME'
        Ratio = 0.5
      end>
  end
  object menu2: TTestMenu
  end
end
)";

TEST(FormReader, LoadsComponentsPropertiesAndHandlers)
{
    RegisterTestClasses();
    TTestForm form(nullptr);
    ReadComponentText(form, TestForm, "mainfrm.form");

    EXPECT_EQ(form.Name(), "mainfrm");
    EXPECT_EQ(form.caption, "Main window");
    EXPECT_EQ(form.width, 500);
    EXPECT_EQ(form.left, -12);
    EXPECT_DOUBLE_EQ(form.ratio, 2.5);
    ASSERT_EQ(form.ComponentCount(), 6);  // every component is owned by the form

    auto* group = dynamic_cast<TTestControl*>(form.FindComponent("GRP1"));
    auto* button = dynamic_cast<TTestControl*>(form.FindComponent("btn_ok"));
    auto* list = dynamic_cast<TTestControl*>(form.FindComponent("listname"));
    auto* grid = dynamic_cast<TTestGrid*>(form.FindComponent("maingrid"));
    ASSERT_TRUE(group && button && list && grid);
    EXPECT_EQ(button->Owner(), &form);
    EXPECT_EQ(button->parent, group);  // nesting gives the parent
    EXPECT_EQ(group->parent, &form);

    EXPECT_EQ(group->caption, "It's\r\ntwo");
    EXPECT_EQ(group->font.name, "Arial");
    EXPECT_EQ(group->font.size, 10);
    EXPECT_EQ(group->font.style, 0b101u);
    EXPECT_EQ(group->alignment, TTestAlignment::taCenter);
    EXPECT_FALSE(group->visible);
    EXPECT_EQ(group->PopupMenu(), form.FindComponent("menu1"));
    // A reference to a component described further down is resolved after loading.
    EXPECT_EQ(grid->PopupMenu(), form.FindComponent("menu2"));
    EXPECT_EQ(button->width, 0xFF);
    EXPECT_EQ(button->internal, std::string("\0\xFF" "A", 3));

    ASSERT_EQ(list->items.Count(), 2);
    EXPECT_EQ(list->items[1], "two words");

    ASSERT_EQ(grid->columns.Count(), 2);
    auto* first = grid->columns.ItemsAs<TTestColumn>(0);
    auto* second = grid->columns.ItemsAs<TTestColumn>(1);
    EXPECT_EQ(first->fieldName, "ID");
    EXPECT_EQ(first->title.caption, "Number");
    EXPECT_EQ(first->title.font.style, 0b10u);
    EXPECT_EQ(first->width, 40);
    EXPECT_EQ(second->fieldName, "NAME");
    EXPECT_DOUBLE_EQ(second->ratio, 0.5);
    EXPECT_EQ(second->width, 64);

    ASSERT_TRUE(button->OnClick);
    button->OnClick(button);
    EXPECT_EQ(form.calls, std::vector<std::string>{"btn_okClick"});
    bool canClose = true;
    form.OnCanClose(&form, canClose);
    EXPECT_FALSE(canClose);
    EXPECT_FALSE(form.IsLoading());
    EXPECT_FALSE(button->IsLoading());
}

TEST(FormReader, LoadedRunsAtTheEndInCreationOrderWhileReferencesSeeTheLoadingState)
{
    RegisterTestClasses();
    std::vector<std::string> log;
    TTestForm form(nullptr);
    form.loadedLog = &log;
    // Components made by the form itself are read into, not made again.
    auto* own = new TTestControl(&form);
    own->SetName("grp1");
    own->loadedLog = &log;
    ReadComponentText(form, TestForm, "mainfrm.form");
    EXPECT_EQ(form.FindComponent("grp1"), own);
    EXPECT_EQ(own->caption, "It's\r\ntwo");
    EXPECT_TRUE(own->loadingDuringSet);
    EXPECT_EQ(log, (std::vector<std::string>{"mainfrm", "grp1"}));
}

TEST(FormReader, CreatesTheRootFromItsClass)
{
    RegisterTestClasses();
    TComponent application(nullptr);
    THandlerTable handlers;
    int clicks = 0;
    handlers.Add("btn_okClick", TNotifyEvent([&](TObject*) { ++clicks; }));
    TComponent* made = CreateComponentFromText(TestForm, "mainfrm.form", &application, &handlers);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Owner(), &application);
    auto* button = dynamic_cast<TTestControl*>(made->FindComponent("btn_ok"));
    ASSERT_NE(button, nullptr);
    button->OnClick(button);
    EXPECT_EQ(clicks, 1);  // the table given comes before the form's own handlers
    EXPECT_TRUE(static_cast<TTestForm*>(made)->calls.empty());
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(FormReader, EveryErrorNamesFileLineAndName)
{
    RegisterTestClasses();
    struct Case {
        std::string text;
        std::string message;
        bool classNotFound;
    };
    const std::string base = TestForm;
    const Case cases[] = {
        {Replace(base, "object menu1: TTestMenu", "object menu1: TNoMenu"), "x.form(8): Class TNoMenu not found", true},
        {Replace(base, "Caption = 'OK'", "Captoin = 'OK'"), "x.form(19): Property Captoin does not exist in TTestControl", false},
        {Replace(base, "Font.Name = 'Arial'", "Font.Nmae = 'Arial'"), "x.form(12): Property Nmae does not exist in TTestFont", false},
        {Replace(base, "Alignment = taCenter", "Alignment = taMiddle"), "x.form(15): Invalid property value taMiddle for Alignment", false},
        {Replace(base, "Visible = False", "Visible = Maybe"), "x.form(16): Invalid property value Maybe for Visible", false},
        {Replace(base, "[fsBold, fsUnderline]", "[fsBold, fsWide]"), "x.form(13): Invalid property value fsWide for Style", false},
        {Replace(base, "OnClick = btn_okClick", "OnClick = btn_okClik"), "x.form(21): Handler btn_okClik not found in TTestForm", false},
        {Replace(base, "OnClick = btn_okClick", "OnClick = FormCanClose"), "x.form(21): Handler FormCanClose does not fit event OnClick", false},
        {Replace(base, "PopupMenu = menu2", "PopupMenu = menu3"), "x.form(31): Component menu3 not found", false},
        {Replace(base, "PopupMenu = menu2", "PopupMenu = btn_ok"), "x.form(31): Component btn_ok does not fit property PopupMenu", false},
        {Replace(base, "Width = $1F4", "Width = 'wide'"), "x.form(4): Invalid value for property Width", false},
        {Replace(base, "object listname", "object btn_ok"), "x.form(25): A component named btn_ok already exists", false},
        {Replace(base, "Title.Caption", "Title.Captoin"), "x.form(35): Property Captoin does not exist in TTestTitle", false},
        {Replace(base, "Ratio = 0.5", "Ratio = 0.5e"), "x.form(41): Invalid number 0.5e", false},
        {Replace(base, "'Arial'", "'Arial"), "x.form(12): Unterminated string", false},
        {Replace(base, "#13#10", "#300"), "x.form(11): Invalid character code #300", false},
        {Replace(base, "    end\n  end\n  object listname", "    end\n  object listname"), "x.form(46): 'end' expected", false},
        {Replace(base, "Ratio = 2.5", "Ratio 2.5"), "x.form(6): '=' expected", false},
        {base + "object", "x.form(47): End of text expected", false},
        {Replace(base, "object mainfrm: TTestForm", "object mainfrm: TTestGrid"), "x.form(1): Class TTestGrid does not match TTestForm", false},
    };
    for (const Case& c : cases) {
        TTestForm form(nullptr);
        try {
            ReadComponentText(form, c.text, "x.form");
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const EClassNotFound& e) {
            EXPECT_TRUE(c.classNotFound) << e.Message();
            EXPECT_EQ(e.Message(), c.message);
        } catch (const EParserError& e) {
            EXPECT_FALSE(c.classNotFound) << e.Message();
            EXPECT_EQ(e.Message(), c.message);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << e.ClassName();
        }
        // A failed load leaves nothing it created behind and nothing in the loading state.
        EXPECT_EQ(form.ComponentCount(), 0) << c.message;
        EXPECT_FALSE(form.IsLoading());
    }
}

TEST(FormResources, CompiledDescriptionsAreFoundByNameAndParse)
{
    EXPECT_EQ(FindFormResource("TNoSuchfrm"), nullptr);
    for (const TFormResource& resource : FormResources()) {
        EXPECT_EQ(FindFormResource(resource.name), &resource);
        EXPECT_NO_THROW(ParseFormText(resource.text, resource.fileName)) << resource.fileName;
    }
    TTestForm form(nullptr);
    try {
        ReadFormResource(form);
        FAIL();
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message(), "Resource TTestForm not found");
    }
}

}  // namespace
