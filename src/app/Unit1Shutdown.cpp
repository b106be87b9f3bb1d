// The main window's two shut-down paths: closing the window and the Exit command. Each saves
// the placement, grid layouts, saved session, panel width and notes, and closes the tables.
// Only what start-up loaded is written back, so a start-up that stopped early (a table held by
// another program, a backup folder that cannot be made) never overwrites the saved state with
// the empty values of controls that were never filled.
#include "app/Settings.h"
#include "app/Unit1.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Files.h"

void Tmainfrm::FormClose(TObject*, TCloseAction& action)
{
    RunCatchAll([this, &action] {
        if (!ConfirmExit()) {
            action = TCloseAction::caNone;
            return;
        }
        SavePlacement(true);
        SaveGridLayouts();
        CloseTables();
        SaveSessionKeys();
        SaveProjectPanelWidth();
        SaveNotes();
    });
}

void Tmainfrm::btn_exitClick(TObject*)
{
    RunCatchAll([this] {
        if (!ConfirmExit()) {
            return;
        }
        SavePlacement(false);
        SaveGridLayouts();
        SaveSessionKeys();
        SaveProjectPanelWidth();
        SaveNotes();
        CloseTables();
        if (Application != nullptr) {
            Application->Terminate();
        }
    });
}

void Tmainfrm::SavePlacement(bool withPanelSizes)
{
    if (loaded_.Placement) {
        if (WindowState() == TWindowState::wsMaximized) {
            WriteSetting(*SettingsIni, Setting::FullSize, "Yes");
        } else {
            WriteSetting(*SettingsIni, Setting::FullSize, "No");
            WriteSetting(*SettingsIni, Setting::Top, Top());
            WriteSetting(*SettingsIni, Setting::Left, Left());
            WriteSetting(*SettingsIni, Setting::Height, Height());
            WriteSetting(*SettingsIni, Setting::Width, Width());
        }
    }
    if (withPanelSizes) {
        WriteSetting(*SettingsIni, Setting::SubHeight, subpanel->Height());
        WriteSetting(*SettingsIni, Setting::LeftWidth, leftpanel->Width());
    }
}

void Tmainfrm::SaveGridLayouts()
{
    if (!loaded_.Layouts) {
        return;
    }
    // The project table shows in two grids.
    const TXbSmartDBF* gridTables[8] = {appsdb, appsdb, maindb, subdb, listdb, contactdb, workdb, codedb};
    for (size_t i = 0; i < grids_.size(); ++i) {
        if (gridTables[i]->Active()) {
            grids_[i]->Columns().SaveToFile(MapStoredPath(ApplicationFolder(), kGridLayoutFiles[i]));
        }
    }
}

void Tmainfrm::CloseTables()
{
    for (TXbSmartDBF* table : {maindb, subdb, appsdb, listdb, contactdb, codedb}) {
        if (!table->Active()) {
            continue;
        }
        table->Refresh();
        if (table == appsdb && loaded_.Project) {
            WriteSetting(*SettingsIni, Setting::ProductID, appsdb->RecNo());
        }
        table->Close();
    }
}

void Tmainfrm::SaveSessionKeys()
{
    if (!loaded_.Session) {
        return;
    }
    WriteSetting(*SettingsIni, Setting::ActivePage, tabs->ActivePageIndex());
    WriteSetting(*SettingsIni, Setting::FilteredColumn, fieldlist->ItemIndex());
    WriteSetting(*SettingsIni, Setting::FilteredColumnS, fieldlist->Text());
    WriteSetting(*SettingsIni, Setting::FilteredValue, filtervalue->ItemIndex());
    WriteSetting(*SettingsIni, Setting::FilteredValueS, filtervalue->Text());
    WriteSetting(*SettingsIni, Setting::FilteredState, maindb->Filtered());
    WriteSetting(*SettingsIni, Setting::FilterString, maindb->Filter());
    WriteSetting(*SettingsIni, Setting::FilterOperation, operation->Text());
    WriteSetting(*SettingsIni, Setting::FilterOperationItem, operation->ItemIndex());
}

void Tmainfrm::SaveProjectPanelWidth()
{
    if (loaded_.Panels) {
        WriteSetting(*SettingsIni, Setting::ProjectPanelWidth, leftprojectspanel->Width());
    }
}

void Tmainfrm::SaveNotes()
{
    if (loaded_.Notes) {
        note->Lines().SaveToFile(MapStoredPath(ApplicationFolder(), "note.dat"));
    }
}
