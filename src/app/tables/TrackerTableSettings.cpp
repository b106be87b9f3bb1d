#include "app/tables/TrackerTableSettings.h"

#include "dbf/XbDBFDataSet.h"

namespace {

constexpr TCryptMethod kPlain = TCryptMethod::cmNone;
constexpr TCryptMethod kGost = TCryptMethod::cmGost;

// The first seven in the order of TTrackerTable.
constexpr TTrackerTableComponent kComponents[] = {
    {"maindb", "maincon", "Tickets.dbf", false, kPlain},
    {"subdb", "subcon", "Subtickets.dbf", false, kPlain},
    {"appsdb", "appscon", "product.dbf", false, kPlain},
    {"listdb", "listcon", "Lists.dbf", false, kPlain},
    {"contactdb", "contactcon", "Contacts.dbf", true, kGost},
    {"workdb", "workcon", "Worktime.dbf", false, kPlain},
    {"codedb", "codecon", "Code.dbf", true, kGost},
    {"importdb", "", "", false, kPlain},
    {"importcontact", "", "", true, kGost},
};

}  // namespace

std::span<const TTrackerTableComponent> TrackerTableComponents()
{
    return kComponents;
}

const TTrackerTableComponent& TrackerTableComponent(TTrackerTable table)
{
    return kComponents[static_cast<std::size_t>(table)];
}

void ApplyTrackerTableSettings(TXbSmartDBF& table, const TTrackerTableComponent& component)
{
    const TTrackerTableSettings& settings = kTrackerTableSettings;
    table.SetDbfVersion(settings.DbfVersion);
    table.StorageType = settings.StorageType;
    table.AccessMode().SetAccessMode(settings.AccessMode);
    table.SetLockProtocol(settings.LockProtocol);
    table.SetLobLockProtocol(settings.LobLockProtocol);
    table.BufferSize = settings.BufferSize;
    table.WaitBusyRes = settings.WaitBusyRes;
    table.SetLobBlockSize(settings.LobBlockSize);
    table.SetSetDeleted(settings.SetDeleted);
    table.FastPostRecord = settings.FastPostRecord;
    table.TrimInLocate = settings.TrimInLocate;
    table.TrimCType = settings.TrimCType;
    // Method and password first: switching the cipher on builds its key from them.
    TXbDBFCrypt& crypt = table.Crypt();
    crypt.SetActive(false);
    crypt.SetCryptMethod(component.CryptMethod);
    crypt.SetPassword(component.CryptActive ? kTrackerCryptPassword : "");
    crypt.SetActive(component.CryptActive);
}
