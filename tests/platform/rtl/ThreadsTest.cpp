// Worker threads: calls handed to the main thread, the end of a thread and its OnTerminate, and
// disposing of a thread whose owner goes while the thread waits for the main thread. The
// main thread here is the test's own: it runs the handed-over calls with CheckSynchronize.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Only against a hang: no test relies on anything taking less than this.
constexpr auto kPatience = 20s;

// A thread that runs a function as its Execute.
class TFunctionThread : public TThread {
public:
    using TWork = std::function<void(TFunctionThread&)>;
    explicit TFunctionThread(TWork work, std::atomic<bool>* freed = nullptr) : work_(std::move(work)), freed_(freed) {}
    ~TFunctionThread() override
    {
        StopAndWait();
        if (freed_ != nullptr) {
            freed_->store(true);
        }
    }
    bool Hand(const TThreadMethod& method) { return Synchronize(method); }
    bool Gate() { return WaitWhileSuspended(); }

protected:
    void Execute() override { work_(*this); }

private:
    TWork work_;
    std::atomic<bool>* freed_;
};

// Runs handed-over calls until `done` holds; false when the patience ran out.
template <class Predicate>
bool PumpUntil(Predicate done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        CheckSynchronize(20ms);
    }
    return true;
}

TEST(ThreadsTest, SynchronizeRunsTheCallOnTheMainThreadAndRaisesItsErrorInTheThread)
{
    const std::thread::id mainThread = std::this_thread::get_id();
    std::thread::id ranOn;
    std::string errorSeen;
    std::thread::id terminatedOn;
    TObject* terminateSender = nullptr;
    TFunctionThread thread([&](TFunctionThread& self) {
        self.Hand([&] { ranOn = std::this_thread::get_id(); });
        try {
            self.Hand([] { throw EConvertError("not a number"); });
        } catch (const EConvertError& error) {
            errorSeen = error.Message();
        }
        self.SetReturnValue(7);
    });
    thread.OnTerminate = [&](TObject* sender) {
        terminatedOn = std::this_thread::get_id();
        terminateSender = sender;
    };
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return terminateSender != nullptr; }));
    EXPECT_EQ(ranOn, mainThread);
    EXPECT_EQ(errorSeen, "not a number");
    EXPECT_EQ(terminatedOn, mainThread);
    EXPECT_EQ(terminateSender, &thread);
    EXPECT_EQ(thread.WaitFor(), 7);
    EXPECT_TRUE(thread.Finished());
}

TEST(ThreadsTest, WaitForOnTheMainThreadRunsTheCallsTheThreadWaitsFor)
{
    int handed = 0;
    bool terminated = false;
    TFunctionThread thread([&](TFunctionThread& self) { self.Hand([&] { handed = 1; }); });
    thread.OnTerminate = [&](TObject*) { terminated = true; };
    thread.Resume();
    thread.WaitFor();  // no CheckSynchronize here: WaitFor runs the calls itself
    EXPECT_EQ(handed, 1);
    EXPECT_TRUE(terminated);
}

TEST(ThreadsTest, ANeverResumedThreadNeverRunsAndIsFreedAtOnce)
{
    std::atomic<bool> ran{false};
    {
        TFunctionThread thread([&](TFunctionThread&) { ran = true; });
        thread.SetPriority(TThreadPriority::tpLower);
        EXPECT_TRUE(thread.Suspended());
        EXPECT_FALSE(thread.Finished());
    }
    EXPECT_FALSE(ran);
}

TEST(ThreadsTest, TheGateHoldsTheThreadBetweenRunsUntilResumedAndTerminateOpensIt)
{
    TEvent passed(false);
    std::atomic<int> passes{0};
    TFunctionThread thread([&](TFunctionThread& self) {
        while (self.Gate()) {
            passes.fetch_add(1);
            self.Suspend();
            passed.SetEvent();
        }
    });
    thread.Resume();
    ASSERT_EQ(passed.WaitFor(kPatience), TWaitResult::wrSignaled);
    EXPECT_EQ(passes.load(), 1);
    EXPECT_TRUE(thread.Suspended());
    thread.Resume();
    ASSERT_EQ(passed.WaitFor(kPatience), TWaitResult::wrSignaled);
    EXPECT_EQ(passes.load(), 2);
    thread.Terminate();
    thread.WaitFor();
    EXPECT_EQ(passes.load(), 2) << "a terminated thread leaves its gate without another run";
}

TEST(ThreadsTest, DisposeDropsTheCallsThatWaitForTheMainThread)
{
    std::atomic<bool> callRan{false};
    std::atomic<bool> handResult{true};
    bool terminated = false;
    auto thread = std::make_unique<TFunctionThread>([&](TFunctionThread& self) {
        handResult = self.Hand([&] { callRan = true; });
    });
    thread->OnTerminate = [&](TObject*) { terminated = true; };
    thread->Resume();
    ASSERT_TRUE(WaitForMainThreadCall(kPatience));
    TThread::Dispose(std::move(thread));
    CheckSynchronize();
    EXPECT_FALSE(callRan);
    EXPECT_FALSE(handResult) << "the thread learns that its call was dropped";
    EXPECT_FALSE(terminated);
}

TEST(ThreadsTest, DisposingInsideItsOwnMainThreadCallLetsTheThreadFreeItself)
{
    std::atomic<bool> freed{false};
    std::atomic<bool> sawTerminated{false};
    std::unique_ptr<TThread> owner;
    owner = std::make_unique<TFunctionThread>(
        [&](TFunctionThread& self) {
            self.Hand([&] { TThread::Dispose(std::move(owner)); });
            sawTerminated = self.Terminated();
        },
        &freed);
    owner->Resume();
    ASSERT_TRUE(PumpUntil([&] { return freed.load(); }));
    EXPECT_EQ(owner, nullptr);
    EXPECT_TRUE(sawTerminated);
}

TEST(ThreadsTest, EventsResetAsMadeAndTimeOut)
{
    TEvent automatic(false, true);
    EXPECT_EQ(automatic.WaitFor(0ms), TWaitResult::wrSignaled);
    EXPECT_EQ(automatic.WaitFor(0ms), TWaitResult::wrTimeout) << "an automatic event resets with the wait";

    TEvent manual(true);
    EXPECT_EQ(manual.WaitFor(1ms), TWaitResult::wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0ms), TWaitResult::wrSignaled);
    EXPECT_EQ(manual.WaitFor(-1ms), TWaitResult::wrSignaled) << "a manual event stays set";
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(0ms), TWaitResult::wrTimeout);

    // Set from another thread while waiting without end.
    TEvent handedOver(false);
    std::thread setter([&] { handedOver.SetEvent(); });
    EXPECT_EQ(handedOver.WaitFor(-1ms), TWaitResult::wrSignaled);
    setter.join();
}

}  // namespace
