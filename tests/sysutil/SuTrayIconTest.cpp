// The notification-area icon: what it asks of the notification area (add, change, remove, the
// balloon), how it answers the messages the desktop sends it, cycling through an image list,
// minimising to the notification area, and its form description.

#include "GuiTestSupport.h"
#include "SuTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Menus.h"
#include "sysutil/GtCVersInfo.h"
#include "sysutil/SuComponents.h"
#include "sysutil/SuSysUtils.h"

#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

QImage Filled(QRgb color, int size = 16)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        form_ = std::make_unique<TForm>(nullptr);
        tray_ = new TSuTrayIcon(form_.get());
        tray_->SetName("trayicon");
        tray_->SetHint("Zentivor");
    }
    void TearDown() override
    {
        form_.reset();
        SetVersionExRecord(std::nullopt);
        SuSysUtilsStart();
    }

    // Sends the icon's callback message with one mouse or balloon code, as the desktop does.
    void Send(unsigned code) { tray_->Perform(kSuTrayIconMessage, tray_->IconID(), static_cast<intptr_t>(code)); }

    TRecordingTrayShell shell_;
    std::unique_ptr<TForm> form_;
    TSuTrayIcon* tray_ = nullptr;
};

TEST_F(TrayIconTest, WithoutANotificationAreaTheIconIsNeverShownAndNothingFails)
{
    shell_.Present = false;
    int shown = 0;
    tray_->OnShow = [&](TObject*) { ++shown; };
    EXPECT_FALSE(TSuTrayIcon::Available());
    EXPECT_FALSE(tray_->ShowIcon());
    EXPECT_FALSE(tray_->Visible());
    EXPECT_EQ(shown, 0);
    // A balloon on an icon that is not there asks for nothing.
    tray_->SetInfoText("text");
    tray_->ShowBalloon();
    EXPECT_EQ(shell_.Calls.size(), 1u);

    // Once there is one, the icon comes.
    shell_.Present = true;
    tray_->SetVisible(true);
    EXPECT_TRUE(tray_->Visible());
    EXPECT_EQ(shown, 1);
}

TEST_F(TrayIconTest, ShowFillsTheRecordAndHideRemovesTheIcon)
{
    tray_->SetIconID(7);
    tray_->Icon().SetImage(Filled(qRgb(200, 0, 0)));
    std::vector<std::string> events;
    tray_->OnShow = [&](TObject*) { events.push_back("show"); };
    tray_->OnHide = [&](TObject*) { events.push_back("hide"); };
    ASSERT_TRUE(tray_->ShowIcon());
    ASSERT_EQ(shell_.Calls.size(), 1u);
    const TNotifyIconData& added = shell_.Calls[0].Data;
    EXPECT_EQ(shell_.Calls[0].Message, NIM_ADD);
    EXPECT_EQ(added.cbSize, 488u);
    EXPECT_EQ(added.Wnd, static_cast<TMessageWindow*>(tray_));
    EXPECT_EQ(added.uID, 7u);
    EXPECT_EQ(added.uFlags, NIF_MESSAGE | NIF_TIP | NIF_ICON);
    EXPECT_EQ(added.uCallbackMessage, 1235u);
    EXPECT_EQ(added.szTip, "Zentivor");
    EXPECT_EQ(added.hIcon.pixel(3, 3), qRgb(200, 0, 0));

    tray_->HideIcon();
    EXPECT_FALSE(tray_->Visible());
    EXPECT_EQ(shell_.Calls.back().Message, NIM_DELETE);
    EXPECT_TRUE(shell_.Icons.empty());
    EXPECT_THAT(events, ElementsAre("show", "hide"));
}

TEST_F(TrayIconTest, ChangesReachTheShownIcon)
{
    ASSERT_TRUE(tray_->ShowIcon());
    tray_->SetHint(std::string(200, 'h'));
    EXPECT_EQ(shell_.Calls.back().Message, NIM_MODIFY);
    EXPECT_EQ(shell_.Calls.back().Data.szTip, std::string(127, 'h'));
    tray_->SetShowHint(false);
    EXPECT_EQ(shell_.Calls.back().Data.szTip, "");
    const size_t calls = shell_.Calls.size();
    tray_->SetShowHint(false);  // unchanged: nothing to tell
    EXPECT_EQ(shell_.Calls.size(), calls);

    // A new id: the icon goes and comes back under it.
    tray_->SetIconID(3);
    ASSERT_GE(shell_.Calls.size(), calls + 2);
    EXPECT_EQ(shell_.Calls[calls].Message, NIM_DELETE);
    EXPECT_EQ(shell_.Calls[calls].Data.uID, 0u);
    EXPECT_EQ(shell_.Calls[calls + 1].Message, NIM_ADD);
    EXPECT_EQ(shell_.Calls[calls + 1].Data.uID, 3u);
    EXPECT_TRUE(tray_->Visible());

    // Freeing the component removes its icon.
    form_.reset();
    EXPECT_EQ(shell_.Calls.back().Message, NIM_DELETE);
    EXPECT_TRUE(shell_.Icons.empty());
}

TEST_F(TrayIconTest, BalloonsCarryTheirTextsCutToTheirLengthsAndTheirSymbol)
{
    ASSERT_TRUE(tray_->ShowIcon());
    const struct {
        TSuTrayIconInfoType Type;
        unsigned Flags;
    } cases[] = {
        {TSuTrayIconInfoType::tiiNone, NIIF_NONE},
        {TSuTrayIconInfoType::tiiInfo, NIIF_INFO},
        {TSuTrayIconInfoType::tiiWarning, NIIF_WARNING},
        {TSuTrayIconInfoType::tiiError, NIIF_ERROR},
    };
    tray_->SetInfoText(std::string(300, 't'));
    tray_->SetInfoTitle(std::string(80, 'T'));
    tray_->SetInfoTimeout(4000);
    for (const auto& test : cases) {
        const size_t calls = shell_.Calls.size();
        tray_->SetInfoType(test.Type);
        EXPECT_EQ(shell_.Calls.size(), calls) << "the balloon's properties only store";
        tray_->ShowBalloon();
        ASSERT_EQ(shell_.Calls.size(), calls + 1);
        const TNotifyIconData& data = shell_.Calls.back().Data;
        EXPECT_EQ(shell_.Calls.back().Message, NIM_MODIFY);
        EXPECT_EQ(data.uFlags, NIF_INFO);
        EXPECT_EQ(data.dwInfoFlags, test.Flags);
        EXPECT_EQ(data.szInfo, std::string(255, 't'));
        EXPECT_EQ(data.szInfoTitle, std::string(63, 'T'));
        EXPECT_EQ(data.uTimeout, 4000u);
    }
}

TEST_F(TrayIconTest, OlderSystemsGetTheSmallRecordAndNoBalloons)
{
    const TOSVersionInfo older[] = {
        {148, 4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A "},  // 98 SE
        {148, 4, 0, 1381, VER_PLATFORM_WIN32_NT, ""},           // NT 4
    };
    for (const TOSVersionInfo& record : older) {
        SetVersionExRecord(record);
        SuSysUtilsStart();
        tray_->SetHint(std::string(100, 'x'));
        ASSERT_TRUE(tray_->ShowIcon());
        EXPECT_EQ(shell_.Calls.back().Data.cbSize, 88u);
        EXPECT_EQ(shell_.Calls.back().Data.szTip, std::string(63, 'x'));
        const size_t calls = shell_.Calls.size();
        tray_->SetInfoText("hello");
        tray_->ShowBalloon();
        EXPECT_EQ(shell_.Calls.size(), calls);
        tray_->HideIcon();
    }
}

TEST_F(TrayIconTest, MessagesOfTheDesktopBecomeEvents)
{
    auto* popup = new TPopupMenu(form_.get());
    auto* openItem = new TMenuItem(form_.get());
    openItem->SetCaption("Open");
    popup->Items()->Add(openItem);
    std::vector<std::string> log;
    openItem->OnClick = [&](TObject*) { log.push_back("Open"); };
    auto buttonName = [](TMouseButton button) {
        return button == TMouseButton::mbLeft ? "Left" : button == TMouseButton::mbRight ? "Right" : "Middle";
    };
    tray_->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState shift, int, int) {
        const bool buttonInShift = shift.Contains(button == TMouseButton::mbLeft    ? TShiftStateValue::ssLeft
                                                  : button == TMouseButton::mbRight ? TShiftStateValue::ssRight
                                                                                    : TShiftStateValue::ssMiddle);
        log.push_back(std::string("Down(") + buttonName(button) + (buttonInShift ? "" : ", no button in shift") + ")");
    };
    tray_->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) {
        log.push_back(std::string("Up(") + buttonName(button) + ")");
    };
    tray_->OnClick = [&](TObject*) { log.push_back("Click"); };
    tray_->OnDblClick = [&](TObject*) { log.push_back("DblClick"); };
    tray_->OnPopupMenu = [&](TObject*) { log.push_back("Popup"); };
    tray_->OnBalloonShow = [&](TObject*) { log.push_back("BalloonShow"); };
    tray_->OnBalloonTimeout = [&](TObject*) { log.push_back("BalloonTimeout"); };
    tray_->OnBalloonClick = [&](TObject*) { log.push_back("BalloonClick"); };

    const struct {
        const char* Name;
        bool WithMenu;
        bool PopupByLeft;
        bool DefaultItem;
        bool Enabled;
        std::vector<unsigned> Codes;
        std::vector<std::string> Events;
    } cases[] = {
        {"left click", true, false, false, true, {WM_LBUTTONDOWN, WM_LBUTTONUP}, {"Down(Left)", "Up(Left)", "Click"}},
        {"left up alone", true, false, false, true, {WM_LBUTTONUP}, {"Up(Left)"}},
        {"left click, menu by left", true, true, false, true, {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {"Down(Left)", "Up(Left)", "Click", "Popup"}},
        {"right click", true, false, false, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, {"Down(Right)", "Up(Right)", "Popup"}},
        {"right click, no menu", false, false, false, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, {"Down(Right)", "Up(Right)"}},
        {"middle click", true, false, false, true, {WM_MBUTTONDOWN, WM_MBUTTONUP}, {"Down(Middle)", "Up(Middle)"}},
        {"double click chooses the default item", true, false, true, true, {WM_LBUTTONDBLCLK}, {"Open", "DblClick"}},
        {"double click, no default item", true, false, false, true, {WM_LBUTTONDBLCLK}, {"DblClick"}},
        {"double click, menu by left", true, true, true, true, {WM_LBUTTONDBLCLK}, {"DblClick"}},
        {"balloons", true, false, false, true, {NIN_BALLOONSHOW, NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK},
         {"BalloonShow", "BalloonTimeout", "BalloonClick"}},
        {"unknown code", true, false, false, true, {0x7777}, {}},
        {"disabled", true, false, true, false,
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, NIN_BALLOONUSERCLICK}, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        tray_->SetPopupMenu(test.WithMenu ? popup : nullptr);
        tray_->SetPopupByLeft(test.PopupByLeft);
        openItem->SetDefault(test.DefaultItem);
        tray_->SetEnabled(test.Enabled);
        log.clear();
        for (const unsigned code : test.Codes) {
            Send(code);
        }
        EXPECT_THAT(log, ElementsAreArray(test.Events));
        popup->Menu()->hide();
    }
    tray_->SetEnabled(true);
    // The menu knows who opened it.
    tray_->SetPopupMenu(popup);
    Send(WM_RBUTTONUP);
    EXPECT_EQ(popup->PopupComponent(), tray_);
    popup->Menu()->hide();

    // A menu that is freed is no longer the icon's.
    delete popup;
    EXPECT_EQ(tray_->PopupMenu(), nullptr);
    log.clear();
    Send(WM_RBUTTONUP);
    EXPECT_THAT(log, ElementsAre("Up(Right)"));
}

TEST_F(TrayIconTest, AnswersTheEndOfTheSessionAndComesBackWithANewNotificationArea)
{
    EXPECT_EQ(tray_->Perform(WM_QUERYENDSESSION), 1);
    EXPECT_EQ(tray_->Perform(WM_USER + 99), 0);

    // Not shown: a new notification area changes nothing.
    tray_->Perform(SuTaskbarCreatedMessage());
    EXPECT_TRUE(shell_.Calls.empty());

    ASSERT_TRUE(tray_->ShowIcon());
    shell_.Icons.clear();  // the desktop's notification area was started again
    tray_->Perform(SuTaskbarCreatedMessage());
    EXPECT_EQ(shell_.Calls.back().Message, NIM_ADD);
    EXPECT_EQ(shell_.Icons.size(), 1u);
    EXPECT_TRUE(tray_->Visible());

    // One that does not take it back leaves the icon not shown.
    shell_.Icons.clear();
    shell_.Present = false;
    tray_->Perform(SuTaskbarCreatedMessage());
    EXPECT_FALSE(tray_->Visible());
}

TEST_F(TrayIconTest, CyclesThroughTheImageListOnEveryTick)
{
    auto* images = new TImageList(form_.get());
    const QRgb colors[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (const QRgb color : colors) {
        images->Add(Filled(color));
    }
    tray_->SetImageList(images);
    EXPECT_EQ(tray_->Icon().Image().pixel(0, 0), colors[0]);
    EXPECT_FALSE(tray_->TimerRunning()) << "CycleIcons is off by default";
    tray_->SetCycleIcons(true);
    EXPECT_TRUE(tray_->TimerRunning());
    tray_->SetCycleInterval(0);
    EXPECT_FALSE(tray_->TimerRunning()) << "an interval of 0 stops the timer";
    tray_->SetCycleInterval(200);
    EXPECT_TRUE(tray_->TimerRunning());

    ASSERT_TRUE(tray_->ShowIcon());
    int cycles = 0;
    tray_->OnCycleIcons = [&](TObject*) { ++cycles; };
    std::vector<int> indexes;
    for (int tick = 0; tick < 4; ++tick) {
        tray_->Perform(WM_TIMER, 1);
        indexes.push_back(tray_->ImageIndex());
    }
    EXPECT_THAT(indexes, ElementsAre(1, 2, 0, 1));
    EXPECT_EQ(cycles, 4);
    EXPECT_EQ(shell_.Calls.back().Message, NIM_MODIFY);
    EXPECT_EQ(shell_.Calls.back().Data.hIcon.pixel(0, 0), colors[1]);

    // A picture changed inside the list reaches the icon.
    images->Clear();
    tray_->SetImageIndex(0);
    images->Add(Filled(qRgb(9, 9, 9)));
    EXPECT_EQ(shell_.Calls.back().Data.hIcon.pixel(0, 0), qRgb(9, 9, 9));

    delete images;
    EXPECT_EQ(tray_->ImageList(), nullptr);
    tray_->Perform(WM_TIMER, 1);  // nothing to cycle through any more
    EXPECT_EQ(cycles, 5);
}

TEST_F(TrayIconTest, AnErrorOfTheTimerEventGoesToTheApplication)
{
    TApplication& application = TestApplication();
    std::string shown;
    application.OnException = [&](TObject*, const Exception& error) { shown = error.DisplayText(); };
    TSuCustomTimer timer(nullptr);
    timer.SetOnTimer([](TObject*) { throw EConvertError("bad tick"); });
    EXPECT_TRUE(timer.TimerRunning());
    timer.Perform(WM_TIMER, 1);
    application.OnException = nullptr;
    EXPECT_EQ(shown, "EConvertError: bad tick");
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.TimerRunning());
}

TEST_F(TrayIconTest, MinimisingTheWindowPutsTheApplicationIntoTheNotificationArea)
{
    tray_->SetMinimizeToTray(true);
    int minimized = 0;
    tray_->OnMinimize = [&](TObject*) { ++minimized; };
    form_->Show();
    form_->SetWindowState(TWindowState::wsMinimized);
    for (int round = 0; round < 100 && minimized == 0; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(minimized, 1);
    EXPECT_FALSE(form_->Visible());
    EXPECT_TRUE(tray_->Visible());

    // A double click on the icon brings the window back; another one sends it away again.
    Send(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(form_->Visible());
    EXPECT_NE(form_->WindowState(), TWindowState::wsMinimized);
    Send(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(form_->Visible());
    // Hiding the icon never leaves the application out of reach.
    tray_->HideIcon();
    EXPECT_TRUE(form_->Visible());
}

TEST_F(TrayIconTest, MinimizeOnStartKeepsTheMainFormHiddenAndShowsTheIconAtLoad)
{
    TApplication& application = TestApplication();
    TForm form(nullptr);
    form.LoadFormText("object Form1: TForm\n  object tray: TSuTrayIcon\n    MinimizeOnStart = True\n"
                      "    Visible = True\n  end\nend\n",
                      "Form1.form");
    const bool showMainForm = application.ShowMainForm();
    application.SetShowMainForm(true);
    auto* tray = dynamic_cast<TSuTrayIcon*>(form.FindComponent("tray"));
    ASSERT_NE(tray, nullptr);
    EXPECT_FALSE(showMainForm);
    EXPECT_TRUE(tray->Visible());
    EXPECT_EQ(shell_.Calls.at(0).Message, NIM_ADD);
}

TEST_F(TrayIconTest, FormDescriptionsSetEveryPropertyAndBindTheEvents)
{
    TForm form(nullptr);
    int balloonClicks = 0;
    THandlerTable handlers;
    handlers.Add("KitButton14Click", TNotifyEvent([&](TObject*) { ++balloonClicks; }));
    form.LoadFormText(R"(object Form1: TForm
  object trayicon: TSuTrayIcon
    About = 'kit'
    Hint = 'Zentivor'
    InfoTitle = 'Zentivor message'
    InfoType = tiiWarning
    InfoTimeout = 5000
    IconID = 4
    CycleInterval = 300
    PopupMenu = traypopup
    OnBalloonClick = KitButton14Click
  end
  object traypopup: TPopupMenu
  end
  object GtVersionInfo1: TGtVersionInfo
  end
end
)",
                      "Form1.form", &handlers);
    auto* tray = dynamic_cast<TSuTrayIcon*>(form.FindComponent("trayicon"));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->About(), "kit");
    EXPECT_EQ(tray->Hint(), "Zentivor");
    EXPECT_EQ(tray->InfoTitle(), "Zentivor message");
    EXPECT_EQ(tray->InfoType(), TSuTrayIconInfoType::tiiWarning);
    EXPECT_EQ(tray->InfoTimeout(), 5000);
    EXPECT_EQ(tray->IconID(), 4u);
    EXPECT_EQ(tray->CycleInterval(), 300);
    EXPECT_FALSE(tray->CycleIcons());
    EXPECT_TRUE(tray->Enabled());
    EXPECT_TRUE(tray->ShowHint());
    EXPECT_FALSE(tray->Visible());
    EXPECT_EQ(tray->PopupMenu(), form.FindComponent("traypopup"));
    EXPECT_TRUE(shell_.Calls.empty()) << "an icon not Visible in its description is not shown at load";
    tray->Perform(kSuTrayIconMessage, 4, NIN_BALLOONUSERCLICK);
    EXPECT_EQ(balloonClicks, 1);
    EXPECT_NE(dynamic_cast<TGtVersionInfo*>(form.FindComponent("GtVersionInfo1")), nullptr);
}

}  // namespace
