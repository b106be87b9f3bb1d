// The walks over a whole table that the windows share, and the pick lists they fill.
#include "AppTestSupport.h"

#include "app/EditorSupport.h"
#include "app/tables/TrackerTableSettings.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Classes.h"

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

TEST(PickLists, UniqueTextsTakeWhatAddUniqueTakes)
{
    // Letter cases of ASCII and of the code page's other letters, texts that differ only in
    // length or in a blank, the empty text, and a list that holds texts before.
    const std::vector<std::string> before = {"Alpha", "\xC9t\xE9"};
    const std::vector<std::string> texts = {"alpha",  "Beta",   "BETA", "\xE9T\xC9", "Beta ", "beta",  "Gamma", "",
                                            "",       "gamma",  "Alpha2", "\xFF",   "\x9F",  "\xE6", "\xC6",  "Beta "};
    TStringList expected;
    TStringList taken;
    for (const std::string& text : before) {
        expected.Add(text);
        taken.Add(text);
    }
    TUniqueTexts unique(taken);
    for (const std::string& text : texts) {
        AddUnique(expected, text);
        unique.Add(text);
    }
    ASSERT_EQ(taken.Count(), expected.Count());
    for (int i = 0; i < expected.Count(); ++i) {
        EXPECT_EQ(taken[i], expected[i]) << i;
    }
    EXPECT_GT(expected.Count(), 6);
}

}  // namespace
