// Translation of a window from a language file: path shapes, value kinds, what a language file
// may not reach, language changes while the window is open, the languages folder, the locks
// and the replacement of built-in strings.
#include "GuiTestSupport.h"

#include "i18n/LangKit.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/db/DBConsts.h"
#include "platform/db/DBTypes.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/DataControlsRegistration.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/GuiRegistration.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr const char* kDescription = R"(object langtestfrm: Tlangtestfrm
  Caption = 'Design caption'
  object grp1: TPanel
    Left = 0
    Top = 0
    Width = 200
    Height = 100
    object lb_product: TLabel
      Caption = 'Product'
    end
  end
  object grp5: TGroupBox
    Caption = 'Group'
    Font.Name = 'DejaVu Sans'
  end
  object btn_ok: TButton
    Caption = 'OK'
    Hint = 'Saves'
  end
  object listname: TComboBox
    Items.Strings = (
      'Type'
      'Category')
  end
  object maingrid: TDBGrid
    Columns = <
      item
        FieldName = 'NAME'
        Title.Caption = 'NAME'
      end
      item
        FieldName = 'VERSION'
      end>
  end
  object opendlg: TOpenDialog
    FileName = 'design.lng'
  end
  object translator: TLangTranslator
    Manager = manager
  end
  object manager: TLangManager
    TranslateResourceStrings = False
  end
end
)";

class Tlangtestfrm : public TForm {
public:
    explicit Tlangtestfrm(TComponent* owner) : TForm(owner) { LoadFormText(kDescription, "Tlangtestfrm.form"); }
    const char* ClassName() const noexcept override { return "Tlangtestfrm"; }
    static void RegisterClass() { TClassRegistration<Tlangtestfrm, TForm>("Tlangtestfrm"); }

    template <class T>
    T* Get(const std::string& name) const
    {
        return dynamic_cast<T*>(FindComponent(name));
    }
    std::string Text(const std::string& path) { return GetPropertyPathText(*this, path).value_or("<none>"); }
};

class LangKit : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        RegisterWindowClasses();
        RegisterDataControlClasses();
        RegisterLangKitClasses();
        Tlangtestfrm::RegisterClass();
        folder_ = std::filesystem::temp_directory_path() /
                  ("zv-langkit-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override
    {
        GetLangCore()->SetLangsDir("");
        std::filesystem::remove_all(folder_);
    }

    std::string Folder() const { return folder_.string() + "/"; }
    void WriteLanguage(const std::string& name, const std::string& text) const
    {
        ASSERT_TRUE(WriteFileAtomically(Folder() + name, text));
    }
    // The window, then the languages folder and language (the window is translated when the
    // language becomes current, as a window that is open while the user switches).
    std::unique_ptr<Tlangtestfrm> Open(const std::string& language)
    {
        auto window = std::make_unique<Tlangtestfrm>(nullptr);
        TLangManager* manager = window->Get<TLangManager>("manager");
        manager->SetLangsDir(Folder());
        manager->SetCurrentLang(language);
        return window;
    }

    std::filesystem::path folder_;
};

TEST_F(LangKit, EveryPathShapeReachesItsProperty)
{
    WriteLanguage("Test.lng", "[Tlangtestfrm]\r\n"
                              "Caption='Fenster'\r\n"
                              "btn_ok.Caption='Ja, ''gut'''\r\n"
                              "btn_ok.Hint='Zeile 1'#13#10'Zeile 2'\r\n"
                              "grp5.Font.Name='Liberation Serif'\r\n"
                              "grp5.Font.Size=12\r\n"
                              "grp1.lb_product.Caption='Produkt'\r\n"
                              "listname.Items.Strings='Art mit Blank', Kategorie,\r\n"
                              "maingrid.Columns.Items(0).Title.Caption='Name'\r\n"
                              "maingrid.Columns.Items(1).Width=77\r\n"
                              "grp1.Visible=False\r\n"
                              "btn_ok.Left=x\r\n");
    auto window = Open("Test");
    const std::pair<const char*, const char*> expected[] = {
        {"Caption", "Fenster"},
        {"btn_ok.Caption", "Ja, 'gut'"},
        {"btn_ok.Hint", "Zeile 1\r\nZeile 2"},
        {"grp5.Font.Name", "Liberation Serif"},
        {"grp5.Font.Size", "12"},
        {"lb_product.Caption", "Produkt"},
        {"listname.Items.Strings", "Art mit Blank\r\nKategorie\r\n\r\n"},
        {"maingrid.Columns.Items(0).Title.Caption", "Name"},
        {"maingrid.Columns.Items(1).Width", "77"},
        {"grp1.Visible", "False"},
        {"btn_ok.Left", "0"},  // not a number: 0
    };
    for (const auto& [path, text] : expected) {
        EXPECT_EQ(window->Text(path), text) << path;
    }
}

TEST_F(LangKit, AChildControlIsFoundThroughItsParent)
{
    // A label that the window does not own, placed on grp1: only the child-control search
    // reaches it.
    WriteLanguage("Test.lng", "[Tlangtestfrm]\r\ngrp1.loose.Caption='Lose'\r\nloose.Caption='Nie'\r\n");
    auto window = std::make_unique<Tlangtestfrm>(nullptr);
    auto loose = std::make_unique<TLabel>(nullptr);
    loose->SetName("loose");
    loose->SetParent(window->Get<TPanel>("grp1"));
    loose->SetCaption("Loose");
    TLangManager* manager = window->Get<TLangManager>("manager");
    manager->SetLangsDir(Folder());
    manager->SetCurrentLang("Test");
    EXPECT_EQ(loose->Caption(), "Lose");
    loose.reset();
}

TEST_F(LangKit, ALanguageFileReachesOnlyTextsAndLayout)
{
    // Names, file names, references to other components, and misspelt values are skipped; the
    // keys after them still apply.
    WriteLanguage("Test.lng", "[Tlangtestfrm]\r\n"
                              "btn_ok.Name='renamed'\r\n"
                              "opendlg.FileName='/etc/passwd'\r\n"
                              "translator.Manager.CurrentLang='Other'\r\n"
                              "maingrid.Columns.Items(0).FieldName='SECRET'\r\n"
                              "grp5.Font.Name.Length=3\r\n"
                              "lb_product.Alignment=taMiddle\r\n"
                              "nothing.Caption='x'\r\n"
                              "maingrid.Columns.Items(9).Title.Caption='x'\r\n"
                              "listname.Items.Count=3\r\n"
                              "btn_ok.Caption='Still applied'\r\n");
    WriteLanguage("Other.lng", "[Tlangtestfrm]\r\nCaption='Other'\r\n");
    auto window = Open("Test");
    EXPECT_EQ(window->Get<TButton>("renamed"), nullptr);
    EXPECT_NE(window->Get<TButton>("btn_ok"), nullptr);
    EXPECT_EQ(window->Text("opendlg.FileName"), "design.lng");
    EXPECT_EQ(GetLangCore()->CurrentLang(), "Test");
    EXPECT_EQ(window->Text("maingrid.Columns.Items(0).FieldName"), "NAME");
    EXPECT_EQ(window->Text("lb_product.Alignment"), "taLeftJustify");
    EXPECT_EQ(window->Text("listname.Items.Strings"), "Type\r\nCategory\r\n");
    EXPECT_EQ(window->Text("btn_ok.Caption"), "Still applied");
}

TEST_F(LangKit, ALanguageChangeRetranslatesTheOpenWindow)
{
    WriteLanguage("German.lng", "[Tlangtestfrm]\r\nbtn_ok.Caption='\xDC" "bernehmen'\r\n");
    WriteLanguage("English.lng", "[Tlangtestfrm]\r\nbtn_ok.Caption='OK'\r\n");
    WriteLanguage("Tiny.lng", "[Tlangtestfrm]\r\nbtn_ok.Caption=x\r\n");
    auto window = Open("German");
    EXPECT_EQ(window->Text("btn_ok.Caption"), "\xDC" "bernehmen");
    TLangManager* manager = window->Get<TLangManager>("manager");
    manager->SetCurrentLang("english");  // the list is matched without regard to case
    EXPECT_EQ(window->Text("btn_ok.Caption"), "OK");
    manager->SetCurrentLang("Tiny");
    EXPECT_EQ(window->Text("btn_ok.Caption"), "") << "one character without quotes gives an empty caption";
    manager->SetCurrentLang("Klingon");
    EXPECT_EQ(manager->CurrentLang(), "Tiny") << "a language without a file changes nothing";

    // A second window loaded while a language is current is translated as it loads.
    auto second = std::make_unique<Tlangtestfrm>(nullptr);
    EXPECT_EQ(second->Text("btn_ok.Caption"), "");
    EXPECT_EQ(GetLangCore()->Languages(), (std::vector<std::string>{"English", "German", "Tiny"}));
}

TEST_F(LangKit, FolderAndLanguageEventsAndTheFallback)
{
    WriteLanguage("Beta.lng", "[Tlangtestfrm]\r\nCaption='Beta'\r\n");
    WriteLanguage("alpha.LNG", "[Tlangtestfrm]\r\nCaption='Alpha'\r\n");
    auto window = std::make_unique<Tlangtestfrm>(nullptr);
    TLangManager* manager = window->Get<TLangManager>("manager");

    std::vector<std::string> seen;
    manager->LangsDirChanging = [&](TObject*, const std::string&, const std::string& next, bool& cancel) {
        seen.push_back("dir " + next);
        cancel = next == "/no/such/folder/";
    };
    manager->CurrentLangChanging = [&](TObject*, const std::string& old, const std::string& next, bool& cancel) {
        seen.push_back("lang " + old + ">" + next);
        cancel = next == "Beta";
    };
    int translations = 0;
    manager->AfterAllTranslate = [&](TObject*) { ++translations; };

    manager->SetLangsDir(Folder());
    // Nothing was current: the first language of the sorted list is taken.
    EXPECT_EQ(manager->CurrentLang(), "alpha");
    EXPECT_EQ(window->Caption(), "Alpha");
    EXPECT_EQ(translations, 1);

    manager->SetCurrentLang("Beta");
    EXPECT_EQ(manager->CurrentLang(), "alpha") << "cancelled";

    std::string upper = Folder();
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    manager->SetLangsDir(upper);
    EXPECT_EQ(translations, 1) << "the same folder in other letters is no change: no rescan";
    EXPECT_EQ(manager->LangsDir(), Folder());

    manager->SetLangsDir("/no/such/folder/");
    EXPECT_EQ(manager->LangsDir(), Folder()) << "cancelled";
    EXPECT_EQ(seen, (std::vector<std::string>{"dir " + Folder(), "lang alpha>Beta", "dir " + upper,
                                              "dir /no/such/folder/"}));
}

TEST_F(LangKit, SettingTheLanguageFromATranslateHandlerDoesNotDeadlock)
{
    WriteLanguage("One.lng", "[Tlangtestfrm]\r\nCaption='One'\r\n");
    WriteLanguage("Two.lng", "[Tlangtestfrm]\r\nCaption='Two'\r\n");
    auto window = Open("One");
    auto* translator = window->Get<TLangTranslator>("translator");
    TLangManager* manager = window->Get<TLangManager>("manager");
    int before = 0;
    translator->BeforeTranslate = [&](TObject*) {
        ++before;
        manager->SetCurrentLang("Two");  // re-enters the core from inside a retranslation
    };
    manager->SetCurrentLang("Two");
    EXPECT_EQ(manager->CurrentLang(), "Two");
    EXPECT_EQ(window->Caption(), "Two");
    EXPECT_GE(before, 1);
}

TEST_F(LangKit, TranslatorsFollowTheirManager)
{
    WriteLanguage("One.lng", "[Tlangtestfrm]\r\nCaption='One'\r\n");
    auto window = Open("One");
    auto* translator = window->Get<TLangTranslator>("translator");
    auto* manager = window->Get<TLangManager>("manager");
    ASSERT_EQ(manager->Translators().size(), 1u);
    translator->SetManager(nullptr);
    EXPECT_TRUE(manager->Translators().empty());
    window->SetCaption("untouched");
    GetLangCore()->RetranslateAll();
    EXPECT_EQ(window->Caption(), "untouched");
    translator->SetManager(manager);
    GetLangCore()->RetranslateAll();
    EXPECT_EQ(window->Caption(), "One");

    // A manager freed before its translators leaves them without one.
    auto standalone = std::make_unique<TLangManager>(nullptr);
    translator->SetManager(standalone.get());
    standalone.reset();
    EXPECT_EQ(translator->Manager(), nullptr);
    translator->Translate();  // nothing to translate through, and no crash
}

TEST_F(LangKit, BuiltInStringsAreReplacedWhileSwitchedOn)
{
    WriteLanguage("Test.lng", std::string("[ResourceStrings]\r\n") + std::to_string(DBConsts::kFirstDBMessageId) +
                                  "_SFieldNotFound='Feld ''%s'' fehlt'\r\n"
                                  "junk=1\r\n");
    auto window = Open("Test");
    TLangManager* manager = window->Get<TLangManager>("manager");
    EXPECT_FALSE(manager->TranslateResourceStrings()) << "the form switched it off";
    EXPECT_EQ(FormatDBMessage(DBConsts::SFieldNotFound, {"NAME"}), "Field 'NAME' not found");
    manager->SetTranslateResourceStrings(true);
    EXPECT_EQ(FormatDBMessage(DBConsts::SFieldNotFound, {"NAME"}), "Feld 'NAME' fehlt");
    EXPECT_EQ(FormatDBMessage(DBConsts::SFieldReadOnly, {"NAME"}), "Field 'NAME' cannot be modified");
    manager->SetTranslateResourceStrings(false);
    EXPECT_EQ(FormatDBMessage(DBConsts::SFieldNotFound, {"NAME"}), "Field 'NAME' not found");
}

TEST_F(LangKit, TheCoreIsSingleAndItsAbsenceIsReported)
{
    ASSERT_NE(GetLangCore(), nullptr);
    try {
        TLangCore second;
        FAIL() << "a second core was made";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Core Multi Lang is single instance class. Please use GetLangCore class function "
                                   "to obtain an instance.");
    }
    auto manager = std::make_unique<TLangManager>(nullptr);
    FinalizeLangKit();
    EXPECT_EQ(GetLangCore(), nullptr);
    const auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const Exception& error) {
            return error.Message();
        }
        return std::string("<no error>");
    };
    EXPECT_EQ(message([&] { (void)manager->CurrentLang(); }), "Core polyglot is not assigned.");
    EXPECT_EQ(message([&] { (void)manager->LangsDir(); }), "Core polyglot is not assigned.");
    EXPECT_EQ(message([&] { manager->SetCurrentLang("x"); }), "Core multi lang is not assigned");
    EXPECT_EQ(message([&] { manager->SetTranslateResourceStrings(true); }), "<no error>");
    manager.reset();
    InitializeLangKit();
    ASSERT_NE(GetLangCore(), nullptr);
}

}  // namespace
