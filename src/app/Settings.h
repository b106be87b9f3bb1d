#pragma once
// The tracker's settings file "Ovralun.ini" beside the program: every key, its kind and the
// default a read gives when the file, the section or the key is missing.
//
// The file is read and written through a TIniFile, which reads the file on every read and
// writes it at once on every write, so a value one window writes is what the next read
// anywhere sees. Names are compared without regard to letter case. Kinds:
//   string   the text after "=";
//   integer  decimal, or "0x" and hexadecimal digits; anything else reads as the default;
//   Boolean  written "1" or "0"; read as an integer, true when not 0 (so "yes" gives the
//            default);
//   colour   a colour name such as "clSilver" or a number, as the window layer converts
//            colours to text and back.
// Nothing here ever deletes a key.
//
// Use: ReadSetting(*SettingsIni, Setting::AskExit), WriteSetting(*SettingsIni,
// Setting::BackupFreq, 20).

#include "platform/rtl/IniFiles.h"

#include <span>
#include <string>

inline constexpr const char* kSettingsFileName = "Ovralun.ini";
// Shared with the external updater and problem-report programs; the tracker only writes
// Application/StartPage into it.
inline constexpr const char* kOnlineSettingsFileName = "onlineftp.ini";

struct TStringSetting {
    const char* Section;
    const char* Ident;
    const char* Default;
};

struct TIntegerSetting {
    const char* Section;
    const char* Ident;
    int Default;
};

struct TBooleanSetting {
    const char* Section;
    const char* Ident;
    bool Default;
};

// Stored as the colour's text; the window layer turns it into a colour.
struct TColourSetting {
    const char* Section;
    const char* Ident;
    const char* Default;
};

std::string ReadSetting(const TCustomIniFile& ini, const TStringSetting& key);
int ReadSetting(const TCustomIniFile& ini, const TIntegerSetting& key);
bool ReadSetting(const TCustomIniFile& ini, const TBooleanSetting& key);
std::string ReadSetting(const TCustomIniFile& ini, const TColourSetting& key);

void WriteSetting(TCustomIniFile& ini, const TStringSetting& key, const std::string& value);
void WriteSetting(TCustomIniFile& ini, const TIntegerSetting& key, int value);
void WriteSetting(TCustomIniFile& ini, const TBooleanSetting& key, bool value);
void WriteSetting(TCustomIniFile& ini, const TColourSetting& key, const std::string& value);
// A text or a number given for a Boolean is a mistake, not a truth value.
template <class T>
void WriteSetting(TCustomIniFile& ini, const TBooleanSetting& key, T value) = delete;

namespace Setting {

inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kPosition = "Position";
inline constexpr const char* kDatabase = "Database";
inline constexpr const char* kSavedSession = "SavedSession";

// ---- [Settings]
inline constexpr TStringSetting CurrVer{kSettings, "CurrVer", ""};  // written at start-up, read by nothing
inline constexpr TStringSetting Language{kSettings, "Language", ""};        // e.g. "English.lng"
inline constexpr TStringSetting LanguageMes{kSettings, "LanguageMes", ""};  // e.g. "English.mes"
inline constexpr TBooleanSetting HideHints{kSettings, "HideHints", false};
inline constexpr TColourSetting GridColor{kSettings, "GridColor", "clSilver"};
inline constexpr TBooleanSetting SetBackup{kSettings, "SetBackup", false};
inline constexpr TIntegerSetting BackupFreq{kSettings, "BackupFreq", 20};
// The settings window shows the frequency as text.
inline constexpr TStringSetting BackupFreqText{kSettings, "BackupFreq", "20"};
inline constexpr TBooleanSetting ShowOpen{kSettings, "ShowOpen", false};
inline constexpr TBooleanSetting OpenSite{kSettings, "OpenSite", false};
inline constexpr TBooleanSetting ShowViewPanel{kSettings, "ShowViewPanel", true};
inline constexpr TBooleanSetting ShowProjectPanel{kSettings, "ShowProjectPanel", false};
inline constexpr TIntegerSetting ProjectPanelWidth{kSettings, "ProjectPanelWidth", 200};
inline constexpr TBooleanSetting AskExit{kSettings, "AskExit", true};
inline constexpr TBooleanSetting CheckUpdate{kSettings, "CheckUpdate", false};
inline constexpr TBooleanSetting UseManifest{kSettings, "UseManifest", false};
inline constexpr TBooleanSetting UseManifestAuto{kSettings, "UseManifestAuto", false};
inline constexpr TBooleanSetting HideQuickStart{kSettings, "HideQuickStart", false};
inline constexpr TBooleanSetting HideSubTicket{kSettings, "HideSubTicket", false};
inline constexpr TBooleanSetting HideWorkTime{kSettings, "HideWorkTime", false};
inline constexpr TBooleanSetting HideContacts{kSettings, "HideContacts", false};
inline constexpr TBooleanSetting HideLists{kSettings, "HideLists", false};
inline constexpr TBooleanSetting HideChangeLog{kSettings, "HideChangeLog", false};
inline constexpr TBooleanSetting HideCode{kSettings, "HideCode", false};
inline constexpr TBooleanSetting MouseMove{kSettings, "MouseMove", true};
inline constexpr TBooleanSetting RecordFreeze{kSettings, "RecordFreeze", false};
inline constexpr TStringSetting New{kSettings, "New", "New (unconfirmed)"};
inline constexpr TStringSetting QANew{kSettings, "QANew", "New"};
inline constexpr TStringSetting Closed{kSettings, "Closed", "Closed"};
inline constexpr TStringSetting Approved{kSettings, "Approved", "Approved"};
inline constexpr TBooleanSetting QASteps{kSettings, "QASteps", false};
inline constexpr TBooleanSetting AutoQALevel{kSettings, "AutoQALevel", false};
inline constexpr TBooleanSetting AutoHistory{kSettings, "AutoHistory", false};
// The prefix of new ticket ids; the same default for the ticket editor and the settings
// window, so a ticket gets the prefix the settings window shows.
inline constexpr TStringSetting IDFlag{kSettings, "IDFlag", "#QZ#"};
inline constexpr TBooleanSetting UseOnlyOpenVersion{kSettings, "UseOnlyOpenVersion", false};
inline constexpr TBooleanSetting UseLocalListItem{kSettings, "UseLocalListItem", false};

// ---- [Position]
inline constexpr TIntegerSetting Top{kPosition, "Top", 0};
inline constexpr TIntegerSetting Left{kPosition, "Left", 0};
inline constexpr TIntegerSetting Height{kPosition, "Height", 740};
inline constexpr TIntegerSetting Width{kPosition, "Width", 940};
// "Yes" or "No"; only the exact text "Yes" maximises the window.
inline constexpr TStringSetting FullSize{kPosition, "FullSize", "No"};
inline constexpr TIntegerSetting SubHeight{kPosition, "SubHeight", 0};  // written only
inline constexpr TIntegerSetting LeftWidth{kPosition, "LeftWidth", 0};  // written only

// ---- [Database]
// 0: the three folders are relative to the program folder; 1 (local) or 2 (network): the
// folder keys are used unchanged.
inline constexpr TIntegerSetting Connection{kDatabase, "Connection", 0};
inline constexpr TStringSetting DbaseLoc{kDatabase, "DbaseLoc", "databases"};
inline constexpr TStringSetting BackupLoc{kDatabase, "BackupLoc", "backup"};
inline constexpr TStringSetting AttachLoc{kDatabase, "AttachLoc", "attachments"};
// The ticket table last opened with "Open Database", relative to the program folder when it
// lies inside it.
inline constexpr TStringSetting LastUsed{kDatabase, "LastUsed", ""};  // written only
// The start counter of the start-up backup: compared with BackupFreq reading 1 when missing,
// advanced from 0 when missing.
inline constexpr TIntegerSetting NeedBackup{kDatabase, "NeedBackup", 1};
inline constexpr TIntegerSetting NeedBackupCounter{kDatabase, "NeedBackup", 0};

// ---- [SavedSession]
inline constexpr TIntegerSetting ProductID{kSavedSession, "ProductID", -1};
inline constexpr TIntegerSetting ActivePage{kSavedSession, "ActivePage", 0};
// Start-up restores the quick filter only when this is 0 or more; the post-start step reads
// it with -1.
inline constexpr TIntegerSetting FilteredColumn{kSavedSession, "FilteredColumn", 0};
inline constexpr TIntegerSetting FilteredColumnPostStart{kSavedSession, "FilteredColumn", -1};
inline constexpr TStringSetting FilteredColumnS{kSavedSession, "FilteredColumnS", ""};
inline constexpr TIntegerSetting FilteredValue{kSavedSession, "FilteredValue", -1};
inline constexpr TStringSetting FilteredValueS{kSavedSession, "FilteredValueS", ""};
inline constexpr TBooleanSetting FilteredState{kSavedSession, "FilteredState", false};
inline constexpr TStringSetting FilterString{kSavedSession, "FilterString", ""};
inline constexpr TStringSetting FilterOperation{kSavedSession, "FilterOperation", "="};
inline constexpr TIntegerSetting FilterOperationItem{kSavedSession, "FilterOperationItem", 0};

// ---- onlineftp.ini: set to 1 before the problem-report program starts.
inline constexpr TIntegerSetting OnlineStartPage{"Application", "StartPage", 0};

}  // namespace Setting

// One line of the key table of "Ovralun.ini": every key of the four sections once, in the
// order of the sections, with its kind and its default as text.
enum class TSettingKind { String, Integer, Boolean, Colour };

struct TSettingInfo {
    const char* Section;
    const char* Ident;
    TSettingKind Kind;
    std::string DefaultText;  // as a read without the key gives it, written as the file holds it
};

std::span<const TSettingInfo> SettingsFileKeys();
