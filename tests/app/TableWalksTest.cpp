// The walks over a whole table that the windows share.
#include "AppTestSupport.h"

#include "app/EditorSupport.h"
#include "app/tables/TrackerTableSettings.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"

#include <string>
#include <vector>

namespace {

using TableWalks = ProgramFolderTest;

TEST_F(TableWalks, OnePassServesTheWalkWithoutTheFilterAndTheFilteredOne)
{
    constexpr int P_NAME = static_cast<int>(TProductField::NAME);
    constexpr int P_CLOSED = static_cast<int>(TProductField::CLOSED);
    MakeTables({"product.dbf"});
    FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products,
              {{{P_NAME, "A"}, {P_CLOSED, "F"}},
               {{P_NAME, "B"}, {P_CLOSED, "T"}},
               {{P_NAME, "C"}, {P_CLOSED, "F"}},
               {{P_NAME, "D"}, {P_CLOSED, "F"}},
               {{P_NAME, "E"}, {P_CLOSED, "T"}}});
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, TrackerTableLayout(TTrackerTable::Products).Enciphered);
    table.DBFFileName = PathOf("databases/product.dbf");
    table.Open();
    table.SetRecNo(3);
    table.Delete();  // hidden from both walks

    struct TCase {
        const char* Name;
        const char* Filter;  // "" = not filtered
        bool Handler;        // a filter handler, which only a walk can serve
        std::vector<std::string> Filtered;
    };
    const TCase cases[] = {
        {"not filtered, one pass", "", false, {"A", "B", "D", "E"}},
        {"filtered, one pass", "CLOSED= False", false, {"A", "D"}},
        {"not filtered, walked", "", true, {"A", "B", "D", "E"}},
        {"filtered, walked", "CLOSED= False", true, {"A", "D"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        table.SetFiltered(false);
        table.OnFilterRecord = nullptr;
        if (c.Handler) {
            table.OnFilterRecord = [](TDataSet*, bool& accept) { accept = true; };
        }
        table.SetFilter(c.Filter);
        table.SetFiltered(c.Filter[0] != '\0');
        std::vector<std::string> every;
        std::vector<std::string> filtered;
        auto name = [&] { return table.Fields().Fields(P_NAME)->AsString(); };
        VisitRecordsAndFiltered(table, [&] { every.push_back(name()); }, [&] { filtered.push_back(name()); });
        EXPECT_EQ(every, (std::vector<std::string>{"A", "B", "D", "E"}));
        EXPECT_EQ(filtered, c.Filtered);
        EXPECT_EQ(table.Filtered(), c.Filter[0] != '\0');
        EXPECT_EQ(table.Filter(), c.Filter);
    }
    table.OnFilterRecord = nullptr;
    table.Close();
}

}  // namespace
