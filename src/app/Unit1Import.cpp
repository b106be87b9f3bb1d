// The main window's import of tables written by earlier versions: each command appends every
// record of a chosen table to the matching table of the tracker, copying the fields by position.
//
// The chosen table is the user's own file and is only read: it is opened for reading, its
// deleted records are skipped while walking, and nothing is ever written to it.

#include "app/EditorSupport.h"
#include "app/Unit1.h"
#include "app/Unit1HandlerBinding.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <exception>
#include <string>

namespace {

constexpr int kEveryPosition = -1;
constexpr int kNoCompletionFlag = -1;

struct TImportCommand {
    const char* Dialog;  // the open dialog of the command
    TXbSmartDBF* Tmainfrm::*Source;
    TXbSmartDBF* Tmainfrm::*Target;
    int Positions;           // positions copied from 0 on, or every position of the target
    int CompletionPosition;  // the completion flag, or none
    bool CreatesProjects;    // ticket imports add the projects they name
    // The project, list, contact and work-time imports show their own errors and put the target
    // table back; the ticket and sub-ticket imports leave errors to the application.
    bool CatchAll;
    TMsgDlgType DoneBoxType;
};

constexpr int kTicketCompleted = static_cast<int>(TTicketField::COMPLETED);
constexpr int kSubticketCompleted = static_cast<int>(TSubticketField::COMPLETED);
constexpr int kTicketProduct = static_cast<int>(TTicketField::PRODUCT);
constexpr int kTicketVersion = static_cast<int>(TTicketField::VERSION);

constexpr TMsgDlgType kInformation = TMsgDlgType::mtInformation;
constexpr TMsgDlgType kConfirmation = TMsgDlgType::mtConfirmation;

constexpr TImportCommand kTrevassoMain{"importmaindb", &Tmainfrm::importdb, &Tmainfrm::maindb, 25, kTicketCompleted,
                                       true, false, kInformation};
constexpr TImportCommand kTrevassoSub{"importsubdb", &Tmainfrm::importdb, &Tmainfrm::subdb, 17, kSubticketCompleted,
                                      false, false, kConfirmation};
constexpr TImportCommand kProjects{"importproductdb", &Tmainfrm::importdb, &Tmainfrm::appsdb, kEveryPosition,
                                   kNoCompletionFlag, false, true, kInformation};
constexpr TImportCommand kTickets{"importticketdb", &Tmainfrm::importdb, &Tmainfrm::maindb, kEveryPosition,
                                  kTicketCompleted, true, false, kInformation};
constexpr TImportCommand kSubtickets{"importsubticketdb", &Tmainfrm::importdb, &Tmainfrm::subdb, kEveryPosition,
                                     kSubticketCompleted, false, false, kConfirmation};
constexpr TImportCommand kLists{"importlistdb", &Tmainfrm::importdb, &Tmainfrm::listdb, kEveryPosition,
                                kNoCompletionFlag, false, true, kInformation};
constexpr TImportCommand kContacts{"importcontactdb", &Tmainfrm::importcontact, &Tmainfrm::contactdb, kEveryPosition,
                                   kNoCompletionFlag, false, true, kInformation};
constexpr TImportCommand kWorktime{"importworktimedb", &Tmainfrm::importdb, &Tmainfrm::workdb, kEveryPosition,
                                   kNoCompletionFlag, false, true, kInformation};

// The text of a source position; empty when the source has no such position.
std::string SourceText(TDataSet& source, int position)
{
    if (position >= source.Fields().Count()) {
        return std::string();
    }
    return source.Fields().Fields(position)->AsString();
}

// A completion flag: a logical field's own value; any other field counts as completed when its
// text is not empty.
bool SourceCompleted(const TField& field)
{
    if (field.DataType() == TFieldType::ftBoolean) {
        return !field.IsNull() && field.AsBoolean();
    }
    return !field.AsString().empty();
}

// Copies one field: by its text, or else by its value. False when neither could be stored; the
// target field then keeps its blank value.
bool CopyField(const TField& from, TField& to)
{
    try {
        to.SetAsString(from.AsString());
        return true;
    } catch (const std::exception&) {
    }
    try {
        to.SetValue(from.Value());
        return true;
    } catch (const std::exception&) {
    }
    return false;
}

// Fills the target's pending record from the source's current record. False when a field the
// source has could not be copied. Positions the source does not have stay blank: an earlier
// table with fewer fields has nothing to give there.
bool CopyRecord(TDataSet& source, TDataSet& target, const TImportCommand& command)
{
    const int targetCount = target.Fields().Count();
    const int positions = command.Positions == kEveryPosition ? targetCount : std::min(command.Positions, targetCount);
    const int copied = std::min(positions, source.Fields().Count());
    bool complete = true;
    for (int position = 0; position < copied; ++position) {
        const TField& from = *source.Fields().Fields(position);
        TField& to = *target.Fields().Fields(position);
        if (position == command.CompletionPosition) {
            try {
                to.SetAsBoolean(SourceCompleted(from));
            } catch (const std::exception&) {
                complete = false;
            }
        } else if (!CopyField(from, to)) {
            complete = false;
        }
    }
    return complete;
}

// The source table, open for reading only while it is walked, and closed however the import
// ends.
class TSourceTable {
public:
    TSourceTable(TXbSmartDBF& table, const std::string& fileName) : table_(table)
    {
        table_.Close();
        table_.DBFFileName = fileName;
        // Read only: other programs may read the file meanwhile, but no one writes to it.
        table_.AccessMode().SetAccessMode(TAccessMode::kShareDenyWrite);
        table_.SetSetDeleted(true);
        table_.Open();
    }
    ~TSourceTable()
    {
        try {
            table_.Close();
        } catch (...) {
            // A read-only table has nothing to write back; the import's own outcome stands.
        }
    }
    TSourceTable(const TSourceTable&) = delete;
    TSourceTable& operator=(const TSourceTable&) = delete;

private:
    TXbSmartDBF& table_;
};

void CancelPending(TDataSet& table) noexcept
{
    try {
        const TDataSetState state = table.State();
        if (state == TDataSetState::dsInsert || state == TDataSetState::dsEdit) {
            table.Cancel();
        }
    } catch (...) {
        // Only the buffer is dropped here; the error that brought us here is the one to report.
    }
}

// Adds a project record for a ticket's project that the project table does not know yet, and
// says so.
void AddMissingProject(Tmainfrm& window, TDataSet& source)
{
    const std::string name = SourceText(source, kTicketProduct);
    // A ticket without a project names none to create.
    if (name.empty() || !window.appsdb->Active()) {
        return;
    }
    if (ContainsText(window.Get<TListBox>("projectlist")->Items(), name)) {
        return;
    }
    const std::string version = SourceText(source, kTicketVersion);
    WriteRecord(*window.appsdb, false, [&] {
        window.appsdb->Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString(name);
        window.appsdb->Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString(version);
    });
    window.FillProductLists();
    MessageDlg(name + " " + window.Message(44), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbYes});
}

struct TImportCount {
    int Added = 0;
    int Failed = 0;  // records with a field that could not be copied
};

// Walks the source and appends each of its records to the target.
TImportCount AppendRecords(Tmainfrm& window, TXbSmartDBF& source, TXbSmartDBF& target, const TImportCommand& command)
{
    TImportCount count;
    source.First();
    while (!source.Eof()) {
        bool complete = true;
        {
            TControlsOff controlsOff(target);
            WriteRecord(target, false, [&] { complete = CopyRecord(source, target, command); });
        }
        ++count.Added;
        if (!complete) {
            ++count.Failed;
        }
        if (command.CreatesProjects) {
            AddMissingProject(window, source);
        }
        source.Next();
    }
    return count;
}

void Reopen(TXbSmartDBF& table)
{
    table.Close();
    table.Open();
}

void ShowResult(Tmainfrm& window, const TImportCommand& command, const TImportCount& count)
{
    std::string text = window.Message(24) + std::to_string(count.Added);
    if (count.Failed > 0) {
        text += "\r\nRecord(s) with a field that could not be copied: " + std::to_string(count.Failed);
    }
    MessageDlg(text, command.DoneBoxType, {TMsgDlgBtn::mbYes});
    MessageDlg(window.Message(25), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbYes});
    MessageDlg(window.Message(26), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbYes});
}

void RunImport(Tmainfrm& window, const TImportCommand& command)
{
    if (MessageDlg(window.Message(3), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
        TModalResult::mrYes) {
        return;
    }
    auto* dialog = window.Get<TOpenDialog>(command.Dialog);
    dialog->InitialDir = ExcludeTrailingPathDelimiter(ApplicationFolder());
    if (!dialog->Execute()) {
        return;
    }
    TWaitCursor waitCursor;
    TXbSmartDBF& target = *(window.*command.Target);
    const std::string fileName = dialog->FileName;
    if (!target.Active() || !FileExists(fileName)) {
        return;
    }
    TXbSmartDBF& source = *(window.*command.Source);
    auto import = [&] {
        TImportCount count;
        {
            TSourceTable open(source, fileName);
            count = AppendRecords(window, source, target, command);
        }
        Reopen(target);
        ShowResult(window, command, count);
    };
    if (!command.CatchAll) {
        import();
        return;
    }
    window.RunCatchAll([&] {
        try {
            import();
        } catch (...) {
            // The records appended so far stay; the target is shown afresh before the error.
            CancelPending(target);
            try {
                Reopen(target);
            } catch (...) {
                // The import's own error is the one the user needs to see.
            }
            throw;
        }
    });
}

}  // namespace

void Tmainfrm::Import2xTrevassoMAINdatabase1Click(TObject*) { RunImport(*this, kTrevassoMain); }
void Tmainfrm::Import2xTrevassoSUBdatabase1Click(TObject*) { RunImport(*this, kTrevassoSub); }
void Tmainfrm::ImportZentivorv3xPRODUCTPROJECTdatabase1Click(TObject*) { RunImport(*this, kProjects); }
void Tmainfrm::ImportZentivorv3xTICKETdatabase1Click(TObject*) { RunImport(*this, kTickets); }
void Tmainfrm::ImportZentivorv3xSUBTICKETdatabase1Click(TObject*) { RunImport(*this, kSubtickets); }
void Tmainfrm::ImportZentivorv3xLISTdatabase1Click(TObject*) { RunImport(*this, kLists); }
void Tmainfrm::ImportZentivorv3xCONTACTdatabase1Click(TObject*) { RunImport(*this, kContacts); }
void Tmainfrm::ImportZentivorv3xWORKTIMEdatabase1Click(TObject*) { RunImport(*this, kWorktime); }

void Tmainfrm::BindImportHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "Import2xTrevassoMAINdatabase1Click", &Tmainfrm::Import2xTrevassoMAINdatabase1Click);
    BindMainHandler(handlers, this, "Import2xTrevassoSUBdatabase1Click", &Tmainfrm::Import2xTrevassoSUBdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xPRODUCTPROJECTdatabase1Click",
                    &Tmainfrm::ImportZentivorv3xPRODUCTPROJECTdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xTICKETdatabase1Click", &Tmainfrm::ImportZentivorv3xTICKETdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xSUBTICKETdatabase1Click",
                    &Tmainfrm::ImportZentivorv3xSUBTICKETdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xLISTdatabase1Click", &Tmainfrm::ImportZentivorv3xLISTdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xCONTACTdatabase1Click", &Tmainfrm::ImportZentivorv3xCONTACTdatabase1Click);
    BindMainHandler(handlers, this, "ImportZentivorv3xWORKTIMEdatabase1Click", &Tmainfrm::ImportZentivorv3xWORKTIMEdatabase1Click);
}
