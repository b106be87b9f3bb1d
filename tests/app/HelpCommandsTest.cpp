// The Help menu and the tool-bar buttons "Email", "Website" and "Bug": what the desktop is asked
// to open or start, the mail links' encoding, and the boxes shown when the updater, the
// problem-report program or the readme is missing.

#include "AppTestSupport.h"

#include "app/MailLink.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/System.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MailLink, HeaderValuesArePercentEncoded)
{
    const struct {
        std::string Text;
        std::string Encoded;
    } cases[] = {
        {"", ""},
        {"Zentivor [1.2.3.4] - e-mail support", "Zentivor%20%5B1.2.3.4%5D%20-%20e-mail%20support"},
        // Characters that would end the subject, start another header or a fragment.
        {"a&b=c?d#e%f+g", "a%26b%3Dc%3Fd%23e%25f%2Bg"},
        {"line\r\nBcc: x@y", "line%0D%0ABcc%3A%20x%40y"},
        // ANSI letters above 127 travel as UTF-8.
        {"Caf\xE9 \x80 \xFF", "Caf%C3%A9%20%E2%82%AC%20%C3%BF"},
        {"AZaz09-._~", "AZaz09-._~"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(EncodeMailLinkValue(test.Text), test.Encoded) << test.Text;
    }
    EXPECT_EQ(MailToLink("help@example.org", "a b", "x&y"), "mailto:help@example.org?subject=a%20b&body=x%26y");
}

TEST(MailLink, AMailLinkReaderGetsTheSubjectBack)
{
    // A subject made of everything a link reserves, read back by an outside link parser.
    const std::string subject = "Zentivor [2.0 #7] - 100% & more? a=b+c; \"q\" <x> Caf\xE9";
    const std::string link = MailToLink("support@example.org", subject, std::string());
    const std::string script =
        "import sys, urllib.parse\n"
        "link = urllib.parse.urlsplit(sys.argv[1])\n"
        "fields = urllib.parse.parse_qs(link.query, keep_blank_values=True)\n"
        "ok = link.scheme == 'mailto' and link.path == 'support@example.org' and \\\n"
        "     fields == {'subject': [sys.argv[2]], 'body': ['']} and link.fragment == ''\n"
        "sys.exit(0 if ok else 1)\n";
    EXPECT_EQ(RunProgramAndWait("python3", {"-c", script, link, AnsiToUtf8(subject)}), 0) << link;
}

class HelpCommands : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
    }

    void Click(const char* name)
    {
        TComponent* component = window_->FindComponent(name);
        if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            item->Click();
        } else if (auto* button = dynamic_cast<TToolButton*>(component)) {
            button->Click();
        } else {
            ADD_FAILURE() << "no menu item or tool button " << name;
        }
    }

    std::vector<std::string> Targets() const
    {
        std::vector<std::string> targets;
        for (const TOpenedTarget& opened : opened_) {
            targets.push_back(opened.Target);
        }
        return targets;
    }
};

TEST_F(HelpCommands, LinksGoToTheDesktopOpener)
{
    Tmainfrm& window = Start();
    // A version with characters a mail link reserves reaches the subject whole.
    window.aboutdlg->Version = "2.0 #7&x";
    const std::string mailTo = std::string("mailto:") + kSupportMailAddress + "?subject=Zentivor%20%5B2.0%20%237%26x%5D";
    const struct {
        const char* Command;
        std::string Target;
    } cases[] = {
        {"SendEmail1", mailTo + "%20-%20e-mail%20support&body="},
        {"btn_email", mailTo + "%20-%20e-mail%20support&body="},
        {"ApplicationtoBetaTester1", mailTo + "%20-%20application%20to%20tester&body="},
        {"VisitHomePage1", kMakerWebSite},
        {"btn_web", kMakerWebSite},
        {"Forum1", kMakerForum},
        {"OtherProducts1", kMakerOtherProducts},
    };
    for (const auto& test : cases) {
        opened_.clear();
        Click(test.Command);
        ASSERT_EQ(opened_.size(), 1u) << test.Command;
        EXPECT_EQ(opened_[0].Target, test.Target) << test.Command;
        EXPECT_EQ(opened_[0].Parameters, "") << test.Command;
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(HelpCommands, ReadmeIsOpenedWhenItIsThere)
{
    Start();
    Click("OpenReadmefile1");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"File not found!"}));
    EXPECT_TRUE(opened_.empty());

    WriteFile("Readme.txt", "read me\r\n");
    Click("OpenReadmefile1");
    EXPECT_EQ(Targets(), (std::vector<std::string>{PathOf("Readme.txt")}));
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(HelpCommands, UpdaterIsStartedWithCheckOrReportedMissing)
{
    WriteFile("servers.txt", "ftp.example.org\r\n");
    Start();
    ASSERT_TRUE(window_->Get<TMenuItem>("CheckforUpdates1")->Enabled());
    Click("CheckforUpdates1");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error! ZEZIvuredizOriruri.exe is missing!"}));
    EXPECT_TRUE(opened_.empty());

    WriteFile("ZEZIvuredizOriruri.exe", "");
    Click("CheckforUpdates1");
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].Target, PathOf("ZEZIvuredizOriruri.exe"));
    EXPECT_EQ(opened_[0].Parameters, "/CHECK");
}

TEST_F(HelpCommands, WithoutAServerTheMenuItemIsOffButTheStartUpCheckStillRuns)
{
    WriteFile("servers.txt", "");
    WriteFile("ZEZIvuredizOriruri.exe", "");
    Ini().WriteString("Settings", "CheckUpdate", "1");
    Start();
    EXPECT_FALSE(window_->Get<TMenuItem>("CheckforUpdates1")->Enabled());
    PostStart();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].Target, PathOf("ZEZIvuredizOriruri.exe"));
    EXPECT_EQ(opened_[0].Parameters, "/CHECK /SILENT");
}

TEST_F(HelpCommands, ProblemReportSetsItsStartPageFirstOrIsReportedMissing)
{
    WriteFile("onlineftp.ini", "[Application]\r\nStartPage=4\r\nServer=keep\r\n");
    Start();
    for (const char* command : {"SendBugReport1", "btn_bug"}) {
        script_->ClearRecords();
        Click(command);
        EXPECT_EQ(Boxes(), (std::vector<std::string>{"Missing onlinereg.exe file!"})) << command;
        EXPECT_TRUE(opened_.empty()) << command;
        EXPECT_EQ(TIniFile(PathOf("onlineftp.ini")).ReadString("Application", "StartPage", ""), "4") << command;
    }

    WriteFile("onlinereg.exe", "");
    for (const char* command : {"SendBugReport1", "btn_bug"}) {
        TIniFile(PathOf("onlineftp.ini")).WriteString("Application", "StartPage", "4");
        opened_.clear();
        Click(command);
        ASSERT_EQ(opened_.size(), 1u) << command;
        EXPECT_EQ(opened_[0].Target, PathOf("onlinereg.exe")) << command;
        EXPECT_EQ(opened_[0].Parameters, "") << command;
        const TIniFile online(PathOf("onlineftp.ini"));
        EXPECT_EQ(online.ReadString("Application", "StartPage", ""), "1") << command;
        EXPECT_EQ(online.ReadString("Application", "Server", ""), "keep") << command;
    }
}

}  // namespace
