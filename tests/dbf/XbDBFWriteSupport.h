#pragma once
// Tables for the writing tests: a small layout with a memo field, created through the engine
// and opened with chosen settings.

#include "dbf/XbDBFDataSet.h"
#include "XbDBFTestSupport.h"

#include <memory>
#include <string>

// NAME C 20, QTY N 6.0, BORN D, OK L, NOTE M (dBASE III: record size 46).
inline void CreateNotesTable(const std::string& fileName, xBaseVersion version = xBaseVersion::xBaseIII,
                             int lobBlockSize = 512)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = fileName;
    table.SetDbfVersion(version);
    table.SetLobBlockSize(lobBlockSize);
    table.DBFFieldDefs().Add("NAME", 'C', 20);
    table.DBFFieldDefs().Add("QTY", 'N', 6, 0);
    table.DBFFieldDefs().Add("BORN", 'D');
    table.DBFFieldDefs().Add("OK", 'L');
    table.DBFFieldDefs().Add("NOTE", 'M');
    table.CreateTable();
}

struct TOpenOptions {
    uint32_t AccessMode = 0x12;  // read-write, exclusive
    LockProtocolType Protocol = LockProtocolType::lpClipperLock;
    int WaitBusyRes = 3000;
    bool FastPostRecord = true;
    bool SetDeleted = false;
    int BufferSize = 4096;
    TCryptMethod Method = TCryptMethod::cmNone;
    std::string Password;
};

inline std::unique_ptr<TXbSmartDBF> OpenTable(const std::string& fileName, const TOpenOptions& options = {})
{
    auto table = std::make_unique<TXbSmartDBF>(nullptr);
    table->DBFFileName = fileName;
    table->AccessMode().SetAccessMode(options.AccessMode);
    table->SetLockProtocol(options.Protocol);
    table->SetLobLockProtocol(options.Protocol);
    table->WaitBusyRes = options.WaitBusyRes;
    table->FastPostRecord = options.FastPostRecord;
    table->TrimCType = true;
    table->SetSetDeleted(options.SetDeleted);
    table->BufferSize = options.BufferSize;
    if (options.Method != TCryptMethod::cmNone) {
        table->Crypt().SetCryptMethod(options.Method);
        table->Crypt().SetPassword(options.Password);
        table->Crypt().SetActive(true);
    }
    table->Open();
    return table;
}

// Appends one record: NAME, QTY and a memo text (none when empty).
inline void AppendNote(TXbSmartDBF& table, const std::string& name, int qty, const std::string& note)
{
    table.Append();
    table.FieldByName("NAME")->SetAsString(name);
    table.FieldByName("QTY")->SetAsInteger(qty);
    if (!note.empty())
        table.FieldByName("NOTE")->SetAsString(note);
    table.Post();
}
