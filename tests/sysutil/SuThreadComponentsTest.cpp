// The thread component and the thread timer: where their handlers run, the exception
// hand-over, running again and finishing, the timer's interval, form descriptions, and
// components freed while their thread is busy.

#include "GuiTestSupport.h"
#include "SuThreadTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Exceptions.h"
#include "sysutil/SuMonitors.h"
#include "sysutil/SuThreadComponents.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

class ThreadComponentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mainThread_ = std::this_thread::get_id();
    }

    std::thread::id mainThread_;
};

TEST_F(ThreadComponentTest, TheHandlerRunsOnTheThreadOrSynchronisedOnTheMainThreadAndOnTerminateOnTheMainThread)
{
    for (const bool synchronized : {false, true}) {
        SCOPED_TRACE(synchronized ? "synchronised" : "on the thread");
        auto component = std::make_unique<TSuThreadComponent>(nullptr);
        std::thread::id executedOn;
        std::thread::id terminatedOn;
        TObject* executeSender = nullptr;
        TObject* terminateSender = nullptr;
        component->SetSynchronized(synchronized);
        component->OnExecute = [&](TObject* sender) {
            executedOn = std::this_thread::get_id();
            executeSender = sender;
            component->SetReturnValue(42);
        };
        component->OnTerminate = [&](TObject* sender) {
            terminatedOn = std::this_thread::get_id();
            terminateSender = sender;
        };
        EXPECT_TRUE(component->Suspended());
        component->SetSuspended(false);
        ASSERT_TRUE(PumpUntil([&] { return terminateSender != nullptr; }));
        EXPECT_EQ(executedOn == mainThread_, synchronized);
        EXPECT_EQ(executeSender, component.get());
        EXPECT_EQ(terminatedOn, mainThread_);
        EXPECT_EQ(terminateSender, component.get());
        EXPECT_EQ(component->ReturnValue(), 42);
        EXPECT_FALSE(component->Suspended());
    }
}

TEST_F(ThreadComponentTest, AnExceptionGoesToOnExceptionOrToAMessageBoxOnTheMainThread)
{
    TApplication& application = TestApplication();
    for (const bool withHandler : {true, false}) {
        SCOPED_TRACE(withHandler ? "OnException" : "message box");
        TDialogScript script;
        TSuThreadComponent component(nullptr);
        component.SetName("worker");
        component.OnExecute = [](TObject*) { throw EConvertError("'abc' is not a valid integer value"); };
        std::string className;
        std::string message;
        std::thread::id handledOn;
        if (withHandler) {
            component.OnException = [&](TObject* sender) {
                className = sender->ClassName();
                message = dynamic_cast<TSuThreadException&>(*sender).Message();
                handledOn = std::this_thread::get_id();
            };
        }
        bool ended = false;
        component.OnTerminate = [&](TObject*) { ended = true; };
        component.SetSuspended(false);
        ASSERT_TRUE(PumpUntil([&] { return ended; }));
        if (withHandler) {
            EXPECT_EQ(className, "EConvertError");
            EXPECT_EQ(message, "'abc' is not a valid integer value");
            EXPECT_EQ(handledOn, mainThread_);
            EXPECT_TRUE(script.Records().empty());
        } else {
            ASSERT_EQ(script.Records().size(), 1u);
            const TDialogRecord& box = script.Records()[0];
            EXPECT_EQ(box.Caption, application.Title());
            EXPECT_EQ(box.Text, "Thread worker raised exception class EConvertError with message "
                                "\"'abc' is not a valid integer value\".");
            EXPECT_EQ(box.Type, TMsgDlgType::mtError);
        }
    }
}

TEST_F(ThreadComponentTest, StartRunsTheWorkAgainOnAFreshThreadAndFinishEndsIt)
{
    TSuThreadComponent component(nullptr);
    std::atomic<int> runs{0};
    std::vector<std::thread::id> threads;
    int terminations = 0;
    TObject* finishSender = nullptr;
    component.OnExecute = [&](TObject*) {
        threads.push_back(std::this_thread::get_id());
        if (runs.fetch_add(1) == 1) {
            component.Finish();  // from the thread: OnFinish runs on the main thread
        }
    };
    component.OnTerminate = [&](TObject*) { ++terminations; };
    component.OnFinish = [&](TObject* sender) {
        finishSender = sender;
        EXPECT_EQ(std::this_thread::get_id(), mainThread_);
    };
    component.Start();
    ASSERT_TRUE(PumpUntil([&] { return terminations == 1; }));
    EXPECT_FALSE(component.Terminated());
    component.Start();
    ASSERT_TRUE(PumpUntil([&] { return terminations == 2; }));
    EXPECT_EQ(runs.load(), 2);
    EXPECT_THAT(threads, ::testing::Each(::testing::Ne(mainThread_)));
    EXPECT_EQ(finishSender, &component);
    EXPECT_TRUE(component.Terminated());
    EXPECT_TRUE(component.Thread()->FinishCalled());
}

TEST_F(ThreadComponentTest, AComponentFreedWhileItsThreadIsBusyStopsItAndNeverCallsBack)
{
    // A handler that works until told to end.
    auto component = std::make_unique<TSuThreadComponent>(nullptr);
    TEvent working(true);
    bool calledBack = false;
    component->OnExecute = [&](TObject* sender) {
        working.SetEvent();
        while (!static_cast<TSuThreadComponent*>(sender)->Terminated()) {
            std::this_thread::yield();
        }
    };
    component->OnTerminate = [&](TObject*) { calledBack = true; };
    component->OnFinish = [&](TObject*) { calledBack = true; };
    component->SetSuspended(false);
    ASSERT_EQ(working.WaitFor(kThreadTestPatience), TWaitResult::wrSignaled);
    const auto start = std::chrono::steady_clock::now();
    component.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "stopping waits for the thread, not for a timeout";
    PumpUntil([] { return !CheckSynchronize(); });
    EXPECT_FALSE(calledBack);

    // A synchronised timer whose tick waits for the main thread.
    auto timer = std::make_unique<TSuThreadTimer>(nullptr);
    timer->SetSynchronized(true);
    timer->SetInterval(1);
    timer->SetOnTimer([&](TObject*) { calledBack = true; });
    timer->SetEnabled(true);
    ASSERT_TRUE(WaitForMainThreadCall(kThreadTestPatience));
    timer.reset();
    PumpUntil([] { return !CheckSynchronize(); });
    EXPECT_FALSE(calledBack);
}

TEST_F(ThreadComponentTest, TheTimerTicksOnItsThreadOrOnTheMainThreadUntilDisabled)
{
    for (const bool synchronized : {false, true}) {
        SCOPED_TRACE(synchronized ? "synchronised" : "on the thread");
        TSuThreadTimer timer(nullptr);
        std::atomic<int> ticks{0};
        std::atomic<bool> onMainThread{true};
        std::atomic<TObject*> sender{nullptr};
        timer.SetSynchronized(synchronized);
        timer.SetInterval(2);
        timer.SetOnTimer([&](TObject* from) {
            sender = from;
            onMainThread = onMainThread && std::this_thread::get_id() == mainThread_;
            if (++ticks == 3) {
                timer.SetEnabled(false);
            }
        });
        EXPECT_FALSE(timer.Enabled());
        timer.SetEnabled(true);
        ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
        EXPECT_EQ(sender.load(), &timer);
        EXPECT_EQ(onMainThread.load(), synchronized);
        EXPECT_FALSE(timer.Enabled());
    }
}

TEST_F(ThreadComponentTest, ADisabledSynchronisedTimerDropsTheTickOnItsWay)
{
    TSuThreadTimer timer(nullptr);
    int ticks = 0;
    timer.SetSynchronized(true);
    timer.SetInterval(1);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    timer.SetEnabled(true);
    ASSERT_TRUE(WaitForMainThreadCall(kThreadTestPatience));
    timer.SetEnabled(false);
    EXPECT_TRUE(CheckSynchronize());
    EXPECT_EQ(ticks, 0);
}

TEST_F(ThreadComponentTest, ANewIntervalCountsFromWhenItIsSet)
{
    TSuThreadTimer timer(nullptr);
    std::atomic<int> ticks{0};
    timer.SetInterval(3600 * 1000);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    timer.SetEnabled(true);
    timer.SetInterval(5);  // the hour-long wait ends here
    EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
    EXPECT_EQ(timer.Interval(), 5);
}

TEST_F(ThreadComponentTest, DefaultsAndFormDescriptions)
{
    {
        TSuThreadComponent component(nullptr);
        EXPECT_EQ(component.Priority(), TThreadPriority::tpNormal);
        EXPECT_TRUE(component.Suspended());
        EXPECT_FALSE(component.Synchronized());
        EXPECT_EQ(component.ReturnValue(), 0);
        TSuThreadTimer timer(nullptr);
        EXPECT_EQ(timer.Interval(), 1000);
        EXPECT_FALSE(timer.Enabled());
        EXPECT_FALSE(timer.Synchronized());
        TSuFolderMonitor folderMonitor(nullptr);
        EXPECT_FALSE(folderMonitor.Active());
        EXPECT_EQ(folderMonitor.Folder(), "C:\\");
        EXPECT_EQ(folderMonitor.NotifyFilters(),
                  TFolderMonitorFilters({TFolderMonitorFilter::fmfFileNameChange, TFolderMonitorFilter::fmfDirNameChange}));
        EXPECT_TRUE(folderMonitor.WatchSubTree());
        TSuRegistryMonitor registryMonitor(nullptr);
        EXPECT_FALSE(registryMonitor.Active());
        EXPECT_EQ(registryMonitor.RegistryKey(), "");
        EXPECT_EQ(registryMonitor.RootKey(), TSuRegRootKey::rrkCurrentUser);
        EXPECT_EQ(registryMonitor.NotifyFilters(),
                  TSuRegistryMonitorFilters({TSuRegistryMonitorFilter::rmfSubTreeChange, TSuRegistryMonitorFilter::rmfValueChange}));
        EXPECT_TRUE(registryMonitor.WatchSubTree());
    }

    // A description that starts the thread component: its handler is bound before it runs.
    TForm form(nullptr);
    bool executed = false;
    int changes = 0;
    THandlerTable handlers;
    handlers.Add("workerExecute", TNotifyEvent([&](TObject*) { executed = true; }));
    handlers.Add("folderChange", TThreadMethod([&] { ++changes; }));
    form.LoadFormText(R"(object Form1: TForm
  object worker: TSuThreadComponent
    Priority = tpLower
    Synchronized = True
    Suspended = False
    OnExecute = workerExecute
  end
  object ticker: TSuThreadTimer
    Interval = 250
    Priority = tpLowest
  end
  object folderwatch: TSuFolderMonitor
    Active = True
    Folder = '/nonexistent-zentivor-folder'
    NotifyFilters = [fmfAttributeChange, fmfWriteChange]
    WatchSubTree = False
    OnChange = folderChange
  end
  object keywatch: TSuRegistryMonitor
    RegistryKey = 'Software\Zentivor'
    RootKey = rrkLocalMachine
    NotifyFilters = [rmfValueChange]
  end
end
)",
                      "Form1.form", &handlers);
    auto* worker = dynamic_cast<TSuThreadComponent*>(form.FindComponent("worker"));
    auto* ticker = dynamic_cast<TSuThreadTimer*>(form.FindComponent("ticker"));
    auto* folderWatch = dynamic_cast<TSuFolderMonitor*>(form.FindComponent("folderwatch"));
    auto* keyWatch = dynamic_cast<TSuRegistryMonitor*>(form.FindComponent("keywatch"));
    ASSERT_TRUE(worker && ticker && folderWatch && keyWatch);
    EXPECT_TRUE(PumpUntil([&] { return executed; }));
    EXPECT_EQ(worker->Priority(), TThreadPriority::tpLower);
    EXPECT_TRUE(worker->Synchronized());
    EXPECT_EQ(ticker->Interval(), 250);
    EXPECT_EQ(ticker->Priority(), TThreadPriority::tpLowest);
    EXPECT_FALSE(ticker->Enabled());
    EXPECT_TRUE(folderWatch->Active());
    EXPECT_EQ(folderWatch->Folder(), "/nonexistent-zentivor-folder");
    EXPECT_EQ(folderWatch->NotifyFilters(),
              TFolderMonitorFilters({TFolderMonitorFilter::fmfAttributeChange, TFolderMonitorFilter::fmfWriteChange}));
    EXPECT_FALSE(folderWatch->WatchSubTree());
    ASSERT_NE(folderWatch->Thread(), nullptr) << "active with a handler after loading";
    EXPECT_EQ(keyWatch->RegistryKey(), "Software\\Zentivor");
    EXPECT_EQ(keyWatch->RootKey(), TSuRegRootKey::rrkLocalMachine);
    EXPECT_EQ(keyWatch->NotifyFilters(), TSuRegistryMonitorFilters({TSuRegistryMonitorFilter::rmfValueChange}));
    EXPECT_EQ(keyWatch->Thread(), nullptr);
}

}  // namespace
