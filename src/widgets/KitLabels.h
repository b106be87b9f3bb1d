#pragma once
// The kit's labels. TKitBaseLabel adds accelerators, font smoothing, line options and blinking
// text to the graphic control; TKitCustomSimpleLabel (published as TKitSimpleLabel) draws its
// caption with a 3D effect, sizes itself to it and can be a link that opens a web or mail
// address or starts a program.

#include "widgets/KitCaptions.h"
#include "widgets/KitControl.h"

#include <memory>
#include <string>

class TKitTimer;
class TWinControl;

enum class TKitLabelOption { loPathEllipsis, loEndEllipsis, loEditControl };
enum class TKitJumpModes { jmInternet, jmApplication, jmNone, jmCustom };

// Bits of a label's Options, one per TKitLabelOption.
inline constexpr unsigned KitLabelOptionBit(TKitLabelOption option)
{
    return 1u << static_cast<unsigned>(option);
}

class TKitBaseLabel : public TKitBaseGraphicControl {
public:
    explicit TKitBaseLabel(TComponent* owner);
    ~TKitBaseLabel() override;
    const char* ClassName() const noexcept override { return "TKitBaseLabel"; }

    bool ShowAccelChar() const noexcept { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    bool MultiLine() const noexcept { return multiLine_; }
    void SetMultiLine(bool value);
    TKitAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TKitAlignment value);
    unsigned Options() const noexcept { return options_; }
    void SetOptions(unsigned value);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);
    TWinControl* FocusControl() const noexcept { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    bool FontSmoothing() const noexcept { return fontSmoothing_; }
    void SetFontSmoothing(bool value);

    // Blinking: the text shows for TwinkleVisible ms, then for TwinkleInVisible ms it is drawn
    // in TwinkleColor (or not at all for clNone).
    bool Twinkle() const noexcept { return twinkle_; }
    void SetTwinkle(bool value);
    int TwinkleVisible() const noexcept { return twinkleVisible_; }
    void SetTwinkleVisible(int value) { twinkleVisible_ = value; }
    int TwinkleInVisible() const noexcept { return twinkleInVisible_; }
    void SetTwinkleInVisible(int value) { twinkleInVisible_ = value; }
    TColor TwinkleColor() const noexcept { return twinkleColor_; }
    void SetTwinkleColor(TColor value);
    bool UseGlobalTimer() const noexcept { return useGlobalTimer_; }
    void SetUseGlobalTimer(bool value) { useGlobalTimer_ = value; }
    // The timer of a blinking label (null otherwise).
    TKitTimer* TwinkleTimer() const noexcept { return twinkleTimer_.get(); }
    // True while the text is in its shown phase.
    bool TwinklePhaseVisible() const noexcept { return twinklePhaseVisible_; }

    // The key of the caption's accelerator ("&File" gives 'F'), or 0.
    static char AccelChar(const std::string& caption);
    // A key pressed with the dialog's accelerator modifier: moves the focus to FocusControl
    // when it is the caption's accelerator. True when the key was taken.
    bool DialogChar(char key);

    void SetEnabled(bool value) override;

protected:
    virtual std::string LabelText() const { return Caption(); }
    virtual void FontChanged();
    virtual void AdjustSize() {}
    void SettingsChanged() override;
    void ApplyText(const std::string& text) override;
    void ApplyFont() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void TwinkleTick();

private:
    void ApplySmoothing();
    void UpdateShortcut();

    bool showAccelChar_ = true;
    bool multiLine_ = false;
    bool twinkle_ = false;
    TKitAlignment alignment_ = TKitAlignment::agTopLeft;
    unsigned options_ = 0;
    std::unique_ptr<TKitTimer> twinkleTimer_;
    int twinkleVisible_ = 700;
    int twinkleInVisible_ = 700;
    TColor twinkleColor_ = clNone;
    bool fontSmoothing_ = false;
    bool useGlobalTimer_ = false;
    TWinControl* focusControl_ = nullptr;
    bool autoSize_ = true;
    bool twinklePhaseVisible_ = true;
    bool applyingFont_ = false;
};

class TKitCustomSimpleLabel : public TKitBaseLabel {
public:
    explicit TKitCustomSimpleLabel(TComponent* owner);
    ~TKitCustomSimpleLabel() override;
    const char* ClassName() const noexcept override { return "TKitCustomSimpleLabel"; }

    const std::string& About() const noexcept { return about_; }
    void SetAbout(const std::string& value) { about_ = value; }
    TKit3DCaption& Font3D() noexcept { return font3D_; }
    void SetFont3D(const TKit3DCaption& value) { font3D_.Assign(value); }
    // The link's target; blank means the caption.
    const std::string& Jump() const noexcept { return jump_; }
    void SetJump(const std::string& value) { jump_ = value; }
    TColor ActiveColor() const noexcept { return activeColor_; }
    void SetActiveColor(TColor value) { activeColor_ = value; }
    TColor InActiveColor() const noexcept { return inActiveColor_; }
    void SetInActiveColor(TColor value);
    bool JumpUnderline() const noexcept { return jumpUnderline_; }
    void SetJumpUnderline(bool value);
    TKitJumpModes JumpMode() const noexcept { return jumpMode_; }
    void SetJumpMode(TKitJumpModes value);
    // Older descriptions mark a link label with "UseAsJump"; it becomes a jmInternet link once
    // the description is read.
    bool UseAsJump() const noexcept { return legacyLink_; }
    void SetUseAsJump(bool value) { legacyLink_ = value; }
    // Left-button presses on the link so far.
    int ClickCount() const noexcept { return clickCount_; }

    // jmInternet opens the link target (a caption with "@" as a mailto: address) and turns a
    // target that cannot be opened into a disabled plain label; jmApplication starts the
    // target; jmNone and jmCustom run the ordinary click.
    void Click() override;

    void Paint(TCanvas& canvas) override;

protected:
    void FontChanged() override;
    void AdjustSize() override;
    void Loaded() override;
    bool WidgetEvent(QEvent* event) override;

private:
    bool IsLink() const noexcept;
    // Text format flags of the caption as the label's settings ask.
    int TextFormat() const;

    std::string about_;
    TKit3DCaption font3D_;
    std::string jump_;
    TColor activeColor_ = 0x800080;
    TColor inActiveColor_ = 0xFF0000;
    bool legacyLink_ = false;
    bool jumpUnderline_ = true;
    TKitJumpModes jumpMode_ = TKitJumpModes::jmNone;
    int clickCount_ = 0;
    bool painting_ = false;
};

class TKitSimpleLabel : public TKitCustomSimpleLabel {
public:
    explicit TKitSimpleLabel(TComponent* owner) : TKitCustomSimpleLabel(owner) {}
    const char* ClassName() const noexcept override { return "TKitSimpleLabel"; }
};

// Registers the control base and label classes and their published properties (once).
void RegisterKitLabelClasses();
