// The CHANGE LOG and STATISTICS pages over a small database filled through the engine: the
// change log text, the bars of the nine charts with the version box ticked and unticked, a
// project without tickets, and pictures of the pages.
#include "AppTestSupport.h"

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Charts.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/DateTime.h"

#include <QImage>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
constexpr int T_VERSION = static_cast<int>(TTicketField::VERSION);
constexpr int T_AVAILABLE = static_cast<int>(TTicketField::AVAILABLE);
constexpr int T_COMPLETED = static_cast<int>(TTicketField::COMPLETED);
constexpr int T_CATEGORY = static_cast<int>(TTicketField::CATEGORY);
constexpr int T_SUBJECT = static_cast<int>(TTicketField::SUBJECT);
constexpr int T_RESULT = static_cast<int>(TTicketField::RESULT);
constexpr int T_STATUS = static_cast<int>(TTicketField::STATUS);
constexpr int T_PRIORITY = static_cast<int>(TTicketField::PRIORITY);
constexpr int T_SEVERITY = static_cast<int>(TTicketField::SEVERITY);
constexpr int T_ACTION = static_cast<int>(TTicketField::ACTION);
constexpr int T_WORKTIME = static_cast<int>(TTicketField::WORKTIME);
constexpr int T_COST = static_cast<int>(TTicketField::COST);
constexpr int P_NAME = static_cast<int>(TProductField::NAME);
constexpr int P_VERSION = static_cast<int>(TProductField::VERSION);
constexpr int L_ID = static_cast<int>(TListField::LISTID);
constexpr int L_NAME = static_cast<int>(TListField::LISTNAME);
constexpr int L_ITEM = static_cast<int>(TListField::LISTITEM);
constexpr int L_LOCAL = static_cast<int>(TListField::LOCALITEM);

constexpr int kStatisticsPage = 8;

using TBars = std::vector<std::pair<std::string, double>>;

TRow Ticket(const char* id, const char* product, const char* version, const char* available, const char* completed,
            const char* category, const char* subject, const char* result, const char* status, const char* priority,
            const char* severity, const char* action, const char* worktime, const char* cost)
{
    return {{T_ID, id},           {T_PRODUCT, product},   {T_VERSION, version},   {T_AVAILABLE, available},
            {T_COMPLETED, completed}, {T_CATEGORY, category}, {T_SUBJECT, subject}, {T_RESULT, result},
            {T_STATUS, status},   {T_PRIORITY, priority}, {T_SEVERITY, severity}, {T_ACTION, action},
            {T_WORKTIME, worktime}, {T_COST, cost}};
}

TRow ListItem(TListKind kind, const char* item, const char* localItem = "")
{
    return {{L_ID, std::to_string(static_cast<int>(kind))}, {L_NAME, ListKindName(kind)}, {L_ITEM, item},
            {L_LOCAL, localItem}};
}

class Reports : public ProgramFolderTest {
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
                      {{P_NAME, "Alpha"}, {P_VERSION, "2.0"}},
                      {{P_NAME, "Alpha"}, {P_VERSION, "3.0"}},
                      {{P_NAME, "Empty"}, {P_VERSION, "1.0"}},
                  });
        // Alpha 2.0 links T1 (found and resolved in it), T2 (found in 1.0, resolved in 2.0), T3
        // (found, unresolved), T4 (found and resolved, incomplete, statuses in other letter
        // case) and T8 (values that are no list item); T5 and T9 belong to other versions; T6
        // and T7 to other projects ("alpha" differs in letter case).
        FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets,
                  {
                      Ticket("T1", "Alpha", "2.0", "2.0", "T", "Bug", "Crash on start", "Fixed", "Closed", "High",
                             "Major", "Level 1", "1.5", "10.1"),
                      Ticket("T2", "Alpha", "1.0", "2.0", "T", "Feature", "Export to CSV", "Done", "Closed", "Low",
                             "Minor", "Level 2", "2.2", "0.2"),
                      Ticket("T3", "Alpha", "2.0", "", "F", "Bug", "Slow search", "", "Open", "High", "Minor", "",
                             "0.1", "5"),
                      Ticket("T4", "Alpha", "2.0", "2.0", "F", "Bug", "Wrong icon", "", "open", "high", "Major",
                             "Level 1", "0.2", "0"),
                      Ticket("T5", "Alpha", "1.0", "1.0", "T", "Bug", "Old crash", "Fixed", "Closed", "Low", "Major",
                             "Level 2", "4", "100"),
                      Ticket("T6", "alpha", "2.0", "2.0", "T", "Bug", "Other project", "Fixed", "Closed", "High",
                             "Major", "Level 1", "9", "9"),
                      Ticket("T7", "Beta", "2.0", "2.0", "T", "Bug", "Other project", "Fixed", "Closed", "High",
                             "Major", "Level 1", "9", "9"),
                      Ticket("T8", "Alpha", "2.0", "2.0", "T", "Task", "Update manual", "Duplicate", "Verified",
                             "Low", "Minor", "Level 1", "0", "0"),
                      Ticket("T9", "Alpha", "3.0", "3.0", "F", "Feature", "Plugins", "", "Open", "Low", "", "",
                             "0.3", "0"),
                  });
        FillTable(PathOf("databases/Lists.dbf"), TTrackerTable::Lists,
                  {
                      ListItem(TListKind::Status, "Open", "Offen"),
                      ListItem(TListKind::ApprovalStatus, "Pending"),
                      ListItem(TListKind::Status, "Closed"),
                      ListItem(TListKind::Status, "open"),
                      ListItem(TListKind::Status, "Rejected"),
                      ListItem(TListKind::ClosedReason, "Fixed"),
                      ListItem(TListKind::ClosedReason, "Done"),
                      ListItem(TListKind::ClosedReason, "Duplicate"),
                      ListItem(TListKind::Priority, "High"),
                      ListItem(TListKind::Priority, "Low"),
                      ListItem(TListKind::Severity, "Major"),
                      ListItem(TListKind::Severity, "Minor"),
                      ListItem(TListKind::Category, "Bug"),
                      ListItem(TListKind::Category, "Feature"),
                      ListItem(TListKind::Action, "Level 1"),
                      ListItem(TListKind::Action, "Level 2"),
                  });
    }

    void TearDown() override
    {
        SetClock(nullptr);
        ProgramFolderTest::TearDown();
    }

    // Makes the project version the active one (the current record of the project table).
    static void SelectProject(Tmainfrm& window, const std::string& name, const std::string& version)
    {
        TDataSet& projects = *window.appsdb;
        projects.First();
        while (!projects.Eof()) {
            if (projects.Fields().Fields(P_NAME)->AsString() == name &&
                projects.Fields().Fields(P_VERSION)->AsString() == version) {
                return;
            }
            projects.Next();
        }
        FAIL() << "no project " << name << " " << version;
    }

    static TBars BarsOf(Tmainfrm& window, const std::string& seriesName)
    {
        auto* series = window.Get<TChartSeries>(seriesName);
        TBars bars;
        for (int i = 0; i < series->Count(); ++i) {
            bars.emplace_back(series->XLabel(i), series->YValue(i));
        }
        return bars;
    }
};

TEST_F(Reports, ChangeLogListsTheTicketsCompletedInTheVersion)
{
    Tmainfrm& window = Start();
    PostStart();
    auto* changelog = window.Get<TMemo>("changelog");
    window.tabs->SetActivePageIndex(1);
    window.maindb->SetRecNo(3);
    const std::string ticketFilter = window.maindb->Filter();
    const bool ticketFiltered = window.maindb->Filtered();
    const std::string ticket = window.activeticket->Text();

    SelectProject(window, "Alpha", "2.0");
    window.btn_changelogClick(nullptr);
    window.Get<TControl>("makechangelogbtn")->Click();
    EXPECT_EQ(changelog->Lines().Text(),
              "<START>\r\n"
              "\r\n"
              "PRODUCT: Alpha\r\n"
              "VERSION: 2.0\r\n"
              "DATE: 10/05/2024\r\n"
              "\r\n"
              "T1: Bug > Crash on start [Fixed / Closed]\r\n"
              "T2: Feature > Export to CSV [Done / Closed]\r\n"
              "T8: Task > Update manual [Duplicate / Verified]\r\n"
              "\r\n"
              "<END>\r\n");
    // The walk gives the ticket table its filter and its record back.
    EXPECT_EQ(window.maindb->Filter(), ticketFilter);
    EXPECT_EQ(window.maindb->Filtered(), ticketFiltered);
    EXPECT_EQ(window.activeticket->Text(), ticket);

    // A version without completed tickets: the header and the end only.
    SelectProject(window, "Alpha", "3.0");
    window.Get<TControl>("makechangelogbtn")->Click();
    EXPECT_EQ(changelog->Lines().Text(),
              "<START>\r\n\r\nPRODUCT: Alpha\r\nVERSION: 3.0\r\nDATE: 10/05/2024\r\n\r\n\r\n<END>\r\n");
    // Showing the page again empties it.
    window.tabs->SetActivePageIndex(1);
    window.btn_changelogClick(nullptr);
    EXPECT_EQ(changelog->Lines().Count(), 0);
}

TEST_F(Reports, EveryChartCountsTheProjectsTicketsWithTheVersionBoxTickedAndUnticked)
{
    struct Page {
        const char* Series;
        const char* Button;
        const char* VersionBox;
        TBars Ticked;
        TBars Unticked;
    };
    const Page pages[] = {
        {"Series1", "refreshreportbtn", "noversion0",
         {{"Solved and Completed in this version", 3}, {"Will be available in this version", 1},
          {"Found in this version", 4}},
         {{"Solved and Completed Issues", 4}, {"All Incomplete Issues", 3}, {"All Found Issues", 7}}},
        // "open" is no bar of its own, and tickets with that status are not counted.
        {"Series2", "report3btn", "noversion", {{"Open", 1}, {"Closed", 2}, {"Rejected", 0}},
         {{"Open", 2}, {"Closed", 3}, {"Rejected", 0}}},
        {"Series3", "report4btn", "noversion2", {{"Fixed", 1}, {"Done", 1}, {"Duplicate", 1}},
         {{"Fixed", 2}, {"Done", 1}, {"Duplicate", 1}}},
        {"HorizBarSeries1", "report5btn", "noversion3", {{"High", 2}, {"Low", 2}}, {{"High", 2}, {"Low", 4}}},
        {"HorizBarSeries2", "report6btn", "noversion4", {{"Major", 2}, {"Minor", 3}}, {{"Major", 3}, {"Minor", 3}}},
        {"HorizBarSeries3", "report7btn", "noversion5", {{"Bug", 3}, {"Feature", 1}}, {{"Bug", 4}, {"Feature", 2}}},
        {"HorizBarSeries4", "report8btn", "noversion6", {{"Level 1", 3}, {"Level 2", 1}},
         {{"Level 1", 3}, {"Level 2", 2}}},
        // Sums of tenths stay tenths.
        {"HorizBarSeries5", "report1btn", "noversion7", {{"2.0", 4}}, {{"All records", 8.3}}},
        {"HorizBarSeries6", "report2btn", "noversion8", {{"2.0", 15.3}}, {{"All records", 115.3}}},
    };
    Tmainfrm& window = Start();
    PostStart();
    SelectProject(window, "Alpha", "2.0");
    const std::string ticketFilter = window.maindb->Filter();
    const std::string ticket = window.activeticket->Text();
    auto* statisticsPages = window.Get<TPageControl>("pages");
    window.tabs->SetActivePageIndex(kStatisticsPage);
    EXPECT_EQ(window.Get<TDBText>("statproduct")->Caption(), "Alpha");
    EXPECT_EQ(window.Get<TDBText>("statversion")->Caption(), "2.0");
    for (int i = 0; i < 9; ++i) {
        const Page& page = pages[i];
        SCOPED_TRACE(page.Series);
        // Showing the page builds its chart; its button builds it again with the box as it is.
        statisticsPages->SetActivePageIndex(i);
        EXPECT_EQ(BarsOf(window, page.Series), page.Ticked);
        auto* box = window.Get<TCheckBox>(page.VersionBox);
        box->SetChecked(false);
        window.Get<TControl>(page.Button)->Click();
        EXPECT_EQ(BarsOf(window, page.Series), page.Unticked);
        box->SetChecked(true);
        window.Get<TControl>(page.Button)->Click();
        EXPECT_EQ(BarsOf(window, page.Series), page.Ticked);
        // Every bar has its own colour.
        auto* series = window.Get<TChartSeries>(page.Series);
        if (series->Count() > 1) {
            EXPECT_NE(series->ValueColor(0), series->ValueColor(1));
        }
    }
    // The working lists hold the last report: the Cost Report's one bar.
    EXPECT_EQ(window.Get<TListBox>("elements")->Items().Text(), "2.0\r\n");
    EXPECT_EQ(window.Get<TListBox>("values")->Items().Text(), "15.3\r\n");
    statisticsPages->SetActivePageIndex(1);
    EXPECT_EQ(window.Get<TListBox>("elements")->Items().Text(), "Open\r\nClosed\r\nRejected\r\n");
    EXPECT_EQ(window.Get<TListBox>("values")->Items().Text(), "1\r\n2\r\n0\r\n");

    // Showing STATISTICS again selects and builds the first chart.
    window.tabs->SetActivePageIndex(1);
    window.Get<TChartSeries>("Series1")->Clear();
    window.btn_statisticsClick(nullptr);
    EXPECT_EQ(statisticsPages->ActivePageIndex(), 0);
    EXPECT_EQ(BarsOf(window, "Series1"), pages[0].Ticked);

    EXPECT_EQ(window.maindb->Filter(), ticketFilter);
    EXPECT_EQ(window.activeticket->Text(), ticket);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Reports, AProjectWithoutTicketsGetsEmptyOrZeroBars)
{
    Tmainfrm& window = Start();
    PostStart();
    SelectProject(window, "Empty", "1.0");
    auto* statisticsPages = window.Get<TPageControl>("pages");
    window.tabs->SetActivePageIndex(kStatisticsPage);
    EXPECT_EQ(BarsOf(window, "Series1"), (TBars{{"", 0}, {"", 0}, {"", 0}}));
    statisticsPages->SetActivePageIndex(1);
    EXPECT_EQ(BarsOf(window, "Series2"), (TBars{{"Open", 0}, {"Closed", 0}, {"Rejected", 0}}));
    statisticsPages->SetActivePageIndex(7);
    window.Get<TCheckBox>("noversion7")->SetChecked(false);
    window.Get<TControl>("report1btn")->Click();
    EXPECT_EQ(BarsOf(window, "HorizBarSeries5"), (TBars{{"1.0", 0}}));

    // With the ticket table closed, the list and sum reports show their items at 0 and the
    // issue counts keep their bars.
    window.maindb->Close();
    window.Get<TControl>("report1btn")->Click();
    EXPECT_EQ(BarsOf(window, "HorizBarSeries5"), (TBars{{"1.0", 0}}));
    statisticsPages->SetActivePageIndex(2);
    EXPECT_EQ(BarsOf(window, "Series3"), (TBars{{"Fixed", 0}, {"Done", 0}, {"Duplicate", 0}}));
    statisticsPages->SetActivePageIndex(0);
    EXPECT_EQ(BarsOf(window, "Series1"), (TBars{{"", 0}, {"", 0}, {"", 0}}));
    window.Get<TControl>("makechangelogbtn")->Click();
    EXPECT_EQ(window.Get<TMemo>("changelog")->Lines().Count(), 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Reports, PicturesOfTheChangeLogAndStatisticsPages)
{
    Tmainfrm& window = Start();
    window.SetBounds(0, 0, 990, 716);
    window.Show();
    PostStart();
    SelectProject(window, "Alpha", "2.0");
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    auto save = [&](const std::string& name) {
        TestApplication().ProcessMessages();
        const QImage picture = window.Grab();
        EXPECT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(QString::fromStdString((artifacts / (name + ".png")).string())));
        return picture;
    };
    window.btn_changelogClick(nullptr);
    window.Get<TControl>("makechangelogbtn")->Click();
    save("changelog");

    window.btn_statisticsClick(nullptr);
    auto* statisticsPages = window.Get<TPageControl>("pages");
    for (int i = 0; i < statisticsPages->PageCount(); ++i) {
        statisticsPages->SetActivePageIndex(i);
        auto* chart = window.Get<TChart>("chart" + std::to_string(i + 1));
        const QImage picture = save("statistics-" + std::to_string(i + 1));
        // The first bar is drawn in its colour.
        const TChartSeries& series = *chart->Series(0);
        ASSERT_GT(series.Count(), 0);
        const QColor first = ToQColor(series.ValueColor(0));
        int pixels = 0;
        for (int y = 0; y < picture.height(); y += 2) {
            for (int x = 0; x < picture.width(); x += 2) {
                pixels += picture.pixelColor(x, y) == first ? 1 : 0;
            }
        }
        EXPECT_GT(pixels, 50) << i;
    }
    window.Hide();
}

}  // namespace
