#include "app/tables/EmptyDatabase.h"

#include "app/tables/TrackerTableSettings.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

TEmptyDatabaseResult MakeEmptyDatabase(const std::string& folder)
{
    if (!DirectoryExists(folder) && !ForceDirectories(folder))
        throw EInOutError("Cannot create  " + folder);

    TEmptyDatabaseResult result;
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        const std::string fileName = IncludeTrailingPathDelimiter(folder) + layout.FileName;
        if (FileExists(fileName)) {
            result.Kept.push_back(layout.FileName);
            continue;
        }
        TXbSmartDBF table(nullptr);
        ApplyTrackerTableSettings(table, TrackerTableComponent(layout.Table));
        table.DBFFileName = fileName;
        for (const TTrackerField& field : layout.Fields)
            table.DBFFieldDefs().Add(field.Name, field.Type, field.Width, field.Decimals);
        table.CreateTable();
        result.Created.push_back(layout.FileName);
    }
    return result;
}
