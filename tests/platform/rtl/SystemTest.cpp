#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Runs `body` in a child process and returns its exit code.
template <typename Body>
int InChild(Body body)
{
    pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(System, UserNameIsTheLoginName)
{
    struct passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(GetUserName(), entry->pw_name);
    if (geteuid() == 0) {
        EXPECT_TRUE(IsAdministrator());
    }
}

TEST(SingleInstance, ASecondProcessIsRefusedUntilTheFirstEnds)
{
    TestFolder folder;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string savedValue = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
    {
        TSingleInstance first("ZentivorTest");
        ASSERT_TRUE(first.Acquired());
        EXPECT_EQ(ExtractFilePath(first.LockFileName()), folder.Path());
        EXPECT_EQ(InChild([] { return TSingleInstance("ZentivorTest").Acquired() ? 1 : 0; }), 0);
        EXPECT_EQ(InChild([] { return TSingleInstance("OtherName").Acquired() ? 0 : 1; }), 0);
    }
    EXPECT_EQ(InChild([] { return TSingleInstance("ZentivorTest").Acquired() ? 0 : 1; }), 0);

    // A process that ends without freeing the guard releases it all the same.
    int ready[2], finish[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(finish), 0);
    pid_t holder = fork();
    if (holder == 0) {
        TSingleInstance guard("ZentivorTest");
        char c = guard.Acquired() ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(finish[0], &c, 1);
        _exit(0);  // no destructor runs
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    EXPECT_FALSE(TSingleInstance("ZentivorTest").Acquired());
    (void)!write(finish[1], "x", 1);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(TSingleInstance("ZentivorTest").Acquired());
    for (int descriptor : {ready[0], ready[1], finish[0], finish[1]})
        close(descriptor);

    if (saved)
        setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

TEST(SingleInstance, ALaterStartHandsItsRequestToTheHolderThroughTheSocket)
{
    TestFolder folder;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string savedValue = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
    // Names from program paths hold "/" and blanks; very long ones still make short file names.
    for (const std::string& name : {std::string("/USR/BIN/TOOL Title.OneInstance."), std::string(300, 'x')}) {
        SCOPED_TRACE(name.substr(0, 40));
        TSingleInstance holder(name);
        ASSERT_TRUE(holder.Acquired());
        EXPECT_EQ(ExtractFilePath(holder.LockFileName()), folder.Path());
        EXPECT_EQ(ExtractFileName(holder.LockFileName()).find('/'), std::string::npos);
        EXPECT_LT(ExtractFileName(holder.SocketFileName()).size(), 90u);
        // Nothing listens yet: a request finds no one (after its patience).
        EXPECT_FALSE(holder.SendRequest("early", std::chrono::milliseconds(0)));

        pid_t child = fork();
        if (child == 0) {
            TSingleInstance second(name);
            _exit(!second.Acquired() && second.SendRequest("activate") ? 0 : 1);
        }
        ASSERT_TRUE(holder.Listen());
        EXPECT_TRUE(std::filesystem::is_socket(holder.SocketFileName()));
        std::vector<std::string> requests;
        while (requests.empty()) {
            pollfd wait{holder.ListenDescriptor(), POLLIN, 0};
            ASSERT_EQ(poll(&wait, 1, 10000), 1);
            requests = holder.TakeRequests();
        }
        EXPECT_EQ(requests, std::vector<std::string>{"activate"});
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_TRUE(holder.TakeRequests().empty());
    }
    // The holder's socket goes with it.
    EXPECT_FALSE(std::filesystem::exists(TSingleInstance("/USR/BIN/TOOL Title.OneInstance.").SocketFileName()));
    if (saved)
        setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

TEST(ShellOpen, TheOpenerCanBeReplacedAndProgramsStartWithoutAShell)
{
    std::vector<std::pair<std::string, std::string>> opened;
    SetOpener([&](const std::string& target, const std::string& parameters) {
        opened.emplace_back(target, parameters);
        return true;
    });
    EXPECT_TRUE(ShellOpen("mailto:support@example.com?subject=Zentivor [1.0]&body="));
    EXPECT_TRUE(StartProgram("/opt/zv/ZEZIvuredizOriruri.exe", "/CHECK /SILENT"));
    SetOpener(nullptr);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].first, "mailto:support@example.com?subject=Zentivor [1.0]&body=");
    EXPECT_EQ(opened[1].second, "/CHECK /SILENT");

    // A real program: its arguments arrive as words, and shell characters mean nothing.
    TestFolder folder;
    std::string program = folder / "updater";
    std::string output = folder / "arguments.txt";
    TestFolder::WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > '" + output +
                                       ".part'\nmv '" + output + ".part' '" + output + "'\n");
    chmod(program.c_str(), 0755);
    ASSERT_TRUE(StartProgram(program, "/CHECK \"two words\" ;rm$(x)"));
    // The program runs on its own: wait for its file (moved into place whole), with a deadline
    // only against a program that never starts.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!FileExists(output) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(TestFolder::ReadFile(output), "[/CHECK]\n[two words]\n[;rm$(x)]\n");
}
