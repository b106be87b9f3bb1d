// The list, contact and code-database editors opened through the main window's commands on a
// real program folder: what they save, what they refuse, the delete confirmations, and the
// enciphered storage of contacts and code entries.

#include "AppTestSupport.h"
#include "MemoryDataSet.h"

#include "app/RecordEditorHost.h"
#include "app/Settings.h"
#include "app/Unit6.h"
#include "app/Unit8.h"
#include "app/Unit9.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTime.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TField& FieldOf(TDataSet& table, int position)
{
    return *table.Fields().Fields(position);
}

template <class Position>
std::string TextOf(TDataSet& table, Position position)
{
    return FieldOf(table, static_cast<int>(position)).AsString();
}

std::vector<std::string> ItemsOf(TComboBox& combo)
{
    std::vector<std::string> items;
    for (int i = 0; i < combo.Items().Count(); ++i) {
        items.push_back(combo.Items()[i]);
    }
    return items;
}

class RecordEditors : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
    }
    void TearDown() override
    {
        codeEditor.reset();
        listEditor.reset();
        contactEditor.reset();
        ProgramFolderTest::TearDown();
    }
    // Appends one record to a table file before the window opens it.
    void Seed(TTrackerTable kind, const std::function<void(TDataSet&)>& fill)
    {
        const TTrackerTableLayout& layout = TrackerTableLayout(kind);
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, layout.Enciphered);
        table.DBFFileName = PathOf(std::string("databases/") + layout.FileName);
        table.Open();
        table.Append();
        fill(table);
        table.Post();
        table.Close();
    }
    void SeedListItem(TListKind kind, const std::string& item, const std::string& local = "", bool readOnly = false,
                      bool noDelete = false)
    {
        Seed(TTrackerTable::Lists, [&](TDataSet& t) {
            FieldOf(t, static_cast<int>(TListField::LISTID)).SetAsInteger(static_cast<int>(kind));
            FieldOf(t, static_cast<int>(TListField::LISTNAME)).SetAsString(ListKindName(kind));
            FieldOf(t, static_cast<int>(TListField::LISTITEM)).SetAsString(item);
            FieldOf(t, static_cast<int>(TListField::LOCALITEM)).SetAsString(local);
            FieldOf(t, static_cast<int>(TListField::READONLY)).SetAsBoolean(readOnly);
            FieldOf(t, static_cast<int>(TListField::NODELETE)).SetAsBoolean(noDelete);
        });
    }
    void SeedContact(const std::string& name)
    {
        Seed(TTrackerTable::Contacts, [&](TDataSet& t) {
            FieldOf(t, static_cast<int>(TContactField::NAME)).SetAsString(name);
        });
    }
    Tmainfrm& StartWithEditors()
    {
        Tmainfrm& window = Start();
        codeEditor = std::make_unique<Tcodefrm>(nullptr);
        codefrm = codeEditor.get();
        listEditor = std::make_unique<Tlistfrm>(nullptr);
        listfrm = listEditor.get();
        contactEditor = std::make_unique<Tcontactfrm>(nullptr);
        contactfrm = contactEditor.get();
        return window;
    }
    // Runs `open` (a command that shows an editor modally) and `act` while the editor is shown;
    // `act` must close it. Fails when the editor was never shown.
    void WhileShown(TForm& editor, const std::function<void()>& act, const std::function<void()>& open)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = editor.Visible();
            act();
            if (editor.Visible() && editor.ModalResult() == TModalResult::mrNone) {
                ADD_FAILURE() << "the editor stayed open";
                editor.Close();
            }
        });
        open();
        EXPECT_TRUE(shown);
    }
    // Clicks a button, tool button or menu item of the main window.
    void Click(const char* name)
    {
        if (auto* item = dynamic_cast<TMenuItem*>(window_->FindComponent(name))) {
            item->Click();
        } else {
            window_->Get<TControl>(name)->Click();
        }
    }
    // The records the table shows (deleted ones are hidden).
    static int Shown(TDataSet& table)
    {
        int count = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            ++count;
        }
        return count;
    }

    std::unique_ptr<Tcodefrm> codeEditor;
    std::unique_ptr<Tlistfrm> listEditor;
    std::unique_ptr<Tcontactfrm> contactEditor;
};

// ---------------------------------------------------------------------------------------------
// List editor

TEST_F(RecordEditors, ListItemsSaveWithTheListKindOrAreRefused)
{
    struct TCase {
        const char* Opener;  // the command that opens the editor
        int ChosenIndex;     // -1: the name is typed
        const char* TypedName;
        const char* Item;
        bool Saved;
        int ListId;
        const char* StoredName;
        bool IncorrectName;  // message 34
    };
    const TCase cases[] = {
        {"addlist", 5, "", "Reopened", true, 5, "Status", false},
        {"btn_newlist", -1, "Department", "Sales", true, 16, "Department", false},
        {"newlist", -1, "legal status", "Freeware", true, 12, "Legal Status", false},
        {"addlist", -1, "Colour", "Red", false, 0, "", true},
        {"addlist", -1, "", "Orphan", false, 0, "", true},
        {"addlist", 1, "", "", false, 0, "", false},  // no item: nothing happens
    };
    Tmainfrm& window = StartWithEditors();
    int expectedCount = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Opener) + " " + c.TypedName + " " + c.Item);
        script_->ClearRecords();
        WhileShown(
            *listEditor,
            [&] {
                EXPECT_FALSE(listEditor->editornot->Checked());
                EXPECT_FALSE(listEditor->readonly->Visible());
                EXPECT_TRUE(listEditor->listname->Enabled());
                if (c.ChosenIndex >= 0) {
                    listEditor->listname->SetItemIndex(c.ChosenIndex);
                } else {
                    listEditor->listname->SetText(c.TypedName);
                }
                listEditor->listitem->SetText(c.Item);
                listEditor->listcomment->Lines().SetText("one\ntwo");
                listEditor->btn_ok->Click();
                if (listEditor->Visible()) {
                    listEditor->btn_cancel->Click();
                }
            },
            [&] { Click(c.Opener); });
        if (c.IncorrectName) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Incorrect data! Please check the List Name field!"});
        } else {
            EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        }
        expectedCount += c.Saved ? 1 : 0;
        ASSERT_EQ(window.listdb->RecordCount(), expectedCount);
        if (c.Saved) {
            window.listdb->Last();
            EXPECT_EQ(FieldOf(*window.listdb, 0).AsInteger(), c.ListId);
            EXPECT_EQ(TextOf(*window.listdb, TListField::LISTNAME), c.StoredName);
            EXPECT_EQ(TextOf(*window.listdb, TListField::LISTITEM), c.Item);
            EXPECT_EQ(TextOf(*window.listdb, TListField::COMMENT), "one\r\ntwo\r\n");
            EXPECT_FALSE(FieldOf(*window.listdb, static_cast<int>(TListField::NODELETE)).AsBoolean());
        }
    }
}

TEST_F(RecordEditors, ChangingTheListNameEmptiesTheItem)
{
    StartWithEditors();
    listEditor->listitem->SetText("Sales");
    listEditor->listname->OnChange(listEditor->listname);
    EXPECT_EQ(listEditor->listitem->Text(), "");
}

TEST_F(RecordEditors, EditingAndExpertModeOfAReadOnlyItem)
{
    SeedListItem(TListKind::Status, "Closed", "Geschlossen", true, false);
    Tmainfrm& window = StartWithEditors();
    window.listdb->First();

    // Plain edit: the flags stay hidden, the names of a read-only item cannot change.
    WhileShown(
        *listEditor,
        [&] {
            EXPECT_TRUE(listEditor->editornot->Checked());
            EXPECT_EQ(listEditor->listname->Text(), "Status");
            EXPECT_EQ(listEditor->listname->ItemIndex(), 5);
            EXPECT_EQ(listEditor->localname->Text(), "Geschlossen");
            EXPECT_FALSE(listEditor->readonly->Visible());
            EXPECT_TRUE(listEditor->readonly->Checked());
            EXPECT_FALSE(listEditor->listname->Enabled());
            EXPECT_FALSE(listEditor->listitem->Enabled());
            listEditor->localname->SetText("Zu");
            listEditor->btn_ok->Click();
        },
        [&] { Click("editlist"); });
    ASSERT_EQ(window.listdb->RecordCount(), 1);
    EXPECT_EQ(TextOf(*window.listdb, TListField::LOCALITEM), "Zu");
    EXPECT_TRUE(FieldOf(*window.listdb, static_cast<int>(TListField::READONLY)).AsBoolean());

    // Expert mode shows the flags, which are then saved.
    WhileShown(
        *listEditor,
        [&] {
            EXPECT_TRUE(listEditor->readonly->Visible());
            EXPECT_TRUE(listEditor->nodelete->Visible());
            listEditor->readonly->SetChecked(false);
            listEditor->nodelete->SetChecked(true);
            listEditor->btn_ok->Click();
        },
        [&] { window.Get<TMenuItem>("OpenEntryinExpertMode1")->Click(); });
    ASSERT_EQ(window.listdb->RecordCount(), 1);
    EXPECT_FALSE(FieldOf(*window.listdb, static_cast<int>(TListField::READONLY)).AsBoolean());
    EXPECT_TRUE(FieldOf(*window.listdb, static_cast<int>(TListField::NODELETE)).AsBoolean());
    EXPECT_EQ(TextOf(*window.listdb, TListField::LISTITEM), "Closed");
}

TEST_F(RecordEditors, DeletingListItemsContactsAndCodeEntriesAsksFirst)
{
    SeedListItem(TListKind::Priority, "High", "", false, true);
    SeedListItem(TListKind::Priority, "Low");
    SeedContact("Ann");
    Seed(TTrackerTable::Code, [](TDataSet& t) { FieldOf(t, 0).SetAsString("Editor"); });
    Tmainfrm& window = StartWithEditors();
    const std::string sure = "Are you sure?";
    const std::string protectedEntry = "Protected entry! Deletion is not possible!";

    struct TCase {
        TDataSet* Table;
        int Record;
        const char* Button;
        TModalResult Answer;
        std::vector<std::string> Shown;
        int CountAfter;
    };
    const TCase cases[] = {
        {window.listdb, 1, "deletelist", TModalResult::mrYes, {sure, protectedEntry}, 2},
        {window.listdb, 2, "deletelist", TModalResult::mrNo, {sure}, 2},
        {window.listdb, 2, "deletelist", TModalResult::mrYes, {sure}, 1},
        {window.contactdb, 1, "deletecontact", TModalResult::mrNo, {sure}, 1},
        {window.contactdb, 1, "deletecontact", TModalResult::mrYes, {sure}, 0},
        {window.codedb, 1, "deletecodebtn", TModalResult::mrYes, {sure}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Button);
        script_->ClearRecords();
        c.Table->SetRecNo(c.Record);
        script_->Answer(c.Answer);
        Click(c.Button);
        EXPECT_EQ(Boxes(), c.Shown);
        EXPECT_EQ(Shown(*c.Table), c.CountAfter);
    }
    EXPECT_FALSE(window.Get<TControl>("editlist")->Enabled());
    EXPECT_FALSE(window.Get<TControl>("deletecontact")->Enabled());
    EXPECT_TRUE(window.Get<TControl>("addcodebtn")->Enabled());
    window.listdb->First();
    EXPECT_EQ(TextOf(*window.listdb, TListField::LISTITEM), "High");
}

// ---------------------------------------------------------------------------------------------
// Contact editor

TEST_F(RecordEditors, ContactPickListsComeFromTheListsTable)
{
    SeedListItem(TListKind::Job, "Developer", "Entwickler");
    SeedListItem(TListKind::Job, "developer");
    SeedListItem(TListKind::Job, "Tester");
    SeedListItem(TListKind::Company, "Acme");
    SeedListItem(TListKind::Department, "QA");
    SeedListItem(TListKind::Status, "Open");
    StartWithEditors();
    struct TCase {
        bool UseLocal;
        std::vector<std::string> Jobs;
    };
    const TCase cases[] = {
        {false, {"Developer", "Tester"}},
        {true, {"Entwickler", "developer", "Tester"}},
    };
    for (const TCase& c : cases) {
        WriteSetting(*SettingsIni, Setting::UseLocalListItem, c.UseLocal);
        WhileShown(
            *contactEditor,
            [&] {
                EXPECT_EQ(ItemsOf(*contactEditor->contactjob), c.Jobs);
                EXPECT_EQ(ItemsOf(*contactEditor->company), std::vector<std::string>{"Acme"});
                EXPECT_EQ(ItemsOf(*contactEditor->department), std::vector<std::string>{"QA"});
                EXPECT_EQ(contactEditor->country->Items().Count(), 241);
                contactEditor->btn_cancel->Click();
            },
            [&] { Click("addcontact"); });
    }
}

TEST_F(RecordEditors, AddListItemFromTheContactEditorRefillsItsLists)
{
    Tmainfrm& window = StartWithEditors();
    std::vector<std::string> jobs;
    WhileShown(
        *contactEditor,
        [&] {
            contactEditor->contactname->SetText("Carla");
            contactEditor->contactjob->SetText("Tes");
            // The list editor opens over the contact editor; its item is offered at once.
            QTimer::singleShot(0, [&] {
                listEditor->listname->SetItemIndex(static_cast<int>(TListKind::Job));
                listEditor->listitem->SetText("Tester");
                listEditor->btn_ok->Click();
            });
            contactEditor->addlistitembtn->Click();
            jobs = ItemsOf(*contactEditor->contactjob);
            EXPECT_EQ(contactEditor->contactjob->Text(), "Tes");
            contactEditor->btn_cancel->Click();
        },
        [&] { Click("addcontact"); });
    EXPECT_EQ(jobs, std::vector<std::string>{"Tester"});
    EXPECT_EQ(Shown(*window.listdb), 1);
    EXPECT_EQ(Shown(*window.contactdb), 0);
}

TEST_F(RecordEditors, ContactsAreStoredEncipheredAndReadBackThroughTheEngine)
{
    Tmainfrm& window = StartWithEditors();
    // The same name twice gives two contacts.
    for (const char* email : {"ann@example.org", "ann.other@example.org"}) {
        WhileShown(
            *contactEditor,
            [&] {
                EXPECT_TRUE(contactEditor->contactname->Enabled());
                contactEditor->contactname->SetText("Annabel Quistorp");
                contactEditor->contactjob->SetText("Developer");
                contactEditor->contactemail->SetText(email);
                contactEditor->contactphone->SetText("+49 30 1234");
                contactEditor->contactaddress->SetText("Hauptstrasse 1");
                contactEditor->company->SetText("Acme");
                contactEditor->department->SetText("QA");
                contactEditor->country->SetText("Germany");
                contactEditor->contactcomment->Lines().SetText("met at the fair");
                contactEditor->btn_ok->Click();
            },
            [&] { Click("btn_newcontact"); });
    }
    ASSERT_EQ(window.contactdb->RecordCount(), 2);

    // Editing keeps the name, which cannot be changed.
    window.contactdb->SetRecNo(2);
    WhileShown(
        *contactEditor,
        [&] {
            EXPECT_TRUE(contactEditor->editornot->Checked());
            EXPECT_FALSE(contactEditor->contactname->Enabled());
            EXPECT_EQ(contactEditor->contactemail->Text(), "ann.other@example.org");
            EXPECT_EQ(contactEditor->country->Text(), "Germany");
            contactEditor->contactphone->SetText("+49 30 9999");
            contactEditor->btn_ok->Click();
        },
        [&] { Click("editcontact"); });
    ASSERT_EQ(window.contactdb->RecordCount(), 2);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    FreeWindow();

    const std::string file = ReadFile("databases/Contacts.dbf");
    ASSERT_FALSE(file.empty());
    for (const char* plain : {"Annabel", "Quistorp", "example.org", "Hauptstrasse", "Germany"}) {
        EXPECT_EQ(file.find(plain), std::string::npos) << plain << " is readable on disk";
    }

    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, true);
    table.DBFFileName = PathOf("databases/Contacts.dbf");
    table.Open();
    ASSERT_EQ(table.RecordCount(), 2);
    table.First();
    const std::vector<std::pair<TContactField, std::string>> first = {
        {TContactField::NAME, "Annabel Quistorp"}, {TContactField::JOB, "Developer"},
        {TContactField::EMAIL, "ann@example.org"}, {TContactField::PHONE, "+49 30 1234"},
        {TContactField::ADDRESS, "Hauptstrasse 1"}, {TContactField::COMMENT, "met at the fair\r\n"},
        {TContactField::SPARE1, ""},               {TContactField::COMPANY, "Acme"},
        {TContactField::DEPARTMENT, "QA"},         {TContactField::COUNTRY, "Germany"},
    };
    for (const auto& [position, value] : first) {
        EXPECT_EQ(TextOf(table, position), value) << static_cast<int>(position);
    }
    table.Next();
    EXPECT_EQ(TextOf(table, TContactField::NAME), "Annabel Quistorp");
    EXPECT_EQ(TextOf(table, TContactField::EMAIL), "ann.other@example.org");
    EXPECT_EQ(TextOf(table, TContactField::PHONE), "+49 30 9999");
    table.Close();
}

// ---------------------------------------------------------------------------------------------
// Code-database editor

TEST_F(RecordEditors, CodeEntriesSaveTheirDatesAndOfferListsAndContacts)
{
    SeedListItem(TListKind::LegalStatus, "Licensed");
    SeedListItem(TListKind::RegistrationMode, "Online");
    SeedListItem(TListKind::Job, "Developer");
    SeedContact("Ann");
    SeedContact("Bob");
    SeedContact("ann");
    Tmainfrm& window = StartWithEditors();
    window.contactdb->SetFiltered(true);  // the editor offers every contact anyway

    const TDateTime installed = EncodeDate(2023, 5, 17);
    WhileShown(
        *codeEditor,
        [&] {
            EXPECT_FALSE(codeEditor->editornot->Checked());
            EXPECT_FALSE(codeEditor->installdate->Checked());
            EXPECT_FALSE(codeEditor->expirationdate->Checked());
            EXPECT_EQ(ItemsOf(*codeEditor->legalstatus), std::vector<std::string>{"Licensed"});
            EXPECT_EQ(ItemsOf(*codeEditor->registrationmode), std::vector<std::string>{"Online"});
            EXPECT_EQ(ItemsOf(*codeEditor->contactname), (std::vector<std::string>{"Ann", "Bob"}));
            codeEditor->appname->SetText("Image Viewer");
            codeEditor->installdate->SetDate(installed);
            codeEditor->installdate->SetChecked(true);
            codeEditor->expirationdate->SetDate(EncodeDate(2030, 1, 1));  // unticked: stored empty
            codeEditor->legalstatus->SetText("Licensed");
            codeEditor->registrationmode->SetText("Online");
            codeEditor->registrationcode->SetText("ABCD-1234");
            codeEditor->contactname->SetText("Bob");
            codeEditor->comment->Lines().SetText("site licence");
            codeEditor->okbtn->Click();
        },
        [&] { Click("addcodebtn"); });
    EXPECT_FALSE(window.contactdb->Filtered());
    ASSERT_EQ(window.codedb->RecordCount(), 1);
    window.codedb->First();
    EXPECT_EQ(FieldOf(*window.codedb, 1).AsDateTime(), installed);
    EXPECT_TRUE(FieldOf(*window.codedb, 5).IsNull());
    EXPECT_EQ(TextOf(*window.codedb, TCodeField::REGCODE), "ABCD-1234");
    EXPECT_EQ(TextOf(*window.codedb, TCodeField::CONTACT), "Bob");
    EXPECT_EQ(TextOf(*window.codedb, TCodeField::COMMENT), "site licence\r\n");

    // Editing loads the dates by the picker rule; unticking the installation date empties it.
    WhileShown(
        *codeEditor,
        [&] {
            EXPECT_TRUE(codeEditor->editornot->Checked());
            EXPECT_TRUE(codeEditor->installdate->Checked());
            EXPECT_EQ(codeEditor->installdate->Date(), installed);
            EXPECT_FALSE(codeEditor->expirationdate->Checked());
            EXPECT_EQ(codeEditor->expirationdate->Date(), Date());
            codeEditor->installdate->SetChecked(false);
            codeEditor->okbtn->Click();
        },
        [&] { Click("editcodebtn"); });
    ASSERT_EQ(window.codedb->RecordCount(), 1);
    EXPECT_TRUE(FieldOf(*window.codedb, 1).IsNull());
    EXPECT_EQ(TextOf(*window.codedb, TCodeField::APPNAME), "Image Viewer");

    // Without an application name nothing is saved and the editor stays open.
    WhileShown(
        *codeEditor,
        [&] {
            codeEditor->okbtn->Click();
            EXPECT_TRUE(codeEditor->Visible());
            codeEditor->cancelbtn->Click();
        },
        [&] { Click("addcodebtn"); });
    EXPECT_EQ(window.codedb->RecordCount(), 1);
    FreeWindow();
    EXPECT_EQ(ReadFile("databases/Code.dbf").find("ABCD-1234"), std::string::npos);
}

TEST_F(RecordEditors, ManifestSettingInvertsAChangedCodeDate)
{
    StartWithEditors();
    codeEditor->Host.SettingsIni = SettingsIni;
    for (const bool manifest : {false, true}) {
        WriteSetting(*SettingsIni, Setting::UseManifest, manifest);
        codeEditor->expirationdate->SetChecked(true);
        codeEditor->expirationdate->OnChange(codeEditor->expirationdate);
        EXPECT_EQ(codeEditor->expirationdate->Checked(), !manifest);
    }
}

// ---------------------------------------------------------------------------------------------
// A failed write leaves no pending record

TEST(RecordWrite, AFailureWhileWritingCancelsTheRecord)
{
    auto table = std::make_unique<TMemoryDataSet>(nullptr, std::vector<MemoryFieldSpec>{{"NAME", TFieldType::ftString, 20}});
    table->Open();
    for (const bool editing : {false, true}) {
        EXPECT_THROW(WriteRecord(*table, editing,
                                 [&] {
                                     FieldOf(*table, 0).SetAsString("half");
                                     throw EDatabaseError("write failed");
                                 }),
                     EDatabaseError);
        EXPECT_EQ(table->State(), TDataSetState::dsBrowse);
        EXPECT_EQ(table->RecordCount(), editing ? 1 : 0);
        if (!editing) {
            WriteRecord(*table, false, [&] { FieldOf(*table, 0).SetAsString("kept"); });
        }
    }
    table->First();
    EXPECT_EQ(FieldOf(*table, 0).AsString(), "kept");
}

}  // namespace
