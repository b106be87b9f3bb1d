#include "platform/gui/Menus.h"

#include "platform/gui/Forms.h"
#include "platform/gui/GuiText.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cstdio>

namespace {

struct KeyName {
    uint16_t key;
    const char* name;
    const char* qtName;
};

constexpr KeyName keyNames[] = {
    {0x08, "BkSp", "Backspace"}, {0x09, "Tab", "Tab"}, {0x0D, "Enter", "Return"}, {0x1B, "Esc", "Esc"},
    {0x20, "Space", "Space"}, {0x21, "PgUp", "PgUp"}, {0x22, "PgDn", "PgDown"}, {0x23, "End", "End"},
    {0x24, "Home", "Home"}, {0x25, "Left", "Left"}, {0x26, "Up", "Up"}, {0x27, "Right", "Right"},
    {0x28, "Down", "Down"}, {0x2D, "Ins", "Ins"}, {0x2E, "Del", "Del"},
};

std::string KeyText(uint16_t key, bool forQt)
{
    for (const KeyName& entry : keyNames) {
        if (entry.key == key) {
            return forQt ? entry.qtName : entry.name;
        }
    }
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        return std::string(1, static_cast<char>(key));
    }
    if (key >= 0x70 && key <= 0x87) {
        return "F" + std::to_string(key - 0x70 + 1);
    }
    return {};
}

std::string ModifierText(TShortCut shortCut)
{
    std::string text;
    if ((shortCut & scShift) != 0) {
        text += "Shift+";
    }
    if ((shortCut & scCtrl) != 0) {
        text += "Ctrl+";
    }
    if ((shortCut & scAlt) != 0) {
        text += "Alt+";
    }
    return text;
}

}  // namespace

TShortCut ShortCut(uint16_t key, TShortCut modifiers)
{
    return static_cast<TShortCut>((key & 0x1FFF) | modifiers);
}

std::string ShortCutToText(TShortCut shortCut)
{
    const std::string key = KeyText(static_cast<uint16_t>(shortCut & 0x1FFF), false);
    if (key.empty()) {
        return {};
    }
    return ModifierText(shortCut) + key;
}

TShortCut TextToShortCut(const std::string& text)
{
    TShortCut modifiers = 0;
    std::string rest = text;
    while (true) {
        if (rest.size() > 6 && AnsiSameText(rest.substr(0, 6), "Shift+")) {
            modifiers |= scShift;
            rest.erase(0, 6);
        } else if (rest.size() > 5 && AnsiSameText(rest.substr(0, 5), "Ctrl+")) {
            modifiers |= scCtrl;
            rest.erase(0, 5);
        } else if (rest.size() > 4 && AnsiSameText(rest.substr(0, 4), "Alt+")) {
            modifiers |= scAlt;
            rest.erase(0, 4);
        } else {
            break;
        }
    }
    for (uint16_t key = 1; key < 0x100; ++key) {
        const std::string name = KeyText(key, false);
        if (!name.empty() && AnsiSameText(name, rest)) {
            return ShortCut(key, modifiers);
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(new QAction(nullptr))
{
    QObject::connect(action_.data(), &QAction::triggered, action_.data(), [this](bool) {
        // Qt flips a checkable action by itself; the item keeps its own state.
        action_->setChecked(checked_);
        RunUserHandler([this] { Click(); });
    });
}

TMenuItem::~TMenuItem()
{
    DestroyComponents();
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        delete child;
    }
    if (parent_ != nullptr) {
        parent_->Remove(this);
    }
    delete subMenu_.data();
    delete action_.data();
}

QAction* TMenuItem::Action() const
{
    return action_.data();
}

QMenu* TMenuItem::SubMenu() const
{
    return subMenu_.data();
}

void TMenuItem::SetCaption(const std::string& caption)
{
    caption_ = caption;
    UpdateAction();
}

void TMenuItem::SetChecked(bool value)
{
    if (value && radioItem_ && parent_ != nullptr) {
        for (TMenuItem* sibling : parent_->items_) {
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) {
                sibling->checked_ = false;
                sibling->UpdateAction();
            }
        }
    }
    checked_ = value;
    UpdateAction();
}

void TMenuItem::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateAction();
}

void TMenuItem::SetVisible(bool value)
{
    visible_ = value;
    UpdateAction();
    for (TMenuItem* root = this; root != nullptr; root = root->parent_) {
        if (root->rootOf_ != nullptr) {
            if (auto* mainMenu = dynamic_cast<TMainMenu*>(root->rootOf_)) {
                mainMenu->ItemsChanged();
            }
        }
    }
}

void TMenuItem::SetRadioItem(bool value)
{
    radioItem_ = value;
    UpdateAction();
}

void TMenuItem::SetDefault(bool value)
{
    default_ = value;
    UpdateAction();
}

void TMenuItem::SetShortCut(TShortCut value)
{
    shortCut_ = value;
    UpdateAction();
}

void TMenuItem::UpdateAction()
{
    if (action_ == nullptr) {
        return;
    }
    // A separator keeps no text: some styles draw a separator's text as a section heading.
    action_->setSeparator(IsLine());
    action_->setText(IsLine() ? QString() : ToQString(caption_));
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    action_->setCheckable(checked_ || radioItem_ || autoCheck_);
    action_->setChecked(checked_);
    QFont font = action_->font();
    font.setBold(default_);
    action_->setFont(font);
    const std::string keyText = KeyText(static_cast<uint16_t>(shortCut_ & 0x1FFF), true);
    if (shortCut_ != 0 && !keyText.empty()) {
        action_->setShortcut(QKeySequence(ToQString(ModifierText(shortCut_) + keyText)));
    } else {
        action_->setShortcut(QKeySequence());
    }
}

int TMenuItem::MenuIndex() const
{
    return parent_ != nullptr ? parent_->IndexOf(this) : -1;
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

QWidget* TMenuItem::ChildContainer()
{
    if (rootOf_ != nullptr) {
        return rootOf_->RootWidget();
    }
    if (subMenu_ == nullptr) {
        subMenu_ = new QMenu();
        QObject::connect(subMenu_.data(), &QMenu::aboutToShow, action_.data(), [this] {
            if (OnClick) {
                RunUserHandler([this] { OnClick(this); });
            }
        });
        action_->setMenu(subMenu_.data());
    }
    return subMenu_.data();
}

void TMenuItem::Add(TMenuItem* item)
{
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (item == nullptr) {
        return;
    }
    if (item->parent_ != nullptr) {
        throw EInvalidOperation("Menu inserted twice");
    }
    if (index < 0 || index > Count()) {
        throw EListError("Menu index out of range");
    }
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    QWidget* container = ChildContainer();
    QAction* before = index + 1 < Count() ? items_[static_cast<size_t>(index) + 1]->action_.data() : nullptr;
    if (container != nullptr) {
        container->insertAction(before, item->action_.data());
    }
    item->UpdateAction();
    if (rootOf_ != nullptr) {
        if (auto* mainMenu = dynamic_cast<TMainMenu*>(rootOf_)) {
            mainMenu->ItemsChanged();
        }
    }
}

void TMenuItem::Remove(TMenuItem* item)
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) {
        return;
    }
    items_.erase(it);
    item->parent_ = nullptr;
    if (QWidget* container = rootOf_ != nullptr ? rootOf_->RootWidget() : subMenu_.data(); container != nullptr && item->action_ != nullptr) {
        container->removeAction(item->action_.data());
    }
}

void TMenuItem::Delete(int index)
{
    TMenuItem* item = items_.at(static_cast<size_t>(index));
    Remove(item);
    delete item;
}

void TMenuItem::Clear()
{
    while (!items_.empty()) {
        Delete(Count() - 1);
    }
}

TMenuItem* TMenuItem::Find(const std::string& caption) const
{
    const std::string wanted = WithoutAmpersands(caption);
    for (TMenuItem* item : items_) {
        if (AnsiSameText(WithoutAmpersands(item->caption_), wanted)) {
            return item;
        }
    }
    return nullptr;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (parent_ != nullptr) {
        parent_->Remove(this);
    }
    if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
        item->Add(this);
    } else if (auto* menu = dynamic_cast<TMenu*>(parent)) {
        menu->Items()->Add(this);
    }
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (parent_ != nullptr && parent_->rootOf_ != nullptr) {
        return parent_->rootOf_;
    }
    return parent_;
}

void TMenuItem::Click()
{
    if (autoCheck_) {
        SetChecked(!checked_);
    }
    if (OnClick) {
        OnClick(this);
    }
}

// ---------------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr))
{
    items_->rootOf_ = this;
}

TMenu::~TMenu()
{
    DestroyComponents();
    items_.reset();
}

bool TMenu::HasVisibleItems() const
{
    for (int i = 0; i < items_->Count(); ++i) {
        if (items_->Items(i)->Visible()) {
            return true;
        }
    }
    return false;
}

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner), menuBar_(new QMenuBar())
{
    menuBar_->hide();
}

TMainMenu::~TMainMenu()
{
    if (form_ != nullptr) {
        TCustomForm* form = form_;
        form_ = nullptr;
        if (form->Menu() == this) {
            form->SetMenu(nullptr);
        }
    }
    DestroyComponents();
    items_.reset();
    delete menuBar_.data();
}

QWidget* TMainMenu::RootWidget() const
{
    return menuBar_.data();
}

QMenuBar* TMainMenu::MenuBar() const
{
    return menuBar_.data();
}

void TMainMenu::AttachToForm(TCustomForm* form)
{
    form_ = form;
    if (menuBar_ == nullptr) {
        return;
    }
    if (form != nullptr && form->Widget() != nullptr) {
        menuBar_->setParent(form->Widget());
        menuBar_->setVisible(HasVisibleItems());
    } else {
        menuBar_->hide();
        menuBar_->setParent(nullptr);
    }
}

void TMainMenu::ItemsChanged()
{
    if (form_ != nullptr) {
        form_->MenuChanged();
    }
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner), menu_(new QMenu())
{
    QObject::connect(menu_.data(), &QMenu::aboutToShow, menu_.data(), [this] {
        if (OnPopup) {
            RunUserHandler([this] { OnPopup(this); });
        }
    });
}

TPopupMenu::~TPopupMenu()
{
    DestroyComponents();
    items_.reset();
    delete menu_.data();
}

QWidget* TPopupMenu::RootWidget() const
{
    return menu_.data();
}

QMenu* TPopupMenu::Menu() const
{
    return menu_.data();
}

void TPopupMenu::Popup(int x, int y)
{
    if (menu_ != nullptr) {
        menu_->popup(QPoint(x, y));
    }
}
