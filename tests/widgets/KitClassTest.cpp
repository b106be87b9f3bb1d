// The kit application object and its timer pool, driven by injected ticks.

#include "GuiTestSupport.h"

#include "platform/rtl/Files.h"
#include "widgets/KitClass.h"
#include "widgets/KitIniCtrl.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A program name of its own, so that no other test process holds the same instance guard.
std::string UniqueProgram(const std::string& name)
{
    return "/opt/zentivor/" + name + "-" + std::to_string(::getpid());
}

class KitTimerPool : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    void Ticks(TKitTimerPool& pool, int count)
    {
        for (int i = 0; i < count; ++i) {
            ++tick;
            pool.Tick();
        }
    }

    TNotifyEvent Logger(const std::string& name)
    {
        return [this, name](TObject*) { log.push_back(name + "@" + std::to_string(tick)); };
    }

    int tick = 0;
    std::vector<std::string> log;
};

TEST_F(KitTimerPool, ItemsFireInListOrderAtTheirIntervals)
{
    TKitTimerPool pool(nullptr, 50);
    pool.AddTimer(1, 100, Logger("a"), nullptr);
    pool.AddTimer(2, 50, nullptr, nullptr);  // no handler: the pool's event
    pool.AddTimer(3, 150, Logger("c"), nullptr);
    pool.OnTimer = [this, &pool](TObject* sender, int identifier, int count) {
        EXPECT_EQ(sender, &pool);
        log.push_back("pool" + std::to_string(identifier) + "#" + std::to_string(count) + "@" + std::to_string(tick));
    };
    EXPECT_TRUE(pool.Running());
    Ticks(pool, 6);
    EXPECT_EQ(log, (std::vector<std::string>{"pool2#1@1", "a@2", "pool2#2@2", "pool2#3@3", "c@3", "a@4", "pool2#4@4",
                                             "pool2#5@5", "a@6", "pool2#6@6", "c@6"}));
    EXPECT_EQ(pool.FindTimer(3)->Counter(), 2);

    pool.RemoveTimer(1);
    pool.RemoveTimer(2);
    pool.RemoveTimer(99);  // unknown: ignored
    EXPECT_TRUE(pool.Running());
    pool.RemoveTimer(3);
    EXPECT_FALSE(pool.Running());  // the last item stops the pool
}

TEST_F(KitTimerPool, CallLimitAndIntervalRules)
{
    TKitTimerPool pool(nullptr, 50);
    pool.AddTimer(7, 50, Logger("x"), nullptr);
    TKitTimerItem& item = *pool.FindTimer(7);
    item.SetCallLimit(3);
    Ticks(pool, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"x@1", "x@2", "x@3"}));
    EXPECT_FALSE(item.Enabled());

    item.SetCallLimit(0);
    item.SetEnabled(true);  // a limit of 0 keeps it off
    EXPECT_FALSE(item.Enabled());
    item.SetCallLimit(-1);
    item.SetEnabled(true);
    item.SetInterval(75);  // not a multiple: ignored
    EXPECT_EQ(item.Interval(), 50);
    item.SetInterval(200);
    EXPECT_EQ(item.TicksPerFiring(), 4);

    try {
        pool.AddTimer(8, 75, nullptr, nullptr);
        ADD_FAILURE() << "75 ms is no multiple of 50 ms";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Interval not compatible with MinInterval property!");
    }
    EXPECT_THROW(pool.AddTimer(8, 25, nullptr, nullptr), Exception);
    try {
        pool.AddTimer(7, 100, nullptr, nullptr);
        ADD_FAILURE() << "identifier 7 is taken";
    } catch (const EListError& error) {
        EXPECT_EQ(error.Message(), "List index out of bounds (7)");
    }
    EXPECT_EQ(pool.Count(), 1);
}

TEST_F(KitTimerPool, AnExceptionInATickLeavesThePoolTicking)
{
    TKitTimerPool pool(nullptr, 50);
    bool fail = true;
    pool.AddTimer(1, 50, [&](TObject*) {
        log.push_back("first@" + std::to_string(tick));
        if (fail) {
            fail = false;
            throw EConvertError("broken handler");
        }
    }, nullptr);
    pool.AddTimer(2, 50, Logger("second"), nullptr);
    std::vector<std::string> reported;
    Application->OnException = [&](TObject*, const Exception& error) { reported.push_back(error.Message()); };
    Ticks(pool, 2);
    Application->OnException = nullptr;
    EXPECT_EQ(reported, (std::vector<std::string>{"broken handler"}));
    // The failing tick ended at the exception; every later tick fires every timer again.
    EXPECT_EQ(log, (std::vector<std::string>{"first@1", "first@2", "second@2"}));
}

TEST_F(KitTimerPool, TimersMayBeRemovedByTheirOwnHandlers)
{
    TKitApplication application(UniqueProgram("kit-remove"));
    std::unique_ptr<TKitTimer> once;
    once = std::make_unique<TKitTimer>(application, 50, true, [&](TObject* sender) {
        EXPECT_EQ(sender, once.get());
        log.push_back("once@" + std::to_string(tick));
        once.reset();  // frees the item whose handler is running
    });
    TKitTimer after(application, 50, true, Logger("after"));
    Ticks(application.TimerPool(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"once@1", "after@1", "after@2"}));
    EXPECT_EQ(application.TimerPool().Count(), 1);
}

TEST_F(KitTimerPool, GlobalTimersRoundTheirIntervalUpToWholeTicks)
{
    TKitApplication application(UniqueProgram("kit-round"));
    TKitTimer slow(application, 120, true, Logger("120ms"));
    TKitTimer even(application, 100, true, Logger("100ms"));
    EXPECT_EQ(slow.Interval(), 150);
    EXPECT_EQ(even.Interval(), 100);
    EXPECT_EQ(slow.TimerID(), kitGlobalTimerBase + 1);
    EXPECT_EQ(even.TimerID(), kitGlobalTimerBase + 2);
    Ticks(application.TimerPool(), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"100ms@2", "120ms@3", "100ms@4", "120ms@6", "100ms@6"}));

    log.clear();
    slow.SetEnabled(false);
    even.SetInterval(160);  // rounded to 200 ms: every fourth tick of the pool
    Ticks(application.TimerPool(), 6);
    EXPECT_EQ(log, (std::vector<std::string>{"100ms@8", "100ms@12"}));
}

TEST_F(KitTimerPool, TwoHundredAndFiftyGlobalTimersAtMost)
{
    TKitApplication application(UniqueProgram("kit-slots"));
    std::vector<std::unique_ptr<TKitTimer>> timers;
    for (int i = 0; i < kitGlobalTimerSlots; ++i) {
        timers.push_back(std::make_unique<TKitTimer>(application, 50, false, nullptr));
    }
    EXPECT_EQ(timers.back()->TimerID(), kitGlobalTimerBase + kitGlobalTimerSlots);
    try {
        TKitTimer extra(application, 50, true, nullptr);
        ADD_FAILURE() << "the 251st timer has no slot";
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), "Not enough timers available");
    }
    timers[7].reset();  // frees slot 8 for the next timer
    TKitTimer next(application, 50, true, nullptr);
    EXPECT_EQ(next.TimerID(), kitGlobalTimerBase + 8);
    EXPECT_EQ(application.AddGlobalTimer(75, nullptr, nullptr), 0);  // refused by the pool
}

TEST_F(KitTimerPool, ThePlatformTimerTicksThePool)
{
    TKitApplication application(UniqueProgram("kit-real"));
    QEventLoop loop;
    int firings = 0;
    TKitTimer timer(application, 50, true, [&](TObject*) {
        if (++firings == 3) {
            loop.quit();
        }
    });
    // Waits for the third firing itself; the long deadline only ends a broken test.
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(firings, 3);
}

TEST(KitApplication, DefaultsAndLogFile)
{
    TestApplication();
    SetApplicationFolder("/opt/zentivor/");
    TKitApplication application("/opt/zentivor/zentivor");
    EXPECT_EQ(application.Options(), 0x36);
    EXPECT_EQ(application.EffectDelay(), 3);
    EXPECT_EQ(application.TagText(), "#tdl");
    EXPECT_EQ(application.TimerPool().MinInterval(), 50);
    EXPECT_EQ(application.IniCtrl().EncKey(), 40716);
    EXPECT_EQ(application.LogFile(), "/opt/zentivor/zentivor.LOG");

    application.SetLogFile("");
    EXPECT_EQ(application.LogFile(), "/opt/zentivor/zentivor.LOG");
    application.SetLogFile("/elsewhere/trace");
    EXPECT_EQ(application.LogFile(), "/opt/zentivor/trace.LOG");  // the file part, in the prefix folder
    application.SetLogPrefix(TKitPathPrefix::ppFixed);
    application.SetLogFile("/var/log/kit.txt");
    EXPECT_EQ(application.LogFile(), "/var/log/kit.txt");
    application.SetLogFile("/var/log/kit");
    EXPECT_EQ(application.LogFile(), "/var/log/kit.LOG");
    SetApplicationFolder("");

    // Without the platform's theme library the themed look cannot be switched on.
    EXPECT_FALSE(application.Themed());
    EXPECT_FALSE(application.XPLook());
    application.SetXPLook(true);
    EXPECT_FALSE(application.XPLook());
}

TEST(KitApplication, DitherBitmapAndSecondInstance)
{
    TestApplication();
    const std::string program = UniqueProgram("kit-instance");
    TKitApplication first(program);
    TKitApplication second(program);
    EXPECT_FALSE(first.SecondInstance());
    EXPECT_TRUE(second.SecondInstance());

    const QImage& red = first.DitherBitmap(clRed);
    EXPECT_EQ(red.size(), QSize(8, 8));
    EXPECT_EQ(red.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(red.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(7, 6), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(7, 7), qRgb(255, 255, 255));
    EXPECT_EQ(&first.DitherBitmap(clRed), &red);
    const QImage& blue = first.DitherBitmap(clBlue);
    EXPECT_EQ(blue.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(blue.pixel(2, 2), qRgb(255, 255, 255));
}

TEST(KitOneInstance, OwnerMustBeAFormWithOneSuchComponent)
{
    TestApplication();
    TForm form(nullptr);
    auto* first = new TKitIniCtrl(&form);
    EXPECT_FALSE(KitCheckOneInstance(*first, "TKitIniCtrl"));
    new TKitIniCtrl(&form);
    EXPECT_TRUE(KitCheckOneInstance(*first, "TKitIniCtrl"));
    TComponent holder(nullptr);
    EXPECT_TRUE(KitCheckOneInstance(*new TKitIniCtrl(&holder), "TKitIniCtrl"));

    EXPECT_EQ(KitEOneInstError("TKitFormStyler", 0).Message(),
              "TKitFormStyler:\rInvalid owner (<>TForm) or second instance on a form");
    EXPECT_EQ(KitEOneInstError("TKitFormStyler", 1).Message(), "TKitFormStyler:\rAlready one TKitFormStyler control in this project!");
    EXPECT_STREQ(KitEOneInstError("x", 0).ClassName(), "KitEOneInstError");
}

}  // namespace
