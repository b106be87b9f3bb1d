#pragma once
// Controls: components that own a Qt widget, with the common published properties, the
// parent/child tree of controls, the layer's own Align and Anchors layout, and focus with
// OnEnter/OnExit.
//
// Event contract of the window layer. Code written against these controls relies on it:
// - A change made by code fires the events listed here and no others:
//     TEdit.Text, TMemo.Text / TMemo.Lines          -> OnChange (only when the text differs)
//     TCheckBox.Checked, TRadioButton.Checked(true) -> OnClick (only when the state changes)
//     TRadioGroup.ItemIndex                         -> OnClick (only when the index changes)
//     TComboBox.ItemIndex, TComboBox.Text           -> nothing (no OnChange, no OnClick)
//     TListBox / TCheckListBox.ItemIndex            -> nothing
//     TCheckListBox.Checked[i]                      -> nothing (no OnClickCheck)
//     TDateTimePicker.Date/Time/DateTime/Checked    -> nothing (no OnChange)
//     TMenuItem.Checked                             -> nothing (no OnClick)
//     TPageControl.ActivePage / ActivePageIndex     -> OnHide of the old sheet, then OnShow of
//                                                      the new sheet; never OnChange/OnChanging.
//                                                      A sheet whose tab is hidden can still be
//                                                      made active this way.
//     Visible, Enabled, Caption, bounds             -> nothing, except OnResize of a control
//                                                      whose size changes (forms included) and
//                                                      the realignment of the parent's controls.
//     TForm.Show / ShowModal                         -> OnShow; Close -> OnCloseQuery, OnClose.
//     TControl.Click() / TMenuItem.Click()           -> the same as a click of the user.
// - The user's actions fire: a click of a button, check box, radio button, menu item or tool
//   button -> OnClick (a check box after its state changed); a choice in a combo box ->
//   OnChange, then OnSelect and OnClick; typing in a combo, edit or memo -> OnChange; a click
//   on a check box of a check-list box -> OnClickCheck; a change of a date picker -> OnChange
//   (each keystroke in its text too), then for a tick or untick of its check box OnClick, and
//   for a date picked in its calendar or a typed date committed (Enter, leaving the field)
//   OnCloseUp, once per accepted change;
//   a click on a tab -> OnChanging (may refuse), OnHide, OnShow, OnChange.
// - A TButton whose ModalResult is not mrNone sets its form's ModalResult before OnClick runs,
//   so OnClick can set it back to mrNone to keep a modal form open.
// - Focus: SetFocus from code and focus moved by the user both fire OnExit for the control
//   that loses focus and for each of its parents up to (not including) the first parent it
//   shares with the control that gains focus, then OnEnter downwards from below that shared
//   parent to the control itself. Forms are never entered or exited this way.
// - Layout: Align is carried out by the layer itself whenever a parent changes size or a
//   child's Align, Visible or bounds change: alTop controls in order of Top, then alBottom
//   (lowest first), then alLeft in order of Left, alRight (rightmost first), and alClient in
//   what is left. Hidden controls take no room. A control with Align alNone keeps its
//   distances to the sides named in Anchors ([akLeft, akTop] by default); with both akLeft
//   and akRight it stretches. Layout is suspended while a form description is being read and
//   runs once when the reading ends; the anchors then keep the distances each control has in
//   that first layout (so an aligned container needs no size in the description).

#include "platform/classes/Components.h"
#include "platform/gui/Graphics.h"

#include <QRect>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QEvent;
class QObject;
class QWidget;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlBridge;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
enum class TCursor { crDefault, crArrow, crHourGlass, crHandPoint, crIBeam, crSizeWE, crSizeNS };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A set of anchors, written "[akLeft, akTop]" in form descriptions.
class TAnchors {
public:
    TAnchors() = default;
    TAnchors(std::initializer_list<TAnchorKind> kinds);
    bool Contains(TAnchorKind kind) const noexcept { return (bits_ & Bit(kind)) != 0; }
    void Include(TAnchorKind kind) noexcept { bits_ |= Bit(kind); }
    void Exclude(TAnchorKind kind) noexcept { bits_ &= ~Bit(kind); }
    unsigned Bits() const noexcept { return bits_; }
    friend bool operator==(TAnchors a, TAnchors b) { return a.bits_ == b.bits_; }
    std::string ToString() const;
    // Raises EConvertError naming an unknown anchor.
    static TAnchors FromString(const std::string& text);

private:
    static unsigned Bit(TAnchorKind kind) { return 1u << static_cast<unsigned>(kind); }
    unsigned bits_ = 0;
};

class TControl : public TComponent {
public:
    // Takes ownership of `widget`.
    TControl(TComponent* owner, QWidget* widget);
    ~TControl() override;
    const char* ClassName() const noexcept override { return "TControl"; }

    QWidget* Widget() const noexcept;
    // The control a Qt widget belongs to (the widget itself or its nearest parent widget).
    static TControl* FromWidget(const QWidget* widget);

    TWinControl* Parent() const noexcept { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (the control itself when it is a form).
    TCustomForm* ParentForm() const;

    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& text);

    const std::string& Hint() const noexcept { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const noexcept { return showHint_; }
    void SetShowHint(bool value);
    bool ParentShowHint() const noexcept { return parentShowHint_; }
    void SetParentShowHint(bool value);

    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return enabled_; }
    virtual void SetEnabled(bool value);

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // The screen position of the control's bottom-left corner (where a drop-down menu opens).
    std::pair<int, int> ScreenBottomLeft() const;
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    // Bounds given by the parent's layout: they neither move the anchor origin nor ask the
    // parent for another layout.
    void SetBoundsFromLayout(int left, int top, int width, int height);
    QRect BoundsRect() const { return QRect(left_, top_, width_, height_); }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    virtual void SetClientWidth(int value) { SetWidth(value); }
    virtual void SetClientHeight(int value) { SetHeight(value); }

    TAlign Align() const noexcept { return align_; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const noexcept { return anchors_; }
    void SetAnchors(TAnchors value);

    TFont& Font() noexcept { return font_; }
    const TFont& Font() const noexcept { return font_; }
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const noexcept { return parentColor_; }
    void SetParentColor(bool value);

    int TabOrder() const noexcept { return tabOrder_; }
    void SetTabOrder(int value);
    TCursor Cursor() const noexcept { return cursor_; }
    void SetCursor(TCursor value);
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);

    // True while the control or its owner (the form) is being read from a description: no
    // events fire then.
    bool Reading() const noexcept { return IsLoading() || (Owner() != nullptr && Owner()->IsLoading()); }
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;

    // Runs what a click of the user runs (OnClick and the control's own click behaviour).
    virtual void Click();
    void Repaint();
    void Invalidate();
    void BringToFront();
    void SendToBack();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;

protected:
    virtual std::string GetText() const { return text_; }
    virtual void ApplyText(const std::string& text);
    // Hook for widget events; return true to swallow the event.
    virtual bool WidgetEvent(QEvent* event);
    // Whether plain mouse clicks on the widget count as clicks (false for buttons, which
    // report clicks through their own signal).
    virtual bool ClicksFromMouse() const { return true; }
    virtual void Resize();
    virtual void ApplyFont();
    virtual void ApplyColor();
    // The palette role the control's Color paints.
    virtual int ColorRole() const;
    virtual void ApplyGeometry();
    virtual void ApplyVisibility();
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    void DestroyControl();
    // The object signal connections of subclasses are bound to, so that they die with the control.
    QObject* SignalContext() const;
    void ParentFontChanged(const TFont& parentFont);
    void ParentColorChanged(TColor parentColor);
    void UpdateToolTip();
    bool EffectiveShowHint() const;
    void RequestParentAlign();

    std::string text_;

private:
    friend class TWinControl;
    friend class TControlBridge;
    bool HandleBridgeEvent(QEvent* event);
    void FontChanged();
    void CaptureAnchorOrigin();
    // Moves this control to the front or the back of its parent's z-order and control list.
    void MoveInZOrder(bool toFront);

    std::unique_ptr<TControlBridge> bridge_;
    TWinControl* parent_ = nullptr;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    bool visible_ = true;
    bool enabled_ = true;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = TAlign::alNone;
    TAnchors anchors_{TAnchorKind::akLeft, TAnchorKind::akTop};
    QRect anchorOrigin_;
    int anchorParentWidth_ = -1;
    int anchorParentHeight_ = -1;
    TFont font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    int tabOrder_ = -1;
    TCursor cursor_ = TCursor::crDefault;
    TPopupMenu* popupMenu_ = nullptr;
    bool mousePressed_ = false;
};

class TWinControl : public TControl {
public:
    TWinControl(TComponent* owner, QWidget* widget);
    ~TWinControl() override;
    const char* ClassName() const noexcept override { return "TWinControl"; }

    int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    // The widget child controls are placed in.
    virtual QWidget* ClientWidget() const { return Widget(); }
    // The area (in ClientWidget coordinates) that aligned controls share.
    virtual QRect AlignRect() const;
    int ClientWidth() const override;
    int ClientHeight() const override;

    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    // Lays out the child controls by Align and Anchors now.
    virtual void AlignControls();
    void Realign() { AlignControls(); }

    bool TabStop() const noexcept { return tabStop_; }
    void SetTabStop(bool value);
    virtual bool CanFocus() const;
    bool Focused() const;
    // Moves the focus here; fires OnExit/OnEnter as the header describes.
    void SetFocus();
    // The widget that receives focus for this control.
    virtual QWidget* FocusWidget() const { return Widget(); }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TComponent* FindChildControl(const std::string& name) const override;

protected:
    friend class TControl;
    friend class TCustomForm;
    virtual void InsertControl(TControl* control);
    virtual void RemoveControl(TControl* control);
    void Resize() override;
    void ApplyFont() override;
    void ApplyColor() override;
    void Loaded() override;
    bool AlignSuspended() const;
    // True for a child the container places itself (the sheets of a page control): the
    // generic Align and Anchors layout leaves it alone.
    virtual bool PlacesItself(const TControl* child) const { return false; }
    void UpdateTabOrder();
    std::vector<TControl*> controls_;

private:
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool tabStop_ = false;
};
