#pragma once
// Lays an empty tracker database into a folder: the seven tables with their ".dbt" memo files,
// created by the table engine with the settings the tracker opens them with.

#include <string>
#include <vector>

struct TEmptyDatabaseResult {
    std::vector<std::string> Created;  // table file names written
    std::vector<std::string> Kept;     // table file names that were already there
};

// Creates `folder` (and its parents) when missing, then every table whose file is not there
// yet. A table that already exists is left untouched, so running this again over a database
// in use never loses a record. Raises Exception when the folder or a table cannot be made.
TEmptyDatabaseResult MakeEmptyDatabase(const std::string& folder);
