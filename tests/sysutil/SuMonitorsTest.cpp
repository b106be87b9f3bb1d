// The folder and registry monitors: what each reports on the main thread, when a thread runs at
// all, a folder that cannot be watched, stopping from inside OnChange, and monitors freed while
// a change waits for the main thread. Which file operation falls under which filter is tested
// on the folder watch itself (tests/platform/rtl/FolderWatchTest.cpp).

#include "GuiTestSupport.h"
#include "SuTestSupport.h"
#include "SuThreadTestSupport.h"

#include "platform/rtl/Registry.h"
#include "sysutil/SuMonitors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        fs::create_directories(folder_.Path("tree/sub"));
        std::ofstream(folder_.Path("tree/sub/file.txt")) << "text";
    }

    // A handler that counts its calls and notes whether each ran on the main thread.
    TThreadMethod Counter()
    {
        return [this] {
            ++changes_;
            onMainThread_ = onMainThread_ && std::this_thread::get_id() == mainThread_;
        };
    }

    TKitTestFolder folder_;
    int changes_ = 0;
    bool onMainThread_ = true;
    const std::thread::id mainThread_ = std::this_thread::get_id();
};

TEST_F(MonitorTest, TheFolderMonitorReportsEachFiltersChangesInTheSubTreeOnTheMainThread)
{
    struct TCase {
        TFolderMonitorFilter Filter;
        std::function<void(const std::string&)> Operation;
    };
    const TCase cases[] = {
        {TFolderMonitorFilter::fmfFileNameChange, [](const std::string& f) { std::ofstream(f + "new.txt") << ""; }},
        {TFolderMonitorFilter::fmfDirNameChange, [](const std::string& f) { fs::create_directory(f + "newdir"); }},
        {TFolderMonitorFilter::fmfAttributeChange,
         [](const std::string& f) { fs::permissions(f + "file.txt", fs::perms::owner_exec, fs::perm_options::add); }},
        {TFolderMonitorFilter::fmfSizeChange, [](const std::string& f) { std::ofstream(f + "file.txt", std::ios::app) << "+"; }},
        {TFolderMonitorFilter::fmfWriteChange, [](const std::string& f) { std::ofstream(f + "file.txt", std::ios::app) << "+"; }},
        {TFolderMonitorFilter::fmfSecurityChange,
         [](const std::string& f) { fs::permissions(f + "file.txt", fs::perms::group_write, fs::perm_options::remove); }},
    };
    for (const TCase& entry : cases) {
        SCOPED_TRACE(static_cast<int>(entry.Filter));
        changes_ = 0;
        TSuFolderMonitor monitor(nullptr);
        monitor.SetFolder(folder_.Path("tree"));
        monitor.SetNotifyFilters({entry.Filter});
        monitor.SetOnChange(Counter());
        monitor.SetActive(true);
        entry.Operation(folder_.Path("tree/sub/"));
        EXPECT_TRUE(PumpUntil([&] { return changes_ > 0; }));
    }
    EXPECT_TRUE(onMainThread_);
}

TEST_F(MonitorTest, DeletingAndRecreatingAFileGivesTwoChanges)
{
    TSuFolderMonitor monitor(nullptr);
    monitor.SetFolder(folder_.Path("tree"));
    monitor.SetOnChange(Counter());
    monitor.SetActive(true);
    fs::remove(folder_.Path("tree/sub/file.txt"));
    std::ofstream(folder_.Path("tree/sub/file.txt")) << "again";
    EXPECT_TRUE(PumpUntil([&] { return changes_ >= 2; }));
    EXPECT_TRUE(onMainThread_);
}

TEST_F(MonitorTest, AMonitorWithoutHandlerOrInactiveRunsNoThread)
{
    TSuFolderMonitor folderMonitor(nullptr);
    folderMonitor.SetFolder(folder_.Path("tree"));
    folderMonitor.SetActive(true);
    EXPECT_EQ(folderMonitor.Thread(), nullptr);
    folderMonitor.SetOnChange(Counter());
    EXPECT_NE(folderMonitor.Thread(), nullptr);
    folderMonitor.SetOnChange(nullptr);
    EXPECT_EQ(folderMonitor.Thread(), nullptr);
    folderMonitor.SetOnChange(Counter());
    folderMonitor.SetActive(false);
    EXPECT_EQ(folderMonitor.Thread(), nullptr);

    TSuRegistryMonitor registryMonitor(nullptr);
    registryMonitor.SetRegistryKey("Software\\Zentivor");
    registryMonitor.SetActive(true);
    EXPECT_EQ(registryMonitor.Thread(), nullptr);
    registryMonitor.SetOnChange(Counter());
    EXPECT_NE(registryMonitor.Thread(), nullptr);
}

TEST_F(MonitorTest, AFolderThatCannotBeWatchedEndsTheThreadWhileTheMonitorStaysActive)
{
    TSuFolderMonitor monitor(nullptr);
    monitor.SetFolder(folder_.Path("missing"));
    monitor.SetOnChange(Counter());
    monitor.SetActive(true);
    ASSERT_NE(monitor.Thread(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return monitor.Thread()->Finished(); }));
    EXPECT_TRUE(monitor.Active());
    // Pointed at a folder that exists, it watches again.
    monitor.SetFolder(folder_.Path("tree"));
    std::ofstream(folder_.Path("tree/new.txt")) << "";
    EXPECT_TRUE(PumpUntil([&] { return changes_ > 0; }));
}

TEST_F(MonitorTest, FiltersAndSubTreeChangedWhileWatchingTakeEffect)
{
    TSuFolderMonitor monitor(nullptr);
    monitor.SetFolder(folder_.Path("tree"));
    monitor.SetWatchSubTree(false);
    monitor.SetOnChange(Counter());
    monitor.SetActive(true);
    monitor.SetWatchSubTree(true);
    monitor.SetNotifyFilters({TFolderMonitorFilter::fmfAttributeChange});
    fs::permissions(folder_.Path("tree/sub/file.txt"), fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_TRUE(PumpUntil([&] { return changes_ > 0; }));
}

TEST_F(MonitorTest, AMonitorStoppedInsideItsOwnOnChangeStopsCleanly)
{
    TSuFolderMonitor monitor(nullptr);
    monitor.SetFolder(folder_.Path("tree"));
    monitor.SetOnChange([&] {
        ++changes_;
        monitor.SetActive(false);
    });
    monitor.SetActive(true);
    std::ofstream(folder_.Path("tree/one.txt")) << "";
    std::ofstream(folder_.Path("tree/two.txt")) << "";
    ASSERT_TRUE(PumpUntil([&] { return changes_ > 0; }));
    EXPECT_EQ(monitor.Thread(), nullptr);
    PumpUntil([] { return !CheckSynchronize(); });
    EXPECT_EQ(changes_, 1) << "the second file's change is not reported after the stop";
}

TEST_F(MonitorTest, AMonitorFreedWhileAChangeWaitsForTheMainThreadNeverCallsBack)
{
    // The registry store lives in the test folder (TKitTestFolder).
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Zentivor", true));
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "folder monitor" : "registry monitor");
        changes_ = 0;
        std::unique_ptr<TSuComponent> monitor;
        if (folder) {
            auto folderMonitor = std::make_unique<TSuFolderMonitor>(nullptr);
            folderMonitor->SetFolder(folder_.Path("tree"));
            folderMonitor->SetOnChange(Counter());
            folderMonitor->SetActive(true);
            monitor = std::move(folderMonitor);
            std::ofstream(folder_.Path("tree/busy.txt")) << "";
        } else {
            auto registryMonitor = std::make_unique<TSuRegistryMonitor>(nullptr);
            registryMonitor->SetRegistryKey("Software\\Zentivor");
            registryMonitor->SetOnChange(Counter());
            registryMonitor->SetActive(true);
            monitor = std::move(registryMonitor);
            registry.WriteString("busy", "yes");
        }
        ASSERT_TRUE(WaitForMainThreadCall(kThreadTestPatience));
        const auto start = std::chrono::steady_clock::now();
        monitor.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        PumpUntil([] { return !CheckSynchronize(); });
        EXPECT_EQ(changes_, 0);
    }
}

TEST_F(MonitorTest, TheRegistryMonitorReportsValueChangesAndTheKeyDeletedAndMadeAgain)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Zentivor\\Settings", true));
    TSuRegistryMonitor monitor(nullptr);
    monitor.SetRegistryKey("Software\\Zentivor");
    monitor.SetOnChange(Counter());
    monitor.SetActive(true);

    registry.WriteInteger("Width", 640);  // a key below the watched one
    ASSERT_TRUE(PumpUntil([&] { return changes_ == 1; }));
    ASSERT_TRUE(registry.DeleteKey("\\Software\\Zentivor"));
    ASSERT_TRUE(PumpUntil([&] { return changes_ == 2; }));
    ASSERT_TRUE(registry.CreateKey("\\Software\\Zentivor"));
    ASSERT_TRUE(PumpUntil([&] { return changes_ == 3; }));
    EXPECT_TRUE(onMainThread_);
}

// Which store changes each filter reports: images of the key before and after each change.
TEST(RegistryKeyChangeTest, EachFilterReportsTheChangesOfItsKindWhereTheSubTreeFlagReaches)
{
    TKitTestFolder folder;
    using namespace SuRegistryChange;
    struct TChange {
        const char* Name;
        std::function<void(TRegistry&)> Make;
        unsigned KeyItself;  // filters that report it without the subtree
        unsigned SubTree;    // filters that report it with the subtree
    };
    const TChange changes[] = {
        {"set a value of the key", [](TRegistry& r) { r.OpenKey("\\Watched", false); r.WriteString("a", "new"); },
         LastSet, LastSet},
        {"change a value of the key", [](TRegistry& r) { r.OpenKey("\\Watched", false); r.WriteString("old", "other"); },
         LastSet, LastSet},
        {"delete a value of the key", [](TRegistry& r) { r.OpenKey("\\Watched", false); r.DeleteValue("old"); },
         LastSet, LastSet},
        {"write a value as it is", [](TRegistry& r) { r.OpenKey("\\Watched", false); r.WriteString("old", "value"); }, 0, 0},
        {"set a value two keys down", [](TRegistry& r) { r.OpenKey("\\Watched\\Sub\\Deep", false); r.WriteInteger("n", 1); },
         0, LastSet},
        {"add a sub-key", [](TRegistry& r) { r.CreateKey("\\Watched\\Added"); }, Name, Name},
        {"add a key below a sub-key", [](TRegistry& r) { r.CreateKey("\\Watched\\Sub\\Added"); }, 0, Name},
        {"delete a sub-key", [](TRegistry& r) { r.DeleteKey("\\Watched\\Sub"); }, Name, Name},
        {"change another key", [](TRegistry& r) { r.OpenKey("\\Watchedness", false); r.WriteString("a", "b"); }, 0, 0},
        {"delete the key", [](TRegistry& r) { r.DeleteKey("\\Watched"); }, Name | LastSet | Attributes | Security,
         Name | LastSet | Attributes | Security},
    };
    for (const TChange& change : changes) {
        for (const unsigned filter : {Name, LastSet, Attributes, Security}) {
            for (const bool subTree : {false, true}) {
                SCOPED_TRACE(std::string(change.Name) + ", filter " + std::to_string(filter) + (subTree ? ", subtree" : ""));
                fs::remove_all(folder.Path("registry"));
                TRegistry registry;
                registry.OpenKey("\\Watched\\Sub\\Deep", true);
                registry.OpenKey("\\Watched", false);
                registry.WriteString("old", "value");
                registry.OpenKey("\\Watchedness", true);
                const TRegistryKeyImage before = RegistryKeyImage(HKEY_CURRENT_USER, "Watched");
                change.Make(registry);
                const TRegistryKeyImage after = RegistryKeyImage(HKEY_CURRENT_USER, "Watched");
                const unsigned reportedBy = subTree ? change.SubTree : change.KeyItself;
                EXPECT_EQ(SuRegistryKeyChanged(before, after, filter, subTree), (reportedBy & filter) != 0);
            }
        }
    }
    // A key that is made again counts under every filter too.
    const TRegistryKeyImage gone = RegistryKeyImage(HKEY_CURRENT_USER, "Watched");
    ASSERT_FALSE(gone.Exists);
    TRegistry().CreateKey("\\Watched");
    EXPECT_TRUE(SuRegistryKeyChanged(gone, RegistryKeyImage(HKEY_CURRENT_USER, "Watched"), 0, false));
}

}  // namespace
