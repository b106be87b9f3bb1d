#include "widgets/KitDialogs.h"

#include "platform/gui/StdCtrls.h"

namespace {

// Clears the dialog's window reference when the run ends, also by an exception.
class TFormRunGuard {
public:
    TFormRunGuard(TCustomForm*& slot, TCustomForm& form) : slot_(slot) { slot_ = &form; }
    ~TFormRunGuard() { slot_ = nullptr; }
    TFormRunGuard(const TFormRunGuard&) = delete;
    TFormRunGuard& operator=(const TFormRunGuard&) = delete;

private:
    TCustomForm*& slot_;
};

TRect ScreenBoundsOf(const TControl& control)
{
    QPoint origin(control.Left(), control.Top());
    if (const TWinControl* parent = control.Parent()) {
        const TRect parentRect = ScreenBoundsOf(*parent);
        origin += QPoint(parentRect.Left, parentRect.Top);
    }
    return {origin.x(), origin.y(), origin.x() + control.Width(), origin.y() + control.Height()};
}

}  // namespace

void TKitBaseDialog::SetCaptionTitle(const std::string& value)
{
    captionTitle_ = value;
    if (form_ != nullptr) {
        form_->SetCaption(value);
    }
}

void TKitBaseDialog::Customize(TCustomForm& form)
{
    if (OnCustomize) {
        OnCustomize(&form);
    }
}

TModalResult TKitBaseDialog::Run(TCustomForm& form, TControl* reference, const std::string& defaultCaption,
                                 TButton* customButton)
{
    form.SetCaption(captionTitle_.empty() ? defaultCaption : captionTitle_);
    if (customButton != nullptr) {
        if (CustomButton.empty()) {
            customButton->SetVisible(false);
            customButton->OnClick = nullptr;
        } else {
            customButton->SetCaption(CustomButton);
            customButton->SetVisible(true);
            customButton->OnClick = [this](TObject* sender) {
                if (OnCustomClick) {
                    OnCustomClick(sender);
                }
            };
        }
    }
    const TRect area = reference != nullptr ? ScreenBoundsOf(*reference) : KitGetReferenceRect(RelatePos);
    form.SetPosition(TPosition::poDesigned);
    KitPlaceWindow(form, area, Position);
    if (Effect == TKitDlgEffect::deExplode) {
        KitExplode(form);
    } else if (Effect == TKitDlgEffect::deExplodeExt) {
        KitExplodeExt(form);
    }
    TFormRunGuard guard(form_, form);
    Customize(form);
    return form.ShowModal();
}
