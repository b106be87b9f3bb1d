// The one-instance guard between two processes, autostart entries read by the desktop's own
// tools, and the shutdown component against a mock session manager on a private bus.

#include "GuiTestSupport.h"
#include "SuTestSupport.h"
#include "SuThreadTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "sysutil/SuSystemComponents.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs a shell command line; its exit code.
int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr const char* kOneInstanceForm = R"(object Form1: TForm
  object guard: TSuOneInstance
    Identifier = 'ZvTestGuard'
  end
end
)";

TEST(SuOneInstance, TheNameComesFromTheTitleOrTheProgramFile)
{
    TApplication& application = TestApplication();
    const std::string title = application.Title();
    application.SetTitle("Tracker");
    TSuOneInstance guard(nullptr);
    EXPECT_TRUE(guard.ActivatePrevInstance());
    EXPECT_FALSE(guard.ExeNameAsIdentifier());
    EXPECT_FALSE(guard.ShowMessage());
    guard.SetIdentifier("A\\B");
    EXPECT_EQ(guard.IdentifierText(), "TrackerA/B.OneInstance.");
    guard.SetExeNameAsIdentifier(true);
    EXPECT_EQ(guard.IdentifierText(), UpperCase(ApplicationExeName()) + "A/B.OneInstance.");
    application.SetTitle(title);
}

// The later starts of the test below, run as processes of their own by that test: one that
// ends and asks the first for the front, and one whose OnShowMessage keeps it running.
TEST(SuOneInstanceLaterStart, EndsOrIsKeptByOnShowMessage)
{
    const char* role = std::getenv("ZV_ONE_INSTANCE_LATER_START");
    if (role == nullptr) {
        GTEST_SKIP() << "started only by the two-process test";
    }
    const bool keep = std::string(role) == "keep";
    TApplication& application = TestApplication();
    SuKitStart();
    TForm form(nullptr);
    THandlerTable handlers;
    int asked = 0;
    handlers.Add("guardShowMessage", TSuShowMessageEvent([&](TObject*, bool& terminate) {
                     ++asked;
                     EXPECT_TRUE(terminate);
                     terminate = false;
                 }));
    form.LoadFormText(keep ? R"(object Form1: TForm
  object guard: TSuOneInstance
    Identifier = 'ZvTestGuard'
    ActivatePrevInstance = False
    ShowMessage = True
    OnShowMessage = guardShowMessage
  end
end
)"
                           : kOneInstanceForm,
                      "Form1.form", &handlers);
    auto* guard = dynamic_cast<TSuOneInstance*>(form.FindComponent("guard"));
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(guard->Terminated(), !keep);
    EXPECT_EQ(application.Terminated(), !keep);
    EXPECT_EQ(application.ShowMainForm(), keep);
    EXPECT_EQ(asked, keep ? 1 : 0);
}

TEST(SuOneInstance, ALaterStartEndsAndBringsTheFirstBackThroughTheSocket)
{
    TKitTestFolder folder;
    TEnvironmentValue runtime("XDG_RUNTIME_DIR", folder.Path());
    TApplication& application = TestApplication();
    SuKitStart();
    TForm form(nullptr);
    application.FormCreated(&form);
    ASSERT_EQ(application.MainForm(), &form);
    THandlerTable handlers;
    form.LoadFormText(kOneInstanceForm, "Form1.form", &handlers);
    auto* guard = dynamic_cast<TSuOneInstance*>(form.FindComponent("guard"));
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(guard->Terminated());
    EXPECT_FALSE(application.Terminated());
    EXPECT_TRUE(std::filesystem::is_socket(TSingleInstance(guard->IdentifierText()).SocketFileName()));

    form.Show();
    form.SetWindowState(TWindowState::wsMinimized);
    ASSERT_EQ(form.WindowState(), TWindowState::wsMinimized);

    auto startLater = [](const char* role) {
        pid_t later = fork();
        if (later == 0) {
            ::setenv("ZV_ONE_INSTANCE_LATER_START", role, 1);
            ::execl("/proc/self/exe", "test_sysutil", "--gtest_filter=SuOneInstanceLaterStart.*", static_cast<char*>(nullptr));
            _exit(127);
        }
        return later;
    };
    // A later start kept by its OnShowMessage asks for nothing: the first stays minimised.
    pid_t kept = startLater("keep");
    int keptStatus = -1;
    EXPECT_TRUE(PumpUntil([&] { return ::waitpid(kept, &keptStatus, WNOHANG) == kept; }));
    EXPECT_TRUE(WIFEXITED(keptStatus) && WEXITSTATUS(keptStatus) == 0) << keptStatus;
    EXPECT_EQ(form.WindowState(), TWindowState::wsMinimized);

    pid_t later = startLater("end");
    int status = -1;
    bool ended = false;
    EXPECT_TRUE(PumpUntil([&] {
        if (!ended && ::waitpid(later, &status, WNOHANG) == later) {
            ended = true;
        }
        return ended && form.WindowState() == TWindowState::wsNormal;
    }));
    if (!ended) {
        ::kill(later, SIGKILL);
        ::waitpid(later, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(form.WindowState(), TWindowState::wsNormal);
    form.Hide();
}

TEST(SuAutoRun, EntriesAreValidRunOnceEntriesRemoveThemselvesAndServiceKindsFail)
{
    TKitTestFolder folder;
    TEnvironmentValue home("XDG_CONFIG_HOME", folder.Path("user"));
    TEnvironmentValue dirs("XDG_CONFIG_DIRS", folder.Path("machine") + ":/etc/xdg");
    // The program lies in a folder whose name needs quoting on an Exec line.
    const std::string programFolder = folder.Path("my tools $1");
    ASSERT_TRUE(ForceDirectories(programFolder));
    const std::string program = programFolder + "/mark\"er.sh";
    {
        std::ofstream script(program);
        script << "#!/bin/sh\necho ran >> '" << folder.Path("ran.txt") << "'\n";
    }
    ::chmod(program.c_str(), 0755);

    TSuAutoRun autoRun(nullptr);
    EXPECT_FALSE(autoRun.AutoRun());
    EXPECT_EQ(autoRun.Kind(), TSuAutoExecKind::aekMachineRun);
    EXPECT_EQ(autoRun.FileName(), ApplicationExeName());
    autoRun.SetFileName(program);

    struct Case {
        TSuAutoExecKind kind;
        std::string folder;
        bool removesItself;
    };
    const Case cases[] = {
        {TSuAutoExecKind::aekUserRun, folder.Path("user/autostart/"), false},
        {TSuAutoExecKind::aekUserRunOnce, folder.Path("user/autostart/"), true},
        {TSuAutoExecKind::aekMachineRun, folder.Path("machine/autostart/"), false},
        {TSuAutoExecKind::aekMachineRunOnce, folder.Path("machine/autostart/"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        autoRun.SetKind(c.kind);
        autoRun.SetAutoRun(true);
        const std::string entry = autoRun.EntryFileName();
        EXPECT_EQ(ExtractFilePath(entry), c.folder);
        ASSERT_TRUE(FileExists(entry));
        EXPECT_EQ(Shell("desktop-file-validate '" + entry + "' >&2"), 0);
        // The desktop's own launcher runs the entry as written.
        ::unlink(folder.Path("ran.txt").c_str());
        ASSERT_EQ(Shell("gio launch '" + entry + "' >&2"), 0);
        EXPECT_TRUE(PumpUntil([&] { return ReadFileContents(folder.Path("ran.txt")) == "ran\n"; }));
        if (c.removesItself) {
            EXPECT_TRUE(PumpUntil([&] { return !FileExists(entry); }));
        } else {
            EXPECT_TRUE(FileExists(entry));
        }
        autoRun.SetAutoRun(false);
        EXPECT_FALSE(FileExists(entry));
        EXPECT_TRUE(autoRun.Unregister());  // nothing left to remove
    }

    // A machine folder that cannot be made, and the service kinds, fail.
    {
        TEnvironmentValue blocked("XDG_CONFIG_DIRS", program + "/sub");
        autoRun.SetKind(TSuAutoExecKind::aekMachineRun);
        EXPECT_FALSE(autoRun.Register());
    }
    for (TSuAutoExecKind kind : {TSuAutoExecKind::aekServiceRun, TSuAutoExecKind::aekServiceRunOnce}) {
        autoRun.SetKind(kind);
        EXPECT_FALSE(autoRun.Register());
        EXPECT_TRUE(autoRun.EntryFileName().empty());
    }
}

TEST(SuAutoRun, AFormDescriptionRegistersAtLoad)
{
    TKitTestFolder folder;
    TEnvironmentValue home("XDG_CONFIG_HOME", folder.Path("user"));
    TestApplication();
    SuKitStart();
    TForm form(nullptr);
    THandlerTable handlers;
    form.LoadFormText(R"(object Form1: TForm
  object autorun: TSuAutoRun
    AutoRun = True
    FileName = '/opt/tracker/tracker'
    Kind = aekUserRun
  end
end
)",
                      "Form1.form", &handlers);
    EXPECT_TRUE(FileExists(folder.Path("user/autostart/tracker.desktop")));
    EXPECT_NE(ReadFileContents(folder.Path("user/autostart/tracker.desktop")).find("Exec=/opt/tracker/tracker\n"),
              std::string::npos);
}

// A private bus with a mock login manager on it, standing for the system bus.
class TMockSessionManager {
public:
    explicit TMockSessionManager(const std::string& folder) : log_(folder + "logind.log")
    {
        address_ = ShellOutput("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        const auto lineEnd = address_.find('\n');
        if (lineEnd == std::string::npos) {
            return;
        }
        daemon_ = std::atoi(address_.c_str() + lineEnd + 1);
        address_.resize(lineEnd);
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
        mock_ = fork();
        if (mock_ == 0) {
            ::execl("/usr/bin/python3", "python3", "-m", "dbusmock", "--system", "--template", "logind", "-l",
                    log_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ready_ = Shell("gdbus wait --system --timeout 20 org.freedesktop.login1") == 0;
    }
    ~TMockSessionManager()
    {
        if (mock_ > 0) {
            ::kill(mock_, SIGTERM);
            ::waitpid(mock_, nullptr, 0);
        }
        if (daemon_ > 0) {
            ::kill(daemon_, SIGTERM);
        }
    }
    TMockSessionManager(const TMockSessionManager&) = delete;
    TMockSessionManager& operator=(const TMockSessionManager&) = delete;

    bool Ready() const noexcept { return ready_; }
    // The method calls the mock has logged, one per line, without their time stamps.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        std::istringstream text(ReadFileContents(log_));
        std::string line;
        while (std::getline(text, line)) {
            if (const auto blank = line.find(' '); blank != std::string::npos) {
                calls.push_back(line.substr(blank + 1));
            }
        }
        return calls;
    }

private:
    std::string log_;
    std::string address_;
    pid_t daemon_ = -1;
    pid_t mock_ = -1;
    bool ready_ = false;
};

TEST(SuShutdown, EachActionReachesTheSessionManagerAfterOnQueryShutdown)
{
    TestApplication();
    TKitTestFolder folder;
    TEnvironmentValue session("XDG_SESSION_ID", "c7");
    TMockSessionManager manager(folder.Path());
    ASSERT_TRUE(manager.Ready());

    TSuShutdown shutdown(nullptr);
    EXPECT_EQ(shutdown.ActionType(), TSuShutdownActionType::aatPowerOff);
    EXPECT_FALSE(shutdown.Force());
    bool allow = false;
    int asked = 0;
    shutdown.OnQueryShutdown = [&](TObject* sender, bool& canShutdown) {
        EXPECT_EQ(sender, &shutdown);
        EXPECT_TRUE(canShutdown);
        ++asked;
        canShutdown = allow;
    };
    EXPECT_FALSE(shutdown.Execute());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(manager.Calls().empty());

    allow = true;
    const std::pair<TSuShutdownActionType, std::string> cases[] = {
        {TSuShutdownActionType::aatPowerOff, "PowerOff True"},  {TSuShutdownActionType::aatShutdown, "PowerOff True"},
        {TSuShutdownActionType::aatReboot, "Reboot True"},      {TSuShutdownActionType::aatLogOff, "TerminateSession \"c7\""},
        {TSuShutdownActionType::aatSuspend, "Suspend True"},    {TSuShutdownActionType::aatHibernate, "Hibernate True"},
    };
    std::vector<std::string> expected;
    for (const auto& [action, call] : cases) {
        shutdown.SetActionType(action);
        EXPECT_TRUE(shutdown.Execute()) << shutdown.LastError();
        expected.push_back(call);
    }
    shutdown.SetForce(true);
    shutdown.SetActionType(TSuShutdownActionType::aatReboot);
    EXPECT_TRUE(shutdown.Execute());
    expected.push_back("Reboot False");
    EXPECT_EQ(manager.Calls(), expected);
}

}  // namespace
