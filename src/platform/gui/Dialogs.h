#pragma once
// Message boxes and the common dialogs (open, save, colour, font, folder).
//
// For tests every box and dialog can be answered from a queue instead of the user: while a
// TDialogScript is active, each box or dialog records what it would have shown (its kind,
// caption, text and buttons) and takes the next answer from the queue; with the queue empty it
// takes the default answer (the first button, or Cancel for the file, colour, font and folder
// dialogs). Without a script the real Qt dialogs are shown.

#include "platform/classes/Components.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"

#include <deque>
#include <string>
#include <vector>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = std::vector<TMsgDlgBtn>;

// Shows a message box and returns the modal result of the button pressed.
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext = 0);
// A box with the text and an OK button, captioned with the application title.
void ShowMessage(const std::string& message);
// The box behind TApplication::MessageBox and MessageDlg: caption, text, type and buttons.
TModalResult ShowMessageBox(const std::string& caption, const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons);
// Asks for one line of text; true (and `value` holds the text) when the user pressed OK,
// false (and `value` as it was) on Cancel. Answered from a dialog script like the boxes: the
// record holds the caption and the prompt, an OK answer's Text is the text typed.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
std::string ModalResultName(TModalResult result);
std::string MsgDlgBtnName(TMsgDlgBtn button);

enum class TDialogKind { dkMessage, dkOpen, dkSave, dkColor, dkFont, dkFolder, dkInput };

struct TDialogRecord {
    TDialogKind Kind = TDialogKind::dkMessage;
    std::string Caption;
    std::string Text;  // message text, or the initial file name / folder of a dialog
    TMsgDlgType Type = TMsgDlgType::mtCustom;
    TMsgDlgButtons Buttons;
    TModalResult Answer = TModalResult::mrNone;
};

// An answer in the queue: the button (mrOk/mrYes/... ; mrCancel cancels a dialog), and for
// dialogs the chosen file or folder name (Text), colour, or font name and size.
struct TDialogAnswer {
    TModalResult Result = TModalResult::mrOk;
    std::string Text;
    TColor Color = clBlack;
    int Number = 0;
};

class TDialogScript {
public:
    TDialogScript();
    ~TDialogScript();
    TDialogScript(const TDialogScript&) = delete;
    TDialogScript& operator=(const TDialogScript&) = delete;

    void Answer(TModalResult result) { answers_.push_back(TDialogAnswer{result, {}, clBlack, 0}); }
    void Answer(const TDialogAnswer& answer) { answers_.push_back(answer); }
    const std::vector<TDialogRecord>& Records() const noexcept { return records_; }
    size_t Pending() const noexcept { return answers_.size(); }
    void ClearRecords() { records_.clear(); }

    // The active script, or null.
    static TDialogScript* Current();
    // Records the request and returns the next answer (or the default one).
    TDialogAnswer Take(const TDialogRecord& request, const TDialogAnswer& fallback);

private:
    std::deque<TDialogAnswer> answers_;
    std::vector<TDialogRecord> records_;
    TDialogScript* previous_ = nullptr;
};

enum class TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofAllowMultiSelect, ofPathMustExist, ofFileMustExist, ofNoChangeDir };

// The open and save dialogs. Filter is "Description|*.ext|Description|*.a;*.b".
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TOpenDialog"; }
    virtual bool Execute();

    std::string FileName;
    std::string InitialDir;
    std::string Filter;
    int FilterIndex = 1;
    std::string DefaultExt;
    std::string Title;
    bool AllowMultiSelect = false;
    TStringList Files;

protected:
    virtual bool Saving() const { return false; }
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    const char* ClassName() const noexcept override { return "TSaveDialog"; }
    bool OverwritePrompt = true;

protected:
    bool Saving() const override { return true; }
};

class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TColorDialog"; }
    bool Execute();
    TColor Color = clBlack;
};

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TFontDialog"; }
    bool Execute();
    TFont Font;
};

// Chooses a folder; Directory is the folder shown first and, after OK, the chosen one.
class TFolderDialog : public TComponent {
public:
    explicit TFolderDialog(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TFolderDialog"; }
    bool Execute();
    std::string Title;
    std::string Directory;
};
