// File storage through form descriptions and files (loads and saves that fail lose nothing),
// the sound component's sources, and chains of window hooks.

#include "GuiTestSupport.h"
#include "SuTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Files.h"
#include "sysutil/SuStorageComponents.h"
#include "sysutil/SuWndProcHook.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace {

std::string Hex(const std::string& bytes)
{
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

TEST(SuFileStorage, TheBytesTravelThroughAFormDescriptionAndAutoSaveWritesThemAtLoad)
{
    TestApplication();
    SuKitStart();
    TKitTestFolder folder;
    std::string bytes("GIF89a\0\x01\xFF\r\n", 11);
    TSuFileStorage source(nullptr);
    source.SetData(bytes);
    const std::string fileData = Hex(*source.WriteFileData());
    EXPECT_EQ(fileData.substr(0, 8), "0B000000");  // the byte count, then the bytes

    const std::string target = folder.Path("saved.bin");
    TForm form(nullptr);
    THandlerTable handlers;
    std::vector<bool> saves;
    handlers.Add("storeSave", TSuFileStorageOnFileOperation([&](TObject*, bool ok) { saves.push_back(ok); }));
    form.LoadFormText("object Form1: TForm\n  object store: TSuFileStorage\n    SaveName = '" + target +
                          "'\n    AutoSave = True\n    OnSave = storeSave\n    FileData = {" + fileData + "}\n  end\nend\n",
                      "Form1.form", &handlers);
    auto* store = dynamic_cast<TSuFileStorage*>(form.FindComponent("store"));
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Data(), bytes);
    EXPECT_EQ(store->DataSize(), 11);
    EXPECT_EQ(ReadFileContents(target), bytes);
    EXPECT_EQ(saves, std::vector<bool>{true});

    // A count that does not match the bytes is refused with the reason, not read half.
    for (const std::string& damaged : {"0C000000" + Hex(bytes), std::string("0B00")}) {
        TForm other(nullptr);
        try {
            other.LoadFormText("object Form1: TForm\n  object store: TSuFileStorage\n    FileData = {" + damaged +
                                   "}\n  end\nend\n",
                               "Form1.form", &handlers);
            ADD_FAILURE() << "damaged data was read";
        } catch (const Exception& error) {
            EXPECT_NE(std::string(error.Message()).find("damaged"), std::string::npos) << error.Message();
        }
    }
}

TEST(SuFileStorage, FailedLoadsAndSavesKeepTheDataAndTheTarget)
{
    TestApplication();
    TKitTestFolder folder;
    TSuFileStorage store(nullptr);
    EXPECT_FALSE(store.AutoSave());
    std::vector<std::pair<char, bool>> events;
    store.OnLoad = [&](TObject*, bool ok) { events.emplace_back('L', ok); };
    store.OnSave = [&](TObject*, bool ok) { events.emplace_back('S', ok); };
    bool agree = false;
    store.OnConfirmOverride = [&](TObject*, bool& overrideFile) {
        EXPECT_TRUE(overrideFile);
        overrideFile = agree;
    };

    ASSERT_TRUE(WriteFileAtomically(folder.Path("in.txt"), "first"));
    store.LoadFromFile(folder.Path("in.txt"));
    EXPECT_EQ(store.Data(), "first");
    store.LoadFromFile(folder.Path("missing.txt"));  // nothing to read: the data stays
    EXPECT_EQ(store.Data(), "first");
    // A file that cannot be read (the start of this process's memory, even for root): an error
    // naming it, and the data stays.
    try {
        store.LoadFromFile("/proc/self/mem");
        ADD_FAILURE() << "read an unreadable file";
    } catch (const ESuFileStorage& error) {
        EXPECT_EQ(error.Message(), "Can not load data from the \"/proc/self/mem\" file");
    }
    EXPECT_EQ(store.Data(), "first");

    ASSERT_TRUE(WriteFileAtomically(folder.Path("out.txt"), "old contents"));
    store.SaveToFile(folder.Path("out.txt"));  // refused
    EXPECT_EQ(ReadFileContents(folder.Path("out.txt")), "old contents");
    agree = true;
    store.SaveToFile(folder.Path("out.txt"));
    EXPECT_EQ(ReadFileContents(folder.Path("out.txt")), "first");
    try {
        store.SaveToFile(folder.Path("no/such/folder/out.txt"));
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const ESuFileStorage& error) {
        EXPECT_EQ(error.Message(), "Can not save data to the \"" + folder.Path("no/such/folder/out.txt") + "\" file");
    }
    EXPECT_EQ(events, (std::vector<std::pair<char, bool>>{{'L', true}, {'L', false}, {'S', false}, {'S', true}}));
}

TEST(SuWav, DefaultsSourcesAndAPlayThatCannotHappen)
{
    TestApplication();
    TKitTestFolder folder;
    TSuWav wav(nullptr);
    EXPECT_TRUE(wav.AsyncPlay());
    EXPECT_EQ(wav.EventAlias(), ".Default");
    EXPECT_FALSE(wav.Looped());
    EXPECT_TRUE(wav.NoDefaultSound());
    EXPECT_FALSE(wav.NoStopSound());
    EXPECT_TRUE(wav.NoWaitIfBusy());
    EXPECT_EQ(wav.PlayFrom(), TSuWavPlayFrom::pfFile);
    EXPECT_EQ(wav.ResourceName(), "WAVE1");

    ASSERT_TRUE(WriteFileAtomically(folder.Path("ding.wav"), "RIFF....WAVE"));
    wav.SetFileName(folder.Path("ding.wav"));
    EXPECT_EQ(wav.DataSize(), 0);
    wav.SetPlayFrom(TSuWavPlayFrom::pfDFM);  // the file's bytes are taken in
    EXPECT_EQ(wav.Data(), "RIFF....WAVE");
    wav.SetPlayFrom(TSuWavPlayFrom::pfSystemEvent);
    EXPECT_EQ(wav.DataSize(), 0);

    std::string order;
    wav.OnPlayBefore = [&](TObject*) { order += 'b'; };
    wav.OnPlayAfter = [&](TObject*) { order += 'a'; };
    EXPECT_FALSE(wav.Play());
    EXPECT_EQ(order, "ba");
    EXPECT_FALSE(wav.Playing());
}

TEST(SuWndProcHook, ThreeHooksChainNewestFirstAndTheMiddleOneLeavesTheChainWhole)
{
    TestApplication();
    SuKitStart();
    TForm form(nullptr);
    form.Show();
    QWidget* window = form.Widget();
    ASSERT_NE(window, nullptr);
    std::string trace;
    bool swallowInThird = false;
    auto makeHook = [&](char name) {
        auto hook = std::make_unique<TSuWndProcHook>(&form);
        EXPECT_EQ(hook->WinControl(), &form);  // the owner, a window control
        hook->OnMessageBefore = [&, name](TObject*, TMessage& message, bool& handled) {
            if (message.Msg == WM_LBUTTONDOWN) {
                trace += name;
                trace += 'b';
                handled = name == '3' && swallowInThird;
            }
        };
        hook->OnMessageAfter = [&, name](TObject*, TMessage& message, bool&) {
            if (message.Msg == WM_LBUTTONDOWN) {
                trace += name;
                trace += 'a';
            }
        };
        return hook;
    };
    auto first = makeHook('1');
    auto second = makeHook('2');
    auto third = makeHook('3');
    // A press the window itself sees, recorded between the hooks' calls.
    TSuWndProcHook inner(nullptr);
    inner.SetHandle(window);
    EXPECT_EQ(inner.WinControl(), nullptr);
    auto press = [&] {
        trace.clear();
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 7), QPointF(5, 7), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(window, &event);
        return trace;
    };
    inner.OnMessageBefore = [&](TObject*, TMessage& message, bool&) {
        if (message.Msg == WM_LBUTTONDOWN) {
            EXPECT_EQ(message.LParam, 5 | (7 << 16));
            trace += "w";
        }
    };
    inner.SetActive(true);
    first->SetActive(true);
    second->SetActive(true);
    third->SetActive(true);
    EXPECT_EQ(press(), "3b2b1bw1a2a3a");

    second->SetActive(false);
    EXPECT_EQ(press(), "3b1bw1a3a");
    swallowInThird = true;
    EXPECT_EQ(press(), "3b3a");
    swallowInThird = false;

    // A hook freed while active leaves the chain too; the last one gone, the list goes.
    second->SetActive(true);
    EXPECT_EQ(press(), "2b3b1bw1a3a2a");
    third.reset();
    EXPECT_EQ(press(), "2b1bw1a2a");
    ASSERT_NE(TSuWndProcHookList::Instance(), nullptr);
    first.reset();
    second.reset();
    inner.SetActive(false);
    EXPECT_EQ(press(), "");
    form.Hide();
}

TEST(SuWndProcHook, AutoDragTakesTheLeftButtonPressForAMoveOfTheWindow)
{
    TestApplication();
    TForm form(nullptr);
    form.Show();
    std::vector<unsigned> below;
    TSuWndProcHook inner(&form);
    inner.OnMessageBefore = [&](TObject*, TMessage& message, bool&) {
        if (message.Msg == WM_LBUTTONDOWN || message.Msg == WM_RBUTTONDOWN) {
            below.push_back(message.Msg);
        }
    };
    inner.SetActive(true);
    TSuWndProcHook dragger(&form);
    dragger.SetAutoDrag(true);
    dragger.SetActive(true);
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(form.Widget(), &event);
    }
    EXPECT_EQ(below, std::vector<unsigned>{WM_RBUTTONDOWN});  // the left press went no further
    form.Hide();
}

TEST(SuWndProcHook, AFormFreedWithItsActiveHookCallsNoHandlerOnItsWayOut)
{
    TestApplication();
    SuKitStart();
    int calls = 0;
    bool destroying = false;
    THandlerTable handlers;
    handlers.Add("hookBefore", TSuMessageEvent([&](TObject*, TMessage&, bool&) {
                     ++calls;
                     EXPECT_FALSE(destroying);
                 }));
    auto form = std::make_unique<TForm>(nullptr);
    form->LoadFormText(R"(object Form1: TForm
  object hook: TSuWndProcHook
    Active = True
    OnMessageBefore = hookBefore
  end
end
)",
                       "Form1.form", &handlers);
    form->Show();
    EXPECT_GT(calls, 0);  // the showing went through the hook
    destroying = true;
    form.reset();
    EXPECT_EQ(TSuWndProcHookList::Instance(), nullptr);
}

TEST(SuWndProcHook, TheListLivesFromTheFirstHookToTheLast)
{
    TestApplication();
    EXPECT_EQ(TSuWndProcHookList::Instance(), nullptr);
    {
        TSuWndProcHook a(nullptr);
        TSuWndProcHook b(nullptr);
        ASSERT_NE(TSuWndProcHookList::Instance(), nullptr);
        EXPECT_EQ(TSuWndProcHookList::Instance()->Hooks().size(), 2u);
        EXPECT_FALSE(a.Active());
        EXPECT_FALSE(a.AutoDrag());
        a.SetActive(true);  // no window to hook: nothing happens
        EXPECT_EQ(a.HookedWindow(), nullptr);
    }
    EXPECT_EQ(TSuWndProcHookList::Instance(), nullptr);
}

}  // namespace
