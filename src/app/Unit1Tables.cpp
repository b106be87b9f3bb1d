// The main window's nine table components and the opening of the seven tracker tables.
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Files.h"

namespace {

// The fixed password of the two enciphered tables (contacts and code database).
constexpr const char* kCryptPassword = "Rq4Hvz7K";

struct TTableComponent {
    const char* Name;
    TXbSmartDBF* Tmainfrm::*Member;
    bool Enciphered;
};

}  // namespace

void ConfigureTrackerTable(TXbSmartDBF& table, bool enciphered)
{
    table.SetDbfVersion(xBaseVersion::xBaseIII);
    table.StorageType = TProxyStreamType::pstFile;
    table.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
    table.SetLockProtocol(LockProtocolType::lpClipperLock);
    table.SetLobLockProtocol(LockProtocolType::lpClipperLock);
    table.BufferSize = 4096;
    table.WaitBusyRes = 3000;
    table.SetLobBlockSize(512);
    table.SetSetDeleted(true);
    table.FastPostRecord = true;
    table.TrimInLocate = true;
    table.TrimCType = true;
    TXbDBFCrypt& crypt = table.Crypt();
    crypt.SetActive(false);
    crypt.SetCryptMethod(enciphered ? TCryptMethod::cmGost : TCryptMethod::cmNone);
    crypt.SetPassword(enciphered ? kCryptPassword : "");
    crypt.SetActive(enciphered);
}

// The table components are made here, in one place, with the settings a form description would
// give them; the rest of the window only knows them by their names.
void Tmainfrm::CreateTables()
{
    static const TTableComponent components[] = {
        {"maindb", &Tmainfrm::maindb, false},       {"subdb", &Tmainfrm::subdb, false},
        {"appsdb", &Tmainfrm::appsdb, false},       {"listdb", &Tmainfrm::listdb, false},
        {"contactdb", &Tmainfrm::contactdb, true},  {"workdb", &Tmainfrm::workdb, false},
        {"codedb", &Tmainfrm::codedb, true},        {"importdb", &Tmainfrm::importdb, false},
        {"importcontact", &Tmainfrm::importcontact, true},
    };
    for (const TTableComponent& component : components) {
        auto* table = new TXbSmartDBF(this);
        table->SetName(component.Name);
        ConfigureTrackerTable(*table, component.Enciphered);
        this->*component.Member = table;
    }
}

void Tmainfrm::OpenTables()
{
    struct TTableStep {
        TXbSmartDBF* Table;
        TTrackerTable Layout;
        const char* Location;
        int MissingMessage;
    };

    const std::string productFile = FileInFolder(DatabaseFolder, TrackerTableLayout(TTrackerTable::Products).FileName);
    if (productFile.empty() || !FileExists(productFile)) {
        ShowErrorBox(Message(22));
        return;
    }
    appsdb->DBFFileName = productFile;
    appsdb->Open();
    Get<TEdit>("productdblocation")->SetText(productFile);
    Get<TCheckBox>("showopen")->SetChecked(ReadSetting(*SettingsIni, Setting::ShowOpen));

    const TTableStep steps[] = {
        {maindb, TTrackerTable::Tickets, "dblocation", 16},
        {subdb, TTrackerTable::Subtickets, "subdblocation", 17},
        {listdb, TTrackerTable::Lists, "listdblocation", 18},
        {contactdb, TTrackerTable::Contacts, "contactdblocation", 19},
        {workdb, TTrackerTable::Worktime, "workdblocation", 20},
        {codedb, TTrackerTable::Code, "codedblocation", 21},
    };
    for (const TTableStep& step : steps) {
        const std::string file = FileInFolder(DatabaseFolder, TrackerTableLayout(step.Layout).FileName);
        if (!FileExists(file)) {
            ShowErrorBox(Message(step.MissingMessage));
            continue;
        }
        step.Table->DBFFileName = file;
        step.Table->Open();
        if (step.Table == maindb) {
            Get<TControl>("main_btn_add")->SetEnabled(true);
            Get<TControl>("main_btn_edit")->SetEnabled(false);
            Get<TControl>("main_btn_delete")->SetEnabled(false);
        } else if (step.Table == subdb) {
            Get<TControl>("sub_btn_add")->SetEnabled(true);
            for (const char* name : {"sub_btn_edit", "sub_btn_delete", "add_sub_btn"}) {
                Get<TControl>(name)->SetEnabled(false);
            }
            // Nothing to show until a ticket is chosen.
            subdb->SetFiltered(false);
            subdb->SetFilter("TICKETID='START'");
            subdb->SetFiltered(true);
        }
        Get<TEdit>(step.Location)->SetText(file);
    }

    // Back to the project of the last session; a record number that is no record leaves the
    // table where it is.
    const int productId = ReadSetting(*SettingsIni, Setting::ProductID);
    if (productId >= 1 && productId <= appsdb->RecordCount() && appsdb->IsRecordAccepted(static_cast<uint32_t>(productId))) {
        appsdb->SetRecNo(productId);
    }
    loaded_.Project = true;
    sb_panel->Panels().Items(4)->SetText("PROJECT: " + activeproduct->Text());
    RestoreStartupFilter();
}

void Tmainfrm::RestoreStartupFilter()
{
    const std::string columnText = ReadSetting(*SettingsIni, Setting::FilteredColumnS);
    const int column = ReadSetting(*SettingsIni, Setting::FilteredColumn);
    if (!columnText.empty() && column >= 0) {
        fieldlist->SetItemIndex(column);
        fieldlist->SetText(columnText);
        fieldlistChange(fieldlist);
        filtervalue->SetItemIndex(ReadSetting(*SettingsIni, Setting::FilteredValue));
        filtervalue->SetText(ReadSetting(*SettingsIni, Setting::FilteredValueS));
    }
    const std::string filter = ReadSetting(*SettingsIni, Setting::FilterString);
    if (ReadSetting(*SettingsIni, Setting::FilteredState) && !filter.empty()) {
        maindb->SetFiltered(false);
        maindb->SetFilter(TicketFilterToRestore(filter));
        maindb->SetFiltered(true);
    }
}
