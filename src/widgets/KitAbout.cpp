#include "widgets/KitAbout.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitSysIn.h"

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

}  // namespace

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
    }

    // No icon is drawn on this system: the text column starts at the left edge.
    const int left = 10;
    const int width = form->ClientWidth() - 20;
    int top = 10;
    const int minimumTopAfterTitle = 60;
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
    }
    form->SetClientHeight(ok->Top() + ok->Height() + 6);
    Run(*form, nullptr, "Info " + ApplicationTitle() + "...", custom);
    return true;
}
