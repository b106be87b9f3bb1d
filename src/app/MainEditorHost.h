#pragma once
// What the main window lends to the hosts of its record editors: the list and contact tables,
// the settings, the message table, the user name, the attachment folder, the program version,
// the "New List Item" and "New Contact" commands and the contact filter box. Each host gets
// those of them it has.

#include "app/Unit1.h"

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
