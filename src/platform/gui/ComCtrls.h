#pragma once
// Common controls: page controls with tab sheets, status bars, tool bars, date-time pickers
// and the read-only rich-text box.

#include "platform/classes/Collections.h"
#include "platform/gui/Controls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/DateTime.h"

#include <QDateTime>

#include <QPointer>

#include <functional>
#include <vector>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QTextEdit;
class QToolButton;
class TImageList;
class TMenuItem;
class TPageControl;
class TPopupMenu;

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    const char* ClassName() const noexcept override { return "TTabSheet"; }
    TPageControl* PageControl() const noexcept { return pageControl_; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    void SetPageIndex(int value);
    // Index among the visible tabs, -1 when the tab is hidden.
    int TabIndex() const;
    bool TabVisible() const noexcept { return tabVisible_; }
    void SetTabVisible(bool value);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value);
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    friend class TPageControl;
    void ApplyText(const std::string& text) override;
    void ApplyVisibility() override;

private:
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int imageIndex_ = -1;
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    const char* ClassName() const noexcept override { return "TPageControl"; }
    int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    TTabSheet* ActivePage() const noexcept { return activePage_; }
    // Makes the sheet active (also when its tab is hidden): OnHide of the old sheet, OnShow of
    // the new one; no OnChanging, no OnChange.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int value);
    bool MultiLine() const noexcept { return multiLine_; }
    void SetMultiLine(bool value);
    int TabHeight() const noexcept { return tabHeight_; }
    void SetTabHeight(int value);
    int TabWidth() const noexcept { return tabWidth_; }
    void SetTabWidth(int value);
    TImageList* Images() const noexcept { return images_; }
    void SetImages(TImageList* images);
    // Activates the next (or previous) page with a visible tab, as the user's tab click does.
    void SelectNextPage(bool goForward);
    // The user's click on the tab of `page`: OnChanging (may refuse), the change, OnChange.
    void TabClicked(TTabSheet* page);
    // Number of rows the tabs take now.
    int TabRows() const noexcept { return tabRows_; }
    QRect PageRect() const;
    QToolButton* TabButton(const TTabSheet* page) const;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    void AlignControls() override;
    void TabsChanged();

protected:
    friend class TTabSheet;
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;
    bool PlacesItself(const TControl* child) const override { return dynamic_cast<const TTabSheet*>(child) != nullptr; }

private:
    void ChangeActivePage(TTabSheet* page);
    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    QPointer<QWidget> tabStrip_;
    std::vector<std::pair<TTabSheet*, QPointer<QToolButton>>> tabButtons_;
    bool multiLine_ = false;
    int tabHeight_ = 0;
    int tabWidth_ = 0;
    int tabRows_ = 1;
    TImageList* images_ = nullptr;
};

enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum class TStatusPanelStyle { psText, psOwnerDraw };

class TStatusPanel : public TCollectionItem {
public:
    explicit TStatusPanel(TCollection& collection) : TCollectionItem(collection) {}
    const char* ClassName() const noexcept override { return "TStatusPanel"; }
    const std::string& Text() const noexcept { return text_; }
    void SetText(const std::string& text);
    int Width() const noexcept { return width_; }
    void SetWidth(int value);
    TStatusPanelBevel Bevel() const noexcept { return bevel_; }
    void SetBevel(TStatusPanelBevel value);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    TStatusPanelStyle Style() const noexcept { return style_; }
    void SetStyle(TStatusPanelStyle value) { style_ = value; }
    void Assign(const TPersistent& source) override;

private:
    std::string text_;
    int width_ = 50;
    TStatusPanelBevel bevel_ = TStatusPanelBevel::pbLowered;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TStatusPanelStyle style_ = TStatusPanelStyle::psText;
};

class TStatusBar;

class TStatusPanels : public TCollection {
public:
    explicit TStatusPanels(TStatusBar* statusBar);
    const char* ClassName() const noexcept override { return "TStatusPanels"; }
    TStatusPanel* Items(int index) const { return ItemsAs<TStatusPanel>(index); }
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

protected:
    void Update(TCollectionItem* item) override;
    void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
    TStatusBar* statusBar_;
};

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;
    const char* ClassName() const noexcept override { return "TStatusBar"; }
    TStatusPanels& Panels() noexcept { return panels_; }
    bool SimplePanel() const noexcept { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::string& SimpleText() const noexcept { return simpleText_; }
    void SetSimpleText(const std::string& text);
    bool SizeGrip = true;
    // The label showing panel `index` (or the simple text with index -1).
    QLabel* PanelLabel(int index) const;
    void PanelsChanged();

protected:
    void Resize() override;

private:
    void ArrangePanels();
    TStatusPanels panels_;
    std::vector<QPointer<QLabel>> labels_;
    QPointer<QLabel> simpleLabel_;
    bool simplePanel_ = false;
    std::string simpleText_;
};

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* owner);
    const char* ClassName() const noexcept override { return "TToolBar"; }
    int ButtonWidth() const noexcept { return buttonWidth_; }
    void SetButtonWidth(int value);
    int ButtonHeight() const noexcept { return buttonHeight_; }
    void SetButtonHeight(int value);
    bool ShowCaptions() const noexcept { return showCaptions_; }
    void SetShowCaptions(bool value);
    bool Flat() const noexcept { return flat_; }
    void SetFlat(bool value);
    bool Wrapable() const noexcept { return wrapable_; }
    void SetWrapable(bool value);
    int Indent() const noexcept { return indent_; }
    void SetIndent(int value);
    TImageList* Images() const noexcept { return images_; }
    void SetImages(TImageList* images);
    // Buttons in their order on the bar.
    int ButtonCount() const;
    class TToolButton* Buttons(int index) const;
    // Lays the buttons out in a row; hidden buttons take no room.
    void AlignControls() override;
    void ButtonsChanged();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    bool showCaptions_ = false;
    bool flat_ = false;
    bool wrapable_ = true;
    int indent_ = 0;
    TImageList* images_ = nullptr;
};

class TToolButton : public TControl {
public:
    explicit TToolButton(TComponent* owner);
    const char* ClassName() const noexcept override { return "TToolButton"; }
    TToolButtonStyle Style() const noexcept { return style_; }
    void SetStyle(TToolButtonStyle value);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value);
    bool Down() const noexcept { return down_; }
    void SetDown(bool value);
    bool Grouped = false;
    bool Wrap = false;
    TPopupMenu* DropdownMenu() const noexcept { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu);
    TMenuItem* MenuItem() const noexcept { return menuItem_; }
    void SetMenuItem(TMenuItem* item);
    void Click() override;
    QToolButton* ButtonWidget() const;
    void UpdateLook();

protected:
    void ApplyText(const std::string& text) override;
    bool ClicksFromMouse() const override { return false; }
    void Notification(TComponent* component, TOperation operation) override;
    int ColorRole() const override { return -1; }

private:
    TToolBar* Bar() const;
    TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
    int imageIndex_ = -1;
    bool down_ = false;
    TPopupMenu* dropdownMenu_ = nullptr;
    TMenuItem* menuItem_ = nullptr;
};

enum class TDateTimeKind { dtkDate, dtkTime };
enum class TDTDateFormat { dfShort, dfLong };
enum class TDTDateMode { dmComboBox, dmUpDown };

// A date or time box, with an optional check box that says whether a value is given.
class TDateTimePicker : public TWinControl {
public:
    explicit TDateTimePicker(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDateTimePicker"; }
    TDateTime DateTime() const;
    void SetDateTime(TDateTime value);
    // The date part (whole days) and the time part (fraction) of DateTime.
    TDateTime Date() const;
    void SetDate(TDateTime value);
    TDateTime Time() const;
    void SetTime(TDateTime value);
    bool Checked() const noexcept { return checked_; }
    void SetChecked(bool value);
    bool ShowCheckbox() const noexcept { return showCheckbox_; }
    void SetShowCheckbox(bool value);
    TDateTimeKind Kind() const noexcept { return kind_; }
    void SetKind(TDateTimeKind value);
    TDTDateFormat DateFormat() const noexcept { return dateFormat_; }
    void SetDateFormat(TDTDateFormat value);
    TDTDateMode DateMode() const noexcept { return dateMode_; }
    void SetDateMode(TDTDateMode value);
    QDateTimeEdit* EditWidget() const;
    QCheckBox* CheckWidget() const;
    QWidget* FocusWidget() const override;
    // Every change of the value or of the tick (each keystroke in the date text included).
    TNotifyEvent OnChange;
    // The user accepted a date: a pick in the drop-down calendar, or a typed date committed
    // with Enter or by leaving the field. Fires once per accepted change, after OnChange. A
    // tick or untick of the check box fires OnClick (after OnChange).
    TNotifyEvent OnCloseUp;

protected:
    int ColorRole() const override { return -1; }
    bool ClicksFromMouse() const override { return false; }
    void Resize() override;

private:
    void ArrangeParts();
    void UpdateFormat();
    void ConnectCalendar();
    // Fires OnCloseUp when the shown value differs from the last accepted one.
    void AcceptValue();
    QPointer<QCheckBox> check_;
    QPointer<QDateTimeEdit> edit_;
    QPointer<QObject> calendar_;
    QDateTime accepted_;  // the value last accepted by the user or set by code
    QDateTime shown_;     // the value last reported by OnChange or set by code
    bool checked_ = true;
    bool showCheckbox_ = false;
    TDateTimeKind kind_ = TDateTimeKind::dtkDate;
    TDTDateFormat dateFormat_ = TDTDateFormat::dfShort;
    TDTDateMode dateMode_ = TDTDateMode::dmComboBox;
    int codeChange_ = 0;
};

// Conversion between day numbers and Qt's date and time.
QDateTime DateTimeToQt(TDateTime value);
TDateTime QtToDateTime(const QDateTime& value);

// A read-only box that shows rich text (RTF) or plain text from its Lines.
class TRichEdit : public TWinControl {
public:
    explicit TRichEdit(TComponent* owner);
    const char* ClassName() const noexcept override { return "TRichEdit"; }
    TStrings& Lines() noexcept { return lines_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    // Show the lines as plain text even when they look like rich text.
    bool PlainText() const noexcept { return plainText_; }
    void SetPlainText(bool value);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    // The text as shown (without the rich-text markup).
    std::string ShownText() const;
    QTextEdit* TextWidget() const;
    TNotifyEvent OnChange;

protected:
    std::string GetText() const override;
    void ApplyText(const std::string& text) override;
    int ColorRole() const override;
    bool ClicksFromMouse() const override { return false; }

private:
    void Render();
    TControlItems lines_;
    bool readOnly_ = true;
    bool plainText_ = false;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
};
