#pragma once
// A program folder of its own for each window test of the tracker: a temporary folder that
// ApplicationFolder() returns, with the English message table and, when asked, the data
// folders and the seven empty tables. Message boxes are answered from a TDialogScript, the
// shell opener records what it would open, the notification area records what it is asked,
// and the OS version record is the system's own.

#include "GuiTestSupport.h"
#include "../sysutil/SuTestSupport.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A record of a tracker table: texts by field position ("T"/"F" for logical fields,
// "YYYY-MM-DD" for dates, decimal text for numbers).
using TRow = std::map<int, std::string>;
// Appends the rows to the tracker table `path` of the kind `kind` through the engine.
void FillTable(const std::string& path, TTrackerTable kind, const std::vector<TRow>& rows);

struct TOpenedTarget {
    std::string Target;
    std::string Parameters;
};

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The program folder with a trailing "/".
    std::string Folder() const { return folder_.string() + "/"; }
    std::string PathOf(const std::string& name) const { return folder_.string() + "/" + name; }

    // "databases", "backup" and "attachments".
    void MakeDataFolders();
    // The given tables (file names as the tracker names them) in databases/, empty or with
    // `records` records appended by the test itself.
    void MakeTables(const std::vector<std::string>& fileNames);
    void MakeAllTables();

    // The settings file as the program reads it.
    TIniFile Ini() const { return TIniFile(PathOf("Ovralun.ini")); }
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& text) const;

    // Creates the main window (FormCreate runs) with the dialog script active.
    Tmainfrm& Start();
    // The post-start step, as the timer runs it.
    void PostStart();
    // Closes the window through the title-bar path; the answer to "Are you sure?" is queued by
    // the test when AskExit is on.
    void CloseWindow();
    void FreeWindow() { window_.reset(); }

    // Message texts of the boxes shown so far.
    std::vector<std::string> Boxes() const;
    // Texts of the balloons the notification-area icon showed so far.
    std::vector<std::string> Balloons() const;

    TRecordingTrayShell tray_;
    std::unique_ptr<TDialogScript> script_;
    std::unique_ptr<Tmainfrm> window_;
    std::vector<TOpenedTarget> opened_;

private:
    std::filesystem::path folder_;
};
