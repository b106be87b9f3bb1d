// Pages, panels, hidden areas, navigation, the mouse-wheel hook, the splash window and the
// single running instance.
#include "AppTestSupport.h"

#include "app/Unit2.h"
#include "app/ZentivorMain.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <QImage>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class MainPages : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
    }
};

TEST_F(MainPages, ToolBarAndViewMenuSelectPages)
{
    Tmainfrm& window = Start();
    const std::pair<const char*, const char*> commands[] = {
        {"btn_project", "Projects1"},     {"btn_ticket", "Tickets1"},     {"btn_subticket", "SubTickets1"},
        {"btn_worktime", "Worktime1"},    {"btn_contacts", "Contacts1"},  {"btn_lists", "Lists1"},
        {"btn_changelog", "ChangeLog1"},  {"btn_statistics", "Statistics1"}, {"btn_codedatabase", "CodeDatabase1"},
    };
    int page = 1;
    for (const auto& [button, item] : commands) {
        window.tabs->SetActivePageIndex(0);
        window.Get<TControl>(button)->Click();
        EXPECT_EQ(window.tabs->ActivePageIndex(), page) << button;
        window.tabs->SetActivePageIndex(0);
        window.Get<TMenuItem>(item)->Click();
        EXPECT_EQ(window.tabs->ActivePageIndex(), page) << item;
        ++page;
    }
    EXPECT_EQ(window.tabs->PageCount(), 11);
    EXPECT_EQ(window.messages->Lines().Count(), 62);
    EXPECT_FALSE(window.messages->Visible());
}

TEST_F(MainPages, PageShowHandlersNarrowTheTables)
{
    Tmainfrm& window = Start();
    window.tabs->SetActivePageIndex(3);
    EXPECT_EQ(window.subdb->Filter(), "TICKETID=''");  // no ticket chosen
    EXPECT_TRUE(window.subdb->Filtered());
    EXPECT_FALSE(window.Get<TControl>("sub_btn_edit")->Enabled());
    window.tabs->SetActivePageIndex(4);
    EXPECT_EQ(window.workdb->Filter(), "TICKETID=''");
    window.Get<TMemo>("changelog")->Lines().Add("old");
    window.tabs->SetActivePageIndex(7);
    EXPECT_EQ(window.Get<TMemo>("changelog")->Lines().Count(), 0);
    window.tabs->SetActivePageIndex(8);
    EXPECT_EQ(window.Get<TPageControl>("pages")->ActivePageIndex(), 0);
}

TEST_F(MainPages, ContactPageOffersTheJobsOnce)
{
    {
        TXbSmartDBF lists(nullptr);
        ConfigureTrackerTable(lists, false);
        lists.DBFFileName = PathOf("databases/Lists.dbf");
        lists.Open();
        const std::vector<std::pair<int, std::string>> items = {
            {8, "Developer"}, {2, "High"}, {8, "Tester"}, {8, "developer"}, {8, "Manager"}};
        for (const auto& [id, item] : items) {
            lists.Append();
            lists.Fields().Fields(0)->SetAsInteger(id);
            lists.Fields().Fields(1)->SetAsString(id == 8 ? "Job" : "Priority");
            lists.Fields().Fields(2)->SetAsString(item);
            lists.Post();
        }
        lists.Close();
    }
    Tmainfrm& window = Start();
    window.tabs->SetActivePageIndex(5);
    EXPECT_EQ(window.Get<TComboBox>("contactfilter")->Items().Text(), "\r\nDeveloper\r\nTester\r\nManager\r\n");
}

TEST_F(MainPages, HiddenAreasFollowTheSettings)
{
    TIniFile ini = Ini();
    ini.WriteString("Settings", "HideSubTicket", "1");
    ini.WriteString("Settings", "HideWorkTime", "1");
    ini.WriteString("Settings", "HideQuickStart", "1");
    Tmainfrm& window = Start();
    EXPECT_FALSE(window.Get<TTabSheet>("tab3")->TabVisible());
    EXPECT_FALSE(window.Get<TControl>("btn_subticket")->Visible());
    EXPECT_FALSE(window.Get<TMenuItem>("SubTickets1")->Visible());
    EXPECT_FALSE(window.Get<TMenuItem>("Addasubtickettothisactivity1")->Visible());
    EXPECT_FALSE(window.Get<TControl>("addticketworkbtn")->Visible());
    EXPECT_FALSE(window.Get<TMenuItem>("Addworktimeentrytothisactivity2")->Visible());
    EXPECT_FALSE(window.Get<TTabSheet>("firstpage")->TabVisible());
    EXPECT_TRUE(window.Get<TTabSheet>("tab6")->TabVisible());
    EXPECT_TRUE(window.subdb->Active());
    // Hidden buttons leave no gap: the next visible button takes the place.
    const int worktimeLeft = window.Get<TControl>("btn_contacts")->Left();
    EXPECT_LT(worktimeLeft, window.Get<TControl>("btn_ticket")->Left() + 3 * window.toolbar->ButtonWidth());

    ini.WriteString("Settings", "HideSubTicket", "0");
    ini.WriteString("Settings", "HideQuickStart", "0");
    window.ApplyHiddenTabs();
    EXPECT_TRUE(window.Get<TTabSheet>("tab3")->TabVisible());
    EXPECT_TRUE(window.Get<TControl>("btn_subticket")->Visible());
    EXPECT_FALSE(window.Get<TTabSheet>("firstpage")->TabVisible());  // back only at the next start
}

TEST_F(MainPages, PanelSwitchesToggleAndRemember)
{
    Tmainfrm& window = Start();
    EXPECT_TRUE(window.viewpanel->Visible());
    EXPECT_FALSE(window.leftprojectspanel->Visible());
    window.ViewPanel1->Click();
    EXPECT_FALSE(window.viewpanel->Visible());
    EXPECT_FALSE(window.ViewPanel1->Checked());
    EXPECT_EQ(Ini().ReadString("Settings", "ShowViewPanel", ""), "0");
    window.ViewLeftProjectListPanel1->Click();
    EXPECT_TRUE(window.leftprojectspanel->Visible());
    EXPECT_TRUE(window.projectsplitter->Visible());
    EXPECT_TRUE(window.ViewLeftProjectListPanel1->Checked());
    EXPECT_EQ(Ini().ReadString("Settings", "ShowProjectPanel", ""), "1");

    FreeWindow();
    Tmainfrm& again = Start();
    EXPECT_FALSE(again.viewpanel->Visible());
    EXPECT_TRUE(again.leftprojectspanel->Visible());
}

TEST_F(MainPages, MouseWheelBecomesArrowKeys)
{
    Tmainfrm& window = Start();
    auto wheel = [](int delta) {
        return TMsg{WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16, 77};
    };
    struct Case {
        TMsg Message;
        const char* MouseMove;
        unsigned Expected;
        uintptr_t Key;
    };
    const Case cases[] = {
        {wheel(120), "1", WM_KEYDOWN, VK_UP},   {wheel(1), "1", WM_KEYDOWN, VK_UP},
        {wheel(-120), "1", WM_KEYDOWN, VK_DOWN}, {wheel(-360), "", WM_KEYDOWN, VK_DOWN},
        {wheel(120), "0", WM_MOUSEWHEEL, 0},     {TMsg{WM_KEYDOWN, VK_HOME, 0}, "1", WM_KEYDOWN, VK_HOME},
    };
    for (const Case& test : cases) {
        Ini().WriteString("Settings", "MouseMove", test.MouseMove);
        TMsg message = test.Message;
        bool handled = false;
        window.ApplicationEvents1Message(message, handled);
        EXPECT_FALSE(handled);
        EXPECT_EQ(message.Message, test.Expected);
        if (test.Expected == WM_KEYDOWN) {
            EXPECT_EQ(message.WParam, test.Key);
        } else {
            EXPECT_EQ(message.WParam, test.Message.WParam);
        }
    }
}

TEST_F(MainPages, MaximisedWindowKeepsItsLastNormalPlacement)
{
    TIniFile ini = Ini();
    ini.WriteString("Position", "FullSize", "Yes");
    ini.WriteString("Position", "Width", "700");
    ini.WriteString("Settings", "AskExit", "0");
    Tmainfrm& window = Start();
    EXPECT_EQ(window.WindowState(), TWindowState::wsMaximized);
    CloseWindow();
    EXPECT_EQ(ini.ReadString("Position", "FullSize", ""), "Yes");
    EXPECT_EQ(ini.ReadString("Position", "Width", ""), "700");
}

TEST_F(MainPages, ScreenshotOfTheMainWindow)
{
    Tmainfrm& window = Start();
    window.SetBounds(0, 0, 990, 716);
    window.Show();
    PostStart();
    window.tabs->SetActivePageIndex(2);
    TestApplication().ProcessMessages();
    const QImage picture = window.Grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(), 900);
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    EXPECT_TRUE(picture.save(QString::fromStdString((artifacts / "mainfrm.png").string())));
    window.Hide();
}

TEST(SplashWindow, ShowsItsPicture)
{
    TestApplication();
    Tsplashfrm splash(nullptr);
    EXPECT_EQ(splash.ClientWidth(), 521);
    EXPECT_EQ(splash.ClientHeight(), 385);
    auto* image = dynamic_cast<TImage*>(splash.FindComponent("Image1"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture().Width(), 505);
    EXPECT_EQ(image->Picture().Height(), 369);
    // The two badges are GIF pictures of 65 by 33, drawn at 16,336 and 88,336.
    for (const char* name : {"Image2", "Image3"}) {
        auto* badge = dynamic_cast<TImage*>(splash.FindComponent(name));
        ASSERT_NE(badge, nullptr);
        EXPECT_EQ(badge->Picture().Width(), 65) << name;
        EXPECT_EQ(badge->Picture().Height(), 33) << name;
    }
    splash.Show();
    TestApplication().ProcessMessages();
    const QImage shown = splash.Grab();
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    shown.save(QString::fromStdString((artifacts / "splash.png").string()));
    EXPECT_EQ(shown.pixel(16 + 32, 336 + 4), qRgb(0x2c, 0x62, 0xad)) << "the DBF badge";
    EXPECT_EQ(shown.pixel(88 + 32, 336 + 4), qRgb(0x3c, 0x8a, 0xd8)) << "the GIF badge";
    splash.Hide();
}

TEST(SingleInstance, SecondStartEndsAtOnce)
{
    const std::string program = std::string(ZV_STAGE_DIR) + "/zentivor";
    if (!FileExists(program)) {
        GTEST_SKIP() << "the program is not built";
    }
    std::string runtime = (std::filesystem::temp_directory_path() / "zentivor-runtime-XXXXXX").string();
    ASSERT_NE(mkdtemp(runtime.data()), nullptr);
    const char* previous = getenv("XDG_RUNTIME_DIR");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    {
        TSingleInstance first("Zentivor");  // the running program
        ASSERT_TRUE(first.Acquired());
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
        pid_t done = 0;
        while ((done = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (done == 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            FAIL() << "the second instance kept running";
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    // In-process as well: the main block returns before it makes a window.
    {
        TSingleInstance first("Zentivor");
        char name[] = "zentivor";
        char* argv[] = {name, nullptr};
        EXPECT_EQ(ZentivorMain(1, argv), 0);
        EXPECT_EQ(mainfrm, nullptr);
    }
    if (saved.empty()) {
        unsetenv("XDG_RUNTIME_DIR");
    } else {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    }
    std::filesystem::remove_all(runtime);
}

}  // namespace
