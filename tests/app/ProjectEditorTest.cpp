// The project editor and the main window's project-version commands, on the tracker's real
// tables in a program folder of their own: the first project of an empty database up to a
// ticket for it, the duplicate-version refusal, editing, the last-version list, the question
// before closing a version with open tickets, and deleting.

#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Settings.h"
#include "app/Unit4.h"
#include "app/Unit7.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/DateTime.h"

#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

using ::testing::ElementsAre;

TField& Field(TDataSet& table, TProductField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

std::vector<std::string> ItemsOf(TStrings& items)
{
    std::vector<std::string> texts;
    for (int i = 0; i < items.Count(); ++i) {
        texts.push_back(items[i]);
    }
    return texts;
}

struct TVersionRow {
    std::string Name;
    std::string Version;
    bool Closed = false;
};

class ProjectEditor : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
    }
    void TearDown() override
    {
        ticketEditor.reset();
        editor.reset();
        ProgramFolderTest::TearDown();
    }

    // Rows written straight into the tables before the window starts.
    void AddVersions(const std::vector<TVersionRow>& rows)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, false);
        table.DBFFileName = PathOf("databases/product.dbf");
        table.Open();
        for (const TVersionRow& row : rows) {
            table.Append();
            Field(table, TProductField::NAME).SetAsString(row.Name);
            Field(table, TProductField::VERSION).SetAsString(row.Version);
            Field(table, TProductField::TYPE).SetAsString("Release");
            Field(table, TProductField::CLOSED).SetAsBoolean(row.Closed);
            table.Post();
        }
        table.Close();
    }
    void AddReleaseTypes(const std::vector<std::string>& items)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, false);
        table.DBFFileName = PathOf("databases/Lists.dbf");
        table.Open();
        for (const std::string& item : items) {
            table.Append();
            table.Fields().Fields(static_cast<int>(TListField::LISTID))->SetAsInteger(static_cast<int>(TListKind::Type));
            table.Fields().Fields(static_cast<int>(TListField::LISTNAME))->SetAsString("Type");
            table.Fields().Fields(static_cast<int>(TListField::LISTITEM))->SetAsString(item);
            table.Post();
        }
        table.Close();
    }

    // Starts the window with the project editor created as the program creates it: owned by
    // the application, so the window's project lists find it.
    Tmainfrm& StartWithEditor()
    {
        Tmainfrm& window = Start();
        editor.reset(new Tproductfrm(&TestApplication()));
        productfrm = editor.get();
        window.FillProductLists();
        return window;
    }

    // Clicks the window's component `name`; while the editor is shown `fill` sets its controls,
    // then OK is pressed when it is enabled, and Cancel after it when OK left the form open. Returns whether OK
    // closed the form.
    bool RunEditor(const char* name, const std::function<void(Tproductfrm&)>& fill)
    {
        bool shown = false;
        bool closedByOk = false;
        QTimer::singleShot(0, [&] {
            shown = editor->Visible();
            fill(*editor);
            if (editor->btn_ok->Enabled()) {  // a disabled button takes no click
                editor->btn_ok->Click();
            }
            closedByOk = editor->ModalResult() == TModalResult::mrOk;
            if (!closedByOk) {
                editor->btn_cancel->Click();
            }
        });
        TComponent* component = window_->FindComponent(name);
        if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            item->Click();
        } else {
            window_->Get<TControl>(name)->Click();
        }
        EXPECT_TRUE(shown) << name << " did not show the project editor";
        return closedByOk;
    }

    static void FillNew(Tproductfrm& form, const std::string& name, const std::string& version)
    {
        form.product->SetText(name);
        form.version->SetText(version);
        form.releasetype->SetText("Release");
    }

    // NAME and VERSION of every row, whatever the filter.
    std::vector<std::string> Rows()
    {
        TDataSet& table = *window_->appsdb;
        const bool filtered = table.Filtered();
        table.SetFiltered(false);
        std::vector<std::string> rows;
        table.First();
        while (!table.Eof()) {
            rows.push_back(Field(table, TProductField::NAME).AsString() + " " +
                           Field(table, TProductField::VERSION).AsString());
            table.Next();
        }
        table.SetFiltered(filtered);
        return rows;
    }

    // Moves the project table to the row of `name` `version`.
    void SelectRow(const std::string& name, const std::string& version)
    {
        TDataSet& table = *window_->appsdb;
        table.First();
        while (!table.Eof()) {
            if (Field(table, TProductField::NAME).AsString() == name &&
                Field(table, TProductField::VERSION).AsString() == version) {
                window_->productgridCellClick(nullptr);
                return;
            }
            table.Next();
        }
        FAIL() << "no row " << name << " " << version;
    }

    std::unique_ptr<Tproductfrm> editor;
    std::unique_ptr<Tmainissuefrm> ticketEditor;
};

// The main road: the first project of an empty database shows in the window's project lists,
// its version is offered to a new ticket, and the stored row reads back in an outside reader.
TEST_F(ProjectEditor, FirstProjectOfAnEmptyDatabaseTakesATicket)
{
    AddReleaseTypes({"Release", "Beta", "release"});
    Tmainfrm& window = StartWithEditor();
    PostStart();
    ticketEditor = std::make_unique<Tmainissuefrm>(nullptr);
    mainissuefrm = ticketEditor.get();
    ASSERT_TRUE(Boxes().empty()) << Boxes().front();
    ASSERT_EQ(window.appsdb->RecordCount(), 0);

    std::vector<std::string> releaseTypes;
    ASSERT_TRUE(RunEditor("addproductbtn", [&](Tproductfrm& form) {
        releaseTypes = ItemsOf(form.releasetype->Items());
        FillNew(form, "Tracker", "1.0");
        form.purpose->SetText("First release");
        form.started->SetDate(EncodeDate(2024, 3, 1));
        form.started->SetChecked(true);
        form.released->SetChecked(true);
        form.comment->Lines().SetText("line one\r\nline two");
    }));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_THAT(releaseTypes, ElementsAre("Release", "Beta"));

    ASSERT_THAT(Rows(), ElementsAre("Tracker 1.0"));
    EXPECT_EQ(window.activeproduct->Text(), "Tracker");
    EXPECT_THAT(ItemsOf(window.Get<TListBox>("projectlist")->Items()), ElementsAre("Tracker"));
    EXPECT_THAT(ItemsOf(editor->product->Items()), ElementsAre("Tracker"));

    // A ticket for the new project through the window's Add command.
    window.productgridCellClick(nullptr);
    std::vector<std::string> versionsOffered;
    QTimer::singleShot(0, [&] {
        versionsOffered = ItemsOf(ticketEditor->cb_version->Items());
        ticketEditor->cb_version->SetText("1.0");
        ticketEditor->ed_subject->SetText("First ticket");
        ticketEditor->btn_ok->Click();
    });
    window.Get<TButton>("main_btn_add")->Click();
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_THAT(versionsOffered, ElementsAre("1.0"));
    ASSERT_EQ(window.maindb->RecordCount(), 1);
    window.maindb->First();
    EXPECT_EQ(window.maindb->Fields().Fields(static_cast<int>(TTicketField::PRODUCT))->AsString(), "Tracker");
    EXPECT_EQ(window.maindb->Fields().Fields(static_cast<int>(TTicketField::VERSION))->AsString(), "1.0");
    EXPECT_EQ(window.Get<TEdit>("openticket")->Text(), "1");

    if (!HavePythonModule("dbfread")) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    window.appsdb->Close();
    bool ok = false;
    const std::string output = RunPython("from dbfread import DBF\n"
                                         "for r in DBF('" + PathOf("databases/product.dbf") +
                                             "', encoding='cp1252'):\n"
                                             "    print(repr([r[f] for f in ('NAME', 'VERSION', 'TYPE', "
                                             "'PURPOSE', 'STARTED', 'FINISHED', 'RELEASED', 'ISSUEDATE', "
                                             "'PLAN_END', 'COMMENT', 'CLOSED')]))\n",
                                         ok);
    ASSERT_TRUE(ok) << output;
    EXPECT_EQ(output, "['Tracker', '1.0', 'Release', 'First release', datetime.date(2024, 3, 1), None, True, None, "
                      "None, 'line one\\r\\nline two\\r\\n', False]\n");
}

// Every command bound to "new project version" opens the editor blank and in add mode.
TEST_F(ProjectEditor, EveryNewProjectCommandOpensABlankAddForm)
{
    AddVersions({{"Tracker", "1.0"}});
    StartWithEditor();
    int added = 0;
    for (const char* name : {"addproductbtn", "addprojectbtn", "btn_newproject", "NewProject1"}) {
        editor->product->SetText("left over");
        editor->version->SetText("9");
        editor->comment->Lines().SetText("old");
        editor->editornot->SetChecked(true);
        editor->started->SetChecked(true);
        EXPECT_TRUE(RunEditor(name, [&](Tproductfrm& form) {
            EXPECT_FALSE(form.editornot->Checked()) << name;
            EXPECT_EQ(form.product->Text(), "") << name;
            EXPECT_EQ(form.version->Text(), "") << name;
            EXPECT_EQ(form.comment->Text(), "") << name;
            EXPECT_FALSE(form.started->Checked()) << name;
            EXPECT_TRUE(form.product->Enabled() && form.version->Enabled() && form.btn_ok->Enabled()) << name;
            FillNew(form, "Tracker", "2." + std::to_string(++added));
        })) << name;
    }
    EXPECT_EQ(Rows().size(), 5u);
}

// Adds are refused while a required field is empty and when the product already has the
// version, letter case and trailing blanks ignored; the refusal writes nothing and keeps the
// form open. Another product's version, or an edit to a taken version, is accepted.
TEST_F(ProjectEditor, AddRefusesMissingFieldsAndDuplicateVersions)
{
    AddVersions({{"Tracker", "1.0a"}, {"Tracker", "2.0"}});
    StartWithEditor();
    const std::string duplicate = window_->Message(33);
    ASSERT_EQ(duplicate, "Existing version! You can not add the same version twice!");
    struct TCase {
        std::string Name, Version, Type;
        bool Saved;
        std::vector<std::string> Boxes;
    };
    const TCase cases[] = {
        {"Tracker", "1.0a", "Release", false, {duplicate}},
        {"Tracker", "1.0A", "Release", false, {duplicate}},
        {"Tracker", "2.0  ", "Release", false, {duplicate}},
        {"Tracker", "", "Release", false, {}},
        {"", "3.0", "Release", false, {}},
        {"Tracker", "3.0", "", false, {}},
        {"tracker", "2.0", "Release", true, {}},
        {"Tracker", "3.0", "Release", true, {}},
    };
    size_t rows = Rows().size();
    for (const TCase& c : cases) {
        script_->ClearRecords();
        const bool closed = RunEditor("addproductbtn", [&](Tproductfrm& form) {
            form.product->SetText(c.Name);
            form.version->SetText(c.Version);
            form.releasetype->SetText(c.Type);
        });
        const std::string label = c.Name + "/" + c.Version + "/" + c.Type;
        EXPECT_EQ(closed, c.Saved) << label;
        EXPECT_EQ(Boxes(), c.Boxes) << label;
        rows += c.Saved ? 1 : 0;
        EXPECT_EQ(Rows().size(), rows) << label;
    }
}

// Editing loads the row, keeps the product and a recorded version fixed, writes every field
// back (the comment without a line end after its last line) and may take a version another
// row already has.
TEST_F(ProjectEditor, EditLoadsTheRowAndWritesItBack)
{
    AddVersions({{"Tracker", "1.0"}, {"Tracker", "1.1"}});
    StartWithEditor();
    SelectRow("Tracker", "1.1");

    bool loaded = false;
    EXPECT_TRUE(RunEditor("editproductbtn", [&](Tproductfrm& form) {
        loaded = true;
        EXPECT_TRUE(form.editornot->Checked());
        EXPECT_FALSE(form.product->Enabled());
        EXPECT_FALSE(form.version->Enabled());
        EXPECT_EQ(form.product->Text(), "Tracker");
        EXPECT_EQ(form.version->Text(), "1.1");
        EXPECT_EQ(form.releasetype->Text(), "Release");
        EXPECT_THAT(ItemsOf(form.lastversion->Items()), ElementsAre("1.1", "1.0"));
        EXPECT_FALSE(form.planned->Checked());
        form.version->SetText("1.0");
        form.purpose->SetText("Maintenance");
        form.planned->SetDate(EncodeDate(2025, 1, 31));
        form.planned->SetChecked(true);
        form.closed->SetChecked(true);
        form.comment->Lines().SetText("one\r\ntwo");
    }));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_THAT(Rows(), ElementsAre("Tracker 1.0", "Tracker 1.0"));
    TDataSet& table = *window_->appsdb;
    EXPECT_EQ(Field(table, TProductField::PURPOSE).AsString(), "Maintenance");
    EXPECT_EQ(Field(table, TProductField::COMMENT).AsString(), "one\r\ntwo");
    EXPECT_EQ(Field(table, TProductField::PLAN_END).AsDateTime(), EncodeDate(2025, 1, 31));
    EXPECT_TRUE(Field(table, TProductField::CLOSED).AsBoolean());

    // The dates and the comment come back into the editor as they were saved; a closed
    // version under RecordFreeze opens with OK disabled.
    WriteSetting(*SettingsIni, Setting::RecordFreeze, true);
    EXPECT_FALSE(RunEditor("editprojectbtn", [&](Tproductfrm& form) {
        EXPECT_TRUE(form.planned->Checked());
        EXPECT_EQ(form.planned->Date(), EncodeDate(2025, 1, 31));
        EXPECT_FALSE(form.started->Checked());
        EXPECT_EQ(form.comment->Text(), "one\r\ntwo");
        EXPECT_FALSE(form.btn_ok->Enabled());
    }));
}

// The versions of the chosen product, newest first, shown whatever the project filter, with the
// table back on its record and filter afterwards.
TEST_F(ProjectEditor, LastVersionListsTheProductsVersionsNewestFirst)
{
    AddVersions({{"Tracker", "1.0"}, {"Other", "7.0"}, {"Tracker", "1.1"}, {"Tracker", "2.0"}, {"Tracker", "1.1"}});
    StartWithEditor();
    TDataSet& table = *window_->appsdb;
    Tmainfrm::ApplyFilter(table, "NAME='Other'");
    ASSERT_EQ(Field(table, TProductField::NAME).AsString(), "Other");
    const int record = table.RecNo();
    editor->Host.ProductTable = &table;

    struct TCase {
        std::string Product;
        std::vector<std::string> Versions;
        std::string Shown;
    };
    const TCase cases[] = {
        {"Tracker", {"1.1", "2.0", "1.0"}, "1.1"},
        {"Other", {"7.0"}, "7.0"},
        {"tracker", {}, ""},
        {"", {}, ""},
    };
    for (const TCase& c : cases) {
        editor->product->SetText(c.Product);
        editor->productChange(editor->product);
        EXPECT_EQ(ItemsOf(editor->lastversion->Items()), c.Versions) << c.Product;
        EXPECT_EQ(editor->lastversion->Text(), c.Shown) << c.Product;
        EXPECT_TRUE(table.Filtered());
        EXPECT_EQ(table.RecNo(), record);
    }
}

// Ticking "closed" asks first only while the window counts open tickets; No keeps the form
// open and writes nothing.
TEST_F(ProjectEditor, ClosingAVersionWithOpenTicketsAsksFirst)
{
    AddVersions({{"Tracker", "1.0"}});
    StartWithEditor();
    const std::string question = "2" + window_->Message(28);
    struct TCase {
        std::string Counter;
        bool Closed;
        TModalResult Answer;
        bool Saved;
        std::vector<std::string> Boxes;
    };
    const TCase cases[] = {
        {"2", true, TModalResult::mrNo, false, {question}},
        {"2", true, TModalResult::mrYes, true, {question}},
        {"2", false, TModalResult::mrNone, true, {}},
        {"0", true, TModalResult::mrNone, true, {}},
        {"", true, TModalResult::mrNone, true, {}},
    };
    int version = 0;
    for (const TCase& c : cases) {
        script_->ClearRecords();
        if (c.Answer != TModalResult::mrNone) {
            script_->Answer(c.Answer);
        }
        const size_t before = Rows().size();
        const bool closed = RunEditor("addproductbtn", [&](Tproductfrm& form) {
            window_->Get<TEdit>("openticket")->SetText(c.Counter);
            FillNew(form, "Tracker", "5." + std::to_string(++version));
            form.closed->SetChecked(c.Closed);
        });
        const std::string label = "counter '" + c.Counter + "' closed " + std::to_string(c.Closed);
        EXPECT_EQ(closed, c.Saved) << label;
        EXPECT_EQ(Boxes(), c.Boxes) << label;
        EXPECT_EQ(Rows().size(), before + (c.Saved ? 1 : 0)) << label;
    }
}

// Delete asks first; Yes removes the version (its tickets stay), disables the row's buttons
// and takes the name out of the project lists.
TEST_F(ProjectEditor, DeleteAsksAndRefillsTheProjectLists)
{
    AddVersions({{"Tracker", "1.0"}, {"Other", "2.0"}});
    StartWithEditor();
    SelectRow("Other", "2.0");
    ASSERT_TRUE(window_->Get<TButton>("deleteproductbtn")->Enabled());

    script_->Answer(TModalResult::mrNo);
    window_->Get<TButton>("deleteproductbtn")->Click();
    EXPECT_THAT(Boxes(), ElementsAre("Are you sure?"));
    EXPECT_THAT(Rows(), ElementsAre("Tracker 1.0", "Other 2.0"));

    script_->Answer(TModalResult::mrYes);
    window_->Get<TButton>("deleteproductbtn")->Click();
    EXPECT_THAT(Rows(), ElementsAre("Tracker 1.0"));
    for (const char* name : {"editproductbtn", "editprojectbtn", "deleteproductbtn", "newticketbtn"}) {
        EXPECT_FALSE(window_->Get<TControl>(name)->Enabled()) << name;
    }
    EXPECT_THAT(ItemsOf(window_->Get<TListBox>("projectlist")->Items()), ElementsAre("Tracker"));
    EXPECT_THAT(ItemsOf(editor->product->Items()), ElementsAre("Tracker"));
}

}  // namespace
