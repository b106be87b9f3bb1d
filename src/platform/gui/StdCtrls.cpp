#include "platform/gui/StdCtrls.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/GuiText.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>

#include <algorithm>

namespace {

std::string ApplyCharCase(const std::string& text, TEditCharCase charCase)
{
    switch (charCase) {
    case TEditCharCase::ecUpperCase: return AnsiUpperCase(text);
    case TEditCharCase::ecLowerCase: return AnsiLowerCase(text);
    case TEditCharCase::ecNormal: break;
    }
    return text;
}

// Lines joined by CR LF, without a line end after the last line.
std::string JoinLines(const TStrings& lines)
{
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0) {
            text += "\r\n";
        }
        text += lines[i];
    }
    return text;
}

QString LinesToQt(const TStrings& lines)
{
    QString text;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0) {
            text += QLatin1Char('\n');
        }
        text += ToQString(lines[i]);
    }
    return text;
}

}  // namespace

bool TControlItems::OnlyAppendedOne() const
{
    if (static_cast<size_t>(Count()) != Shown.size() + 1) {
        return false;
    }
    for (size_t i = 0; i < Shown.size(); ++i) {
        if (Shown[i] != Strings(static_cast<int>(i))) {
            return false;
        }
    }
    return true;
}

void TControlItems::MarkShown()
{
    Shown.clear();
    for (int i = 0; i < Count(); ++i) {
        Shown.push_back(Strings(i));
    }
}

TControlItems::TControlItems()
{
    OnChange = [this](TObject*) {
        if (Sync) {
            Sync();
        }
    };
}

// ---------------------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TControl(owner, new QLabel())
{
    SetParentColor(true);
    UpdateAlignment();
}

QLabel* TLabel::LabelWidget() const
{
    return static_cast<QLabel*>(Widget());
}

void TLabel::ApplyText(const std::string& text)
{
    text_ = text;
    LabelWidget()->setText(ToQString(showAccelChar_ ? WithoutAmpersands(text) : text));
    AdjustSize();
}

void TLabel::ApplyFont()
{
    TControl::ApplyFont();
    AdjustSize();
}

int TLabel::ColorRole() const
{
    return transparent_ || ParentColor() ? -1 : QPalette::Window;
}

void TLabel::Loaded()
{
    TControl::Loaded();
    AdjustSize();
}

void TLabel::AdjustSize()
{
    if (!autoSize_ || Reading()) {
        return;
    }
    const QSize hint = LabelWidget()->sizeHint();
    if (wordWrap_) {
        SetBounds(Left(), Top(), Width(), LabelWidget()->heightForWidth(Width()));
    } else {
        SetBounds(Left(), Top(), hint.width(), hint.height());
    }
}

void TLabel::SetAutoSize(bool value)
{
    autoSize_ = value;
    AdjustSize();
}

void TLabel::SetWordWrap(bool value)
{
    wordWrap_ = value;
    LabelWidget()->setWordWrap(value);
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    UpdateAlignment();
}

void TLabel::SetLayout(TTextLayout value)
{
    layout_ = value;
    UpdateAlignment();
}

void TLabel::UpdateAlignment()
{
    Qt::Alignment alignment = alignment_ == TAlignment::taCenter ? Qt::AlignHCenter
                              : alignment_ == TAlignment::taRightJustify ? Qt::AlignRight
                                                                         : Qt::AlignLeft;
    alignment |= layout_ == TTextLayout::tlCenter ? Qt::AlignVCenter : layout_ == TTextLayout::tlBottom ? Qt::AlignBottom : Qt::AlignTop;
    LabelWidget()->setAlignment(alignment);
}

void TLabel::SetTransparent(bool value)
{
    transparent_ = value;
    LabelWidget()->setAutoFillBackground(!value && !ParentColor());
    ApplyColor();
}

void TLabel::SetShowAccelChar(bool value)
{
    showAccelChar_ = value;
    ApplyText(text_);
}

// ---------------------------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new QLineEdit())
{
    SetTabStop(true);
    SetColor(clWindow);
    QObject::connect(EditWidget(), &QLineEdit::textChanged, SignalContext(), [this](const QString&) {
        if (codeChange_ > 0) {
            return;
        }
        modified_ = true;
        if (charCase_ != TEditCharCase::ecNormal) {
            const std::string text = GetText();
            const std::string cased = ApplyCharCase(text, charCase_);
            if (cased != text) {
                const int position = EditWidget()->cursorPosition();
                TCodeChange change(codeChange_);
                EditWidget()->setText(ToQString(cased));
                EditWidget()->setCursorPosition(position);
            }
        }
        if (OnChange) {
            RunUserHandler([this] { OnChange(this); });
        }
    });
}

QLineEdit* TEdit::EditWidget() const
{
    return static_cast<QLineEdit*>(Widget());
}

std::string TEdit::GetText() const
{
    return FromQString(EditWidget()->text());
}

void TEdit::ApplyText(const std::string& text)
{
    {
        TCodeChange change(codeChange_);
        EditWidget()->setText(ToQString(ApplyCharCase(text, charCase_)));
    }
    if (OnChange && !Reading()) {
        OnChange(this);
    }
}

int TEdit::ColorRole() const
{
    return QPalette::Base;
}

void TEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    EditWidget()->setReadOnly(value);
}

void TEdit::SetMaxLength(int value)
{
    maxLength_ = std::max(value, 0);
    EditWidget()->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TEdit::SetPasswordChar(char value)
{
    passwordChar_ = value;
    EditWidget()->setEchoMode(value != '\0' ? QLineEdit::Password : QLineEdit::Normal);
}

void TEdit::SelectAll()
{
    EditWidget()->selectAll();
}

// ---------------------------------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TWinControl(owner, new QPlainTextEdit())
{
    SetTabStop(true);
    SetColor(clWindow);
    lines_.Sync = [this] { LinesChanged(); };
    SetScrollBars(TScrollStyle::ssNone);
    QObject::connect(MemoWidget(), &QPlainTextEdit::textChanged, SignalContext(), [this] {
        if (codeChange_ > 0) {
            return;
        }
        {
            // The user typed: the lines follow the widget.
            TCodeChange change(codeChange_);
            const std::string text = FromQString(MemoWidget()->toPlainText());
            lines_.BeginUpdate();
            lines_.Clear();
            size_t start = 0;
            while (true) {
                const size_t end = text.find('\n', start);
                lines_.Add(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
                if (end == std::string::npos) {
                    break;
                }
                start = end + 1;
            }
            if (text.empty()) {
                lines_.Clear();
            }
            lines_.EndUpdate();
        }
        if (OnChange) {
            RunUserHandler([this] { OnChange(this); });
        }
    });
}

QPlainTextEdit* TMemo::MemoWidget() const
{
    return static_cast<QPlainTextEdit*>(Widget());
}

void TMemo::LinesChanged()
{
    if (codeChange_ > 0) {
        return;
    }
    const QString text = LinesToQt(lines_);
    if (text == MemoWidget()->toPlainText()) {
        return;
    }
    {
        TCodeChange change(codeChange_);
        MemoWidget()->setPlainText(text);
    }
    if (OnChange && !Reading()) {
        OnChange(this);
    }
}

std::string TMemo::GetText() const
{
    return JoinLines(lines_);
}

void TMemo::ApplyText(const std::string& text)
{
    lines_.SetText(text);
    if (text.empty()) {
        lines_.Clear();
    }
}

int TMemo::ColorRole() const
{
    return QPalette::Base;
}

void TMemo::SetReadOnly(bool value)
{
    readOnly_ = value;
    MemoWidget()->setReadOnly(value);
}

void TMemo::SetWordWrap(bool value)
{
    wordWrap_ = value;
    MemoWidget()->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    const bool horizontal = value == TScrollStyle::ssHorizontal || value == TScrollStyle::ssBoth;
    const bool vertical = value == TScrollStyle::ssVertical || value == TScrollStyle::ssBoth;
    MemoWidget()->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    MemoWidget()->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

int TMemo::SelStart() const
{
    // Qt counts a line end as one character; the system counts CR LF as two.
    const QTextCursor cursor = MemoWidget()->textCursor();
    return cursor.position() + cursor.blockNumber();
}

void TMemo::SetSelStart(int value)
{
    QTextDocument* document = MemoWidget()->document();
    int remaining = std::max(value, 0);
    int position = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const int length = block.length() - 1;
        if (remaining <= length || !block.next().isValid()) {
            position = block.position() + std::min(remaining, length);
            break;
        }
        remaining -= length + 2;
        if (remaining < 0) {
            position = block.next().position();
            break;
        }
    }
    QTextCursor cursor = MemoWidget()->textCursor();
    cursor.setPosition(position);
    MemoWidget()->setTextCursor(cursor);
}

void TMemo::ScrollToCaret()
{
    MemoWidget()->ensureCursorVisible();
}

// ---------------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton())
{
    SetTabStop(true);
    QObject::connect(ButtonWidget(), &QPushButton::clicked, SignalContext(), [this] {
        RunUserHandler([this] { Click(); });
    });
}

QPushButton* TButton::ButtonWidget() const
{
    return static_cast<QPushButton*>(Widget());
}

void TButton::ApplyText(const std::string& text)
{
    text_ = text;
    ButtonWidget()->setText(ToQString(text));
}

void TButton::SetDefault(bool value)
{
    default_ = value;
    ButtonWidget()->setDefault(value);
}

void TButton::Click()
{
    if (modalResult_ != TModalResult::mrNone) {
        if (TCustomForm* form = ParentForm(); form != nullptr) {
            form->SetModalResult(modalResult_);
        }
    }
    TWinControl::Click();
}

// ---------------------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner, new QCheckBox())
{
    SetTabStop(true);
    QObject::connect(CheckBoxWidget(), &QCheckBox::clicked, SignalContext(), [this] {
        const Qt::CheckState state = CheckBoxWidget()->checkState();
        state_ = state == Qt::Checked ? TCheckBoxState::cbChecked
                 : state == Qt::PartiallyChecked ? TCheckBoxState::cbGrayed
                                                 : TCheckBoxState::cbUnchecked;
        RunUserHandler([this] { Click(); });
    });
}

QCheckBox* TCheckBox::CheckBoxWidget() const
{
    return static_cast<QCheckBox*>(Widget());
}

void TCheckBox::ApplyText(const std::string& text)
{
    text_ = text;
    CheckBoxWidget()->setText(ToQString(text));
}

void TCheckBox::SetChecked(bool value)
{
    SetState(value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

void TCheckBox::SetState(TCheckBoxState value)
{
    if (value == state_) {
        return;
    }
    state_ = value;
    CheckBoxWidget()->setCheckState(value == TCheckBoxState::cbChecked ? Qt::Checked
                                    : value == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                         : Qt::Unchecked);
    if (!Reading()) {
        Click();
    }
}

void TCheckBox::SetAllowGrayed(bool value)
{
    allowGrayed_ = value;
    CheckBoxWidget()->setTristate(value);
}

// ---------------------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner, new QRadioButton())
{
    SetTabStop(true);
    // The button group is the parent; the layer keeps the exclusivity itself.
    RadioWidget()->setAutoExclusive(false);
    QObject::connect(RadioWidget(), &QRadioButton::clicked, SignalContext(), [this] {
        if (checked_) {
            RadioWidget()->setChecked(true);
            return;
        }
        RunUserHandler([this] { SetChecked(true); });
    });
}

QRadioButton* TRadioButton::RadioWidget() const
{
    return static_cast<QRadioButton*>(Widget());
}

void TRadioButton::ApplyText(const std::string& text)
{
    text_ = text;
    RadioWidget()->setText(ToQString(text));
}

void TRadioButton::SiblingsUnchecked()
{
    if (Parent() == nullptr) {
        return;
    }
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        if (auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); sibling != nullptr && sibling != this) {
            sibling->checked_ = false;
            sibling->RadioWidget()->setChecked(false);
        }
    }
}

void TRadioButton::SetChecked(bool value)
{
    if (value == checked_) {
        RadioWidget()->setChecked(value);
        return;
    }
    checked_ = value;
    RadioWidget()->setChecked(value);
    if (value) {
        SiblingsUnchecked();
        if (!Reading()) {
            Click();
        }
    }
}

// ---------------------------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner, new QComboBox())
{
    SetTabStop(true);
    SetColor(clWindow);
    QComboBox* combo = ComboWidget();
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(dropDownCount_);
    items_.Sync = [this] { SyncItems(); };
    QObject::connect(combo, &QComboBox::activated, SignalContext(), [this](int index) {
        if (codeChange_ > 0) {
            return;
        }
        itemIndex_ = index;
        text_ = index >= 0 && index < items_.Count() ? items_[index] : std::string();
        RunUserHandler([this] {
            if (OnChange) {
                OnChange(this);
            }
            if (OnSelect) {
                OnSelect(this);
            }
            Click();
        });
    });
    if (QLineEdit* edit = combo->lineEdit(); edit != nullptr) {
        QObject::connect(edit, &QLineEdit::textEdited, SignalContext(), [this](const QString& text) {
            if (codeChange_ > 0) {
                return;
            }
            text_ = FromQString(text);
            itemIndex_ = items_.IndexOf(text_);
            RunUserHandler([this] {
                if (OnChange) {
                    OnChange(this);
                }
            });
        });
    }
}

QComboBox* TComboBox::ComboWidget() const
{
    return static_cast<QComboBox*>(Widget());
}

int TComboBox::ColorRole() const
{
    return QPalette::Base;
}

void TComboBox::SyncItems()
{
    QComboBox* combo = ComboWidget();
    TCodeChange change(codeChange_);
    if (itemIndex_ >= items_.Count()) {
        itemIndex_ = -1;
    }
    if (items_.OnlyAppendedOne()) {
        combo->addItem(ToQString(items_[items_.Count() - 1]));
    } else {
        combo->clear();
        QStringList list;
        for (int i = 0; i < items_.Count(); ++i) {
            list << ToQString(items_[i]);
        }
        combo->addItems(list);
    }
    items_.MarkShown();
    if (style_ == TComboBoxStyle::csDropDownList) {
        text_ = itemIndex_ >= 0 ? items_[itemIndex_] : std::string();
    }
    combo->setCurrentIndex(itemIndex_);
    if (combo->isEditable()) {
        combo->setEditText(ToQString(text_));
    }
}

void TComboBox::Loaded()
{
    TWinControl::Loaded();
    if (pendingIndex_ != -2) {
        const int index = pendingIndex_;
        pendingIndex_ = -2;
        SetItemIndex(index);
    }
}

void TComboBox::SetItemIndex(int value)
{
    if (Reading()) {
        // The items may come later in the description.
        pendingIndex_ = value;
        return;
    }
    if (value < -1 || value >= items_.Count()) {
        value = -1;
    }
    itemIndex_ = value;
    text_ = value >= 0 ? items_[value] : std::string();
    TCodeChange change(codeChange_);
    ComboWidget()->setCurrentIndex(value);
    if (ComboWidget()->isEditable()) {
        ComboWidget()->setEditText(ToQString(text_));
    }
}

std::string TComboBox::GetText() const
{
    return text_;
}

void TComboBox::ApplyText(const std::string& text)
{
    if (style_ == TComboBoxStyle::csDropDownList) {
        // Only an item can be shown: choose it, or nothing.
        SetItemIndex(items_.IndexOf(text));
        return;
    }
    text_ = text;
    TCodeChange change(codeChange_);
    ComboWidget()->setEditText(ToQString(text));
}

void TComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    TCodeChange change(codeChange_);
    ComboWidget()->setEditable(value != TComboBoxStyle::csDropDownList);
    if (QLineEdit* edit = ComboWidget()->lineEdit(); edit != nullptr) {
        QObject::connect(edit, &QLineEdit::textEdited, SignalContext(), [this](const QString& text) {
            if (codeChange_ > 0) {
                return;
            }
            text_ = FromQString(text);
            itemIndex_ = items_.IndexOf(text_);
            RunUserHandler([this] {
                if (OnChange) {
                    OnChange(this);
                }
            });
        }, Qt::UniqueConnection);
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
    }
    SyncItems();
}

void TComboBox::SetMaxLength(int value)
{
    maxLength_ = std::max(value, 0);
    if (QLineEdit* edit = ComboWidget()->lineEdit(); edit != nullptr) {
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
    }
}

void TComboBox::SetDropDownCount(int value)
{
    dropDownCount_ = value;
    ComboWidget()->setMaxVisibleItems(std::max(value, 1));
}

void TComboBox::Clear()
{
    text_.clear();
    itemIndex_ = -1;
    items_.Clear();
    SyncItems();
}

// ---------------------------------------------------------------------------------------------

TListBox::TListBox(TComponent* owner) : TWinControl(owner, new QListWidget())
{
    SetTabStop(true);
    SetColor(clWindow);
    items_.Sync = [this] { SyncItems(); };
    QObject::connect(ListWidget(), &QListWidget::currentRowChanged, SignalContext(), [this](int) {
        if (codeChange_ > 0) {
            return;
        }
        RunUserHandler([this] { Click(); });
    });
}

QListWidget* TListBox::ListWidget() const
{
    return static_cast<QListWidget*>(Widget());
}

int TListBox::ColorRole() const
{
    return QPalette::Base;
}

void TListBox::SyncItems()
{
    QListWidget* list = ListWidget();
    TCodeChange change(codeChange_);
    const int current = list->currentRow();
    if (items_.OnlyAppendedOne()) {
        list->addItem(ToQString(items_[items_.Count() - 1]));
    } else {
        list->clear();
        for (int i = 0; i < items_.Count(); ++i) {
            list->addItem(ToQString(items_[i]));
        }
    }
    items_.MarkShown();
    list->setCurrentRow(current < items_.Count() ? current : -1);
}

int TListBox::ItemIndex() const
{
    return ListWidget()->currentRow();
}

void TListBox::Loaded()
{
    TWinControl::Loaded();
    if (pendingIndex_ != -2) {
        const int index = pendingIndex_;
        pendingIndex_ = -2;
        SetItemIndex(index);
    }
}

void TListBox::SetItemIndex(int value)
{
    if (Reading()) {
        pendingIndex_ = value;
        return;
    }
    TCodeChange change(codeChange_);
    ListWidget()->setCurrentRow(value >= 0 && value < items_.Count() ? value : -1);
}

void TListBox::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    ListWidget()->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TListBox::Selected(int index) const
{
    const QListWidgetItem* item = ListWidget()->item(index);
    if (item == nullptr) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return item->isSelected();
}

void TListBox::SetSelected(int index, bool value)
{
    QListWidgetItem* item = ListWidget()->item(index);
    if (item == nullptr) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    TCodeChange change(codeChange_);
    item->setSelected(value);
}

int TListBox::SelCount() const
{
    return static_cast<int>(ListWidget()->selectedItems().size());
}

// ---------------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new QGroupBox()) {}

void TGroupBox::ApplyText(const std::string& text)
{
    text_ = text;
    static_cast<QGroupBox*>(Widget())->setTitle(ToQString(text));
}

QRect TGroupBox::AlignRect() const
{
    const int captionHeight = Widget()->fontMetrics().height();
    return QRect(2, captionHeight + 2, std::max(Width() - 4, 0), std::max(Height() - captionHeight - 4, 0));
}
