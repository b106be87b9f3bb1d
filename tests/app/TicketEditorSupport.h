#pragma once
// Shared fixture of the ticket editor tests: the offscreen application, a settings file in a
// temporary folder, in-memory ticket, list and contact tables with the tracker's layouts, and
// the editor wired to them.

#include "AppTestSupport.h"
#include "MemoryDataSet.h"

#include "app/Unit1.h"
#include "app/Settings.h"
#include "app/Unit4Commands.h"
#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// A folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    const std::string& Path() const noexcept { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The built-in text of message n (the lines the editor shows).
std::string BuiltInMessage(int number);

// An empty in-memory table with the layout of one of the tracker's tables.
std::unique_ptr<TMemoryDataSet> MakeTrackerMemoryTable(TTrackerTable table);

// Records the targets the opener is asked to open.
class TOpenerLog {
public:
    TOpenerLog();
    ~TOpenerLog();
    TOpenerLog(const TOpenerLog&) = delete;
    TOpenerLog& operator=(const TOpenerLog&) = delete;
    std::vector<std::string> Targets;
};

// A fixed clock for its lifetime.
class TFixedClock {
public:
    explicit TFixedClock(TDateTime now) { SetClock([now] { return now; }); }
    ~TFixedClock() { SetClock({}); }
    TFixedClock(const TFixedClock&) = delete;
    TFixedClock& operator=(const TFixedClock&) = delete;
};

class TicketEditorFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }
    void SetUp() override;
    void TearDown() override;

    // Wires the editor to `tickets` (the memory table unless another one is given).
    void UseTicketTable(TDataSet* tickets);
    void Set(const TBooleanSetting& key, bool value) { WriteSetting(*ini, key, value); }
    void Set(const TStringSetting& key, const std::string& value) { WriteSetting(*ini, key, value); }
    void AddListItem(TListKind kind, const std::string& item, const std::string& localItem = "");
    void AddContact(const std::string& name, const std::string& email);
    // Blanks every control as the new-ticket command does, with the required fields filled.
    void BlankTicket();
    // The texts of the message boxes shown so far.
    std::vector<std::string> BoxTexts() const;

    TTempFolder folder;
    std::unique_ptr<TIniFile> ini;
    std::unique_ptr<TMemoryDataSet> tickets;
    std::unique_ptr<TMemoryDataSet> lists;
    std::unique_ptr<TMemoryDataSet> contacts;
    std::unique_ptr<Tmainissuefrm> editor;
    std::unique_ptr<TDialogScript> dialogs;
    std::string openSubTickets;
    int countOpenTicketsCalls = 0;
};

class TXbSmartDBF;
// Creates an empty table file with the tracker layout of `table` (dBASE III with ".dbt" memo).
void CreateTrackerTable(const std::string& fileName, TTrackerTable table);
// Opens a table file read-write and exclusive, as the tracker does.
std::unique_ptr<TXbSmartDBF> OpenTrackerTable(const std::string& fileName);
// Runs /usr/bin/python3 with `script`; returns its standard output (ok = exit status 0).
std::string RunPython(const std::string& script, bool& ok);
bool HavePythonModule(const char* module);
