// The main window's grids and filters on a small database: what each click narrows, the
// quick-filter texts, the popup and button rules, the state icons and the counters.
#include "AppTestSupport.h"

#include "app/FilterText.h"
#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/ImgList.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
constexpr int T_SUBJECT = static_cast<int>(TTicketField::SUBJECT);
constexpr int T_PRIORITY = static_cast<int>(TTicketField::PRIORITY);
constexpr int T_STATUS = static_cast<int>(TTicketField::STATUS);
constexpr int T_COMPLETED = static_cast<int>(TTicketField::COMPLETED);
constexpr int T_ATTACHMENT = static_cast<int>(TTicketField::ATTACHMENT);
constexpr int T_DUE = static_cast<int>(TTicketField::DUE);
constexpr int T_STARTED = static_cast<int>(TTicketField::STARTED);
constexpr int T_REMINDER = static_cast<int>(TTicketField::REMINDERON);
constexpr int T_PERCENT = static_cast<int>(TTicketField::PERCENT);
constexpr int S_PARENT = static_cast<int>(TSubticketField::TICKETID);
constexpr int S_ID = static_cast<int>(TSubticketField::SUBID);
constexpr int S_COMPLETED = static_cast<int>(TSubticketField::COMPLETED);
constexpr int S_DUE = static_cast<int>(TSubticketField::DUE);
constexpr int S_ATTACHMENT = static_cast<int>(TSubticketField::ATTACHMENT);
constexpr int P_NAME = static_cast<int>(TProductField::NAME);
constexpr int P_VERSION = static_cast<int>(TProductField::VERSION);
constexpr int P_CLOSED = static_cast<int>(TProductField::CLOSED);

class GridsFilters : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
        SetClock([] { return EncodeDate(2024, 5, 10) + 0.5; });
        FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products,
                  {
                      {{P_NAME, "Alpha"}, {P_VERSION, "1.0"}, {P_CLOSED, "F"}},
                      {{P_NAME, "O'Brien Tools"}, {P_VERSION, "2.0"}, {P_CLOSED, "F"}},
                      {{P_NAME, "Alpha"}, {P_VERSION, "0.9"}, {P_CLOSED, "T"}},
                      {{P_NAME, "Empty"}, {P_VERSION, "1.0"}, {P_CLOSED, "F"}},
                      {{P_NAME, "Beta"}, {P_VERSION, "3.1"}, {P_CLOSED, "T"}},
                      {{P_NAME, "ALPHA"}, {P_VERSION, "1.1"}, {P_CLOSED, "F"}},
                  });
        FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets,
                  {
                      {{T_ID, "T1"}, {T_PRODUCT, "Alpha"}, {T_SUBJECT, "Crash"}, {T_PRIORITY, "High"},
                       {T_STATUS, "Open"}, {T_COMPLETED, "F"}, {T_ATTACHMENT, "https://example.org/t1"}},
                      {{T_ID, "T2"}, {T_PRODUCT, "Alpha"}, {T_SUBJECT, "O'Neil's report"}, {T_PRIORITY, "Low"},
                       {T_STATUS, "Closed"}, {T_COMPLETED, "T"}, {T_ATTACHMENT, "notes.txt"}},
                      {{T_ID, "T3"}, {T_PRODUCT, "Alpha"}, {T_SUBJECT, "Slow"}, {T_PRIORITY, "high"},
                       {T_STATUS, "Open"}, {T_COMPLETED, "F"}, {T_ATTACHMENT, "HTTP://EXAMPLE.ORG/T3"},
                       {T_PERCENT, "50"}},
                      {{T_ID, "T4"}, {T_PRODUCT, "O'Brien Tools"}, {T_SUBJECT, "Hang"}, {T_PRIORITY, "High"},
                       {T_STATUS, "Open"}, {T_COMPLETED, "F"}, {T_ATTACHMENT, "httpd.log"}},
                      {{T_ID, "B1"}, {T_PRODUCT, "Beta"}, {T_STATUS, "Closed"}, {T_COMPLETED, "T"}},
                  });
        FillTable(PathOf("databases/Subtickets.dbf"), TTrackerTable::Subtickets,
                  {
                      {{S_PARENT, "T1"}, {S_ID, "S1"}, {S_COMPLETED, "F"}, {S_ATTACHMENT, "notes.txt"}},
                      {{S_PARENT, "T1"}, {S_ID, "S2"}, {S_COMPLETED, "T"}, {S_DUE, "2024-05-01"}},
                      {{S_PARENT, "T2"}, {S_ID, "S3"}, {S_COMPLETED, "F"}, {S_DUE, "2024-05-10"},
                       {S_ATTACHMENT, "https://example.org/s3"}},
                  });
        const int W_SUB = static_cast<int>(TWorktimeField::SUBTICKET);
        FillTable(PathOf("databases/Worktime.dbf"), TTrackerTable::Worktime,
                  {
                      {{0, "T1"}},
                      {{0, "T1"}, {W_SUB, "S1"}},
                      {{0, "T2"}},
                  });
        std::ofstream(PathOf("attachments/notes.txt")) << "notes";
        std::ofstream(PathOf("attachments/httpd.log")) << "log";
    }

    void TearDown() override
    {
        SetClock(nullptr);
        ProgramFolderTest::TearDown();
    }

    Tmainfrm& Open()
    {
        Tmainfrm& window = Start();
        PostStart();
        return window;
    }

    // Moves a table to the record whose field at `position` is `text`.
    static void GoTo(TDataSet& table, int position, const std::string& text)
    {
        table.First();
        while (!table.Eof() && table.Fields().Fields(position)->AsString() != text) {
            table.Next();
        }
        ASSERT_FALSE(table.Eof()) << text;
    }

    // Selects the project as a click on its row does.
    void ClickProject(Tmainfrm& window, const std::string& name, const std::string& version = "")
    {
        window.appsdb->SetFiltered(false);
        window.appsdb->First();
        while (!window.appsdb->Eof() &&
               !(window.appsdb->Fields().Fields(P_NAME)->AsString() == name &&
                 (version.empty() || window.appsdb->Fields().Fields(P_VERSION)->AsString() == version))) {
            window.appsdb->Next();
        }
        ASSERT_FALSE(window.appsdb->Eof()) << name;
        window.productgrid->OnCellClick(nullptr);
    }

    void ClickTicket(Tmainfrm& window, const std::string& id)
    {
        GoTo(*window.maindb, T_ID, id);
        window.maingrid->OnCellClick(nullptr);
    }

    static std::vector<std::string> Ids(TDataSet& table, int position = 0)
    {
        std::vector<std::string> ids;
        table.First();
        while (!table.Eof()) {
            ids.push_back(table.Fields().Fields(position)->AsString());
            table.Next();
        }
        table.First();
        return ids;
    }

    static bool Enabled(Tmainfrm& window, const char* name) { return window.Get<TControl>(name)->Enabled(); }
    static bool ItemEnabled(Tmainfrm& window, const char* name) { return window.Get<TMenuItem>(name)->Enabled(); }
    static std::string Text(Tmainfrm& window, const char* name) { return window.Get<TEdit>(name)->Text(); }
};

TEST(FilterText, QuotesAreDoubledAndOnlyWebAddressesPass)
{
    EXPECT_EQ(FieldEqualsFilter("NAME", "O'Brien"), "NAME='O''Brien'");
    EXPECT_EQ(FieldFilter("PRIORITY", "<>", "''"), "PRIORITY<>''''''");
    EXPECT_EQ(FieldEqualsFilter("JOB", ""), "JOB=''");
    const std::pair<const char*, bool> addresses[] = {
        {"https://example.org", true}, {"http://example.org/a b", true}, {"HTTP://EXAMPLE.ORG", true},
        {"httpd.log", false},          {"http:evil", false},             {"https://", false},
        {"file:///etc/passwd", false}, {"", false},
    };
    for (const auto& [text, expected] : addresses) {
        EXPECT_EQ(IsWebAddress(text), expected) << text;
    }
}

TEST_F(GridsFilters, ProjectTicketAndSubTicketClicksNarrowTheDependentTables)
{
    Tmainfrm& window = Open();
    window.fieldlist->SetItemIndex(3);
    window.filtervalue->Items().Add("stale");
    window.filtervalue->SetText("stale");

    ClickProject(window, "Alpha", "1.0");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha'");
    EXPECT_EQ(Ids(*window.maindb), (std::vector<std::string>{"T1", "T2", "T3"}));
    EXPECT_EQ(window.fieldlist->ItemIndex(), 0);
    EXPECT_EQ(window.filtervalue->Items().Count(), 0);
    EXPECT_EQ(window.filtervalue->Text(), "");
    EXPECT_EQ(window.sb_panel->Panels().Items(4)->Text(), "PROJECT: Alpha");
    EXPECT_TRUE(Enabled(window, "editproductbtn"));
    EXPECT_TRUE(Enabled(window, "newticketbtn"));
    EXPECT_EQ(Text(window, "openticket"), "2");
    EXPECT_EQ(Text(window, "opensubticket"), "1");  // T1 has S1 open, S2 completed
    EXPECT_EQ(window.subdb->Filter(), "TICKETID='T1'");
    EXPECT_EQ(Ids(*window.subdb, S_ID), (std::vector<std::string>{"S1", "S2"}));

    ClickTicket(window, "T2");
    EXPECT_EQ(window.sb_panel->Panels().Items(1)->Text(), "2 / " + std::to_string(window.maindb->RecordCount()));
    EXPECT_EQ(window.subdb->Filter(), "TICKETID='T2'");
    EXPECT_EQ(window.workdb->Filter(), "TICKETID='T2'");
    EXPECT_EQ(Ids(*window.workdb).size(), 1u);
    EXPECT_EQ(Text(window, "opensubticket"), "1");
    EXPECT_FALSE(Enabled(window, "sub_btn_edit"));
    EXPECT_TRUE(Enabled(window, "main_btn_edit"));
    EXPECT_TRUE(Enabled(window, "addticketworkbtn"));

    ClickTicket(window, "T1");
    GoTo(*window.subdb, S_ID, "S1");
    window.subgrid->OnCellClick(nullptr);
    EXPECT_EQ(window.workdb->Filter(), "TICKETID='T1' and SUBTICKET='S1'");
    EXPECT_EQ(Ids(*window.workdb, static_cast<int>(TWorktimeField::SUBTICKET)), (std::vector<std::string>{"S1"}));
    EXPECT_TRUE(Enabled(window, "sub_btn_edit"));
    EXPECT_EQ(window.sb_panel->Panels().Items(3)->Text(), "1 / " + std::to_string(window.subdb->RecordCount()));

    // The filter switches show every entry and come back to the ticket's.
    window.Get<TControl>("yesnobtn")->Click();
    EXPECT_EQ(Ids(*window.workdb).size(), 3u);
    window.Get<TControl>("yesnobtn")->Click();
    EXPECT_EQ(Ids(*window.workdb).size(), 1u);
    window.Get<TControl>("nofilterbtn")->Click();
    EXPECT_EQ(Ids(*window.subdb, S_ID).size(), 3u);
    window.Get<TControl>("nofilterbtn")->Click();
    EXPECT_EQ(Ids(*window.subdb, S_ID), (std::vector<std::string>{"S1", "S2"}));
}

TEST_F(GridsFilters, CountersOfProjectsWithAndWithoutTickets)
{
    Tmainfrm& window = Open();
    // A project whose name has an apostrophe is filtered for exactly that name.
    ClickProject(window, "O'Brien Tools");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='O''Brien Tools'");
    EXPECT_EQ(Ids(*window.maindb), (std::vector<std::string>{"T4"}));
    EXPECT_EQ(Text(window, "openticket"), "1");
    EXPECT_EQ(Text(window, "opensubticket"), "");  // T4 has no sub-ticket
    EXPECT_TRUE(Boxes().empty());

    ClickProject(window, "Empty");
    EXPECT_EQ(Text(window, "openticket"), "0");
    EXPECT_EQ(Text(window, "opensubticket"), "");
    EXPECT_EQ(window.subdb->Filter(), "TICKETID=''");

    // The counter keeps a quick filter and leaves the grid on the first ticket.
    ClickProject(window, "Alpha", "1.0");
    ClickTicket(window, "T3");
    window.ApplyFilter(*window.maindb, "PRODUCT='Alpha' and STATUS='Open'");
    window.CountOpenTickets();
    EXPECT_EQ(Text(window, "openticket"), "2");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha' and STATUS='Open'");
    EXPECT_EQ(window.maindb->Fields().Fields(T_ID)->AsString(), "T1");

    // No project on screen: a click does nothing and the counter keeps its text.
    window.ApplyFilter(*window.appsdb, "NAME='nothing'");
    window.Get<TEdit>("openticket")->SetText("7");
    window.productgrid->OnCellClick(nullptr);
    EXPECT_EQ(Text(window, "openticket"), "7");
}

TEST_F(GridsFilters, QuickFilterTexts)
{
    struct TCase {
        const char* Project;  // "" = no project on screen
        const char* Column;
        const char* Operator;
        const char* Value;
        const char* Filter;
        std::vector<std::string> Tickets;
    };
    const TCase cases[] = {
        {"Alpha", "PRIORITY", "=", "High", "PRODUCT='Alpha' and PRIORITY='High'", {"T1"}},
        {"Alpha", "STATUS", "<>", "Open", "PRODUCT='Alpha' and STATUS<>'Open'", {"T2"}},
        {"Alpha", "SUBJECT", "=", "O'Neil's report", "PRODUCT='Alpha' and SUBJECT='O''Neil''s report'", {"T2"}},
        {"Alpha", "SUBJECT", ">=", "Slow", "PRODUCT='Alpha' and SUBJECT>='Slow'", {"T3"}},
        {"O'Brien Tools", "STATUS", "=", "Open", "PRODUCT='O''Brien Tools' and STATUS='Open'", {"T4"}},
        {"", "STATUS", "<>", "Open", "STATUS='Open'", {"T1", "T3", "T4"}},
        {"", "PRIORITY", "<", "High", "PRIORITY='High'", {"T1", "T4"}},
    };
    Tmainfrm& window = Open();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Filter);
        if (*c.Project != '\0') {
            ClickProject(window, c.Project);
        } else {
            window.ApplyFilter(*window.appsdb, "NAME='nothing'");
        }
        const int column = window.fieldlist->Items().IndexOf(c.Column);
        ASSERT_GT(column, 0);
        window.fieldlist->SetItemIndex(column);
        window.fieldlist->OnChange(window.fieldlist);
        window.operation->SetItemIndex(window.operation->Items().IndexOf(c.Operator));
        window.filtervalue->SetText(c.Value);
        window.filtervalue->OnChange(window.filtervalue);
        EXPECT_EQ(window.maindb->Filter(), c.Filter);
        EXPECT_EQ(Ids(*window.maindb), c.Tickets);
    }
    EXPECT_TRUE(Boxes().empty());

    // The value list holds the column's values once each (letter case ignored), in order.
    ClickProject(window, "Alpha");
    window.fieldlist->SetItemIndex(window.fieldlist->Items().IndexOf("PRIORITY"));
    window.fieldlist->OnChange(window.fieldlist);
    EXPECT_EQ(window.filtervalue->Items().Text(), "High\r\nLow\r\n");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha'");
    // The empty column shows the whole project and empties the value list; so does an
    // emptied column with a value.
    window.filtervalue->SetText("Low");
    window.fieldlist->SetItemIndex(0);
    window.filtervalue->OnChange(window.filtervalue);
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha'");
    EXPECT_EQ(window.filtervalue->Items().Count(), 0);
    EXPECT_EQ(window.filtervalue->Text(), "");

    window.Get<TMenuItem>("ShowFilterString1")->Click();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"PRODUCT='Alpha'"}));
}

TEST_F(GridsFilters, AFilterTheEngineRefusesRunsRemoveFilter)
{
    Tmainfrm& window = Open();
    ClickProject(window, "Alpha");
    // A typed value the logical column cannot take.
    window.fieldlist->SetItemIndex(window.fieldlist->Items().IndexOf("COMPLETED"));
    window.fieldlist->OnChange(window.fieldlist);
    window.filtervalue->SetText("maybe");
    window.filtervalue->OnChange(window.filtervalue);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("EConvertError: ", 0), 0u) << Boxes()[0];
    EXPECT_EQ(window.fieldlist->ItemIndex(), 0);
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha'");
    EXPECT_TRUE(window.maindb->Filtered());
    EXPECT_EQ(Ids(*window.maindb), (std::vector<std::string>{"T1", "T2", "T3"}));
}

TEST_F(GridsFilters, CompletionShortcuts)
{
    Tmainfrm& window = Open();
    ClickProject(window, "Alpha");
    window.Get<TMenuItem>("Completedgreen1")->Click();
    EXPECT_EQ(window.fieldlist->Text(), "COMPLETED");
    EXPECT_EQ(window.operation->Text(), "=");
    EXPECT_EQ(window.filtervalue->Text(), "True");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha' and COMPLETED='True'");
    window.Get<TMenuItem>("Incompletedredyellowandblue1")->Click();
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha' and COMPLETED='False'");
    EXPECT_TRUE(Boxes().empty());

    // No completed ticket: the column changes, the tickets stay unfiltered by completion.
    ClickProject(window, "O'Brien Tools");
    window.Get<TMenuItem>("Completedgreen1")->Click();
    EXPECT_EQ(window.fieldlist->Text(), "COMPLETED");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='O''Brien Tools'");

    // Every ticket completed: message 61.
    ClickProject(window, "Beta");
    window.Get<TMenuItem>("Incompletedredyellowandblue1")->Click();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"There is no incomplete record found!"}));
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Beta'");

    window.Get<TMenuItem>("RemoveFilter1")->Click();
    EXPECT_EQ(window.fieldlist->ItemIndex(), 0);
    EXPECT_EQ(window.filtervalue->Items().Count(), 0);
}

TEST_F(GridsFilters, ProjectListBoxesListAndContactFilters)
{
    FillTable(PathOf("databases/Contacts.dbf"), TTrackerTable::Contacts,
              {{{0, "Ann"}, {1, "Developer"}}, {{0, "Bob"}, {1, "Tester"}}, {{0, "D'Arcy"}, {1, "Developer's aide"}}});
    FillTable(PathOf("databases/Lists.dbf"), TTrackerTable::Lists,
              {{{0, "2"}, {1, "Priority"}, {2, "High"}, {5, "T"}},
               {{0, "8"}, {1, "Job"}, {2, "Tester"}, {5, "F"}},
               {{0, "8"}, {1, "Job"}, {2, "Developer's aide"}, {5, "F"}}});
    Tmainfrm& window = Open();
    auto* showopen = window.Get<TCheckBox>("showopen");
    auto* showactive = window.Get<TCheckBox>("showactive");
    struct TCase {
        bool Open;
        bool Active;
        const char* Filter;
        size_t Versions;  // the rows the project list shows
    };
    const TCase cases[] = {
        {true, true, "NAME='O''Brien Tools' and CLOSED= False", 1},
        {false, true, "NAME='O''Brien Tools'", 1},
        {true, false, "CLOSED= False", 4},
        {false, false, "", 6},  // every version, after the boxes narrowed the list before
    };
    // The boxes are set quietly and the handler runs once, as after a click on one of them.
    const TNotifyEvent handler = showopen->OnClick;
    showopen->OnClick = nullptr;
    showactive->OnClick = nullptr;
    for (const TCase& c : cases) {
        ClickProject(window, "O'Brien Tools");
        window.filtervalue->Items().Add("stale");
        showopen->SetChecked(c.Open);
        showactive->SetChecked(c.Active);
        handler(showactive);
        EXPECT_EQ(window.appsdb->Filter(), c.Filter);
        EXPECT_TRUE(window.appsdb->Filtered());
        const int project = window.appsdb->RecNo();
        EXPECT_EQ(Ids(*window.appsdb, P_NAME).size(), c.Versions);
        window.appsdb->SetRecNo(project);
        EXPECT_EQ(window.maindb->Filter(), "PRODUCT='O''Brien Tools'");
        EXPECT_EQ(window.filtervalue->Items().Count(), 0);
        EXPECT_EQ(Ini().ReadString("Settings", "ShowOpen", ""), c.Open ? "1" : "0");
    }
    showopen->OnClick = handler;
    showactive->OnClick = handler;
    showactive->SetChecked(true);
    EXPECT_EQ(Ids(*window.appsdb, P_NAME), (std::vector<std::string>{"O'Brien Tools"}));

    window.tabs->SetActivePageIndex(5);  // offers the jobs
    auto* contactfilter = window.Get<TComboBox>("contactfilter");
    contactfilter->SetItemIndex(contactfilter->Items().IndexOf("Developer's aide"));
    contactfilter->OnChange(contactfilter);
    EXPECT_EQ(window.contactdb->Filter(), "JOB='Developer''s aide'");
    EXPECT_EQ(Ids(*window.contactdb), (std::vector<std::string>{"D'Arcy"}));
    contactfilter->SetItemIndex(0);
    contactfilter->OnChange(contactfilter);
    EXPECT_FALSE(window.contactdb->Filtered());

    window.tabs->SetActivePageIndex(6);
    auto* listfilter = window.Get<TComboBox>("cb_listfilter");
    listfilter->SetItemIndex(listfilter->Items().IndexOf("Job"));
    listfilter->OnChange(listfilter);
    EXPECT_EQ(window.listdb->Filter(), "LISTNAME='Job'");
    EXPECT_EQ(Ids(*window.listdb, 2), (std::vector<std::string>{"Tester", "Developer's aide"}));
    window.listgrid->OnCellClick(nullptr);
    EXPECT_TRUE(Enabled(window, "deletelist"));
    window.tabs->SetActivePageIndex(5);  // leaving the page removes the list filter
    EXPECT_FALSE(window.listdb->Filtered());
    EXPECT_EQ(listfilter->Text(), "");
    window.listdb->First();
    window.listgrid->OnCellClick(nullptr);
    EXPECT_FALSE(Enabled(window, "deletelist"));  // "High" may not be deleted
}

TEST_F(GridsFilters, AttachmentAndLinkButtons)
{
    struct TCase {
        const char* Ticket;
        bool Attach;
        bool Link;
        std::vector<std::string> OpenedByAttach;
        std::vector<std::string> OpenedByLink;
    };
    Tmainfrm& window = Open();
    const std::string notes = PathOf("attachments/notes.txt");
    const std::string log = PathOf("attachments/httpd.log");
    const TCase cases[] = {
        {"T1", false, true, {}, {"https://example.org/t1"}},
        {"T2", true, false, {notes}, {}},
        {"T3", false, false, {}, {"HTTP://EXAMPLE.ORG/T3"}},  // capitals: the button stays off
        {"T4", true, true, {log}, {}},                          // a file named http...: not a web address
        {"B1", false, false, {}, {}},
    };
    window.maindb->SetFiltered(false);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ticket);
        ClickTicket(window, c.Ticket);
        EXPECT_EQ(Enabled(window, "main_btn_attach"), c.Attach);
        EXPECT_EQ(Enabled(window, "main_btn_link"), c.Link);
        opened_.clear();
        window.Get<TMenuItem>("Openattachment1")->Click();
        window.main_btn_attachClick(nullptr);
        std::vector<std::string> targets;
        for (const TOpenedTarget& target : opened_) targets.push_back(target.Target);
        std::vector<std::string> twice = c.OpenedByAttach;
        twice.insert(twice.end(), c.OpenedByAttach.begin(), c.OpenedByAttach.end());
        EXPECT_EQ(targets, twice);
        opened_.clear();
        window.main_btn_linkClick(nullptr);
        targets.clear();
        for (const TOpenedTarget& target : opened_) targets.push_back(target.Target);
        EXPECT_EQ(targets, c.OpenedByLink);
    }

    window.subdb->SetFiltered(false);
    GoTo(*window.subdb, S_ID, "S1");
    window.subgrid->OnCellClick(nullptr);
    EXPECT_TRUE(Enabled(window, "sub_btn_attach"));
    EXPECT_FALSE(Enabled(window, "sub_btn_link"));
    GoTo(*window.subdb, S_ID, "S3");
    window.subgrid->OnCellClick(nullptr);
    EXPECT_FALSE(Enabled(window, "sub_btn_attach"));
    EXPECT_TRUE(Enabled(window, "sub_btn_link"));
    opened_.clear();
    window.Get<TControl>("sub_btn_link")->Click();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].Target, "https://example.org/s3");
}

TEST_F(GridsFilters, AnExecutableAttachmentGoesToTheDesktopOpenerAndIsNeverRun)
{
    // The attachment is a script with the execute bit (as files from other file systems often
    // have it); a stand-in for the desktop's opener on PATH records what it was given.
    const std::string bin = PathOf("bin");
    std::filesystem::create_directories(bin);
    const std::string ran = PathOf("attachment-ran");
    const std::string handed = PathOf("opener-got");
    const auto writeScript = [](const std::string& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    };
    writeScript(PathOf("attachments/notes.txt"), "echo ran > '" + ran + ".part'; mv '" + ran + ".part' '" + ran + "'\n");
    writeScript(bin + "/xdg-open", "echo \"$1\" > '" + handed + ".part'; mv '" + handed + ".part' '" + handed + "'\n");
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    SetOpener(nullptr);

    Tmainfrm& window = Open();
    window.maindb->SetFiltered(false);
    ClickTicket(window, "T2");
    window.Get<TMenuItem>("Openattachment1")->Click();
    // Whichever way it went, one of the two files appears; the deadline only guards against a
    // machine that never starts either.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!FileExists(ran) && !FileExists(handed) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(FileExists(ran));
    EXPECT_EQ(ReadFile("opener-got"), PathOf("attachments/notes.txt") + "\n");
}

TEST_F(GridsFilters, DoubleClickRunsTheEditButtonEvenWhenDisabled)
{
    Tmainfrm& window = Open();
    window.subdb->SetFiltered(false);
    window.workdb->SetFiltered(false);
    struct TCase {
        const char* Grid;
        const char* Button;
        bool Runs;  // false: the grid's table is empty
    };
    const TCase cases[] = {
        {"productgrid", "editproductbtn", true}, {"maingrid", "main_btn_edit", true},
        {"subgrid", "sub_btn_edit", true},       {"workgrid", "editworkbtn", true},
        {"contactgrid", "editcontact", false},   {"listgrid", "editlist", false},
        {"codegrid", "editcodebtn", false},
    };
    for (const TCase& c : cases) {
        int clicks = 0;
        auto* button = window.Get<TControl>(c.Button);
        button->SetEnabled(false);
        button->OnClick = [&clicks](TObject*) { ++clicks; };
        auto* grid = window.Get<TDBGrid>(c.Grid);
        grid->OnDblClick(grid);
        EXPECT_EQ(clicks, c.Runs ? 1 : 0) << c.Grid;
    }
}

TEST_F(GridsFilters, PopupEnableMatrix)
{
    Tmainfrm& window = Open();
    const char* const ticketItems[] = {"Add1", "Edit1", "Delete1", "Openattachment1", "TableSetup1", "Export1",
                                       "Addasubtickettothisactivity1", "Addworktimeentrytothisactivity1"};
    struct TCase {
        const char* Situation;
        std::vector<bool> Enabled;  // in the order of ticketItems
    };
    auto state = [&] {
        std::vector<bool> enabled;
        window.mainpopupPopup(nullptr);
        for (const char* item : ticketItems) enabled.push_back(ItemEnabled(window, item));
        return enabled;
    };
    ClickProject(window, "Alpha");
    GoTo(*window.maindb, T_ID, "T2");  // attachment file present
    EXPECT_EQ(state(), (std::vector<bool>{true, true, true, true, true, true, true, true}));
    EXPECT_TRUE(Enabled(window, "main_btn_edit"));
    GoTo(*window.maindb, T_ID, "T1");  // a web link is no file
    EXPECT_EQ(state(), (std::vector<bool>{true, true, true, false, true, true, true, true}));
    window.ApplyFilter(*window.maindb, "PRODUCT='nothing'");
    EXPECT_EQ(state(), (std::vector<bool>{true, false, false, false, true, false, false, false}));

    const char* const subItems[] = {"Add2", "Edit2", "Delete2", "Openattachment2", "Addworktimeentrytothisactivity2",
                                    "TableSetup2", "Export2"};
    auto subState = [&] {
        std::vector<bool> enabled;
        window.subpopupPopup(nullptr);
        for (const char* item : subItems) enabled.push_back(ItemEnabled(window, item));
        return enabled;
    };
    window.subdb->SetFiltered(false);
    GoTo(*window.subdb, S_ID, "S1");
    EXPECT_EQ(subState(), (std::vector<bool>{true, true, true, true, true, true, true}));
    GoTo(*window.subdb, S_ID, "S2");
    EXPECT_EQ(subState(), (std::vector<bool>{true, true, true, false, true, true, true}));

    window.maindb->Close();
    window.subdb->Close();
    EXPECT_EQ(state(), std::vector<bool>(8, false));
    EXPECT_EQ(subState(), std::vector<bool>(7, false));
}

TEST_F(GridsFilters, StateIconsFollowTheirRuleOrder)
{
    // Today is 2024-05-10.
    FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets,
              {
                  {{T_ID, "I0"}, {T_PRODUCT, "Icons"}, {T_COMPLETED, "T"}, {T_DUE, "2024-01-01"}},
                  {{T_ID, "I4"}, {T_PRODUCT, "Icons"}, {T_DUE, "2024-05-10"}, {T_REMINDER, "2024-05-01"}},
                  {{T_ID, "I3"}, {T_PRODUCT, "Icons"}, {T_DUE, "2024-05-11"}, {T_REMINDER, "2024-05-09"}},
                  {{T_ID, "I1"}, {T_PRODUCT, "Icons"}, {T_STARTED, "2024-06-01"}, {T_REMINDER, "2024-05-11"}},
                  {{T_ID, "I2"}, {T_PRODUCT, "Icons"}, {T_DUE, "2030-01-01"}},
              });
    Tmainfrm& window = Open();
    window.ApplyFilter(*window.maindb, "PRODUCT='Icons'");
    for (const char* id : {"I0", "I1", "I2", "I3", "I4"}) {
        GoTo(*window.maindb, T_ID, id);
        EXPECT_EQ(window.TicketStateIcon(), id[1] - '0') << id;
    }
    window.subdb->SetFiltered(false);
    const std::pair<const char*, int> subCases[] = {{"S1", 2}, {"S2", 0}, {"S3", 4}};
    for (const auto& [id, icon] : subCases) {
        GoTo(*window.subdb, S_ID, id);
        EXPECT_EQ(window.SubTicketStateIcon(), icon) << id;
    }
    // A day later the reminder of I1 is reached too.
    SetClock([] { return EncodeDate(2024, 5, 11) + 0.1; });
    GoTo(*window.maindb, T_ID, "I1");
    EXPECT_EQ(window.TicketStateIcon(), 3);
}

TEST_F(GridsFilters, StateCellsAreDrawnFromTheImageList)
{
    Tmainfrm& window = Open();
    auto* images = window.Get<TImageList>("ImageList1");
    ASSERT_EQ(images->Count(), 6);
    auto column = [&](const char* field) -> TColumn* {
        for (int i = 0; i < window.maingrid->Columns().Count(); ++i) {
            if (window.maingrid->Columns()[i]->FieldName() == field) return window.maingrid->Columns()[i];
        }
        return nullptr;
    };
    ASSERT_NE(column("FLAG"), nullptr);
    ASSERT_NE(column("A"), nullptr);
    auto draw = [&](const char* field) {
        QImage picture(40, 20, QImage::Format_ARGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        TCanvasPaint paint(window.maingrid->Canvas(), painter);
        window.maingrid->OnDrawColumnCell(window.maingrid, TRect{0, 0, 40, 20}, 0, column(field), {});
        painter.end();
        return picture;
    };
    const QImage completed = images->Image(0);
    const QImage attachment = images->Image(5);
    window.maindb->SetFiltered(false);
    GoTo(*window.maindb, T_ID, "T2");  // completed, attachment file present
    QImage flag = draw("FLAG");
    // Centred: (0 + 40 - 16) / 2 = 12, at the top.
    EXPECT_EQ(flag.pixel(12 + 8, 8), completed.pixel(8, 8));
    EXPECT_EQ(flag.pixel(1, 1), QColor(192, 192, 192).rgb());  // filled with the grid's silver
    QImage clip = draw("A");
    EXPECT_EQ(clip.pixel(12 + 4, 8), attachment.pixel(4, 8));
    GoTo(*window.maindb, T_ID, "T1");  // no attachment file: the cell keeps its default drawing
    clip = draw("A");
    EXPECT_EQ(clip.pixel(16, 8), QColor(Qt::white).rgb());
}

TEST_F(GridsFilters, ProjectAndVersionLists)
{
    Tmainfrm& window = Open();
    EXPECT_EQ(window.Get<TListBox>("projectlist")->Items().Text(), "Alpha\r\nO'Brien Tools\r\nEmpty\r\nBeta\r\n");

    EXPECT_NO_THROW(window.FillVersionLists());  // no editor yet
    Tmainissuefrm editor(nullptr);
    mainissuefrm = &editor;
    TEdit* product = editor.cb_product;
    TComboBox* version = editor.cb_version;
    TComboBox* available = editor.cb_available;
    version->Items().Add("old");
    product->SetText("Alpha");
    ClickProject(window, "Beta");
    const int before = window.appsdb->RecNo();
    window.FillVersionLists();
    EXPECT_EQ(version->Items().Text(), "0.9\r\n1.0\r\n");  // walked from the last record
    EXPECT_EQ(available->Items().Text(), "0.9\r\n1.0\r\n");
    EXPECT_EQ(window.appsdb->RecNo(), before);
    Ini().WriteString("Settings", "UseOnlyOpenVersion", "1");
    window.FillVersionLists();
    EXPECT_EQ(version->Items().Text(), "0.9\r\n1.0\r\n");
    EXPECT_EQ(available->Items().Text(), "1.0\r\n");
    mainissuefrm = nullptr;
}

}  // namespace
