#pragma once
// The kit's push button: a platform button (focus, keyboard, Default, Cancel and ModalResult
// come from there) that paints itself: a frame in one of fourteen styles, an optional glyph, a
// caption with effects, an optional drop-down arrow. It can drop a popup menu down on a
// click, repeat its click while held, and tells when the pointer enters and leaves it.
//
// Themes do not exist on this system: CtlXP is kept and stored, the classic faces are drawn.

#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitButtonBase.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitGlyph.h"

#include <cstdint>
#include <memory>
#include <string>

class TKitTimer;

class TKitCustomButton : public TButton {
public:
    explicit TKitCustomButton(TComponent* owner);
    ~TKitCustomButton() override;
    const char* ClassName() const noexcept override { return "TKitCustomButton"; }

    const std::string& About() const noexcept { return about_; }
    void SetAbout(const std::string& value) { about_ = value; }
    TKitButtonLayout& ButtonLayout() noexcept { return layout_; }
    // Copies the settings into the button's own layout.
    void SetButtonLayout(const TKitButtonLayout& value) { layout_.Assign(value); }
    TKitFxCaption& FontFX() noexcept { return fontFX_; }
    void SetFontFX(const TKitFxCaption& value) { fontFX_.Assign(value); }
    TKitUserButtonStyle ButtonStyle() const noexcept { return buttonStyle_; }
    void SetButtonStyle(TKitUserButtonStyle value);
    bool CtlXP() const noexcept { return ctlXP_; }
    void SetCtlXP(bool value) { ctlXP_ = value; }
    bool MultiLine() const noexcept { return multiLine_; }
    void SetMultiLine(bool value);
    bool UseCaption() const noexcept { return useCaption_; }
    void SetUseCaption(bool value);
    bool HideHint() const noexcept { return hideHint_; }
    void SetHideHint(bool value) { hideHint_ = value; }

    // The glyph's bitmap: up to five pictures side by side (see TKitGlyph).
    const TBitmap& Glyph() const noexcept { return glyph_.Glyph(); }
    // Lets go of the image list (unless loading) and takes the bitmap.
    void SetGlyph(const TBitmap& bitmap);
    // The bitmap that form descriptions read the glyph into; a change is taken as SetGlyph.
    TBitmap& StoredGlyph() noexcept { return storedGlyph_; }
    int NumGlyphs() const noexcept { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int value);
    TKitGlyph& GlyphObject() noexcept { return glyph_; }

    TKitCustomImageList* ImageList() const noexcept { return imageList_; }
    // The glyph comes from picture (ListIndex, ImageIndex) of the list; cleared when it has none.
    void SetImageList(TKitCustomImageList* list);
    int ImageIndex() const noexcept { return imageIndex_; }
    // Negative values are ignored.
    void SetImageIndex(int value);
    int ListIndex() const noexcept { return listIndex_; }
    void SetListIndex(int value);

    bool RepeatedClick() const noexcept { return repeatedClick_; }
    void SetRepeatedClick(bool value) { repeatedClick_ = value; }
    int RepeatingDelay() const noexcept { return repeatingDelay_; }
    void SetRepeatingDelay(int value) { repeatingDelay_ = static_cast<uint16_t>(value); }
    int RepeatingInterval() const noexcept { return repeatingInterval_; }
    void SetRepeatingInterval(int value) { repeatingInterval_ = static_cast<uint16_t>(value); }
    bool UseGlobalTimer() const noexcept { return useGlobalTimer_; }
    void SetUseGlobalTimer(bool value) { useGlobalTimer_ = value; }
    // The timer of a held auto-repeating button (null otherwise).
    TKitTimer* RepeatTimer() const noexcept { return repeatTimer_.get(); }

    TPopupMenu* DropDownMenu() const noexcept { return dropDownMenu_; }
    void SetDropDownMenu(TPopupMenu* menu);
    // Pixels the menu moves along the button's edge.
    int DropDownIndent() const noexcept { return dropDownIndent_; }
    void SetDropDownIndent(int value) { dropDownIndent_ = value; }
    // The menu opens at the right edge instead of below.
    bool DropDownRight() const noexcept { return dropDownRight_; }
    void SetDropDownRight(bool value) { dropDownRight_ = value; }
    // True while the drop-down menu is open.
    bool DroppingDown() const noexcept { return droppingDown_; }
    // Opens the menu (the button shows pressed until it closes); nothing without a menu or while
    // it is open.
    void DropDown();

    // Where the menu opens, in screen coordinates.
    QPoint DropDownPoint() const;
    bool MouseOver() const noexcept { return mouseOver_; }
    // 0 normal, 1 disabled, 2 hot, 4 pressed: the state of the last painting.
    int DrawState() const noexcept { return drawState_; }

    // Without a menu (or while it is open) the ordinary click; with one, OnClick and then the
    // menu.
    void Click() override;
    void SetVisible(bool value) override;
    void SetEnabled(bool value) override;

    // Paints the button onto the canvas (its client area from (0, 0)).
    void PaintTo(TCanvas& canvas);

    TNotifyEvent OnDropDown;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;

protected:
    bool WidgetEvent(QEvent* event) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    void ApplyFont() override;
    // The caption and glyph inside the frame.
    virtual void DrawCaption(TCanvas& canvas, const TRect& rect, int textFlags);

private:
    void SettingsChanged(TObject* sender);
    void RefreshGlyphFromList();
    void PointerEntered();
    void PointerLeft();
    void StartRepeat();
    void StopRepeat();
    void RepeatTick();
    bool DefaultLook() const;

    std::string about_;
    TKitButtonLayout layout_;
    TKitFxCaption fontFX_;
    TKitGlyph glyph_;
    TBitmap storedGlyph_;
    TKitChangeLink changeLink_;
    TPopupMenu* dropDownMenu_ = nullptr;
    int dropDownIndent_ = 0;
    bool dropDownRight_ = false;
    bool droppingDown_ = false;
    bool mouseOver_ = false;
    bool multiLine_ = false;
    bool repeatedClick_ = false;
    uint16_t repeatingDelay_ = 500;
    uint16_t repeatingInterval_ = 100;
    int drawState_ = 0;
    TKitUserButtonStyle buttonStyle_ = TKitUserButtonStyle::ubsWin40;
    std::unique_ptr<TKitTimer> repeatTimer_;
    bool hideHint_ = true;
    bool useCaption_ = true;
    bool ctlXP_ = true;
    TKitCustomImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    int listIndex_ = 0;
    bool useGlobalTimer_ = false;
};

// The published button of every window.
class TKitButton : public TKitCustomButton {
public:
    explicit TKitButton(TComponent* owner) : TKitCustomButton(owner) {}
    const char* ClassName() const noexcept override { return "TKitButton"; }
};

// Registers the button classes and their published properties for the form reader (once).
void RegisterKitButtonClasses();
