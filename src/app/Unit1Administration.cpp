// The main window's table administration: the column setup of its grids with their layout
// files, packing of the tables, record search in the ticket and sub-ticket tables, and the
// opening of another ticket table.
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/Unit1HandlerBinding.h"
#include "dbf/XbDBFDataSet.h"
#include "export/GtDBFind.h"
#include "export/GtDBGSet.h"
#include "platform/db/DataSource.h"
#include "platform/gui/Dialogs.h"
#include "app/tables/TrackerTables.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

struct TSetupComponent {
    const char* Name;
    TGtSetDBGridDialog* Tmainfrm::*Member;
    TDBGrid* Tmainfrm::*Grid;
};

constexpr TSetupComponent kSetups[] = {
    {"maingridsetup", &Tmainfrm::maingridsetup, &Tmainfrm::maingrid},
    {"subgridsetup", &Tmainfrm::subgridsetup, &Tmainfrm::subgrid},
    {"productgridsetup", &Tmainfrm::productgridsetup, &Tmainfrm::productgrid},
    {"listgridsetup", &Tmainfrm::listgridsetup, &Tmainfrm::listgrid},
    {"contactgridsetup", &Tmainfrm::contactgridsetup, &Tmainfrm::contactgrid},
    {"workgridsetup", &Tmainfrm::workgridsetup, &Tmainfrm::workgrid},
    {"codegridsetup", &Tmainfrm::codegridsetup, &Tmainfrm::codegrid},
};

void RunSetup(TGtSetDBGridDialog* setup)
{
    if (setup != nullptr) {
        setup->Execute();
    }
}

}  // namespace

void Tmainfrm::CreateAdministrationComponents()
{
    for (const TSetupComponent& component : kSetups) {
        auto* setup = new TGtSetDBGridDialog(this);
        setup->SetName(component.Name);
        TDBGrid* grid = this->*component.Grid;
        setup->SetDBGrid(grid);
        // After OK and after Cancel alike the grid's columns go to its layout file.
        setup->OnAfterExecute = [this, grid](TObject*) {
            const auto at = std::find(grids_.begin(), grids_.end(), grid);
            if (at != grids_.end()) {
                grid->Columns().SaveToFile(MapStoredPath(ApplicationFolder(), kGridLayoutFiles[at - grids_.begin()]));
            }
        };
        this->*component.Member = setup;
    }
    struct TFindComponent {
        const char* Name;
        TGtDBFindDialog* Tmainfrm::*Member;
        const char* Source;
    };
    const TFindComponent finds[] = {{"mainfind", &Tmainfrm::mainfind, "maincon"}, {"subfind", &Tmainfrm::subfind, "subcon"}};
    for (const TFindComponent& component : finds) {
        auto* find = new TGtDBFindDialog(this);
        find->SetName(component.Name);
        find->Caption = "Record search";
        find->DataSource = Get<TDataSource>(component.Source);
        find->ShowDialog = true;
        find->FindMode = TGtFindMode::fmBeginPart;
        find->FindScore = TGtFindScore::fsFromFirst;
        find->SayResult = true;
        this->*component.Member = find;
    }
}

void Tmainfrm::TableSetup1Click(TObject*) { RunSetup(maingridsetup); }
void Tmainfrm::TableSetup2Click(TObject*) { RunSetup(subgridsetup); }
void Tmainfrm::TableSetup3Click(TObject*) { RunSetup(productgridsetup); }
void Tmainfrm::TableSetup4Click(TObject*) { RunSetup(listgridsetup); }
void Tmainfrm::TableSetup5Click(TObject*) { RunSetup(contactgridsetup); }
void Tmainfrm::MenuItem1Click(TObject*) { RunSetup(workgridsetup); }
void Tmainfrm::TableSetup6Click(TObject*) { RunSetup(codegridsetup); }

void Tmainfrm::PackTable(TXbSmartDBF& table)
{
    if (!table.Active()) {
        return;
    }
    // The count is of the whole file: a filter is switched off for the pack and set again after.
    const bool filtered = table.Filtered();
    const std::string filter = table.Filter();
    if (filtered) {
        table.SetFiltered(false);
    }
    const int before = table.RecordCount();
    table.Pack(false);
    table.Close();
    table.Open();
    const int after = table.RecordCount();
    if (filtered) {
        ApplyFilter(table, filter);
    }
    ShowMessage(Message(4) + std::to_string(before - after));
}

void Tmainfrm::Compressmaindatabase1Click(TObject*) { PackTable(*maindb); }
void Tmainfrm::Compresssubticketdatabase1Click(TObject*) { PackTable(*subdb); }
void Tmainfrm::Compressproductdatabase1Click(TObject*) { PackTable(*appsdb); }
void Tmainfrm::Compresslistdatabase1Click(TObject*) { PackTable(*listdb); }
void Tmainfrm::Compresscontactdatabase1Click(TObject*) { PackTable(*contactdb); }
void Tmainfrm::Compressworktimedatabase1Click(TObject*) { PackTable(*workdb); }
void Tmainfrm::Finalremovalofthedeletedentries1Click(TObject*) { PackTable(*codedb); }

namespace {

// The chosen file as the settings keep it: relative to the program folder when it lies inside.
std::string StoredDatabasePath(const std::string& fileName)
{
    const std::string folder = ApplicationFolder();
    if (fileName.size() > folder.size() && fileName.compare(0, folder.size(), folder) == 0) {
        return fileName.substr(folder.size());
    }
    return fileName;
}

}  // namespace

void Tmainfrm::btn_openClick(TObject*)
{
    RunCatchAll([this] {
        auto* od = Get<TOpenDialog>("od");
        od->InitialDir = MapStoredPath(ApplicationFolder(), "databases");
        if (!od->Execute() || !FileExists(od->FileName)) {
            return;
        }
        const std::string ticketFile = ExpandFileName(od->FileName);
        struct TTableControls {
            TXbSmartDBF* Table;
            std::vector<const char*> Buttons;
            int StatusPanel;
            const char* Location;
        };
        const TTableControls controls[] = {
            {maindb, {"main_btn_add", "main_btn_edit", "main_btn_delete", "add_sub_btn"}, 1, "dblocation"},
            {subdb, {"sub_btn_add", "sub_btn_edit", "sub_btn_delete"}, 3, "subdblocation"},
        };
        for (const TTableControls& table : controls) {
            if (!table.Table->Active()) {
                continue;
            }
            table.Table->Refresh();
            table.Table->Close();
            for (const char* name : table.Buttons) {
                Get<TControl>(name)->SetEnabled(false);
            }
            sb_panel->Panels().Items(table.StatusPanel)->SetText("");
            table.Table->SetFiltered(false);
            Get<TEdit>(table.Location)->SetText("");
        }

        maindb->DBFFileName = ticketFile;
        maindb->Open();
        Get<TEdit>("dblocation")->SetText(ticketFile);
        WriteSetting(*SettingsIni, Setting::LastUsed, StoredDatabasePath(ticketFile));
        Get<TControl>("main_btn_add")->SetEnabled(true);
        Get<TControl>("main_btn_edit")->SetEnabled(false);
        Get<TControl>("main_btn_delete")->SetEnabled(false);

        // The sub-tickets of the chosen table lie beside it.
        const std::string subFile = FileInFolder(ExcludeTrailingPathDelimiter(ExtractFilePath(ticketFile)),
                                                 TrackerTableLayout(TTrackerTable::Subtickets).FileName);
        if (FileExists(subFile)) {
            subdb->DBFFileName = subFile;
            subdb->Open();
            Get<TControl>("sub_btn_add")->SetEnabled(true);
            Get<TControl>("sub_btn_edit")->SetEnabled(false);
            Get<TControl>("sub_btn_delete")->SetEnabled(false);
            Get<TEdit>("subdblocation")->SetText(subFile);
        }

        for (TDBGrid* grid : {maingrid, subgrid}) {
            const auto at = std::find(grids_.begin(), grids_.end(), grid);
            const std::string layout = MapStoredPath(ApplicationFolder(), kGridLayoutFiles[at - grids_.begin()]);
            if (!FileExists(layout)) {
                continue;
            }
            try {
                grid->Columns().LoadFromFile(layout);
            } catch (const Exception&) {
                // As at start-up: an unreadable layout leaves the grid with its default columns.
                grid->Columns().RebuildColumns();
            }
        }
        FillProductLists();
    });
}

void Tmainfrm::Find1Click(TObject*)
{
    mainfind->Execute();
}

void Tmainfrm::Find2Click(TObject*)
{
    subfind->Execute();
}

void Tmainfrm::BindAdministrationHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "TableSetup1Click", &Tmainfrm::TableSetup1Click);
    BindMainHandler(handlers, this, "TableSetup2Click", &Tmainfrm::TableSetup2Click);
    BindMainHandler(handlers, this, "TableSetup3Click", &Tmainfrm::TableSetup3Click);
    BindMainHandler(handlers, this, "TableSetup4Click", &Tmainfrm::TableSetup4Click);
    BindMainHandler(handlers, this, "TableSetup5Click", &Tmainfrm::TableSetup5Click);
    BindMainHandler(handlers, this, "MenuItem1Click", &Tmainfrm::MenuItem1Click);
    BindMainHandler(handlers, this, "TableSetup6Click", &Tmainfrm::TableSetup6Click);
    BindMainHandler(handlers, this, "Compressmaindatabase1Click", &Tmainfrm::Compressmaindatabase1Click);
    BindMainHandler(handlers, this, "Compresssubticketdatabase1Click", &Tmainfrm::Compresssubticketdatabase1Click);
    BindMainHandler(handlers, this, "Compressproductdatabase1Click", &Tmainfrm::Compressproductdatabase1Click);
    BindMainHandler(handlers, this, "Compresslistdatabase1Click", &Tmainfrm::Compresslistdatabase1Click);
    BindMainHandler(handlers, this, "Compresscontactdatabase1Click", &Tmainfrm::Compresscontactdatabase1Click);
    BindMainHandler(handlers, this, "Compressworktimedatabase1Click", &Tmainfrm::Compressworktimedatabase1Click);
    BindMainHandler(handlers, this, "Finalremovalofthedeletedentries1Click", &Tmainfrm::Finalremovalofthedeletedentries1Click);
    BindMainHandler(handlers, this, "Find1Click", &Tmainfrm::Find1Click);
    BindMainHandler(handlers, this, "Find2Click", &Tmainfrm::Find2Click);
    BindMainHandler(handlers, this, "btn_openClick", &Tmainfrm::btn_openClick);
}
