#pragma once
// A small people table (ID, NAME, CITY, NOTE) shown in a data grid, for the grid setup tests.

#include "GuiTestSupport.h"
#include "MemoryDataSet.h"

#include "platform/db/DataSource.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/DataControlsRegistration.h"

#include <memory>

struct TPeopleGrid {
    std::unique_ptr<TMemoryDataSet> table;
    TDataSource source{nullptr};
    std::unique_ptr<TDBGrid> grid;

    TPeopleGrid()
    {
        TestApplication();
        RegisterDataControlClasses();  // the grid's layout stream reads columns by property name
        table = std::make_unique<TMemoryDataSet>(
            nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger},
                                                  {"NAME", TFieldType::ftString, 20},
                                                  {"CITY", TFieldType::ftString, 15},
                                                  {"NOTE", TFieldType::ftString, 30}});
        const char* names[] = {"Ada", "Brian", "Chen"};
        const char* cities[] = {"Oslo", "Lima", "Pune"};
        for (int i = 1; i <= 3; ++i) {
            table->AddStoredRecord();
            table->SetStoredInteger(i, 0, i);
            table->SetStoredString(i, 1, names[i - 1]);
            table->SetStoredString(i, 2, cities[i - 1]);
            table->SetStoredString(i, 3, "note " + std::to_string(i));
        }
        table->Open();
        source.SetDataSet(table.get());
        grid = std::make_unique<TDBGrid>(nullptr);
        grid->SetBounds(0, 0, 500, 200);
        grid->SetDataSource(&source);
    }

    // Persistent columns NAME (titled, 120 pixels wide, a colour outside the colour table), ID
    // (hidden) and CITY; NOTE has no column.
    void Customize()
    {
        TDBGridColumns& columns = grid->Columns();
        columns.Clear();
        TColumn& name = *columns.Add();
        name.SetFieldName("NAME");
        name.Title().SetCaption("Person");
        name.Title().SetColor(clYellow);
        name.SetWidth(120);
        name.SetColor(0xD0F0E0);
        TColumn& id = *columns.Add();
        id.SetFieldName("ID");
        id.SetVisible(false);
        TColumn& city = *columns.Add();
        city.SetFieldName("CITY");
        city.SetAlignment(TAlignment::taCenter);
    }
};
