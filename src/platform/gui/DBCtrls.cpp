#include "platform/gui/DBCtrls.h"

#include "platform/db/DataSet.h"
#include "platform/gui/ControlBridge.h"
#include "platform/gui/Forms.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

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
    dataLink_.OnDataChange = nullptr;
    dataLink_.SetDataSource(nullptr);
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
    dataLink_.OnDataChange = nullptr;
    dataLink_.OnUpdateData = nullptr;
    dataLink_.OnEditingChange = nullptr;
    dataLink_.SetDataSource(nullptr);
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
    if (dataLink_.Modified() || enteringEdit_ > 0) return;
    const TField* field = dataLink_.Field();
    std::string text;
    if (field != nullptr) text = dataLink_.Editing() ? field->Text() : field->DisplayText();
    if (text == Text()) return;
    TCodeChange change(settingText_);
    SetText(text);
}

void TDBEdit::UserChanged()
{
    if (settingText_ > 0) return;
    RunUserHandler([this] {
        // Going into edit state re-reads the record; the typed text must survive that.
        bool editing = false;
        {
            TCodeChange entering(enteringEdit_);
            editing = dataLink_.CanModify() && dataLink_.Edit();
        }
        if (!editing) {
            TCodeChange change(settingText_);
            dataLink_.Reset();
            return;
        }
        dataLink_.SetModified();
    });
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
    dataLink_.OnDataChange = nullptr;
    dataLink_.OnUpdateData = nullptr;
    dataLink_.SetDataSource(nullptr);
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
    if (dataLink_.Modified() || enteringEdit_ > 0) return;
    const TField* field = dataLink_.Field();
    const std::string text = field != nullptr ? field->AsString() : std::string();
    if (text == Text()) return;
    TCodeChange change(settingText_);
    SetText(text);
}

void TDBMemo::UserChanged()
{
    if (settingText_ > 0) return;
    RunUserHandler([this] {
        // Going into edit state re-reads the record; the typed text must survive that.
        bool editing = false;
        {
            TCodeChange entering(enteringEdit_);
            editing = dataLink_.CanModify() && dataLink_.Edit();
        }
        if (!editing) {
            TCodeChange change(settingText_);
            dataLink_.Reset();
            return;
        }
        dataLink_.SetModified();
    });
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
