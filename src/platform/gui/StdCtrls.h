#pragma once
// Standard controls: labels, edits, memos, buttons, check boxes, radio buttons, combo boxes,
// list boxes and group boxes. The events each fires are listed in Controls.h.

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Classes.h"

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Keeps a control's item list and its Qt widget in step: `sync` runs after every change of the
// list (the control owns the list's OnChange).
class TControlItems : public TStringList {
public:
    std::function<void()> Sync;
    TControlItems();
    // What the widget shows now; lets a change that only appended one item be applied as such.
    std::vector<std::string> Shown;
    bool OnlyAppendedOne() const;
    void MarkShown();
};

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner);
    const char* ClassName() const noexcept override { return "TLabel"; }
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const noexcept { return layout_; }
    void SetLayout(TTextLayout value);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const noexcept { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const noexcept { return focusControl_; }
    void SetFocusControl(TWinControl* control) { focusControl_ = control; }
    QLabel* LabelWidget() const;

protected:
    void ApplyText(const std::string& text) override;
    void ApplyFont() override;
    int ColorRole() const override;
    void AdjustSize();
    void UpdateAlignment();
    void Loaded() override;

private:
    bool autoSize_ = true;
    bool wordWrap_ = false;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    const char* ClassName() const noexcept override { return "TEdit"; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    int MaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int value);
    char PasswordChar() const noexcept { return passwordChar_; }
    void SetPasswordChar(char value);
    TEditCharCase CharCase() const noexcept { return charCase_; }
    void SetCharCase(TEditCharCase value) { charCase_ = value; }
    bool AutoSelect = true;
    bool Modified() const noexcept { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    void SelectAll();
    void Clear() { SetText(""); }
    QLineEdit* EditWidget() const;
    TNotifyEvent OnChange;

protected:
    std::string GetText() const override;
    void ApplyText(const std::string& text) override;
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }

private:
    bool readOnly_ = false;
    int maxLength_ = 0;
    char passwordChar_ = '\0';
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    bool modified_ = false;
    int codeChange_ = 0;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    const char* ClassName() const noexcept override { return "TMemo"; }
    // The lines; changing them changes the text (and fires OnChange).
    TStrings& Lines() noexcept { return lines_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    int MaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; }
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool WantReturns = true;
    bool WantTabs = false;
    // Caret position in characters from the start of the text (line ends count as CR LF).
    int SelStart() const;
    void SetSelStart(int value);
    void ScrollToCaret();
    void Clear() { lines_.Clear(); }
    QPlainTextEdit* MemoWidget() const;
    TNotifyEvent OnChange;

protected:
    std::string GetText() const override;
    void ApplyText(const std::string& text) override;
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }

private:
    void LinesChanged();
    TControlItems lines_;
    bool readOnly_ = false;
    int maxLength_ = 0;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    int codeChange_ = 0;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    const char* ClassName() const noexcept override { return "TButton"; }
    TModalResult ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    bool Default() const noexcept { return default_; }
    void SetDefault(bool value);
    bool Cancel() const noexcept { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    void Click() override;
    QPushButton* ButtonWidget() const;

protected:
    void ApplyText(const std::string& text) override;
    bool ClicksFromMouse() const override { return false; }

private:
    TModalResult modalResult_ = TModalResult::mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TCheckBox"; }
    bool Checked() const noexcept { return state_ == TCheckBoxState::cbChecked; }
    // Fires OnClick when the state changes.
    void SetChecked(bool value);
    TCheckBoxState State() const noexcept { return state_; }
    void SetState(TCheckBoxState value);
    bool AllowGrayed() const noexcept { return allowGrayed_; }
    void SetAllowGrayed(bool value);
    TAlignment Alignment = TAlignment::taRightJustify;
    QCheckBox* CheckBoxWidget() const;

protected:
    void ApplyText(const std::string& text) override;
    bool ClicksFromMouse() const override { return false; }

private:
    TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
    bool allowGrayed_ = false;
};

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* owner);
    const char* ClassName() const noexcept override { return "TRadioButton"; }
    bool Checked() const noexcept { return checked_; }
    // Checking fires OnClick and unchecks the radio buttons of the same parent.
    void SetChecked(bool value);
    QRadioButton* RadioWidget() const;

protected:
    void ApplyText(const std::string& text) override;
    bool ClicksFromMouse() const override { return false; }

private:
    void SiblingsUnchecked();
    bool checked_ = false;
};

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TComboBox"; }
    TStrings& Items() noexcept { return items_; }
    int ItemIndex() const noexcept { return itemIndex_; }
    void SetItemIndex(int value);
    TComboBoxStyle Style() const noexcept { return style_; }
    void SetStyle(TComboBoxStyle value);
    bool Sorted() const noexcept { return items_.Sorted(); }
    void SetSorted(bool value) { items_.SetSorted(value); }
    int MaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int value);
    int DropDownCount() const noexcept { return dropDownCount_; }
    void SetDropDownCount(int value);
    TEditCharCase CharCase = TEditCharCase::ecNormal;
    void Clear();
    QComboBox* ComboWidget() const;
    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    std::string GetText() const override;
    void ApplyText(const std::string& text) override;
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }

private:
    void SyncItems();
    void Loaded() override;
    TControlItems items_;
    int itemIndex_ = -1;
    int pendingIndex_ = -2;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
    int maxLength_ = 0;
    int dropDownCount_ = 8;
    int codeChange_ = 0;
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TListBox"; }
    TStrings& Items() noexcept { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int value);
    bool Sorted() const noexcept { return items_.Sorted(); }
    void SetSorted(bool value) { items_.SetSorted(value); }
    bool MultiSelect() const noexcept { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    int Count() const { return items_.Count(); }
    void Clear() { items_.Clear(); }
    QListWidget* ListWidget() const;

protected:
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }
    virtual void SyncItems();
    void Loaded() override;
    TControlItems items_;
    int codeChange_ = 0;
    int pendingIndex_ = -2;

private:
    bool multiSelect_ = false;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TGroupBox"; }
    QRect AlignRect() const override;

protected:
    void ApplyText(const std::string& text) override;
};
