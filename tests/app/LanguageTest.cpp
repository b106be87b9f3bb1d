// The tracker in another language: the language and message table chosen in the settings at
// start-up, switching while the windows are open, the shipped language files against every
// window's form description, and the fit of the translated texts.
#include "AppTestSupport.h"
#include "TextFit.h"

#include "app/Unit10.h"
#include "app/Unit11.h"
#include "app/Unit12.h"
#include "app/Unit13.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "app/Unit6.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "app/Unit9.h"
#include "dbf/XbDBFDataSet.h"
#include "i18n/LangKit.h"
#include "platform/classes/FormParser.h"
#include "platform/classes/FormResources.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/DBGrids.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"

#include <gmock/gmock.h>

#include <QImage>

#include <filesystem>
#include <memory>
#include <set>

namespace {

std::string SourceLanguageFile(const std::string& name)
{
    return std::string(ZV_SOURCE_DIR) + "/resources/language/" + name;
}

void SaveArtifact(const QImage& picture, const std::string& name)
{
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    EXPECT_TRUE(picture.save(QString::fromStdString((artifacts / name).string())));
}

std::string Caption(TComponent& root, const std::string& path)
{
    return GetPropertyPathText(root, path).value_or("<none>");
}

class Language : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
        for (const char* name : {"English.lng", "German.lng", "German.mes"}) {
            std::filesystem::copy_file(SourceLanguageFile(name), PathOf(std::string("language/") + name));
        }
    }
    void TearDown() override
    {
        editors_.clear();
        ProgramFolderTest::TearDown();
        // The core outlives the test: leave it without a language, as a fresh start finds it.
        GetLangCore()->SetLangsDir("");
    }

    template <class TWindow>
    TWindow& Editor()
    {
        auto window = std::make_unique<TWindow>(nullptr);
        TWindow& reference = *window;
        editors_.push_back(std::move(window));
        return reference;
    }

    std::vector<std::unique_ptr<TForm>> editors_;
};

TEST_F(Language, StartsInTheChosenLanguageAndSwitchesBackWhileTheWindowsAreOpen)
{
    Ini().WriteString("Settings", "Language", "German.lng");
    Ini().WriteString("Settings", "LanguageMes", "German.mes");
    Ini().WriteString("Settings", "AskExit", "1");
    Tmainfrm& window = Start();
    auto& ticket = Editor<Tmainissuefrm>();

    const struct {
        TComponent* root;
        const char* path;
        const char* german;
        const char* english;
    } texts[] = {
        {&window, "tab1.Caption", "PROJEKTE", "PROJECTS"},
        {&window, "tab18.Caption", "CODE-DATENBANK", "CODE DATABASE"},
        {&window, "btn_exit.Caption", "Beenden", "Exit"},
        {&window, "btn_exit.Hint", "Zentivor beenden", "Close Zentivor"},
        {&window, "File1.Caption", "Datei", "File"},
        {&window, "Help1.Caption", "Hilfe", "Help"},
        {&window, "sb_panel.Panels.Items(0).Text", "HAUPT", "MAIN"},
        {&window, "projectgrid.Columns.Items(0).Title.Caption", "Name", "NAME"},
        {&ticket, "Caption", "Ticket", "Ticket Form"},
        {&ticket, "lb_subject.Caption", "Betreff", "Subject"},
        {&ticket, "btn_cancel.Caption", "Abbrechen", "Cancel"},
    };
    for (const auto& text : texts) {
        EXPECT_EQ(Caption(*text.root, text.path), text.german) << text.path;
    }
    EXPECT_EQ(window.Message(3), "Sind Sie sicher?");
    EXPECT_EQ(window.Message(61), "Kein offener Datensatz gefunden!");
    SaveArtifact(window.Grab(), "mainfrm-german.png");
    SaveArtifact(ticket.Grab(), "mainissuefrm-german.png");

    // The question at closing is the language's.
    script_->Answer(TModalResult::mrNo);
    CloseWindow();
    EXPECT_THAT(Boxes(), ::testing::ElementsAre("Sind Sie sicher?"));

    window.LanguageManager()->SetCurrentLang("English");
    ASSERT_TRUE(window.LoadMessageFile(PathOf("language/English.mes")));
    for (const auto& text : texts) {
        EXPECT_EQ(Caption(*text.root, text.path), text.english) << text.path;
    }
    EXPECT_EQ(window.Message(3), "Are you sure?");
    SaveArtifact(window.Grab(), "mainfrm-english.png");
    SaveArtifact(ticket.Grab(), "mainissuefrm-english.png");
}

TEST_F(Language, MissingFilesFallBackToEnglishAndShortMessageFilesKeepTheBuiltInLines)
{
    Ini().WriteString("Settings", "Language", "Klingon.lng");
    // An old message file: only the first five lines.
    WriteFile("language/Short.mes", "Zentivor\r\nMeldungen\r\nKurz\r\nWirklich?\r\nGel\xF6scht: \r\n");
    Ini().WriteString("Settings", "LanguageMes", "Short.mes");
    Tmainfrm& window = Start();
    EXPECT_EQ(window.LanguageManager()->CurrentLang(), "English");
    EXPECT_EQ(Caption(window, "tab1.Caption"), "PROJECTS");
    EXPECT_EQ(window.Message(3), "Wirklich?");
    EXPECT_EQ(window.Message(16), "Database connection failed! (TICKETDB)");
    EXPECT_EQ(window.Message(61), "There is no incomplete record found!");
}

TEST_F(Language, ABrokenLanguageFileStartsTheProgramWithWhatItCanUse)
{
    WriteFile("language/Broken.lng", "[Tmainfrm]\r\n"
                                     "tab1.Caption='unclosed\r\n"
                                     "tab2.Caption='Zwei'\r\n"
                                     "tab3.Visible=Sometimes\r\n"
                                     "tab4.Caption\r\n"
                                     "no.such.component.Caption='x'\r\n"
                                     "maindb.DBFFileName='/tmp/elsewhere.dbf'\r\n"
                                     "maingrid.Columns.Items(99).Title.Caption='x'\r\n"
                                     "[Tmainfrm\r\n");
    Ini().WriteString("Settings", "Language", "Broken.lng");
    Tmainfrm& window = Start();
    EXPECT_THAT(Boxes(), ::testing::IsEmpty());
    EXPECT_EQ(Caption(window, "tab1.Caption"), "");
    EXPECT_EQ(Caption(window, "tab2.Caption"), "Zwei");
    EXPECT_EQ(Caption(window, "tab3.Visible"), "True");
    EXPECT_TRUE(window.maindb->Active());
    EXPECT_THAT(window.maindb->DBFFileName, ::testing::EndsWith("Tickets.dbf"));
}

// Every key of a shipped language file leads to a property of its window, and every caption,
// hint, column title, status panel text and item list that a window's form description gives has
// a key, so no text stays untranslated. Left out: the main window's own caption (the program
// sets title and version once it has started) and the hidden, empty history list of the ticket
// editor.
class LanguageFiles : public Language {
protected:
    static std::set<std::string> Keys(TCustomIniFile& file, const std::string& section)
    {
        TStringList keys;
        file.ReadSection(section, keys);
        std::set<std::string> present;
        for (int i = 0; i < keys.Count(); ++i) {
            present.insert(AnsiUpperCase(keys[i]));
        }
        return present;
    }

    static void CollectTexts(const TFormObject& object, bool isRoot, std::vector<std::string>& paths)
    {
        const std::string prefix = isRoot ? std::string() : object.name + ".";
        for (const TFormProperty& property : object.properties) {
            const TFormValue& value = property.value;
            if ((property.path == "Caption" || property.path == "Hint") && value.kind == TFormValue::Kind::String &&
                !value.text.empty() && !(isRoot && object.className == "Tmainfrm")) {
                paths.push_back(prefix + property.path);
            } else if (property.path == "Items.Strings" && object.name != "addhistory") {
                paths.push_back(prefix + property.path);
            } else if (value.kind == TFormValue::Kind::Collection &&
                       (property.path == "Columns" || property.path == "Panels")) {
                for (size_t i = 0; i < value.items.size(); ++i) {
                    const std::string item = prefix + property.path + ".Items(" + std::to_string(i) + ").";
                    if (property.path == "Columns") {
                        paths.push_back(item + "Title.Caption");
                    }
                    for (const TFormProperty& itemProperty : value.items[i].properties) {
                        if (property.path == "Panels" && itemProperty.path == "Text" && !itemProperty.value.text.empty()) {
                            paths.push_back(item + "Text");
                        }
                    }
                }
            }
        }
        for (const TFormObject& child : object.children) {
            CollectTexts(child, false, paths);
        }
    }

    void Check(TForm& window, const std::string& languageFile)
    {
        TMemIniFile file(PathOf("language/" + languageFile));
        const std::string section = window.ClassName();
        TStringList keys;
        file.ReadSection(section, keys);
        ASSERT_GT(keys.Count(), 0) << section << " in " << languageFile;
        for (int i = 0; i < keys.Count(); ++i) {
            EXPECT_TRUE(static_cast<bool>(ResolveTranslatablePath(window, keys[i])))
                << languageFile << " [" << section << "] " << keys[i] << " leads nowhere";
        }
        const TFormResource* resource = FindFormResource(section);
        ASSERT_NE(resource, nullptr) << section;
        std::vector<std::string> texts;
        CollectTexts(ParseFormText(resource->text, resource->fileName), true, texts);
        const std::set<std::string> present = Keys(file, section);
        for (const std::string& path : texts) {
            EXPECT_TRUE(present.count(AnsiUpperCase(path)) > 0)
                << languageFile << " [" << section << "] has no key " << path;
        }
    }
};

TEST_F(LanguageFiles, EveryKeyResolvesAndEveryWindowTextHasAKey)
{
    Tmainfrm& window = Start();
    std::vector<TForm*> windows = {&window,
                                   &Editor<Tmainissuefrm>(),
                                   &Editor<Tsubissuefrm>(),
                                   &Editor<Tcodefrm>(),
                                   &Editor<Tproductfrm>(),
                                   &Editor<Tlistfrm>(),
                                   &Editor<Tcontactfrm>(),
                                   &Editor<Tworkfrm>(),
                                   &Editor<Tsettingsfrm>(),
                                   &Editor<Townerfrm>(),
                                   &Editor<Tfilterfrm>()};
    for (const char* file : {"English.lng", "German.lng"}) {
        for (TForm* form : windows) {
            Check(*form, file);
        }
    }
    // The two files hold the same keys in the same order.
    TMemIniFile english(PathOf("language/English.lng"));
    TMemIniFile german(PathOf("language/German.lng"));
    EXPECT_EQ(english.Text().size() > 0, true);
    TStringList sections;
    english.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        TStringList englishKeys;
        TStringList germanKeys;
        english.ReadSection(sections[i], englishKeys);
        german.ReadSection(sections[i], germanKeys);
        EXPECT_EQ(englishKeys.Text(), germanKeys.Text()) << sections[i];
    }
    // Every message has its German line.
    EXPECT_EQ(ReadFileContents(SourceLanguageFile("German.mes")).size() > 0, true);
    TStringList germanMessages;
    germanMessages.LoadFromFile(SourceLanguageFile("German.mes"));
    TStringList englishMessages;
    englishMessages.LoadFromFile(SourceLanguageFile("English.mes"));
    EXPECT_EQ(germanMessages.Count(), englishMessages.Count());
}

TEST_F(LanguageFiles, GermanTextsShowWhole)
{
    Ini().WriteString("Settings", "Language", "German.lng");
    EXPECT_THAT(CutTexts(Start()), ::testing::IsEmpty()) << "Tmainfrm";
    EXPECT_THAT(CutTexts(Editor<Tmainissuefrm>()), ::testing::IsEmpty()) << "Tmainissuefrm";
    EXPECT_THAT(CutTexts(Editor<Tsubissuefrm>()), ::testing::IsEmpty()) << "Tsubissuefrm";
    EXPECT_THAT(CutTexts(Editor<Tcodefrm>()), ::testing::IsEmpty()) << "Tcodefrm";
    EXPECT_THAT(CutTexts(Editor<Tproductfrm>()), ::testing::IsEmpty()) << "Tproductfrm";
    EXPECT_THAT(CutTexts(Editor<Tlistfrm>()), ::testing::IsEmpty()) << "Tlistfrm";
    EXPECT_THAT(CutTexts(Editor<Tcontactfrm>()), ::testing::IsEmpty()) << "Tcontactfrm";
    EXPECT_THAT(CutTexts(Editor<Tworkfrm>()), ::testing::IsEmpty()) << "Tworkfrm";
    auto& settings = Editor<Tsettingsfrm>();
    for (int i = 0; i < settings.pages->PageCount(); ++i) {
        settings.pages->SetActivePage(settings.pages->Pages(i));
        EXPECT_THAT(CutTexts(settings), ::testing::IsEmpty()) << "Tsettingsfrm page " << i;
    }
    EXPECT_THAT(CutTexts(Editor<Townerfrm>()), ::testing::IsEmpty()) << "Townerfrm";
    EXPECT_THAT(CutTexts(Editor<Tfilterfrm>()), ::testing::IsEmpty()) << "Tfilterfrm";
}

}  // namespace
