// The kit's about box: built at run time, shown modally, freed afterwards.

#include "KitTestSupport.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitAbout.h"
#include "widgets/KitSysIn.h"
#include "platform/rtl/System.h"

#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>
#include <map>

namespace {

struct Shown {
    std::string caption;
    std::map<std::string, std::string> texts;  // visible labels by name
    bool customVisible = false;
    int okBottom = 0;
    int clientHeight = 0;
};

// Kept beside the build's program folder, for a person to look at.
void SaveScreenshot(TCustomForm& form, const char* name)
{
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    EXPECT_TRUE(form.Grab().save(QString::fromStdString((artifacts / name).string())));
}

// Runs the box, reads what it shows and closes it with OK (or the custom button).
Shown RunBox(TKitAboutDlg& box, bool clickCustom = false, const char* screenshot = nullptr)
{
    Shown shown;
    box.OnCustomize = [&](TObject* sender) {
        auto* form = dynamic_cast<TCustomForm*>(sender);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(box.Form(), form);
        QTimer::singleShot(0, [&shown, form, clickCustom, screenshot] {
            shown.caption = form->Caption();
            for (int i = 0; i < form->ComponentCount(); ++i) {
                if (auto* label = dynamic_cast<TLabel*>(form->Components(i)); label != nullptr && label->Visible()) {
                    shown.texts[label->Name()] = label->Caption();
                }
            }
            auto* custom = dynamic_cast<TButton*>(form->FindComponent("CustomButton"));
            auto* ok = dynamic_cast<TButton*>(form->FindComponent("OKButton"));
            shown.customVisible = custom->Visible();
            shown.okBottom = ok->Top() + ok->Height();
            shown.clientHeight = form->ClientHeight();
            if (screenshot != nullptr) {
                SaveScreenshot(*form, screenshot);
            }
            if (clickCustom) {
                custom->Click();
            }
            ok->Click();
        });
    };
    EXPECT_TRUE(box.Execute());
    EXPECT_EQ(box.Form(), nullptr);
    return shown;
}

TEST(KitAboutDlg, ShowsItsTextsAndTheSystemInformation)
{
    TestMainForm();
    TKitAboutDlg box(nullptr);
    box.Appname = "Zentivor";
    box.Version = "Version 2.5";
    box.Description = "Single-user issue tracker";
    box.Copyright = "(c) the tracker's authors";
    box.EMail = "support@example.org";
    const Shown shown = RunBox(box, false, "about.png");
    EXPECT_EQ(shown.caption, "Info " + TestApplication().Title() + "...");
    EXPECT_EQ(shown.texts.at("lbltitle"), "Zentivor");
    EXPECT_EQ(shown.texts.at("lblversion"), "Version 2.5");
    EXPECT_EQ(shown.texts.at("lbldescription"), "Single-user issue tracker");
    EXPECT_EQ(shown.texts.at("lblemail"), "support@example.org");
    EXPECT_EQ(shown.texts.count("lbljump"), 0u);  // blank link: hidden
    EXPECT_EQ(shown.texts.at("lblinfo1"), "Available Memory:\nPlatform, CPU:");
    EXPECT_NE(shown.texts.at("lblinfo2").find(" KB\n"), std::string::npos);
    EXPECT_NE(shown.texts.at("lblinfo2").find(" or compatible"), std::string::npos);
    EXPECT_FALSE(shown.customVisible);
    EXPECT_EQ(shown.clientHeight, shown.okBottom + 6);
}

TEST(KitAboutDlg, EmptyTextsStillShowTitleInformationAndOK)
{
    TestMainForm();
    TKitAboutDlg box(nullptr);
    box.IconStyle = TKitAboutIconStyle::isNone;
    const Shown shown = RunBox(box);
    EXPECT_EQ(shown.texts.at("lbltitle"), TestApplication().Title());
    EXPECT_EQ(shown.texts.count("lblversion"), 0u);
    EXPECT_EQ(shown.texts.count("lblcopyright"), 0u);
    EXPECT_EQ(shown.texts.count("lblinfo1"), 1u);
    EXPECT_GT(shown.okBottom, 0);
}

TEST(KitAboutDlg, VersionFromTheProgramAndTheCustomButton)
{
    TestMainForm();
    TKitAboutDlg box(nullptr);
    box.UseResInfo = true;
    box.SetCaptionTitle("About the tracker");
    box.CustomButton = "Licence";
    int customClicks = 0;
    box.OnCustomClick = [&](TObject*) { ++customClicks; };
    const Shown shown = RunBox(box, true);
    EXPECT_EQ(shown.caption, "About the tracker");
    EXPECT_EQ(shown.texts.at("lblversion"), "Version " + KitSysVersionInfo(TKitVersionInfoKind::ProductVersion));
    EXPECT_TRUE(shown.customVisible);
    EXPECT_EQ(customClicks, 1);

    // Without a custom button text the handler is never reached.
    box.CustomButton.clear();
    EXPECT_FALSE(RunBox(box, true).customVisible);
    EXPECT_EQ(customClicks, 1);
}

// Runs the box and hands its window to `look` before OK closes it.
void Inspect(TKitAboutDlg& box, const std::function<void(TCustomForm&)>& look)
{
    box.OnCustomize = [look](TObject* sender) {
        auto* form = dynamic_cast<TCustomForm*>(sender);
        ASSERT_NE(form, nullptr);
        QTimer::singleShot(0, [form, look] {
            look(*form);
            dynamic_cast<TButton*>(form->FindComponent("OKButton"))->Click();
        });
    };
    EXPECT_TRUE(box.Execute());
}

QImage TestIcon()
{
    QImage icon(32, 32, QImage::Format_RGB32);
    icon.fill(QColor(0x20, 0xA0, 0x40));
    return icon;
}

TEST(KitAboutDlg, IconTileLayout)
{
    const QImage tile = KitAboutIconTile(TestIcon());
    ASSERT_EQ(tile.size(), QSize(72, 72));
    const QColor face = ToQColor(clBtnFace);
    const QColor grey(0x80, 0x80, 0x80);
    const QColor green(0x20, 0xA0, 0x40);
    const struct {
        int x, y;
        QColor colour;
    } pixels[] = {
        {0, 0, Qt::black},    {66, 0, Qt::black},  {0, 66, Qt::black}, {66, 66, Qt::black},  // frame
        {1, 1, green},        {65, 65, green},     {33, 33, green},                           // icon
        {71, 0, face},        {0, 71, face},       {69, 3, face},                             // corners left open
        {71, 71, grey},       {68, 10, grey},      {10, 68, grey},                             // shadow bands
    };
    for (const auto& p : pixels) {
        EXPECT_EQ(tile.pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST(KitAboutDlg, IconStylesPlaceTheIconAndTheTextColumn)
{
    TestMainForm();
    const struct {
        TKitAboutIconStyle style;
        bool imageVisible;
        QSize imageSize;
        int textLeft;
        int titleTop;
        int clientWidth;
    } cases[] = {
        {TKitAboutIconStyle::isStandard, true, QSize(32, 32), 60, 12, 410},
        {TKitAboutIconStyle::isExtended, true, QSize(72, 72), 15 + 72 + 8, 24, 440},
        {TKitAboutIconStyle::isNone, false, QSize(32, 32), 10, 10, 340},
    };
    for (const auto& c : cases) {
        TKitAboutDlg box(nullptr);
        box.Appname = "Zentivor";
        box.Icon.SetImage(TestIcon());
        box.IconStyle = c.style;
        box.HintLines().Add("ok");
        box.HintLines().Add("custom");
        box.HintLines().Add("the icon");
        Inspect(box, [&](TCustomForm& form) {
            auto* image = dynamic_cast<TImage*>(form.FindComponent("IconImage"));
            ASSERT_NE(image, nullptr);
            auto* title = dynamic_cast<TLabel*>(form.FindComponent("lbltitle"));
            EXPECT_EQ(image->Visible(), c.imageVisible);
            EXPECT_EQ(image->Hint(), "the icon");
            if (c.imageVisible) {
                EXPECT_EQ(QSize(image->Width(), image->Height()), c.imageSize);
                EXPECT_EQ(image->Picture().Image().size(), c.imageSize);
            }
            EXPECT_EQ(title->Left(), c.textLeft);
            EXPECT_EQ(title->Top(), c.titleTop);
            EXPECT_EQ(form.ClientWidth(), c.clientWidth);
            // The version line starts below the icon.
            auto* info = dynamic_cast<TLabel*>(form.FindComponent("lblinfo1"));
            if (c.imageVisible) {
                EXPECT_GE(info->Top(), image->Top() + image->Height());
            }
            if (c.style == TKitAboutIconStyle::isExtended) {
                SaveScreenshot(form, "about-icon.png");
            }
        });
    }
}

TEST(KitAboutDlg, ClickingTheLinksOpensThem)
{
    TestMainForm();
    std::vector<std::string> opened;
    SetOpener([&](const std::string& target, const std::string&) {
        opened.push_back(target);
        return true;
    });
    TKitAboutDlg box(nullptr);
    box.Jump = "https://zentivor.example.org/";
    box.EMail = "support@example.org";
    Inspect(box, [](TCustomForm& form) {
        for (const char* name : {"lbljump", "lblemail"}) {
            auto* link = dynamic_cast<TLabel*>(form.FindComponent(name));
            ASSERT_NE(link, nullptr);
            EXPECT_EQ(link->Cursor(), TCursor::crHandPoint);
            link->Click();
        }
    });
    SetOpener(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://zentivor.example.org/", "mailto:support@example.org"}));
}

TEST(KitAboutDlg, StandardStyleShowsAPlainBox)
{
    TestMainForm();
    TKitAboutDlg box(nullptr);
    box.Style = TKitAboutStyle::bsStandard;
    box.Appname = "Zentivor";
    box.Copyright = "(c) authors";
    box.SetCaptionTitle("2.5");
    TDialogScript script;
    EXPECT_TRUE(box.Execute());
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Caption, "Zentivor#2.5");
    EXPECT_EQ(script.Records()[0].Text, "Zentivor\r(c) authors");
}

}  // namespace
