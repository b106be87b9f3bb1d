#pragma once
// Menus: the main menu of a form, popup menus and their items.
//
// An item's OnClick runs when the user chooses it, when code calls Click, and, for an item
// with sub-items, when its sub-menu opens. Setting Checked never runs OnClick. A popup menu
// runs OnPopup each time before it opens, whether opened by code (Popup), by a right click
// on its control, or as the drop-down menu of a tool button.

#include "platform/classes/Components.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TCustomForm;
class TMenu;

// A shortcut: a key code with scShift, scCtrl and scAlt added, as form descriptions store it.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(uint16_t key, TShortCut modifiers);
// "Ctrl+S", "Shift+F5", "Del"; empty for no shortcut.
std::string ShortCutToText(TShortCut shortCut);
// 0 when the text names no key.
TShortCut TextToShortCut(const std::string& text);

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;
    const char* ClassName() const noexcept override { return "TMenuItem"; }

    const std::string& Caption() const noexcept { return caption_; }
    void SetCaption(const std::string& caption);
    const std::string& Hint() const noexcept { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool Checked() const noexcept { return checked_; }
    void SetChecked(bool value);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);
    bool RadioItem() const noexcept { return radioItem_; }
    void SetRadioItem(bool value);
    bool AutoCheck() const noexcept { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    bool Default() const noexcept { return default_; }
    void SetDefault(bool value);
    TShortCut ShortCut() const noexcept { return shortCut_; }
    void SetShortCut(TShortCut value);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value) { imageIndex_ = value; }
    int GroupIndex() const noexcept { return groupIndex_; }
    void SetGroupIndex(int value) { groupIndex_ = value; }
    bool IsLine() const { return caption_ == "-"; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TMenuItem* Parent() const noexcept { return parent_; }
    int MenuIndex() const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes the item out of this item's list (it is not freed).
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    // The sub-item whose caption (without "&") matches, letter case ignored; null when none.
    TMenuItem* Find(const std::string& caption) const;

    virtual void Click();
    TNotifyEvent OnClick;

    // In a form description an item's block lies inside its menu's or its parent item's block.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;

    QAction* Action() const;
    QMenu* SubMenu() const;

private:
    friend class TMenu;
    QWidget* ChildContainer();
    void Attach(TMenuItem* parent, int index);
    void UpdateAction();

    std::string caption_;
    std::string hint_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool radioItem_ = false;
    bool autoCheck_ = false;
    bool default_ = false;
    TShortCut shortCut_ = 0;
    int imageIndex_ = -1;
    int groupIndex_ = 0;
    TMenuItem* parent_ = nullptr;
    TMenu* rootOf_ = nullptr;  // set on the root item of a menu
    std::vector<TMenuItem*> items_;
    QPointer<QAction> action_;
    QPointer<QMenu> subMenu_;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    const char* ClassName() const noexcept override { return "TMenu"; }
    // The root item whose sub-items are the menu's entries.
    TMenuItem* Items() const noexcept { return items_.get(); }
    // The widget the root item's entries are placed in.
    virtual QWidget* RootWidget() const = 0;
    bool HasVisibleItems() const;

protected:
    std::unique_ptr<TMenuItem> items_;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    const char* ClassName() const noexcept override { return "TMainMenu"; }
    QWidget* RootWidget() const override;
    QMenuBar* MenuBar() const;
    bool AutoMerge = false;
    void AttachToForm(TCustomForm* form);
    void ItemsChanged();

private:
    QPointer<QMenuBar> menuBar_;
    TCustomForm* form_ = nullptr;
};

enum class TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    const char* ClassName() const noexcept override { return "TPopupMenu"; }
    QWidget* RootWidget() const override;
    QMenu* Menu() const;

    // Opens the menu at a screen position (after OnPopup); it stays open until the user chooses
    // or dismisses it.
    void Popup(int x, int y);
    bool AutoPopup() const noexcept { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    TComponent* PopupComponent() const noexcept { return popupComponent_; }
    void SetPopupComponent(TComponent* component) { popupComponent_ = component; }
    TPopupAlignment Alignment = TPopupAlignment::paLeft;

    TNotifyEvent OnPopup;

private:
    QPointer<QMenu> menu_;
    bool autoPopup_ = true;
    TComponent* popupComponent_ = nullptr;
};
