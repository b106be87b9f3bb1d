#pragma once
// Small component classes with published properties of every kind, shared by the tests.

#include "platform/classes/PropertyRegistry.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

enum class TTestAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTestFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TTestFont : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TTestFont"; }
    void Assign(const TPersistent& source) override;

    std::string name = "Tahoma";
    int size = 8;
    uint64_t style = 0;
    const std::string& Name() const { return name; }
    void SetName(const std::string& value) { name = value; }
};

class TTestTitle : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TTestTitle"; }
    void Assign(const TPersistent& source) override;
    std::string caption;
    TTestFont font;
};

class TTestColumn : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    const char* ClassName() const noexcept override { return "TTestColumn"; }
    void Assign(const TPersistent& source) override;
    bool AcceptLoaded() override;

    std::string fieldName;
    int width = 64;
    double ratio = 0;
    bool visible = true;
    TTestAlignment alignment = TTestAlignment::taLeftJustify;
    TTestTitle title;
};

// Columns that accept only the field names in `fields` when loaded (empty: any).
class TTestColumns : public TCollection {
public:
    explicit TTestColumns(TPersistent* owner);
    const char* ClassName() const noexcept override { return "TTestColumns"; }
    std::set<std::string> fields;
    int updates = 0;

protected:
    void Update(TCollectionItem* item) override { ++updates; }
};

class TTestMenu;

class TTestControl : public TComponent {
public:
    explicit TTestControl(TComponent* owner);
    ~TTestControl() override;
    const char* ClassName() const noexcept override { return "TTestControl"; }

    std::string caption, hint;
    int left = 0, width = 100;
    bool visible = true;
    double ratio = 1.5;
    TTestAlignment alignment = TTestAlignment::taLeftJustify;
    TTestFont font;
    TStringList items;
    TNotifyEvent OnClick;
    std::function<void(TObject*, bool&)> OnCanClose;
    std::string internal;  // extra data stored as bytes

    TTestMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TTestMenu* menu);

    TTestControl* parent = nullptr;
    std::vector<TTestControl*> children;
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override { return parent; }
    TComponent* FindChildControl(const std::string& name) const override;

    std::vector<std::string>* loadedLog = nullptr;  // where Loaded() writes the name
    bool loadingDuringSet = false;                  // IsLoading() seen by a setter

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

private:
    TTestMenu* popupMenu_ = nullptr;
};

class TTestMenu : public TComponent {
public:
    using TComponent::TComponent;
    const char* ClassName() const noexcept override { return "TTestMenu"; }
};

class TTestGrid : public TTestControl {
public:
    explicit TTestGrid(TComponent* owner) : TTestControl(owner), columns(this) {}
    const char* ClassName() const noexcept override { return "TTestGrid"; }
    TTestColumns columns;
};

class TTestForm : public TTestControl {
public:
    using TTestControl::TTestControl;
    const char* ClassName() const noexcept override { return "TTestForm"; }
    std::vector<std::string> calls;
    void btn_okClick(TObject* sender) { calls.push_back("btn_okClick"); }
    void FormCanClose(TObject* sender, bool& canClose) { canClose = false; }
};

// Registers the classes above (again: harmless).
void RegisterTestClasses();
