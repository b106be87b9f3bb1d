// The settings window: reading every key into its control, OK writing them back (checked first),
// Cancel, the grid colour and language buttons, the connection types, the folder and table tests
// and the date-picker check; the written file is read back with Python's configparser.
#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Unit11.h"
#include "i18n/LangKit.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Files.h"
#include "widgets/KitDirForm.h"
#include "widgets/KitFolderDialogs.h"

#include <gmock/gmock.h>

#include <QImage>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

class SettingsWindow : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
    }
    void TearDown() override
    {
        settings_.reset();
        ProgramFolderTest::TearDown();
        GetLangCore()->SetLangsDir("");
    }

    Tsettingsfrm& Open()
    {
        Start();
        settings_ = std::make_unique<Tsettingsfrm>(Application);
        settingsfrm = settings_.get();
        settings_->FormShow(settings_.get());
        script_->ClearRecords();
        return *settings_;
    }

    // Texts of the message boxes shown (dialogs left out).
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const TDialogRecord& record : script_->Records()) {
            if (record.Kind == TDialogKind::dkMessage) {
                texts.push_back(record.Text);
            }
        }
        return texts;
    }

    // [section] key=value lines of "Ovralun.ini" as configparser reads them (names lower case).
    std::string ReadBack(const std::string& keys)
    {
        bool ok = false;
        std::string output = RunPython("import configparser\n"
                                       "c = configparser.ConfigParser(interpolation=None)\n"
                                       "c.read('" + PathOf("Ovralun.ini") + "', encoding='cp1252')\n"
                                       "for s, k in (" + keys + "):\n"
                                       "    print(s, k, repr(c.get(s, k, fallback=None)))\n",
                                       ok);
        EXPECT_TRUE(ok) << output;
        return output;
    }

    void SaveArtifact(const std::string& name)
    {
        const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
        std::filesystem::create_directories(artifacts);
        EXPECT_TRUE(settings_->Grab().save(QString::fromStdString((artifacts / name).string())));
    }

    std::unique_ptr<Tsettingsfrm> settings_;
};

TEST_F(SettingsWindow, ShowsTheDefaultsAndOkWritesEveryKeyInTheFile)
{
    Tsettingsfrm& settings = Open();
    EXPECT_EQ(settings.completedstatus->Text(), "Closed");
    EXPECT_EQ(settings.newstatus->Text(), "New (unconfirmed)");
    EXPECT_EQ(settings.approvedstatus->Text(), "Approved");
    EXPECT_EQ(settings.qanewstatus->Text(), "New");
    EXPECT_EQ(settings.backupfrequency->Text(), "20");
    EXPECT_EQ(settings.idflag->Text(), "#QZ#");
    EXPECT_TRUE(settings.confirmexit->Checked());
    EXPECT_FALSE(settings.backups->Checked());
    EXPECT_EQ(settings.conn->ItemIndex(), 0);
    EXPECT_FALSE(settings.definedbbtn1->Enabled());
    EXPECT_EQ(settings.dbaselocation->Text(), "databases");
    EXPECT_EQ(settings.colorbtn->ButtonLayout().ArrowColor(), clSilver);
    EXPECT_TRUE(settings.checkdate->Checked());
    for (int i = 0; i < settings.pages->PageCount(); ++i) {
        settings.pages->SetActivePage(settings.pages->Pages(i));
        SaveArtifact("settingsfrm-page" + std::to_string(i + 1) + ".png");
    }

    settings.completedstatus->SetText("Done");
    settings.qanewstatus->SetText("Fresh");
    settings.backups->SetChecked(true);
    settings.hidesub->SetChecked(true);
    settings.confirmexit->SetChecked(false);
    settings.localitem->SetChecked(true);
    settings.backupfrequency->SetText("");
    settings.idflag->SetText("#X#");
    settings.conn->SetItemIndex(1);  // runs connClick: the boxes empty, Define enabled
    EXPECT_EQ(settings.dbaselocation->Text(), "");
    EXPECT_TRUE(settings.definedbbtn1->Enabled());
    settings.dbaselocation->SetText("/srv/zentivor/db");
    settings.btn_okClick(&settings);
    EXPECT_EQ(settings.ModalResult(), TModalResult::mrOk);
    EXPECT_FALSE(window_->Get<TTabSheet>("tab3")->TabVisible()) << "the tab switches apply at once";

    if (!HavePythonModule("configparser")) {
        GTEST_SKIP() << "python3 is not usable";
    }
    EXPECT_EQ(ReadBack("('Settings','Closed'), ('Settings','New'), ('Settings','Approved'), ('Settings','QANew'), "
                       "('Settings','QASteps'), ('Settings','AutoQALevel'), ('Settings','SetBackup'), "
                       "('Settings','AutoHistory'), ('Settings','HideQuickStart'), ('Settings','HideSubTicket'), "
                       "('Settings','HideWorkTime'), ('Settings','HideContacts'), ('Settings','HideLists'), "
                       "('Settings','HideChangeLog'), ('Settings','HideCode'), ('Settings','RecordFreeze'), "
                       "('Settings','AskExit'), ('Settings','CheckUpdate'), ('Settings','UseManifest'), "
                       "('Settings','HideHints'), ('Settings','UseOnlyOpenVersion'), ('Settings','UseLocalListItem'), "
                       "('Settings','BackupFreq'), ('Settings','IDFlag'), ('Database','DbaseLoc'), "
                       "('Database','BackupLoc'), ('Database','AttachLoc'), ('Database','Connection'), "
                       "('Settings','GridColor'), ('Settings','Language')"),
              "Settings Closed 'Done'\nSettings New 'New (unconfirmed)'\nSettings Approved 'Approved'\n"
              "Settings QANew 'Fresh'\nSettings QASteps '0'\nSettings AutoQALevel '0'\nSettings SetBackup '1'\n"
              "Settings AutoHistory '0'\nSettings HideQuickStart '0'\nSettings HideSubTicket '1'\n"
              "Settings HideWorkTime '0'\nSettings HideContacts '0'\nSettings HideLists '0'\n"
              "Settings HideChangeLog '0'\nSettings HideCode '0'\nSettings RecordFreeze '0'\nSettings AskExit '0'\n"
              "Settings CheckUpdate '0'\nSettings UseManifest '0'\nSettings HideHints '0'\n"
              "Settings UseOnlyOpenVersion '0'\nSettings UseLocalListItem '1'\nSettings BackupFreq '20'\n"
              "Settings IDFlag '#X#'\nDatabase DbaseLoc '/srv/zentivor/db'\nDatabase BackupLoc ''\n"
              "Database AttachLoc ''\nDatabase Connection '1'\nSettings GridColor None\nSettings Language None\n");
}

TEST_F(SettingsWindow, ARefusedBackupFrequencyWritesNothing)
{
    Tsettingsfrm& settings = Open();
    settings.completedstatus->SetText("Done");
    for (const char* frequency : {"abc", "0", "-3", "12x"}) {
        script_->ClearRecords();
        settings.backupfrequency->SetText(frequency);
        settings.btn_okClick(&settings);
        EXPECT_EQ(settings.ModalResult(), TModalResult::mrNone) << frequency;
        ASSERT_EQ(Messages().size(), 1u) << frequency;
        EXPECT_THAT(Messages()[0], ::testing::HasSubstr("Backup frequency")) << frequency;
        EXPECT_EQ(Ini().ReadString("Settings", "Closed", "<none>"), "<none>") << frequency;
    }
    settings.backupfrequency->SetText("3");
    settings.btn_okClick(&settings);
    EXPECT_EQ(Ini().ReadString("Settings", "BackupFreq", ""), "3");
}

TEST_F(SettingsWindow, CancelKeepsOnlyWhatTheColourAndLanguageButtonsWrote)
{
    for (const char* name : {"English.lng", "German.lng", "German.mes"}) {
        std::filesystem::copy_file(std::string(ZV_SOURCE_DIR) + "/resources/language/" + name,
                                   PathOf(std::string("language/") + name));
    }
    Tsettingsfrm& settings = Open();
    settings.idflag->SetText("#CANCELLED#");
    const std::string colourSet = "clRed" + window_->Message(37);

    script_->Answer(TDialogAnswer{TModalResult::mrOk, {}, clRed, 0});
    settings.colorbtnClick(&settings);
    EXPECT_EQ(Ini().ReadString("Settings", "GridColor", ""), "clRed");
    EXPECT_EQ(settings.colorbtn->ButtonLayout().ArrowColor(), clRed);
    for (TDBGrid* grid : {window_->productgrid, window_->maingrid, window_->subgrid, window_->listgrid,
                          window_->contactgrid, window_->workgrid, window_->codegrid}) {
        EXPECT_EQ(grid->Color(), clRed) << grid->Name();
    }

    script_->Answer(TDialogAnswer{TModalResult::mrOk, PathOf("language/German.lng"), clBlack, 0});
    settings.langbtnClick(&settings);
    EXPECT_EQ(Ini().ReadString("Settings", "Language", ""), "German.lng");
    EXPECT_EQ(Ini().ReadString("Settings", "LanguageMes", ""), "German.mes");
    EXPECT_EQ(GetPropertyPathText(*window_, "tab1.Caption").value_or(""), "PROJEKTE");
    EXPECT_EQ(GetPropertyPathText(settings, "btn_cancel.Caption").value_or(""), "Abbrechen");
    EXPECT_EQ(window_->Message(3), "Sind Sie sicher?");
    EXPECT_THAT(Messages(), ::testing::ElementsAre(colourSet, "German.lng" + window_->Message(37)));

    settings.btn_cancelClick(&settings);
    EXPECT_EQ(settings.ModalResult(), TModalResult::mrCancel);
    EXPECT_EQ(Ini().ReadString("Settings", "IDFlag", "<none>"), "<none>");
}

TEST_F(SettingsWindow, EachTestReportsOnlyItsOwnFileOrFolder)
{
    std::filesystem::remove(PathOf("databases/product.dbf"));
    Tsettingsfrm& settings = Open();
    const std::string databases = Folder() + "databases/";
    const struct {
        void (Tsettingsfrm::*test)(TObject*);
        std::string text;
    } cases[] = {
        {&Tsettingsfrm::TestTICKETDatabase1Click, window_->Message(36) + databases + "Tickets.dbf"},
        {&Tsettingsfrm::TestPRODUCTDatabase1Click, window_->Message(35) + databases + "product.dbf"},
        {&Tsettingsfrm::TestCODEDatabase1Click, window_->Message(36) + databases + "Code.dbf"},
        {&Tsettingsfrm::TestBackupFolder1Click, window_->Message(36) + Folder() + "backup"},
        {&Tsettingsfrm::TestAttachmentsFolder1Click, "Test successful  " + Folder() + "attachments"},
    };
    for (const auto& c : cases) {
        script_->ClearRecords();
        (settings.*c.test)(&settings);
        EXPECT_THAT(Messages(), ::testing::ElementsAre(c.text));
    }
    // A local connection takes the box as the folder itself.
    settings.conn->SetItemIndex(1);
    settings.attachmentlocation->SetText(Folder() + "nowhere");
    script_->ClearRecords();
    settings.TestAttachmentsFolder1Click(&settings);
    EXPECT_THAT(Messages(), ::testing::ElementsAre(window_->Message(35) + Folder() + "nowhere"));
}

TEST_F(SettingsWindow, DefaultLocationEmptiesWhatIsNotThereAndDefineChoosesAFolder)
{
    std::filesystem::remove(PathOf("databases/Tickets.dbf"));
    Tsettingsfrm& settings = Open();
    settings.conn->SetItemIndex(1);
    settings.conn->SetItemIndex(0);
    EXPECT_EQ(settings.dbaselocation->Text(), "");
    EXPECT_TRUE(settings.definedbbtn1->Enabled());
    EXPECT_EQ(settings.backuplocation->Text(), "backup");
    EXPECT_FALSE(settings.definedbbtn2->Enabled());

    // The folder windows are answered through their own lists: `choose` runs once one is shown,
    // and a window it leaves open is cancelled.
    std::function<void(TKitDirForm&)> choose;
    auto whenShown = [&choose](TKitDirForm* form) {
        ASSERT_NE(form, nullptr);
        QTimer::singleShot(0, [form, &choose] {
            choose(*form);
            if (form->Modal() && form->ModalResult() == TModalResult::mrNone) {
                form->SetModalResult(TModalResult::mrCancel);
            }
        });
    };
    settings.conn->SetItemIndex(2);
    const std::string share = Folder() + "share/zentivor";
    std::filesystem::create_directories(share);
    settings.BrowseDlg[0]->OnInit = [&](TObject*) { whenShown(dynamic_cast<TKitDirForm*>(settings.BrowseDlg[0]->Form())); };
    choose = [&](TKitDirForm& form) {
        settings.BrowseDlg[0]->SetSelectedFolder(share);
        form.OKButton->Click();
    };
    settings.definedbbtn1Click(&settings);
    EXPECT_EQ(settings.dbaselocation->Text(), share);
    EXPECT_TRUE(settings.BrowseDlg[0]->HasOption(TKitBrowseDlgOption::doBrowseForComputer));
    // A local connection takes only a folder that is there and can be read.
    settings.conn->SetItemIndex(1);
    const std::string chosen = Folder() + "chosen backup";
    std::filesystem::create_directories(chosen);
    settings.DirDlg[1]->OnCustomize = [&](TObject* sender) { whenShown(dynamic_cast<TKitDirForm*>(sender)); };
    choose = [&](TKitDirForm& form) {
        form.DirectoryList->SetDirectory(chosen);
        form.OKButton->Click();
    };
    settings.definedbbtn2Click(&settings);
    EXPECT_EQ(settings.backuplocation->Text(), chosen);
    const std::string gone = Folder() + "gone backup";
    std::filesystem::create_directories(gone);
    choose = [&](TKitDirForm& form) {
        form.DirectoryList->SetDirectory(gone);
        std::filesystem::remove(gone);
        form.OKButton->Click();
    };
    script_->ClearRecords();
    settings.definedbbtn2Click(&settings);  // refused with a warning, then cancelled
    EXPECT_EQ(settings.backuplocation->Text(), chosen);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("IO-Error!\r", 0), 0u);
}

TEST_F(SettingsWindow, TheDatePickerCheck)
{
    Tsettingsfrm& settings = Open();
    settings.chechstatebtnClick(&settings);
    settings.checkdate->SetChecked(false);
    settings.chechstatebtnClick(&settings);
    EXPECT_THAT(Messages(), ::testing::ElementsAre(window_->Message(38), window_->Message(39)));
    settings.setmanifest->SetChecked(true);  // its click ticks the picker
    EXPECT_TRUE(settings.checkdate->Checked());
    settings.checkdateChange(settings.checkdate);
    EXPECT_FALSE(settings.checkdate->Checked()) << "with the manifest box ticked a change is turned back";
}

TEST_F(SettingsWindow, TheSettingsButtonAndUserPreferencesOpenItModally)
{
    Tsettingsfrm& settings = Open();
    for (const char* command : {"btn_settings", "userPreferences1"}) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = settings.Visible() && settings.Modal();
            settings.btn_cancelClick(&settings);
        });
        if (auto* item = dynamic_cast<TMenuItem*>(window_->FindComponent(command))) {
            item->Click();
        } else {
            window_->Get<TControl>(command)->Click();
        }
        EXPECT_TRUE(shown) << command;
        EXPECT_FALSE(settings.Visible()) << command;
    }
}

}  // namespace
