#include "platform/gui/Dialogs.h"

#include "platform/gui/GuiText.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

TDialogScript* currentScript = nullptr;

constexpr const char* buttonNames[] = {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore", "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"};
constexpr const char* buttonCaptions[] = {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
constexpr const char* resultNames[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes", "mrNo", "mrAll", "mrNoToAll", "mrYesToAll"};

TModalResult ButtonResult(TMsgDlgBtn button)
{
    switch (button) {
    case TMsgDlgBtn::mbYes: return TModalResult::mrYes;
    case TMsgDlgBtn::mbNo: return TModalResult::mrNo;
    case TMsgDlgBtn::mbOK: return TModalResult::mrOk;
    case TMsgDlgBtn::mbCancel: return TModalResult::mrCancel;
    case TMsgDlgBtn::mbAbort: return TModalResult::mrAbort;
    case TMsgDlgBtn::mbRetry: return TModalResult::mrRetry;
    case TMsgDlgBtn::mbIgnore: return TModalResult::mrIgnore;
    case TMsgDlgBtn::mbAll: return TModalResult::mrAll;
    case TMsgDlgBtn::mbNoToAll: return TModalResult::mrNoToAll;
    case TMsgDlgBtn::mbYesToAll: return TModalResult::mrYesToAll;
    case TMsgDlgBtn::mbHelp: break;
    }
    return TModalResult::mrNone;
}

std::string TypeCaption(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning: return "Warning";
    case TMsgDlgType::mtError: return "Error";
    case TMsgDlgType::mtInformation: return "Information";
    case TMsgDlgType::mtConfirmation: return "Confirm";
    case TMsgDlgType::mtCustom: break;
    }
    return Application != nullptr ? Application->Title() : std::string();
}

QWidget* DialogParent()
{
    return QApplication::activeWindow();
}

// "Text files|*.txt|All|*.*" becomes "Text files (*.txt);;All (*.*)".
QString ToQtFilter(const std::string& filter)
{
    QStringList parts;
    size_t position = 0;
    std::vector<std::string> pieces;
    while (position <= filter.size()) {
        const size_t bar = filter.find('|', position);
        pieces.push_back(filter.substr(position, bar == std::string::npos ? std::string::npos : bar - position));
        if (bar == std::string::npos) {
            break;
        }
        position = bar + 1;
    }
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
        std::string patterns = pieces[i + 1];
        for (char& c : patterns) {
            if (c == ';') {
                c = ' ';
            }
        }
        parts << ToQString(pieces[i] + " (" + patterns + ")");
    }
    return parts.join(QStringLiteral(";;"));
}

}  // namespace

std::string MsgDlgBtnName(TMsgDlgBtn button)
{
    return buttonNames[static_cast<size_t>(button)];
}

std::string ModalResultName(TModalResult result)
{
    return resultNames[static_cast<size_t>(result)];
}

TDialogScript::TDialogScript() : previous_(currentScript)
{
    currentScript = this;
}

TDialogScript::~TDialogScript()
{
    currentScript = previous_;
}

TDialogScript* TDialogScript::Current()
{
    return currentScript;
}

TDialogAnswer TDialogScript::Take(const TDialogRecord& request, const TDialogAnswer& fallback)
{
    TDialogAnswer answer = fallback;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    TDialogRecord record = request;
    record.Answer = answer.Result;
    records_.push_back(record);
    return answer;
}

TModalResult ShowMessageBox(const std::string& caption, const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons)
{
    const TMsgDlgButtons shown = buttons.empty() ? TMsgDlgButtons{TMsgDlgBtn::mbOK} : buttons;
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = TDialogKind::dkMessage;
        request.Caption = caption;
        request.Text = text;
        request.Type = type;
        request.Buttons = shown;
        return script->Take(request, TDialogAnswer{ButtonResult(shown.front()), {}, clBlack, 0}).Result;
    }
    QMessageBox box(DialogParent());
    box.setWindowTitle(ToQString(caption));
    box.setText(ToQString(text));
    switch (type) {
    case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case TMsgDlgType::mtCustom: break;
    }
    std::vector<std::pair<QAbstractButton*, TModalResult>> results;
    for (TMsgDlgBtn button : shown) {
        QPushButton* pushButton = box.addButton(QString::fromLatin1(buttonCaptions[static_cast<size_t>(button)]),
                                                button == TMsgDlgBtn::mbCancel || button == TMsgDlgBtn::mbNo
                                                    ? QMessageBox::RejectRole
                                                    : QMessageBox::AcceptRole);
        results.emplace_back(pushButton, ButtonResult(button));
    }
    box.setDefaultButton(static_cast<QPushButton*>(results.front().first));
    box.exec();
    for (const auto& [button, result] : results) {
        if (box.clickedButton() == button) {
            return result;
        }
    }
    return TModalResult::mrCancel;
}

TModalResult MessageDlg(const std::string& message, TMsgDlgType type, const TMsgDlgButtons& buttons, int)
{
    return ShowMessageBox(TypeCaption(type), message, type, buttons);
}

void ShowMessage(const std::string& message)
{
    ShowMessageBox(Application != nullptr ? Application->Title() : std::string(), message, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK});
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = TDialogKind::dkInput;
        request.Caption = caption;
        request.Text = prompt;
        request.Buttons = {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel};
        const TDialogAnswer answer = script->Take(request, TDialogAnswer{TModalResult::mrCancel, {}, clBlack, 0});
        if (answer.Result != TModalResult::mrOk) {
            return false;
        }
        value = answer.Text;
        return true;
    }
    bool accepted = false;
    const QString text = QInputDialog::getText(DialogParent(), ToQString(caption), ToQString(prompt), QLineEdit::Normal,
                                               ToQString(value), &accepted);
    if (!accepted) {
        return false;
    }
    value = FromQString(text);
    return true;
}

bool TOpenDialog::Execute()
{
    const TDialogKind kind = Saving() ? TDialogKind::dkSave : TDialogKind::dkOpen;
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = kind;
        request.Caption = Title;
        request.Text = InitialDir.empty() ? FileName : InitialDir + "/" + FileName;
        const TDialogAnswer answer = script->Take(request, TDialogAnswer{TModalResult::mrCancel, {}, clBlack, 0});
        if (answer.Result != TModalResult::mrOk) {
            return false;
        }
        FileName = answer.Text;
        Files.Clear();
        Files.Add(FileName);
        return true;
    }
    QString start = ToQString(InitialDir);
    if (!FileName.empty()) {
        start = InitialDir.empty() ? ToQString(FileName) : start + QLatin1Char('/') + ToQString(FileName);
    }
    const QString filter = ToQtFilter(Filter);
    Files.Clear();
    if (Saving()) {
        QFileDialog::Options options;
        if (!dynamic_cast<TSaveDialog*>(this)->OverwritePrompt) {
            options |= QFileDialog::DontConfirmOverwrite;
        }
        QString chosen = QFileDialog::getSaveFileName(DialogParent(), ToQString(Title), start, filter, nullptr, options);
        if (chosen.isEmpty()) {
            return false;
        }
        FileName = FromQString(chosen);
        if (!DefaultExt.empty() && FileName.find('.', FileName.find_last_of('/') + 1) == std::string::npos) {
            FileName += "." + DefaultExt;
        }
        Files.Add(FileName);
        return true;
    }
    if (AllowMultiSelect) {
        const QStringList chosen = QFileDialog::getOpenFileNames(DialogParent(), ToQString(Title), start, filter);
        if (chosen.isEmpty()) {
            return false;
        }
        for (const QString& name : chosen) {
            Files.Add(FromQString(name));
        }
        FileName = Files[0];
        return true;
    }
    const QString chosen = QFileDialog::getOpenFileName(DialogParent(), ToQString(Title), start, filter);
    if (chosen.isEmpty()) {
        return false;
    }
    FileName = FromQString(chosen);
    Files.Add(FileName);
    return true;
}

bool TColorDialog::Execute()
{
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = TDialogKind::dkColor;
        request.Text = ColorToString(Color);
        const TDialogAnswer answer = script->Take(request, TDialogAnswer{TModalResult::mrCancel, {}, Color, 0});
        if (answer.Result != TModalResult::mrOk) {
            return false;
        }
        Color = answer.Color;
        return true;
    }
    const QColor chosen = QColorDialog::getColor(ToQColor(Color), DialogParent());
    if (!chosen.isValid()) {
        return false;
    }
    Color = FromQColor(chosen);
    return true;
}

bool TFontDialog::Execute()
{
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = TDialogKind::dkFont;
        request.Text = Font.Name();
        const TDialogAnswer answer = script->Take(request, TDialogAnswer{TModalResult::mrCancel, {}, clBlack, 0});
        if (answer.Result != TModalResult::mrOk) {
            return false;
        }
        Font.SetName(answer.Text);
        if (answer.Number > 0) {
            Font.SetSize(answer.Number);
        }
        Font.SetColor(answer.Color);
        return true;
    }
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, Font.ToQFont(), DialogParent());
    if (!accepted) {
        return false;
    }
    Font.FromQFont(chosen);
    return true;
}

bool TFolderDialog::Execute()
{
    if (TDialogScript* script = TDialogScript::Current()) {
        TDialogRecord request;
        request.Kind = TDialogKind::dkFolder;
        request.Caption = Title;
        request.Text = Directory;
        const TDialogAnswer answer = script->Take(request, TDialogAnswer{TModalResult::mrCancel, {}, clBlack, 0});
        if (answer.Result != TModalResult::mrOk) {
            return false;
        }
        Directory = answer.Text;
        return true;
    }
    const QString chosen = QFileDialog::getExistingDirectory(DialogParent(), ToQString(Title), ToQString(Directory));
    if (chosen.isEmpty()) {
        return false;
    }
    Directory = FromQString(chosen);
    return true;
}
