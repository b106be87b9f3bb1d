#include "app/EditorSupport.h"

#include "app/Settings.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

std::string FieldText(TDataSet& table, int position)
{
    return table.Fields().Fields(position)->AsString();
}

// Percent-encodes the UTF-8 form of an ANSI text; `keep` lists the characters besides letters,
// digits and "-._~" that stay as they are.
std::string PercentEncode(const std::string& ansi, std::string_view keep)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : AnsiToUtf8(ansi)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || keep.find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

std::string HostMessage(const TEditorHost& host, int number)
{
    return host.Message ? host.Message(number) : std::string();
}

bool HostSetting(const TEditorHost& host, const TBooleanSetting& key)
{
    return host.SettingsIni != nullptr ? ReadSetting(*host.SettingsIni, key) : key.Default;
}

std::string HostSetting(const TEditorHost& host, const TStringSetting& key)
{
    return host.SettingsIni != nullptr ? ReadSetting(*host.SettingsIni, key) : std::string(key.Default);
}

TControlsOff::TControlsOff(TDataSet& table) : table_(table)
{
    table_.DisableControls();
}

TControlsOff::~TControlsOff()
{
    try {
        table_.EnableControls();
    } catch (...) {
        // The grids repaint on their next change; nothing more can be done here.
    }
}

std::string MemoText(TMemo& memo)
{
    return LinesText(memo.Lines());
}

std::string LinesText(TStrings& lines)
{
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) {
        text += lines[i];
        text += "\r\n";
    }
    return text;
}

bool ContainsText(const TStrings& items, const std::string& text)
{
    for (int i = 0; i < items.Count(); ++i) {
        if (AnsiSameText(items[i], text)) {
            return true;
        }
    }
    return false;
}

void AddUnique(TStrings& items, const std::string& item)
{
    if (!ContainsText(items, item)) {
        items.Add(item);
    }
}

TUniqueTexts::TUniqueTexts(TStrings& items) : items_(items)
{
    for (int i = 0; i < items.Count(); ++i) {
        texts_.insert(items[i]);
    }
    items_.BeginUpdate();
}

TUniqueTexts::~TUniqueTexts()
{
    try {
        items_.EndUpdate();
    } catch (...) {
        // The control shows its items at its next update.
    }
}

void TUniqueTexts::Add(const std::string& text)
{
    if (texts_.insert(text).second) {
        items_.Add(text);
    }
}

size_t TUniqueTexts::TCapitalHash::operator()(std::string_view text) const noexcept
{
    // The capital of every byte, looked up in a table made once.
    static const std::array<unsigned char, 256> capitals = [] {
        std::array<unsigned char, 256> table{};
        for (size_t c = 0; c < table.size(); ++c) {
            table[c] = static_cast<unsigned char>(AnsiUpperChar(static_cast<char>(c)));
        }
        return table;
    }();
    uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash = (hash ^ capitals[static_cast<unsigned char>(c)]) * 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

bool TUniqueTexts::TSameText::operator()(std::string_view a, std::string_view b) const noexcept
{
    return AnsiSameText(a, b);
}

void ClearItemsKeepText(TComboBox& combo)
{
    const std::string text = combo.Text();
    combo.Items().Clear();
    combo.SetText(text);
}

void WriteDate(TField& field, const TDateTimePicker& picker)
{
    if (picker.Checked()) {
        field.SetAsDateTime(DateOf(picker.Date()));
    } else {
        field.Clear();
    }
}

void FillListCombos(TDataSet& lists, bool useLocalItem, std::span<const TListPickList> combos)
{
    for (const auto& entry : combos) {
        ClearItemsKeepText(*entry.second);
    }
    TControlsOff controlsOff(lists);
    lists.First();
    while (!lists.Eof()) {
        const int listId = lists.Fields().Fields(static_cast<int>(TListField::LISTID))->AsInteger();
        for (const auto& entry : combos) {
            if (static_cast<int>(entry.first) != listId) {
                continue;
            }
            std::string item;
            if (useLocalItem) {
                item = FieldText(lists, static_cast<int>(TListField::LOCALITEM));
            }
            if (item.empty()) {
                item = FieldText(lists, static_cast<int>(TListField::LISTITEM));
            }
            AddUnique(entry.second->Items(), item);
        }
        lists.Next();
    }
}

void FillPersonCombos(TDataSet& contacts, const std::function<void()>& clearContactFilter,
                      std::span<TComboBox* const> combos)
{
    for (TComboBox* combo : combos) {
        ClearItemsKeepText(*combo);
    }
    contacts.SetFiltered(false);
    if (clearContactFilter) {
        clearContactFilter();
    }
    TControlsOff controlsOff(contacts);
    contacts.First();
    while (!contacts.Eof()) {
        const std::string name = FieldText(contacts, static_cast<int>(TContactField::NAME));
        for (TComboBox* combo : combos) {
            AddUnique(combo->Items(), name);
        }
        contacts.Next();
    }
}

void VisitRecords(TDataSet& table, const std::function<void()>& visit)
{
    if (auto* dbf = dynamic_cast<TXbSmartDBF*>(&table); dbf != nullptr && dbf->VisitShownRecords(visit)) {
        return;
    }
    for (table.First(); !table.Eof(); table.Next()) {
        visit();
    }
}

void VisitRecordsAndFiltered(TDataSet& table, const std::function<void()>& everyRecord,
                             const std::function<void()>& filtered)
{
    if (auto* dbf = dynamic_cast<TXbSmartDBF*>(&table);
        dbf != nullptr && dbf->VisitRecordsMarkingFiltered([&](bool accepted) {
            everyRecord();
            if (accepted) {
                filtered();
            }
        })) {
        return;
    }
    if (!table.Filtered()) {
        for (table.First(); !table.Eof(); table.Next()) {
            everyRecord();
            filtered();
        }
        return;
    }
    {
        TWholeTableWalk walk(table);
        for (table.First(); !table.Eof(); table.Next()) {
            everyRecord();
        }
        walk.Restore();
    }
    for (table.First(); !table.Eof(); table.Next()) {
        filtered();
    }
}

TWholeTableWalk::TWholeTableWalk(TDataSet& table)
    : table_(table), recordNumber_(table.RecNo()), wasFiltered_(table.Filtered())
{
    if (wasFiltered_) {
        table_.SetFiltered(false);
    }
}

TWholeTableWalk::~TWholeTableWalk()
{
    if (restored_) {
        return;
    }
    try {
        Restore();
    } catch (...) {
        // The table stays where the walk left it.
    }
}

void TWholeTableWalk::Restore()
{
    restored_ = true;
    if (wasFiltered_) {
        table_.SetFiltered(true);
    }
    if (recordNumber_ > 0) {
        table_.SetRecNo(recordNumber_);
    }
}

void RunHostCommand(const std::function<void()>& command, const std::function<void()>& refill)
{
    if (command) {
        command();
    }
    refill();
}

void LoadPickerDate(TDateTimePicker& picker, TField& field)
{
    if (field.IsNull()) {
        picker.SetDate(Date());
        picker.SetChecked(false);
    } else {
        picker.SetDate(DateOf(field.AsDateTime()));
        picker.SetChecked(true);
    }
}

void WriteRecord(TDataSet& table, bool editing, const std::function<void()>& write)
{
    try {
        if (editing) {
            table.Edit();
        } else {
            table.Append();
        }
        write();
        table.Post();
    } catch (...) {
        const TDataSetState state = table.State();
        if (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) {
            try {
                table.Cancel();
            } catch (...) {
                // The first error is the one to report; cancelling only drops the buffer.
            }
        }
        throw;
    }
}

void RefreshAfterSave(TDataSet& table)
{
    table.Refresh();
    if (table.RecordCount() < 2) {
        table.Close();
        table.Open();
    }
}

void CloseEditorForm(TForm& form, TModalResult result)
{
    if (form.Modal()) {
        form.SetModalResult(result);
    } else {
        form.Close();
    }
}

std::string MakeRecordId(const std::string& prefix, int recordNumber, int hour, int minute, int second, size_t width,
                         const std::function<bool(const std::string&)>& taken)
{
    const std::string plain = prefix + IntToStr(recordNumber) + IntToStr(hour) + IntToStr(minute) + IntToStr(second);
    std::string id = plain.substr(0, width);
    // Ids are compared as the table keeps them: cut to the field's width.
    for (int suffix = 2; taken && taken(id); ++suffix) {
        const std::string tail = "-" + IntToStr(suffix);
        if (tail.size() >= width) {
            throw EDatabaseError("No free record id for " + plain);
        }
        id = plain.substr(0, std::min(plain.size(), width - tail.size())) + tail;
    }
    return id;
}

bool RecordIdTaken(TDataSet& table, int position, const std::string& id)
{
    TField& idField = *table.Fields().Fields(position);
    const bool filtered = table.Filtered();
    const TBookmark bookmark = table.BookmarkAvailable() ? table.GetBookmark() : TBookmark{};
    bool found = false;
    TControlsOff controlsOff(table);
    if (filtered) {
        table.SetFiltered(false);
    }
    table.First();
    while (!table.Eof() && !found) {
        found = TrimRight(idField.AsString()) == id;
        table.Next();
    }
    if (filtered) {
        table.SetFiltered(true);
    }
    if (!bookmark.empty() && table.BookmarkValid(bookmark)) {
        table.GotoBookmark(bookmark);
    }
    return found;
}

std::string MailLink(const std::string& address, const std::string& programVersion)
{
    return "mailto:" + PercentEncode(address, "@!$'*+") + "?subject=" +
           PercentEncode("Zentivor [" + programVersion + "]", "") + "&body=";
}

void SendMailToContact(TDataSet& contacts, const std::function<void()>& clearContactFilter, const std::string& name,
                       const std::string& noAddressMessage, const std::string& programVersion)
{
    contacts.SetFiltered(false);
    if (clearContactFilter) {
        clearContactFilter();
    }
    bool found = false;
    std::string address;
    {
        TControlsOff controlsOff(contacts);
        contacts.First();
        while (!contacts.Eof()) {
            if (FieldText(contacts, static_cast<int>(TContactField::NAME)) == name) {
                const std::string email = FieldText(contacts, static_cast<int>(TContactField::EMAIL));
                if (!email.empty()) {
                    if (!found) {
                        address = email;
                    }
                    found = true;
                } else {
                    MessageDlg(noAddressMessage, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
                }
            }
            contacts.Next();
        }
    }
    if (found) {
        ShellOpen(MailLink(address, programVersion));
    }
}

std::string ChooseAttachment(TOpenDialog& dialog, const std::string& folder)
{
    dialog.InitialDir = folder;
    if (!dialog.Execute()) {
        return {};
    }
    const std::string chosen = dialog.FileName;
    // A file inside the attachment folder is kept relative to it; any other keeps its full path.
    const std::string prefix = IncludeTrailingPathDelimiter(folder);
    if (!folder.empty() && chosen.size() > prefix.size() && chosen.compare(0, prefix.size(), prefix) == 0) {
        return chosen.substr(prefix.size());
    }
    return chosen;
}
