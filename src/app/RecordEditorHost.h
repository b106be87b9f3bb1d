#pragma once
// The host through which the list, contact and code-database editors reach the main window.
// Their other helpers are the shared editor helpers of EditorSupport.h.

#include "app/EditorSupport.h"

#include <functional>
#include <string>

class TCustomIniFile;
class TDataSet;
class Tmainfrm;

// What a small record editor uses of the main window.
struct TRecordEditorHost {
    TDataSet* Table = nullptr;         // the table the editor writes
    TDataSet* ListTable = nullptr;     // "Lists.dbf"
    TDataSet* ContactTable = nullptr;  // "Contacts.dbf"
    TCustomIniFile* SettingsIni = nullptr;
    // Line n of the message table.
    std::function<std::string(int)> Message;
    // The main window's "New List Item" and "New Contact" commands.
    std::function<void()> AddListClick;
    std::function<void()> AddContactClick;
    // Empties the main window's contact filter box.
    std::function<void()> ClearContactFilter;
};

// The host of an editor opened by the main window `window` to write `table`.
TRecordEditorHost MainWindowEditorHost(Tmainfrm& window, TDataSet* table);
