#pragma once
// Window: the main window, Tmainfrm.
// The main window's side of its record editors: what it lends to the editors' hosts, and the
// steps its record commands share.

#include "app/Unit1.h"

#include <functional>
#include <string>

class TDataSet;

// True when the table is there, open and holds a record.
bool HasRecord(const TDataSet* table);

// Deletes the current record of `table` once the user answers "Are you sure?" with yes and
// `refuseDeletion` (when set) does not refuse it; then the edit and delete buttons go off and
// the add button on. Nothing happens without a current record.
void DeleteCurrentEntry(Tmainfrm& window, TDataSet* table, const std::string& editButton,
                        const std::string& deleteButton, const std::string& addButton,
                        const std::function<bool()>& refuseDeletion = {});

// Fills the members an editor's host has of: the list and contact tables, the settings, the
// message table, the user name, the attachment folder, the program version, the "New List
// Item" and "New Contact" commands and the contact filter box.

template <class THost>
void ConnectMainWindow(Tmainfrm& window, THost& host)
{
    if constexpr (requires { host.ListTable; }) {
        host.ListTable = window.listdb;
    }
    if constexpr (requires { host.ContactTable; }) {
        host.ContactTable = window.contactdb;
    }
    if constexpr (requires { host.SettingsIni; }) {
        host.SettingsIni = SettingsIni;
    }
    if constexpr (requires { host.Message; }) {
        host.Message = [&window](int number) { return window.Message(number); };
    }
    if constexpr (requires { host.CurrentUserName; }) {
        host.CurrentUserName = [] { return CurrentUserName; };
    }
    if constexpr (requires { host.AttachmentFolder; }) {
        host.AttachmentFolder = [] { return AttachmentFolder; };
    }
    if constexpr (requires { host.ProgramVersion; }) {
        host.ProgramVersion = [] { return GetProgramVersion(); };
    }
    if constexpr (requires { host.AddListClick; }) {
        host.AddListClick = [&window] { window.Get<TButton>("addlist")->Click(); };
    }
    if constexpr (requires { host.AddContactClick; }) {
        host.AddContactClick = [&window] { window.Get<TButton>("addcontact")->Click(); };
    }
    if constexpr (requires { host.ClearContactFilter; }) {
        host.ClearContactFilter = [&window] { window.Get<TComboBox>("contactfilter")->SetText(""); };
    }
}
