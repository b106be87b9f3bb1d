#pragma once
// TKitBaseDialog: the base of the kit's dialog components. Each descendant builds its window at
// run time; the base gives it a caption, an optional custom button, a place relative to a
// reference area and the hint lines, then shows it modally.

#include "platform/classes/Components.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Classes.h"
#include "widgets/KitBase.h"
#include "widgets/KitPlacement.h"

#include <cstdint>
#include <string>

class TButton;

class TKitBaseDialog : public TKitCustomComponent {
public:
    explicit TKitBaseDialog(TComponent* owner) : TKitCustomComponent(owner) {}
    const char* ClassName() const noexcept override { return "TKitBaseDialog"; }

    const std::string& CaptionTitle() const noexcept { return captionTitle_; }
    // While the window is shown the new title becomes its caption at once.
    void SetCaptionTitle(const std::string& value);
    const TStringList& Hints() const noexcept { return hints_; }
    void SetHints(const TStrings& value) { hints_.Assign(value); }
    TStringList& HintLines() noexcept { return hints_; }

    std::string CustomButton;  // empty: no custom button
    TKitDlgEffect Effect = TKitDlgEffect::deNone;
    bool CtlXP = true;
    bool ShowHints = true;
    bool CaptionFill = false;
    uint8_t Colors = 32;
    TKitDlgPosition Position = TKitDlgPosition::bpCenter;
    TKitDlgPosRel RelatePos = TKitDlgPosRel::brScreen;
    TNotifyEvent OnCustomize;    // Sender: the built window
    TNotifyEvent OnCustomClick;  // the custom button was clicked

    // False at this level; descendants build and show their window.
    virtual bool Execute() { return false; }

    // The window being shown, or null outside a run.
    TCustomForm* Form() const noexcept { return form_; }

protected:
    // Fires OnCustomize with the built window.
    virtual void Customize(TCustomForm& form);
    // Shows the built window modally: caption (CaptionTitle, else `defaultCaption`), custom
    // button, placement within the reference control's bounds or the RelatePos area, opening
    // effect, then OnCustomize and the modal loop. Answers the modal result.
    TModalResult Run(TCustomForm& form, TControl* reference, const std::string& defaultCaption, TButton* customButton);

private:
    std::string captionTitle_;
    TStringList hints_;
    TCustomForm* form_ = nullptr;
};

void RegisterKitDialogClasses();
