// Filters of simple conditions run as tests on the record bytes: the same verdicts as the
// expression evaluator on random conditions and records, and the table's use of them.

#include "dbf/XbDBFCompiledFilter.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "XbDBFTableBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using FO = TFilterOption;

// A table held in a memory stream.
class TMemoryTable {
public:
    explicit TMemoryTable(const TTestTable& builder)
    {
        const std::vector<uint8_t> bytes = builder.Bytes();
        stream_.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        table.StorageType = TProxyStreamType::pstOuterStream;
        table.OuterStream = &stream_;
        table.DBFFileName = "memory.dbf";
    }

    std::vector<int> Shown()
    {
        std::vector<int> seen;
        for (table.First(); !table.Eof(); table.Next())
            seen.push_back(table.RecNo());
        return seen;
    }

    TXbSmartDBF table{nullptr};

private:
    TMemoryStream stream_;
};

const std::vector<TTestField> kFields = {{"NAME", 'C', 8}, {"CODE", 'C', 3},     {"QTY", 'N', 4},
                                         {"PRICE", 'N', 7, 2}, {"DUE", 'D', 8}, {"DONE", 'L', 1}};

// Field texts as they may lie in a record: blanks, stars, letter case, bytes above 127, numbers
// and dates that do not read, values out of the usual shape.
const std::vector<std::vector<std::string>> kStoredTexts = {
    {"", "Open", "open", "OPEN", "Op", "Op*", "Open*", "Ab cd", "\xE4pfel", "\xC4PFEL", "z", "  lead", "\x84x",
     "Openness", "*"},
    {"", "A", "a", "B*", "AB", "*", "ab"},
    {"", "   3", "  -3", "  12", "9999", " abc", "1 2 ", "  +5", "0   ", "  -0", "   3."},
    {"", "  12.50", "  -3.50", "   0.00", "12.5   ", "    abc", "  1e3  ", "     .5", "  -0.00"},
    {"", "20240229", "20230229", "20231231", "19991231", "abcdefgh", "2024 101", "00000000"},
    {"", "T", "F", "?", "Y", "t"},
};

// Constants each field is compared with; some do not convert to the field's type.
const std::vector<std::vector<std::string>> kConstants = {
    {"'Open'", "'open'", "'Op*'", "'OP*'", "''", "'*'", "'\xC4pfel'", "'Openness'", "'Z'", "3"},
    {"'A'", "'a'", "'B*'", "'ab'", "''"},
    {"3", "-3", "12", "'12'", "0", "9999.5", "-0.5", "'abc'"},
    {"12.5", "-3.5", "0", "12", "'12.50'", "0.5"},
    {"'29/02/2024'", "'31/12/2023'", "'31/12/1999'", "'abc'"},
    {".T.", ".F.", "'True'", "'False'", "1"},
};

const char* const kOperators[] = {"=", "<>", "<", "<=", ">", ">="};

// Conditions the compiled form leaves to the evaluator.
const char* const kOtherConditions[] = {"UPPER(NAME) = 'OPEN'", "QTY + 1 > 3", "NAME LIKE 'O%'",
                                        "CODE IN ('A', 'B*')", "DONE", "NAME = CODE"};

std::string RandomCondition(std::mt19937& random, int depth)
{
    std::uniform_int_distribution<int> pick(0, 99);
    const int shape = pick(random);
    if (depth > 0 && shape < 30) {
        const char* join = shape < 15 ? " and " : " or ";
        return "(" + RandomCondition(random, depth - 1) + ")" + join + "(" + RandomCondition(random, depth - 1) + ")";
    }
    if (depth > 0 && shape < 36)
        return "not (" + RandomCondition(random, depth - 1) + ")";
    const size_t field = static_cast<size_t>(pick(random)) % kFields.size();
    const std::string& name = kFields[field].Name;
    if (shape < 42)
        return name + (shape % 2 == 0 ? " IS NULL" : " IS NOT NULL");
    if (shape < 45)
        return kOtherConditions[static_cast<size_t>(pick(random)) % std::size(kOtherConditions)];
    const std::vector<std::string>& constants = kConstants[field];
    const std::string& constant = constants[static_cast<size_t>(pick(random)) % constants.size()];
    const std::string op = kOperators[pick(random) % 6];
    return shape < 80 ? name + " " + op + " " + constant : constant + " " + op + " " + name;
}

TEST(CompiledFilter, GivesTheEvaluatorsVerdictOnRandomConditionsAndRecords)
{
    std::mt19937 random(20261211);
    TTestTable builder(kFields);
    for (int n = 0; n < 200; ++n) {
        std::vector<std::string> values;
        for (const std::vector<std::string>& texts : kStoredTexts)
            values.push_back(texts[random() % texts.size()]);
        builder.Add(values);
    }
    TMemoryTable memory(builder);
    TXbSmartDBF& table = memory.table;
    table.Open();

    const TFilterOptions optionSets[] = {
        {}, {FO::foCaseInsensitive}, {FO::foNoPartialCompare}, {FO::foCaseInsensitive, FO::foNoPartialCompare}};
    int compiledCount = 0;
    int total = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string text = RandomCondition(random, 3);
        const TFilterOptions options = optionSets[round % 4];
        table.OEM = (round / 4) % 2 == 1;
        table.TrimCType = (round / 8) % 2 == 1;
        TXbDBFExprParser parser(&table.ExprFieldSource());
        try {
            parser.SetFilterExpression(text, options);
        } catch (const Exception&) {
            continue;  // refused by the parser, or a constant that does not convert
        }
        ++total;
        TXbDBFCompiledFilter compiled;
        if (!compiled.Compile(parser, table.FieldAccess()))
            continue;
        ++compiledCount;
        for (table.First(); !table.Eof(); table.Next()) {
            const Variant verdict = parser.Evaluate();
            ASSERT_EQ(compiled.Accepts(table.ActiveRecordBuffer(), table.OEM, table.TrimCType), verdict.AsBoolean())
                << text << " on record " << table.RecNo() << " (round " << round << ")";
        }
    }
    // Most random conditions are simple; the others must have been left to the evaluator.
    EXPECT_GT(compiledCount, total / 2);
    EXPECT_LT(compiledCount, total);
}

TEST(CompiledFilter, TableShowsTheRecordsOfSimpleFiltersAndKeepsTheEvaluatorForOthers)
{
    TTestTable builder({{"STATUS", 'C', 10}, {"QALEVEL", 'N', 2}, {"OPENED", 'D', 8}});
    builder.Add({"Open", " 3", "20240115"});
    builder.Add({"Open", " 1", "20240301"});
    builder.Add({"Closed", " 5", ""});
    builder.Add({"", " 4", "20231231"});
    builder.Add({"Open", "", "20240229"});
    builder.Add({"Open*", " 3", "20240101"}, true);
    TMemoryTable memory(builder);
    memory.table.SetSetDeleted(true);
    memory.table.Open();

    struct Case {
        const char* filter;
        bool compiled;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {"STATUS='Open' .AND. QALEVEL>=3", true, {1}},
        // Record 6 matches as well but is deleted.
        {"STATUS='Op*' or 3 < QALEVEL", true, {1, 2, 3, 4, 5}},
        // A blank value is null: it equals nothing and sorts before everything.
        {"STATUS <> 'Open'", true, {3, 4}},
        {"QALEVEL < 2", true, {2, 5}},
        {"OPENED >= '01/02/2024' or OPENED IS NULL", true, {2, 3, 5}},
        {"not (STATUS = 'Open')", true, {3, 4}},
        {"UPPER(STATUS) = 'OPEN' and QALEVEL > 2", false, {1}},
    };
    for (const Case& c : cases) {
        memory.table.SetFiltered(false);
        memory.table.SetFilter(c.filter);
        memory.table.SetFiltered(true);
        EXPECT_EQ(memory.table.FilterCompiled(), c.compiled) << c.filter;
        EXPECT_EQ(memory.Shown(), c.shown) << c.filter;
    }
}

}  // namespace
