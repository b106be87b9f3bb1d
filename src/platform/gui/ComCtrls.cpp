#include "platform/gui/ComCtrls.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/GuiText.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Menus.h"
#include "platform/gui/RtfReader.h"
#include "platform/rtl/Exceptions.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

bool Loading(const TComponent& component)
{
    return component.IsLoading() || (component.Owner() != nullptr && component.Owner()->IsLoading());
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner, new QWidget()) {}

TTabSheet::~TTabSheet()
{
    DestroyControl();
}

void TTabSheet::SetPageControl(TPageControl* pageControl)
{
    SetParent(pageControl);
}

int TTabSheet::PageIndex() const
{
    if (pageControl_ == nullptr) {
        return -1;
    }
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value)
{
    if (pageControl_ == nullptr) {
        return;
    }
    auto& pages = pageControl_->pages_;
    value = std::clamp(value, 0, static_cast<int>(pages.size()) - 1);
    pages.erase(std::find(pages.begin(), pages.end(), this));
    pages.insert(pages.begin() + value, this);
    pageControl_->TabsChanged();
}

int TTabSheet::TabIndex() const
{
    if (pageControl_ == nullptr || !tabVisible_) {
        return -1;
    }
    int index = 0;
    for (TTabSheet* page : pageControl_->pages_) {
        if (page == this) {
            return index;
        }
        if (page->tabVisible_) {
            ++index;
        }
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool value)
{
    tabVisible_ = value;
    if (pageControl_ != nullptr) {
        pageControl_->TabsChanged();
    }
}

void TTabSheet::SetImageIndex(int value)
{
    imageIndex_ = value;
    if (pageControl_ != nullptr) {
        pageControl_->TabsChanged();
    }
}

void TTabSheet::ApplyText(const std::string& text)
{
    text_ = text;
    if (pageControl_ != nullptr) {
        pageControl_->TabsChanged();
    }
}

void TTabSheet::ApplyVisibility()
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setVisible(Visible() && pageControl_ != nullptr && pageControl_->ActivePage() == this);
    }
}

// ---------------------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner, new QWidget())
{
    SetTabStop(true);
    tabStrip_ = new QWidget(Widget());
    tabStrip_->show();
    Widget()->setFocusPolicy(Qt::StrongFocus);
}

TPageControl::~TPageControl()
{
    DestroyControl();
}

void TPageControl::InsertControl(TControl* control)
{
    TWinControl::InsertControl(control);
    if (auto* page = dynamic_cast<TTabSheet*>(control)) {
        page->pageControl_ = this;
        pages_.push_back(page);
        if (activePage_ == nullptr && !Loading(*this)) {
            activePage_ = page;
        }
        TabsChanged();
    }
}

void TPageControl::RemoveControl(TControl* control)
{
    if (auto* page = dynamic_cast<TTabSheet*>(control)) {
        pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
        page->pageControl_ = nullptr;
        if (activePage_ == page) {
            activePage_ = nullptr;
        }
        if (!IsDestroying()) {
            TabsChanged();
        }
    }
    TWinControl::RemoveControl(control);
}

void TPageControl::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        images_ = nullptr;
    }
}

void TPageControl::Loaded()
{
    TWinControl::Loaded();
    if (activePage_ == nullptr && !pages_.empty()) {
        activePage_ = pages_.front();
    }
    TabsChanged();
}

void TPageControl::SetImages(TImageList* images)
{
    if (images_ != nullptr) {
        images_->RemoveFreeNotification(this);
    }
    images_ = images;
    if (images_ != nullptr) {
        images_->FreeNotification(this);
    }
    TabsChanged();
}

int TPageControl::ActivePageIndex() const
{
    return activePage_ != nullptr ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int value)
{
    SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<size_t>(value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page != nullptr && page->pageControl_ != this) {
        return;
    }
    ChangeActivePage(page);
}

void TPageControl::ChangeActivePage(TTabSheet* page)
{
    if (page == activePage_) {
        return;
    }
    TTabSheet* old = activePage_;
    activePage_ = page;
    TabsChanged();
    if (Loading(*this)) {
        return;
    }
    if (old != nullptr && old->OnHide) {
        old->OnHide(old);
    }
    if (page != nullptr && page->OnShow) {
        page->OnShow(page);
    }
}

void TPageControl::TabClicked(TTabSheet* page)
{
    if (page == activePage_ || page == nullptr) {
        TabsChanged();
        return;
    }
    bool allow = true;
    if (OnChanging) {
        OnChanging(this, allow);
    }
    if (!allow) {
        TabsChanged();
        return;
    }
    if (QWidget* widget = Widget(); widget != nullptr && CanFocus()) {
        // The page control takes the focus, so a control on the old page is left (OnExit).
        widget->setFocus(Qt::MouseFocusReason);
        if (TCustomForm* form = ParentForm(); form != nullptr) {
            form->FocusMovedTo(this);
        }
    }
    ChangeActivePage(page);
    if (OnChange) {
        OnChange(this);
    }
}

void TPageControl::SelectNextPage(bool goForward)
{
    if (pages_.empty()) {
        return;
    }
    const int count = PageCount();
    int index = ActivePageIndex();
    for (int step = 0; step < count; ++step) {
        index = ((goForward ? index + 1 : index - 1) % count + count) % count;
        TTabSheet* page = pages_[static_cast<size_t>(index)];
        if (page->TabVisible() && page->Enabled()) {
            TabClicked(page);
            return;
        }
    }
}

void TPageControl::SetMultiLine(bool value)
{
    multiLine_ = value;
    AlignControls();
}

void TPageControl::SetTabHeight(int value)
{
    tabHeight_ = std::max(value, 0);
    AlignControls();
}

void TPageControl::SetTabWidth(int value)
{
    tabWidth_ = std::max(value, 0);
    AlignControls();
}

QToolButton* TPageControl::TabButton(const TTabSheet* page) const
{
    for (const auto& [sheet, button] : tabButtons_) {
        if (sheet == page) {
            return button.data();
        }
    }
    return nullptr;
}

void TPageControl::TabsChanged()
{
    if (tabStrip_ == nullptr) {
        return;
    }
    for (auto& [sheet, button] : tabButtons_) {
        delete button.data();
    }
    tabButtons_.clear();
    for (TTabSheet* page : pages_) {
        if (!page->TabVisible()) {
            continue;
        }
        auto* button = new QToolButton(tabStrip_.data());
        button->setText(ToQString(page->Caption()));
        button->setCheckable(true);
        button->setChecked(page == activePage_);
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(page->Enabled());
        if (images_ != nullptr && page->ImageIndex() >= 0) {
            button->setIcon(images_->Icon(page->ImageIndex()));
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        QObject::connect(button, &QToolButton::clicked, SignalContext(), [this, page] {
            RunUserHandler([this, page] { TabClicked(page); });
        });
        button->show();
        tabButtons_.emplace_back(page, button);
    }
    AlignControls();
}

QRect TPageControl::PageRect() const
{
    const int stripHeight = tabStrip_ != nullptr ? tabStrip_->height() : 0;
    return QRect(2, stripHeight + 2, std::max(Width() - 4, 0), std::max(Height() - stripHeight - 4, 0));
}

void TPageControl::AlignControls()
{
    if (tabStrip_ == nullptr || AlignSuspended()) {
        return;
    }
    // Tabs: in one row, or in as many rows as they need when MultiLine is set.
    const int rowHeight = tabHeight_ > 0 ? tabHeight_ : Widget()->fontMetrics().height() + 8;
    int x = 0;
    int row = 0;
    const int availableWidth = std::max(Width(), 1);
    for (auto& [page, button] : tabButtons_) {
        if (button == nullptr) {
            continue;
        }
        const int width = tabWidth_ > 0 ? tabWidth_ : button->sizeHint().width() + 8;
        if (multiLine_ && x > 0 && x + width > availableWidth) {
            ++row;
            x = 0;
        }
        button->setGeometry(x, row * rowHeight, width, rowHeight);
        x += width;
    }
    tabRows_ = tabButtons_.empty() ? 0 : row + 1;
    tabStrip_->setGeometry(0, 0, Width(), tabRows_ * rowHeight);
    const QRect area = PageRect();
    for (TTabSheet* page : pages_) {
        page->SetBoundsFromLayout(area.left(), area.top(), area.width(), area.height());
        page->ApplyVisibility();
    }
    // Controls placed directly on the page control (not sheets) keep their own layout.
    TWinControl::AlignControls();
}

// ---------------------------------------------------------------------------------------------

void TStatusPanel::SetText(const std::string& text)
{
    text_ = text;
    Changed(false);
}

void TStatusPanel::SetWidth(int value)
{
    width_ = std::max(value, 0);
    Changed(true);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value)
{
    bevel_ = value;
    Changed(false);
}

void TStatusPanel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    Changed(false);
}

void TStatusPanel::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TStatusPanel*>(&source);
    if (other == nullptr) {
        TCollectionItem::Assign(source);
        return;
    }
    text_ = other->text_;
    width_ = other->width_;
    bevel_ = other->bevel_;
    alignment_ = other->alignment_;
    style_ = other->style_;
    Changed(true);
}

TStatusPanels::TStatusPanels(TStatusBar* statusBar)
    : TCollection(statusBar, CollectionItemClassOf<TStatusPanel>("TStatusPanel")), statusBar_(statusBar)
{
}

void TStatusPanels::Update(TCollectionItem*)
{
    statusBar_->PanelsChanged();
}

void TStatusPanels::Notify(TCollectionItem*, TCollectionNotification)
{
    if (UpdateCount() == 0) {
        statusBar_->PanelsChanged();
    }
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner, new QWidget()), panels_(this)
{
    SetAlign(TAlign::alBottom);
    SetBounds(0, 0, 200, 19);
    simpleLabel_ = new QLabel(Widget());
    simpleLabel_->hide();
}

TStatusBar::~TStatusBar()
{
    DestroyControl();
}

QLabel* TStatusBar::PanelLabel(int index) const
{
    if (index < 0) {
        return simpleLabel_.data();
    }
    return index < static_cast<int>(labels_.size()) ? labels_[static_cast<size_t>(index)].data() : nullptr;
}

void TStatusBar::SetSimplePanel(bool value)
{
    simplePanel_ = value;
    ArrangePanels();
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    simpleText_ = text;
    if (simpleLabel_ != nullptr) {
        simpleLabel_->setText(ToQString(text));
    }
}

void TStatusBar::PanelsChanged()
{
    if (Widget() == nullptr) {
        return;
    }
    while (static_cast<int>(labels_.size()) > panels_.Count()) {
        delete labels_.back().data();
        labels_.pop_back();
    }
    while (static_cast<int>(labels_.size()) < panels_.Count()) {
        auto* label = new QLabel(Widget());
        labels_.emplace_back(label);
    }
    for (int i = 0; i < panels_.Count(); ++i) {
        const TStatusPanel* panel = panels_.Items(i);
        QLabel* label = labels_[static_cast<size_t>(i)].data();
        label->setText(ToQString(panel->Text()));
        label->setFrameStyle(panel->Bevel() == TStatusPanelBevel::pbNone     ? QFrame::NoFrame
                             : panel->Bevel() == TStatusPanelBevel::pbRaised ? (QFrame::Panel | QFrame::Raised)
                                                                             : (QFrame::Panel | QFrame::Sunken));
        label->setAlignment(Qt::AlignVCenter | (panel->Alignment() == TAlignment::taCenter ? Qt::AlignHCenter
                                                : panel->Alignment() == TAlignment::taRightJustify ? Qt::AlignRight
                                                                                                   : Qt::AlignLeft));
    }
    ArrangePanels();
}

void TStatusBar::ArrangePanels()
{
    if (simpleLabel_ != nullptr) {
        simpleLabel_->setGeometry(2, 2, std::max(Width() - 4, 0), std::max(Height() - 4, 0));
        simpleLabel_->setVisible(simplePanel_);
    }
    int x = 0;
    for (size_t i = 0; i < labels_.size(); ++i) {
        QLabel* label = labels_[i].data();
        if (label == nullptr) {
            continue;
        }
        // The last panel reaches to the right edge.
        const int width = i + 1 == labels_.size() ? std::max(Width() - x, panels_.Items(static_cast<int>(i))->Width())
                                                  : panels_.Items(static_cast<int>(i))->Width();
        label->setGeometry(x, 2, std::max(width - 2, 0), std::max(Height() - 3, 0));
        label->setVisible(!simplePanel_);
        x += width;
    }
}

void TStatusBar::Resize()
{
    ArrangePanels();
    TWinControl::Resize();
}

// ---------------------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner, new QWidget())
{
    SetAlign(TAlign::alTop);
    SetBounds(0, 0, 200, 29);
}

void TToolBar::SetButtonWidth(int value)
{
    buttonWidth_ = std::max(value, 0);
    AlignControls();
}

void TToolBar::SetButtonHeight(int value)
{
    buttonHeight_ = std::max(value, 0);
    AlignControls();
}

void TToolBar::SetShowCaptions(bool value)
{
    showCaptions_ = value;
    ButtonsChanged();
}

void TToolBar::SetFlat(bool value)
{
    flat_ = value;
    ButtonsChanged();
}

void TToolBar::SetWrapable(bool value)
{
    wrapable_ = value;
    AlignControls();
}

void TToolBar::SetIndent(int value)
{
    indent_ = std::max(value, 0);
    AlignControls();
}

void TToolBar::SetImages(TImageList* images)
{
    if (images_ != nullptr) {
        images_->RemoveFreeNotification(this);
    }
    images_ = images;
    if (images_ != nullptr) {
        images_->FreeNotification(this);
    }
    ButtonsChanged();
}

void TToolBar::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        images_ = nullptr;
    }
}

int TToolBar::ButtonCount() const
{
    int count = 0;
    for (TControl* control : controls_) {
        if (dynamic_cast<TToolButton*>(control) != nullptr) {
            ++count;
        }
    }
    return count;
}

TToolButton* TToolBar::Buttons(int index) const
{
    for (TControl* control : controls_) {
        if (auto* button = dynamic_cast<TToolButton*>(control)) {
            if (index-- == 0) {
                return button;
            }
        }
    }
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TToolBar::ButtonsChanged()
{
    for (TControl* control : controls_) {
        if (auto* button = dynamic_cast<TToolButton*>(control)) {
            button->UpdateLook();
        }
    }
    AlignControls();
}

void TToolBar::AlignControls()
{
    if (AlignSuspended()) {
        return;
    }
    int x = indent_;
    int y = 0;
    for (TControl* control : controls_) {
        if (!control->Visible()) {
            continue;
        }
        auto* button = dynamic_cast<TToolButton*>(control);
        const bool separator = button != nullptr
                               && (button->Style() == TToolButtonStyle::tbsSeparator || button->Style() == TToolButtonStyle::tbsDivider);
        const int width = button != nullptr && !separator ? buttonWidth_ : control->Width();
        const int height = button != nullptr ? buttonHeight_ : control->Height();
        if (wrapable_ && x > indent_ && x + width > ClientWidth()) {
            x = indent_;
            y += buttonHeight_;
        }
        control->SetBoundsFromLayout(x, y, width, height);
        x += width;
        if (button != nullptr && button->Wrap) {
            x = indent_;
            y += buttonHeight_;
        }
    }
}

TToolButton::TToolButton(TComponent* owner) : TControl(owner, new QToolButton())
{
    SetBounds(0, 0, 23, 22);
    QObject::connect(ButtonWidget(), &QToolButton::clicked, SignalContext(), [this] {
        RunUserHandler([this] { Click(); });
    });
    UpdateLook();
}

QToolButton* TToolButton::ButtonWidget() const
{
    return static_cast<QToolButton*>(Widget());
}

TToolBar* TToolButton::Bar() const
{
    return dynamic_cast<TToolBar*>(Parent());
}

void TToolButton::ApplyText(const std::string& text)
{
    text_ = text;
    UpdateLook();
}

void TToolButton::SetStyle(TToolButtonStyle value)
{
    style_ = value;
    UpdateLook();
    if (TToolBar* bar = Bar(); bar != nullptr) {
        bar->AlignControls();
    }
}

void TToolButton::SetImageIndex(int value)
{
    imageIndex_ = value;
    UpdateLook();
}

void TToolButton::SetDown(bool value)
{
    if (value && Grouped && Bar() != nullptr) {
        for (int i = 0; i < Bar()->ButtonCount(); ++i) {
            TToolButton* other = Bar()->Buttons(i);
            if (other != this && other->Grouped && other->style_ == TToolButtonStyle::tbsCheck) {
                other->down_ = false;
                other->UpdateLook();
            }
        }
    }
    down_ = value;
    UpdateLook();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu)
{
    if (dropdownMenu_ != nullptr) {
        dropdownMenu_->RemoveFreeNotification(this);
    }
    dropdownMenu_ = menu;
    if (dropdownMenu_ != nullptr) {
        dropdownMenu_->FreeNotification(this);
    }
    UpdateLook();
}

void TToolButton::SetMenuItem(TMenuItem* item)
{
    if (menuItem_ != nullptr) {
        menuItem_->RemoveFreeNotification(this);
    }
    menuItem_ = item;
    if (menuItem_ != nullptr) {
        menuItem_->FreeNotification(this);
        if (Caption().empty()) {
            SetCaption(menuItem_->Caption());
        }
    }
}

void TToolButton::Notification(TComponent* component, TOperation operation)
{
    TControl::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        if (component == dropdownMenu_) {
            dropdownMenu_ = nullptr;
            UpdateLook();
        }
        if (component == menuItem_) {
            menuItem_ = nullptr;
        }
    }
}

void TToolButton::Click()
{
    if (style_ == TToolButtonStyle::tbsCheck) {
        SetDown(Grouped ? true : !down_);
    }
    if (menuItem_ != nullptr && !OnClick) {
        menuItem_->Click();
        return;
    }
    TControl::Click();
}

void TToolButton::UpdateLook()
{
    QToolButton* button = ButtonWidget();
    if (button == nullptr) {
        return;
    }
    const bool separator = style_ == TToolButtonStyle::tbsSeparator || style_ == TToolButtonStyle::tbsDivider;
    TToolBar* bar = Bar();
    button->setEnabled(!separator && Enabled());
    button->setAutoRaise(separator || (bar != nullptr && bar->Flat()));
    button->setText(separator ? QString() : ToQString(Caption()));
    QIcon icon;
    if (!separator && bar != nullptr && bar->Images() != nullptr && imageIndex_ >= 0) {
        icon = bar->Images()->Icon(imageIndex_);
    }
    button->setIcon(icon);
    // A separator is an etched vertical line through the middle of the bar's height.
    button->setStyleSheet(separator ? QStringLiteral("QToolButton { border: none; border-left: 1px solid palette(dark);"
                                                     " border-right: 1px solid palette(light); margin: 8px 0px;"
                                                     " background: transparent; }")
                                    : QString());
    if (separator) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else if (icon.isNull()) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        button->setToolButtonStyle(bar != nullptr && bar->ShowCaptions() ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
        if (bar != nullptr) {
            button->setIconSize(QSize(bar->Images()->Width(), bar->Images()->Height()));
        }
    }
    button->setCheckable(style_ == TToolButtonStyle::tbsCheck || down_);
    button->setChecked(down_);
    if (style_ == TToolButtonStyle::tbsDropDown && dropdownMenu_ != nullptr) {
        button->setMenu(dropdownMenu_->Menu());
        button->setPopupMode(QToolButton::MenuButtonPopup);
    } else {
        button->setMenu(nullptr);
        button->setPopupMode(QToolButton::DelayedPopup);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {
const QDate dayZero(1899, 12, 30);
}

QDateTime DateTimeToQt(TDateTime value)
{
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    auto milliseconds = static_cast<int64_t>(std::llround(fraction * static_cast<double>(MSecsPerDay)));
    int64_t wholeDays = static_cast<int64_t>(days);
    if (milliseconds >= MSecsPerDay) {
        milliseconds -= MSecsPerDay;
        wholeDays += value < 0 ? -1 : 1;
    }
    return QDateTime(dayZero.addDays(wholeDays), QTime::fromMSecsSinceStartOfDay(static_cast<int>(milliseconds)));
}

TDateTime QtToDateTime(const QDateTime& value)
{
    const auto days = static_cast<double>(dayZero.daysTo(value.date()));
    const double fraction = static_cast<double>(value.time().msecsSinceStartOfDay()) / static_cast<double>(MSecsPerDay);
    return days < 0 ? days - fraction : days + fraction;
}

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner, new QWidget())
{
    SetTabStop(true);
    check_ = new QCheckBox(Widget());
    edit_ = new QDateTimeEdit(Widget());
    edit_->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    edit_->setCalendarPopup(true);
    check_->setChecked(true);
    check_->hide();
    Widget()->setFocusProxy(edit_.data());
    QObject::connect(edit_.data(), &QDateTimeEdit::dateTimeChanged, SignalContext(), [this](const QDateTime& value) {
        // The editor repeats the signal for the value it has (on Enter, on a calendar click):
        // only a new value is a change.
        if (codeChange_ > 0 || value == shown_) {
            shown_ = value;
            return;
        }
        shown_ = value;
        RunUserHandler([this] {
            if (OnChange) {
                OnChange(this);
            }
        });
    });
    QObject::connect(check_.data(), &QCheckBox::clicked, SignalContext(), [this](bool value) {
        checked_ = value;
        edit_->setEnabled(value || !showCheckbox_);
        RunUserHandler([this] {
            if (OnChange) {
                OnChange(this);
            }
            if (OnClick) {
                OnClick(this);
            }
        });
    });
    QObject::connect(edit_.data(), &QDateTimeEdit::editingFinished, SignalContext(), [this] { AcceptValue(); });
    UpdateFormat();
    accepted_ = edit_->dateTime();
    shown_ = accepted_;
    SetBounds(0, 0, 186, 21);
}

QDateTimeEdit* TDateTimePicker::EditWidget() const
{
    return edit_.data();
}

QCheckBox* TDateTimePicker::CheckWidget() const
{
    return check_.data();
}

QWidget* TDateTimePicker::FocusWidget() const
{
    return edit_.data();
}

void TDateTimePicker::AcceptValue()
{
    if (codeChange_ > 0 || edit_->dateTime() == accepted_) {
        return;
    }
    accepted_ = edit_->dateTime();
    RunUserHandler([this] {
        if (OnCloseUp) {
            OnCloseUp(this);
        }
    });
}

void TDateTimePicker::ConnectCalendar()
{
    QCalendarWidget* calendar = edit_->calendarPopup() ? edit_->calendarWidget() : nullptr;
    if (calendar == nullptr || calendar == calendar_) {
        return;
    }
    calendar_ = calendar;
    // Connected after the editor's own handling, so the picked date is already shown.
    QObject::connect(calendar, &QCalendarWidget::clicked, SignalContext(), [this](QDate) { AcceptValue(); });
    QObject::connect(calendar, &QCalendarWidget::activated, SignalContext(), [this](QDate) { AcceptValue(); });
}

void TDateTimePicker::ArrangeParts()
{
    const int checkWidth = showCheckbox_ ? 20 : 0;
    check_->setGeometry(2, 0, checkWidth, Height());
    check_->setVisible(showCheckbox_);
    edit_->setGeometry(checkWidth, 0, std::max(Width() - checkWidth, 0), Height());
}

void TDateTimePicker::Resize()
{
    ArrangeParts();
    TWinControl::Resize();
}

void TDateTimePicker::UpdateFormat()
{
    TCodeChange change(codeChange_);
    if (kind_ == TDateTimeKind::dtkTime) {
        edit_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        edit_->setCalendarPopup(false);
    } else {
        edit_->setDisplayFormat(dateFormat_ == TDTDateFormat::dfLong ? QStringLiteral("dddd, d MMMM yyyy") : QStringLiteral("dd/MM/yyyy"));
        edit_->setCalendarPopup(dateMode_ == TDTDateMode::dmComboBox);
    }
    ConnectCalendar();
}

TDateTime TDateTimePicker::DateTime() const
{
    return QtToDateTime(edit_->dateTime());
}

void TDateTimePicker::SetDateTime(TDateTime value)
{
    TCodeChange change(codeChange_);
    edit_->setDateTime(DateTimeToQt(value));
    accepted_ = edit_->dateTime();
    shown_ = accepted_;
}

TDateTime TDateTimePicker::Date() const
{
    return std::trunc(DateTime());
}

void TDateTimePicker::SetDate(TDateTime value)
{
    const TDateTime time = Time();
    const double day = std::trunc(value);
    SetDateTime(day < 0 ? day - time : day + time);
}

TDateTime TDateTimePicker::Time() const
{
    const TDateTime value = DateTime();
    return std::fabs(value - std::trunc(value));
}

void TDateTimePicker::SetTime(TDateTime value)
{
    const double day = Date();
    const double fraction = std::fabs(value - std::trunc(value));
    SetDateTime(day < 0 ? day - fraction : day + fraction);
}

void TDateTimePicker::SetChecked(bool value)
{
    checked_ = value;
    check_->setChecked(value);
    edit_->setEnabled(value || !showCheckbox_);
}

void TDateTimePicker::SetShowCheckbox(bool value)
{
    showCheckbox_ = value;
    edit_->setEnabled(checked_ || !showCheckbox_);
    ArrangeParts();
}

void TDateTimePicker::SetKind(TDateTimeKind value)
{
    kind_ = value;
    UpdateFormat();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat value)
{
    dateFormat_ = value;
    UpdateFormat();
}

void TDateTimePicker::SetDateMode(TDTDateMode value)
{
    dateMode_ = value;
    UpdateFormat();
}

// ---------------------------------------------------------------------------------------------

TRichEdit::TRichEdit(TComponent* owner) : TWinControl(owner, new QTextEdit())
{
    SetTabStop(true);
    SetColor(clWindow);
    TextWidget()->setReadOnly(true);
    lines_.Sync = [this] { Render(); };
}

QTextEdit* TRichEdit::TextWidget() const
{
    return static_cast<QTextEdit*>(Widget());
}

int TRichEdit::ColorRole() const
{
    return QPalette::Base;
}

void TRichEdit::Render()
{
    const std::string text = lines_.Text();
    if (!plainText_ && IsRichText(text)) {
        ReadRichText(text, *TextWidget()->document());
    } else {
        std::string plain;
        for (int i = 0; i < lines_.Count(); ++i) {
            plain += (i > 0 ? "\n" : "") + lines_[i];
        }
        TextWidget()->setPlainText(ToQString(plain));
    }
    if (OnChange) {
        OnChange(this);
    }
}

std::string TRichEdit::GetText() const
{
    std::string text;
    for (int i = 0; i < lines_.Count(); ++i) {
        text += (i > 0 ? "\r\n" : "") + lines_[i];
    }
    return text;
}

void TRichEdit::ApplyText(const std::string& text)
{
    lines_.SetText(text);
}

std::string TRichEdit::ShownText() const
{
    return FromQString(TextWidget()->toPlainText());
}

void TRichEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    TextWidget()->setReadOnly(value);
}

void TRichEdit::SetPlainText(bool value)
{
    plainText_ = value;
    Render();
}

void TRichEdit::SetWordWrap(bool value)
{
    wordWrap_ = value;
    TextWidget()->setLineWrapMode(value ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void TRichEdit::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    const bool horizontal = value == TScrollStyle::ssHorizontal || value == TScrollStyle::ssBoth;
    const bool vertical = value == TScrollStyle::ssVertical || value == TScrollStyle::ssBoth;
    TextWidget()->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    TextWidget()->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}
