#include "TestClasses.h"

#include "platform/rtl/CodePages.h"

#include <algorithm>

void TTestFont::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TTestFont*>(&source)) {
        name = other->name;
        size = other->size;
        style = other->style;
        return;
    }
    TPersistent::Assign(source);
}

void TTestTitle::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TTestTitle*>(&source)) {
        caption = other->caption;
        font.Assign(other->font);
        return;
    }
    TPersistent::Assign(source);
}

void TTestColumn::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TTestColumn*>(&source)) {
        fieldName = other->fieldName;
        width = other->width;
        ratio = other->ratio;
        visible = other->visible;
        alignment = other->alignment;
        title.Assign(other->title);
        return;
    }
    TPersistent::Assign(source);
}

bool TTestColumn::AcceptLoaded()
{
    auto* columns = static_cast<TTestColumns*>(Collection());
    return columns->fields.empty() || columns->fields.count(fieldName) > 0;
}

TTestColumns::TTestColumns(TPersistent* owner) : TCollection(owner, CollectionItemClassOf<TTestColumn>("TTestColumn")) {}

TTestControl::TTestControl(TComponent* owner) : TComponent(owner) {}

TTestControl::~TTestControl()
{
    if (parent != nullptr) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (TTestControl* child : children) {
        child->parent = nullptr;
    }
}

void TTestControl::SetPopupMenu(TTestMenu* menu)
{
    loadingDuringSet = IsLoading();
    if (popupMenu_ != nullptr) {
        popupMenu_->RemoveFreeNotification(this);
    }
    popupMenu_ = menu;
    if (menu != nullptr) {
        menu->FreeNotification(this);
    }
}

void TTestControl::SetParentComponent(TComponent* newParent)
{
    if (parent != nullptr) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    parent = dynamic_cast<TTestControl*>(newParent);
    if (parent != nullptr) {
        parent->children.push_back(this);
    }
}

TComponent* TTestControl::FindChildControl(const std::string& name) const
{
    for (TTestControl* child : children) {
        if (SameText(child->Name(), name)) {
            return child;
        }
    }
    return nullptr;
}

void TTestControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) {
        popupMenu_ = nullptr;
    }
}

void TTestControl::Loaded()
{
    if (loadedLog != nullptr) {
        loadedLog->push_back(Name());
    }
}

void RegisterTestClasses()
{
    RegisterEnum<TTestAlignment>("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    RegisterEnum<TTestFontStyle>("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    RegisterIntegerConstant("clTestRed", 0x0000FF);

    using F = TTestFont;
    TClassRegistration<F, TPersistent>("TTestFont")
        .String("Name", &F::Name, &F::SetName, "Tahoma")
        .Integer("Size", [](const F& f) { return f.size; }, [](F& f, int v) { f.size = v; }, 8)
        .Set<TTestFontStyle>("Style", [](const F& f) { return f.style; }, [](F& f, uint64_t v) { f.style = v; });

    using T = TTestTitle;
    TClassRegistration<T, TPersistent>("TTestTitle")
        .String("Caption", [](const T& t) { return t.caption; }, [](T& t, const std::string& v) { t.caption = v; })
        .Object("Font", [](T& t) -> TTestFont& { return t.font; });

    using Col = TTestColumn;
    TClassRegistration<Col, TCollectionItem>("TTestColumn")
        .Item()
        .String("FieldName", [](const Col& c) { return c.fieldName; },
                [](Col& c, const std::string& v) { c.fieldName = v; })
        .Integer("Width", [](const Col& c) { return c.width; }, [](Col& c, int v) { c.width = v; }, 64)
        .Float("Ratio", [](const Col& c) { return c.ratio; }, [](Col& c, double v) { c.ratio = v; })
        .Boolean("Visible", [](const Col& c) { return c.visible; }, [](Col& c, bool v) { c.visible = v; }, true)
        .Enum("Alignment", [](const Col& c) { return c.alignment; },
              [](Col& c, TTestAlignment v) { c.alignment = v; }, TTestAlignment::taLeftJustify)
        .Object("Title", [](Col& c) { return &c.title; });

    TClassRegistration<TTestColumns, TCollection>("TTestColumns");

    using C = TTestControl;
    TClassRegistration<C, TComponent>("TTestControl")
        .Component()
        .String("Caption", [](const C& c) { return c.caption; }, [](C& c, const std::string& v) { c.caption = v; })
        .String("Hint", [](const C& c) { return c.hint; }, [](C& c, const std::string& v) { c.hint = v; })
        .Integer("Left", [](const C& c) { return c.left; }, [](C& c, int v) { c.left = v; })
        .Integer("Width", [](const C& c) { return c.width; }, [](C& c, int v) { c.width = v; }, 100)
        .Boolean("Visible", [](const C& c) { return c.visible; }, [](C& c, bool v) { c.visible = v; }, true)
        .Float("Ratio", [](const C& c) { return c.ratio; }, [](C& c, double v) { c.ratio = v; }, 1.5)
        .Enum("Alignment", [](const C& c) { return c.alignment; }, [](C& c, TTestAlignment v) { c.alignment = v; },
              TTestAlignment::taLeftJustify)
        .Object("Font", [](C& c) { return &c.font; })
        .Strings("Items", [](C& c) -> TStrings& { return c.items; })
        .Reference("PopupMenu", &C::PopupMenu, &C::SetPopupMenu)
        .Event("OnClick", &C::OnClick)
        .Event("OnCanClose", &C::OnCanClose)
        .Defined("Internal", [](C& c, const std::string& bytes) { c.internal = bytes; },
                 [](const C& c) -> std::optional<std::string> {
                     if (c.internal.empty()) {
                         return std::nullopt;
                     }
                     return c.internal;
                 });

    TClassRegistration<TTestMenu, TComponent>("TTestMenu").Component();

    TClassRegistration<TTestGrid, TTestControl>("TTestGrid")
        .Component()
        .Collection("Columns", [](TTestGrid& g) -> TCollection& { return g.columns; });

    TClassRegistration<TTestForm, TTestControl>("TTestForm")
        .Component()
        .Handler("btn_okClick", &TTestForm::btn_okClick)
        .Handler("FormCanClose", &TTestForm::FormCanClose);
}
