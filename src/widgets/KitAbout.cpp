#include "widgets/KitAbout.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"
#include "widgets/KitSysIn.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

std::string ApplicationTitle() { return Application != nullptr ? Application->Title() : std::string(); }

TLabel* AddLabel(TForm& form, const char* name)
{
    auto* label = new TLabel(&form);
    label->SetName(name);
    label->SetParent(&form);
    label->SetWordWrap(true);
    label->SetShowAccelChar(false);
    return label;
}

std::string Format1(const char* pattern, unsigned long long a, unsigned long long b, const std::string& text)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, text.c_str());
    return buffer;
}

// Mail addresses open the mail program; anything else is opened as it is (a web address).
std::string LinkTarget(const std::string& text)
{
    const std::string trimmed = Trim(text);
    const bool mail = trimmed.find('@') != std::string::npos && trimmed.find("://") == std::string::npos &&
                      AnsiLowerCase(trimmed).rfind("mailto:", 0) != 0;
    return mail ? "mailto:" + trimmed : trimmed;
}

}  // namespace

QImage KitAboutIconTile(const QImage& icon)
{
    const int width = 2 * icon.width() + 8;
    const int height = 2 * icon.height() + 8;
    QImage tile(width, height, QImage::Format_RGB32);
    tile.fill(ToQColor(clBtnFace));
    QPainter painter(&tile);
    const QColor shadow(0x80, 0x80, 0x80);
    painter.fillRect(QRect(QPoint(6, height - 6), QPoint(width - 1, height - 1)), shadow);
    painter.fillRect(QRect(QPoint(width - 6, 6), QPoint(width - 1, height - 1)), shadow);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(1, 1), QPoint(width - 7, height - 7)), icon);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, width - 6, height - 6));  // outline on 0 .. width - 6
    return tile;
}

QImage TKitAboutDlg::IconImage() const
{
    if (!Icon.Empty()) {
        return Icon.Image();
    }
    const QIcon application = QGuiApplication::windowIcon();
    return application.isNull() ? QImage() : application.pixmap(32, 32).toImage();
}

std::string TKitAboutDlg::TitleText() const
{
    if (!Trim(Appname).empty()) {
        return Appname;
    }
    if (UseResInfo) {
        const std::string product = KitSysVersionInfo(TKitVersionInfoKind::ProductName);
        if (!product.empty()) {
            return product;
        }
    }
    return ApplicationTitle();
}

std::string TKitAboutDlg::VersionText() const
{
    if (!Version.empty()) {
        return Version;
    }
    if (UseResInfo) {
        static constexpr TKitVersionInfoKind kinds[] = {
            TKitVersionInfoKind::ProductVersion, TKitVersionInfoKind::FileVersionShort,
            TKitVersionInfoKind::FileVersionFull, TKitVersionInfoKind::FileVersionBuild};
        return "Version " + KitSysVersionInfo(kinds[static_cast<int>(UseResVersionInfoStyle)]);
    }
    if (UseDefault) {
        // The program's own file version stands for the kit application's version text.
        return "Version " + KitSysVersionInfo(TKitVersionInfoKind::FileVersionShort);
    }
    return {};
}

bool TKitAboutDlg::Execute()
{
    const std::string title = TitleText();
    if (Style == TKitAboutStyle::bsStandard) {
        std::string caption = title;
        if (!CaptionTitle().empty()) {
            caption += "#" + CaptionTitle();
        }
        return ShowMessageBox(caption, title + "\r" + Copyright, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}) ==
               TModalResult::mrOk;
    }

    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    form->Font().SetName("MS Sans Serif");
    form->Font().SetHeight(-11);
    form->SetClientWidth(IconStyle == TKitAboutIconStyle::isNone ? 340 : 440);

    auto* ok = new TButton(form.get());
    ok->SetName("OKButton");
    ok->SetParent(form.get());
    ok->SetCaption("OK");
    ok->SetModalResult(TModalResult::mrOk);
    ok->SetDefault(true);
    ok->SetCancel(true);
    ok->SetTabOrder(0);
    auto* custom = new TButton(form.get());
    custom->SetName("CustomButton");
    custom->SetParent(form.get());
    custom->SetVisible(false);
    custom->SetTabOrder(1);
    auto* bevel = new TBevel(form.get());
    bevel->SetName("TopLine");
    bevel->SetParent(form.get());
    bevel->SetShape(TBevelShape::bsTopLine);

    TLabel* titleLabel = AddLabel(*form, "lbltitle");
    titleLabel->Font().SetName("Arial");
    titleLabel->Font().SetSize(AppNameSize);
    titleLabel->Font().SetStyle({TFontStyle::fsBold});
    TLabel* versionLabel = AddLabel(*form, "lblversion");
    versionLabel->Font().SetStyle({TFontStyle::fsBold});
    TLabel* descriptionLabel = AddLabel(*form, "lbldescription");
    TLabel* copyrightLabel = AddLabel(*form, "lblcopyright");
    TLabel* info1 = AddLabel(*form, "lblinfo1");
    TLabel* info2 = AddLabel(*form, "lblinfo2");
    TLabel* jumpLabel = AddLabel(*form, "lbljump");
    TLabel* mailLabel = AddLabel(*form, "lblemail");
    for (TLabel* link : {jumpLabel, mailLabel}) {
        link->Font().SetColor(clBlue);
        link->Font().SetStyle({TFontStyle::fsUnderline});
        link->SetCursor(TCursor::crHandPoint);
        link->OnClick = [link](TObject*) { ShellOpen(LinkTarget(link->Caption())); };
    }

    auto* image = new TImage(form.get());
    image->SetName("IconImage");
    image->SetParent(form.get());
    image->SetStretch(true);
    image->SetBounds(15, 7, 32, 32);
    int left = 10;
    int top = 10;
    int width = form->ClientWidth() - 20;
    int minimumTopAfterTitle = 60;
    const QImage icon = IconStyle == TKitAboutIconStyle::isNone ? QImage() : IconImage();
    if (IconStyle == TKitAboutIconStyle::isStandard) {
        form->SetClientWidth(form->ClientWidth() - 30);
        image->SetLeft(13);
        if (!icon.isNull()) {
            image->SetBounds(13, 7, icon.width(), icon.height());
            image->Picture().SetImage(icon);
        }
        left = 60;
        top = 12;
        width = form->ClientWidth() - 70;
        minimumTopAfterTitle = 66;
    } else if (IconStyle == TKitAboutIconStyle::isExtended) {
        if (!icon.isNull()) {
            const QImage tile = KitAboutIconTile(icon);
            image->SetBounds(15, 7, tile.width(), tile.height());
            image->Picture().SetImage(tile);
            image->SetTransparent(true);
        }
        left = image->Left() + image->Width() + 8;
        top = 24;
        width = form->ClientWidth() - left - 6;
        minimumTopAfterTitle = image->Top() + image->Height();
    } else {
        image->SetVisible(false);
    }
    auto place = [&](TLabel& label, const std::string& text, int gap) {
        if (text.empty()) {
            label.SetVisible(false);
            top += gap;
            return;
        }
        label.SetCaption(text);
        label.SetBounds(left, top, std::min(width, form->ClientWidth() - 6 - left), 13);
        label.SetAutoSize(true);  // word-wrapped at the column's width: only the height follows
        top += label.Height() + gap;
    };
    place(*titleLabel, title, 10);
    top = std::max(top, minimumTopAfterTitle);
    place(*versionLabel, VersionText(), 4);
    std::string description = Description;
    if (description.empty() && UseResInfo) {
        description = KitSysVersionInfo(TKitVersionInfoKind::FileDescription);
    }
    place(*descriptionLabel, description, 24);
    place(*copyrightLabel, Copyright, 1);
    place(*jumpLabel, Jump, Trim(EMail).empty() ? 6 : 3);
    place(*mailLabel, Trim(EMail).empty() ? std::string() : EMail, 6);
    bevel->SetBounds(left, top, width, 2);
    top += 9;

    const int column = 150;
    info1->SetCaption("Available Memory:\nPlatform, CPU:");
    info2->SetCaption(Format1("%llu KB\n%llux %s", KitSysAvailableMemory() / 1024, KitSysProcessorCount(),
                              KitSysProcessorName() + " or compatible"));
    info1->SetBounds(left, top, column, 13);
    info2->SetBounds(left + column, top, width - column, 13);
    info1->SetAutoSize(true);
    info2->SetAutoSize(true);
    top += std::max(info1->Height(), info2->Height()) + 24;

    ok->SetBounds(form->ClientWidth() - 6 - 75, top, 75, 25);
    custom->SetBounds(ok->Left() - 6 - 75, top, 75, 25);
    form->SetActiveControl(ok);
    if (ShowHints && Hints().Count() > 0) {
        form->SetShowHint(true);
        ok->SetHint(Hints()[0]);
        if (Hints().Count() > 1) {
            custom->SetHint(Hints()[1]);
        }
        if (Hints().Count() > 2) {
            image->SetHint(Hints()[2]);
        }
    }
    form->SetClientHeight(ok->Top() + ok->Height() + 6);
    Run(*form, nullptr, "Info " + ApplicationTitle() + "...", custom);
    return true;
}
