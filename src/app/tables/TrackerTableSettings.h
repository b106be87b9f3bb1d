#pragma once
// The nine table components of the main window (seven tables and two import sources) and the
// design-time settings they all share. Nothing changes these at run time except the file
// name, the filter text and the filtered switch.

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFFormat.h"
#include "dbf/XbDBFPrx.h"

#include <cstdint>
#include <span>
#include <string>

class TXbSmartDBF;

struct TTrackerTableSettings {
    xBaseVersion DbfVersion = xBaseVersion::xBaseIII;  // dBASE III table, ".dbt" memo file
    TProxyStreamType StorageType = TProxyStreamType::pstFile;
    // Read-write and exclusive: no other program can open the tables while the tracker runs.
    uint32_t AccessMode = TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive;
    LockProtocolType LockProtocol = LockProtocolType::lpClipperLock;
    LockProtocolType LobLockProtocol = LockProtocolType::lpClipperLock;
    int BufferSize = 4096;
    int WaitBusyRes = 3000;
    int LobBlockSize = 512;
    bool SetDeleted = true;  // records marked deleted are hidden
    bool FastPostRecord = true;
    bool TrimInLocate = true;
    bool TrimCType = true;
    bool CreateNow = false;  // the tracker never creates a table
};

inline constexpr TTrackerTableSettings kTrackerTableSettings{};

// The fixed password of the enciphered tables.
inline constexpr const char* kTrackerCryptPassword = "Rq4Hvz7K";

struct TTrackerTableComponent {
    const char* Name;        // component name on the main window
    const char* DataSource;  // its data source, empty for the import sources
    // The table file in the database folder; empty for the import sources, whose file is
    // chosen at import time.
    const char* FileName;
    bool CryptActive;
    TCryptMethod CryptMethod;  // cmGost under kTrackerCryptPassword, or cmNone
};

// maindb, subdb, appsdb, listdb, contactdb, workdb, codedb, importdb, importcontact.
std::span<const TTrackerTableComponent> TrackerTableComponents();
// The component that opens the given table.
const TTrackerTableComponent& TrackerTableComponent(TTrackerTable table);

// Gives a closed table the shared settings and the component's cipher settings. The file name
// is left to the caller.
void ApplyTrackerTableSettings(TXbSmartDBF& table, const TTrackerTableComponent& component);
