#include "platform/gui/DBCtrls.h"

#include "platform/db/DataSet.h"
#include "platform/gui/ControlBridge.h"
#include "platform/gui/Forms.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// Unhooks a control from its link before the control goes, so that no link event reaches it.
void ReleaseLink(TFieldDataLink& link)
{
    link.OnDataChange = nullptr;
    link.OnUpdateData = nullptr;
    link.OnEditingChange = nullptr;
    link.SetDataSource(nullptr);
}

// Shows the field's text in a data-aware edit, unless the user's change is still pending or the
// edit is going into edit state. The text is set as a change made by code.
template <class Edit, class FieldText>
void ShowFieldText(Edit& edit, const TFieldDataLink& link, int enteringEdit, int& settingText, FieldText fieldText)
{
    if (link.Modified() || enteringEdit > 0) return;
    const TField* field = link.Field();
    const std::string text = field != nullptr ? fieldText(*field) : std::string();
    if (text == edit.Text()) return;
    TCodeChange change(settingText);
    edit.SetText(text);
}

// The user changed a data-aware edit's text: takes the dataset into edit state, or drops the
// change and shows the field again where it cannot be modified.
void TakeTypedText(TFieldDataLink& link, int& settingText, int& enteringEdit)
{
    // Going into edit state re-reads the record; the typed text must survive that.
    bool editing = false;
    {
        TCodeChange entering(enteringEdit);
        editing = link.CanModify() && link.Edit();
    }
    if (!editing) {
        TCodeChange change(settingText);
        link.Reset();
        return;
    }
    link.SetModified();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TFieldDataLink

void TFieldDataLink::SetFieldName(const std::string& name)
{
    if (name == fieldName_) return;
    fieldName_ = name;
    modified_ = false;
    DataChange();
}

TField* TFieldDataLink::Field() const
{
    TDataSet* dataSet = DataSet();
    if (!Active() || dataSet == nullptr || fieldName_.empty()) return nullptr;
    return dataSet->FindField(fieldName_);
}

bool TFieldDataLink::CanModify() const
{
    const TField* field = Field();
    return !ReadOnly() && field != nullptr && field->CanModify();
}

void TFieldDataLink::Reset()
{
    modified_ = false;
    DataChange();
}

void TFieldDataLink::DataChange()
{
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::ActiveChanged()
{
    modified_ = false;
    if (OnActiveChange) OnActiveChange();
    DataChange();
}

void TFieldDataLink::LayoutChanged()
{
    DataChange();
}

void TFieldDataLink::RecordChanged(TField* field)
{
    if (field == nullptr || field == Field()) {
        modified_ = false;
        DataChange();
    }
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::UpdateData()
{
    if (!modified_) return;
    if (OnUpdateData) OnUpdateData();
    modified_ = false;
}

// ---------------------------------------------------------------------------------------------
// TDBText

TDBText::TDBText(TComponent* owner) : TLabel(owner)
{
    SetShowAccelChar(false);
    SetAutoSize(false);
    dataLink_.OnDataChange = [this] { DataChange(); };
}

TDBText::~TDBText()
{
    ReleaseLink(dataLink_);
}

void TDBText::SetDataSource(TDataSource* source)
{
    dataLink_.SetDataSource(source);
    DataChange();
}

void TDBText::DataChange()
{
    const TField* field = dataLink_.Field();
    SetCaption(field != nullptr ? field->DisplayText() : std::string());
}

// ---------------------------------------------------------------------------------------------
// TDBEdit

TDBEdit::TDBEdit(TComponent* owner) : TEdit(owner)
{
    dataLink_.OnDataChange = [this] { DataChange(); };
    dataLink_.OnUpdateData = [this] { UpdateData(); };
    dataLink_.OnEditingChange = [this] { DataChange(); };
    QObject::connect(EditWidget(), &QLineEdit::textChanged, SignalContext(), [this](const QString&) { UserChanged(); });
}

TDBEdit::~TDBEdit()
{
    ReleaseLink(dataLink_);
}

void TDBEdit::SetDataSource(TDataSource* source)
{
    dataLink_.SetDataSource(source);
    DataChange();
}

void TDBEdit::SetReadOnly(bool value)
{
    dataLink_.SetReadOnly(value);
    TEdit::SetReadOnly(value);
}

void TDBEdit::DataChange()
{
    ShowFieldText(*this, dataLink_, enteringEdit_, settingText_,
                  [this](const TField& field) { return dataLink_.Editing() ? field.Text() : field.DisplayText(); });
}

void TDBEdit::UserChanged()
{
    if (settingText_ > 0) return;
    RunUserHandler([this] { TakeTypedText(dataLink_, settingText_, enteringEdit_); });
}

void TDBEdit::UpdateData()
{
    if (TField* field = dataLink_.Field()) field->SetText(Text());
}

bool TDBEdit::WidgetEvent(QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        RunUserHandler([this] { dataLink_.UpdateRecord(); });
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
               dataLink_.Modified()) {
        dataLink_.Reset();
        return true;
    }
    return TEdit::WidgetEvent(event);
}

// ---------------------------------------------------------------------------------------------
// TDBMemo

TDBMemo::TDBMemo(TComponent* owner) : TMemo(owner)
{
    dataLink_.OnDataChange = [this] { DataChange(); };
    dataLink_.OnUpdateData = [this] { UpdateData(); };
    QObject::connect(MemoWidget(), &QPlainTextEdit::textChanged, SignalContext(), [this] { UserChanged(); });
}

TDBMemo::~TDBMemo()
{
    ReleaseLink(dataLink_);
}

void TDBMemo::SetDataSource(TDataSource* source)
{
    dataLink_.SetDataSource(source);
    DataChange();
}

void TDBMemo::SetReadOnly(bool value)
{
    dataLink_.SetReadOnly(value);
    TMemo::SetReadOnly(value);
}

void TDBMemo::DataChange()
{
    ShowFieldText(*this, dataLink_, enteringEdit_, settingText_, [](const TField& field) { return field.AsString(); });
}

void TDBMemo::UserChanged()
{
    if (settingText_ > 0) return;
    RunUserHandler([this] { TakeTypedText(dataLink_, settingText_, enteringEdit_); });
}

void TDBMemo::UpdateData()
{
    if (TField* field = dataLink_.Field()) field->SetAsString(Text());
}

bool TDBMemo::WidgetEvent(QEvent* event)
{
    if (event->type() == QEvent::FocusOut) RunUserHandler([this] { dataLink_.UpdateRecord(); });
    return TMemo::WidgetEvent(event);
}
