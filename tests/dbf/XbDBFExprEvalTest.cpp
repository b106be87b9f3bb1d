// Evaluation: filter verdicts, function values, key texts, hash codes and substituted keys.

#include "dbf/XbDBFExprText.h"
#include "dbf/XbDBFParser.h"

#include "ExprFixture.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using FO = TFilterOption;

class EvalTest : public ::testing::Test {
protected:
    ExprFixture fixture;
    TXbExprMemorySource& source = fixture.source;

    bool Filter(const std::string& text, size_t record, TFilterOptions options = {})
    {
        source.SetRecord(record);
        TXbDBFExprParser parser(&source);
        parser.SetFilterExpression(text, options);
        return parser.Evaluate().AsBoolean();
    }

    Variant Value(const std::string& text, size_t record = 0)
    {
        source.SetRecord(record);
        TXbDBFExprParser parser(&source);
        parser.ParseExpression(text);
        return parser.Evaluate();
    }
};

struct FilterCase {
    const char* text;
    size_t record;
    bool expected;
    TFilterOptions options = {};
};

TEST_F(EvalTest, FilterVerdicts)
{
    const FilterCase cases[] = {
        {"NAME = 'Smith'", 0, true},
        {"NAME = 'Smith'", 1, false},
        {"NAME = 'O''Brien'", 1, true},
        {"NAME <> 'Smith'", 0, false},
        {"NAME = 'smith'", 0, false},
        {"NAME = 'smith'", 0, true, {FO::foCaseInsensitive}},
        // A trailing star compares the common prefix.
        {"NAME = 'Smi*'", 0, true},
        {"NAME = 'smi*'", 0, false},
        {"NAME = 'smi*'", 0, true, {FO::foCaseInsensitive}},
        // Partial comparison runs over the shorter text, so a longer pattern still matches.
        {"NAME = 'Smithson*'", 0, true},
        {"NAME = 'Smi*'", 0, false, {FO::foNoPartialCompare}},
        // Without partial comparison, case folding still applies.
        {"NAME = 'smith'", 0, true, {FO::foCaseInsensitive, FO::foNoPartialCompare}},
        {"NAME = 'smi*'", 0, false, {FO::foCaseInsensitive, FO::foNoPartialCompare}},
        {"NAME > 'Sm'", 0, true},
        {"NAME < 'Sm'", 1, true},
        {"AMOUNT > 3", 0, true},
        {"AMOUNT >= 3.5", 0, true},
        {"AMOUNT < 0", 1, true},
        {"AMOUNT <= -3.5", 1, true},
        {"QTY = 42", 0, true},
        {"QTY <> 42", 1, true},
        {"BIG > 1000000000000", 0, true},
        {"ACTIVE", 0, true},
        {"ACTIVE", 1, false},
        {"NOT ACTIVE", 1, true},
        {"ACTIVE = 'True'", 0, true},
        {"ACTIVE= False", 1, true},
        {"ACTIVE = .T.", 0, true},
        {".t. .and. !DELETED", 0, true},
        {".t. .and. !DELETED", 1, false},
        {"NAME LIKE 'S%h'", 0, true},
        {"NAME LIKE 'S_ith'", 0, true},
        {"NAME LIKE 'S%'", 1, false},
        {"NAME LIKE 's%'", 0, false},
        {"NAME LIKE 's%'", 0, true, {FO::foCaseInsensitive}},
        {"NAME LIKE '%'", 2, false},
        {"NOTES LIKE '%text'", 0, true},
        {"NAME IS NULL", 2, true},
        {"NAME IS NULL", 0, false},
        {"NAME IS NOT NULL", 0, true},
        {"BORN IS NULL", 2, true},
        {"X IN ('x', 'abc')", 0, true},
        {"X IN ('x', 'abc')", 1, false},
        {"X IN ('ABC')", 0, true, {FO::foCaseInsensitive}},
        {"X IN ('ab*')", 0, true},
        {"PRODUCT='Alpha' and STATUS>='Open'", 0, true},
        {"PRODUCT='Alpha' and STATUS>='Open'", 1, false},
        {"PRODUCT='Beta' or STATUS='Open'", 1, true},
        {"DTOS(BORN) = '20240229'", 0, true},
        {"YEAR(BORN) = 2024", 0, true},
        {"MONTH(BORN) = 12 and DAY(BORN) = 31", 1, true},
        {"A - 1 = 4", 0, true},
        {"A * B = 35", 0, true},
        {"A / 2 = 2.5", 0, true},
        {"A + B * 2 = 19", 0, true},
        {"NAME + X = 'Smithabc'", 0, true},
        {"IIF(ACTIVE, A, 1/0) = 5", 0, true},
        {"UPPER(NAME) = 'SMITH'", 0, true},
        {"STR(AMOUNT) = '4'", 0, true},
        {"STR(AMOUNT) = '-4'", 1, true},
        {"STR(PRICE, 6, 2) = '  3.50'", 0, true},
    };
    for (const FilterCase& c : cases)
        EXPECT_EQ(Filter(c.text, c.record, c.options), c.expected) << c.text << " @" << c.record;
}

struct ValueCase {
    const char* text;
    const char* expected;
    size_t record = 0;
};

TEST_F(EvalTest, FunctionValues)
{
    const ValueCase cases[] = {
        {"SUBSTR('ABCDEF', 3)", "CDEF"},
        {"SUBSTR('ABCDEF', 2, 3)", "BCD"},
        {"SUBSTR('ABC', 5, 1)", ""},
        {"SUBSTR('ABCDEF', 3, -1)", "CDEF"},
        {"STUFF('ABCDEF', 2, 3, 'xy')", "AxyEF"},
        {"STUFF('ABC', 2, 0, 'xy')", "AxyBC"},
        {"STRTRAN('aaa', 'a', 'aa')", "aaaaaa"},
        {"STRTRAN('abcabc', 'b', 'X', 2, 1)", "abcaXc"},
        {"STRTRAN('abcabc', 'b')", "acac"},
        {"PADC('AB', 5, '*')", "*AB**"},
        {"PADL('AB', 4)", "  AB"},
        {"PADR('AB', 4, '-')", "AB--"},
        {"PADR('ABCDEF', 3)", "ABC"},
        {"PADR('AB', -2)", ""},
        {"LEFT('ABC', 2)", "AB"},
        {"LEFT('ABC', -1)", ""},
        {"RIGHT('ABCDE', 2)", "DE"},
        {"RIGHT('ABC', 5)", "ABC"},
        {"SPACE(3)", "   "},
        {"SPACE(-3)", ""},
        {"STRZERO(42, 5)", "00042"},
        {"STRZERO(42.9)", "0000000042"},
        {"STRZERO(-42, 6)", "000-42"},
        {"STRZERO(1234567, 3)", "1234567"},
        {"STR(2.675, 6, 2)", "  2.68"},
        {"STR(2.5, 3)", "  3"},
        {"STR(-2.5, 3)", " -3"},
        {"STR(123456, 3)", "123456"},
        {"STR(1.5, -4)", "2"},
        {"UPPER('a\xe4z')", "A\xe4Z"},
        {"ANSIUPPER('a\xe4z')", "A\xc4Z"},
        {"LOWER('A\xc4Z')", "a\xc4z"},
        {"ANSILOWER('A\xc4Z')", "a\xe4z"},
        {"ALLTRIM('  ab  ')", "ab"},
        {"LTRIM('  ab ')", "ab "},
        {"TRIM(' ab  ')", " ab"},
        {"DESCEND('AB')", "\xbf\xbe"},
        {"IIF(.T., 'y', 1/0)", "y"},
        {"IIF(ACTIVE, 'y', 'n')", "n", 1},
        {"DTOS(BORN)", "20240229"},
        {"DTOS(BORN)", "        ", 2},
        {"DTTOS(BORN)", "20240229000000"},
        {"UPPER(NAME)", "          ", 2},
        {"NAME + X", "Smithabc"},
    };
    for (const ValueCase& c : cases) {
        Variant v = Value(c.text, c.record);
        EXPECT_EQ(VarToStr(v), c.expected) << c.text;
    }
    EXPECT_DOUBLE_EQ(Value("VAL(' 12.5 ')").AsDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Value("VAL('12abc')").AsDouble(), 12);
    EXPECT_DOUBLE_EQ(Value("VAL('-')").AsDouble(), 0);
    EXPECT_DOUBLE_EQ(Value("VAL('1e5')").AsDouble(), 1);
    EXPECT_EQ(Value("YEAR(BORN)").AsInteger(), 2024);
    EXPECT_EQ(Value("DATE(BORN)").AsInteger(), static_cast<int>(EncodeDate(2024, 2, 29)));
    EXPECT_TRUE(Value("SUM(A)").IsNull());
    EXPECT_TRUE(Value("COUNT(*)").IsNull());
}

struct ErrorCase {
    const char* text;
    const char* message;
    size_t record = 0;
};

TEST_F(EvalTest, EvaluationErrors)
{
    const ErrorCase cases[] = {
        {"A / 0 = 1", "Floating point division by zero"},
        {"AMOUNT / B > 1", "Floating point division by zero", 1},
        {"SUBSTR(NAME) = 'a'", "TXbDBFExprParser.Execute: Incorrect number of arguments in SUBSTR call."},
        {"STUFF(NAME, 1) = 'a'", "TXbDBFExprParser.Execute: Incorrect number of arguments in STUFF call."},
        {"STRTRAN(NAME) = 'a'", "TXbDBFExprParser.Execute: Incorrect number of arguments in STRTRAN call."},
        {"SPACE(70000) = 'a'", "TXbDBFExprParser.Execute: Text result longer than 65535 characters."},
        {"STRTRAN(SPACE(60000), ' ', 'ab') = 'a'",
         "TXbDBFExprParser.Execute: Text result longer than 65535 characters."},
        {"SPACE(40000) + SPACE(40000) = 'a'", "TXbDBFExprParser.Execute: Text result longer than 65535 characters."},
        {"DESCEND(NOTES) = 'a'", "Field type for DESCEND() not avaliable!", 2},
    };
    for (const ErrorCase& c : cases) {
        source.SetRecord(c.record);
        TXbDBFExprParser parser(&source);
        parser.ParseExpression(c.text);
        try {
            parser.Evaluate();
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
    }
    // A value DESCEND cannot order (here an array given for a memo field).
    {
        TXbDBFExprParser descend(&source);
        descend.ParseExpression("DESCEND(NOTES)");
        std::string key;
        try {
            descend.KeyFromFieldValues("NOTES", VarArrayOf({VarArrayOf({Variant(1)})}), key, ' ');
            ADD_FAILURE() << "no error for DESCEND of an array";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Non supported argument type in DESCEND() function!");
        }
    }
    // A number literal that swallowed a minus sign fails to convert.
    TXbDBFExprParser parser(&source);
    parser.ParseExpression("A = 1-2");
    EXPECT_THROW(parser.Evaluate(), EConvertError);
    // No tree: Null, and a key of no characters.
    parser.ParseExpression("");
    EXPECT_TRUE(parser.Evaluate().IsNull());
    parser.SetKeyMode(true);
    EXPECT_EQ(parser.KeyStringOfResult(), "");
}

struct KeyCase {
    const char* expression;
    size_t record;
    std::string key;
    int32_t hash;
    int32_t width;
    int32_t decimals;
    bool partial = false;
};

TEST_F(EvalTest, KeysHashesAndWidths)
{
    const int32_t born = static_cast<int32_t>(EncodeDate(2024, 2, 29));
    const KeyCase cases[] = {
        {"PRICE", 0, "03.50", 3, 5, 2},
        {"PRICE", 1, ",).',", -3, 5, 2},
        {"AMOUNT", 0, "0000003.50", 3, 10, 2},
        {"AMOUNT", 2, "0000000.00", 0, 10, 2},
        {"QTY", 0, "00042", 42, 5, 0},
        {"QTY", 1, ",,,,%", -7, 5, 0},
        {"BIG", 0, "000000000000", 0x7FFFFFFF, 12, 0},
        {"BIG", 1, "000000000000", INT32_MIN, 12, 0},
        {"NAME", 0, "Smith     ", 0x536D6974, 10, 0},
        // Key mode reads character fields with their trailing blanks, also for partial keys.
        {"NAME", 0, "Smith     ", 0x536D6974, 10, 0, true},
        {"NAME", 2, "          ", 0x20202020, 10, 0},
        {"NAME", 2, "          ", 0x20202020, 10, 0, true},
        {"LEFT(NAME, 2)", 0, "Sm", 0x536D, 2, 0},
        {"UPPER(NAME)", 0, "SMITH     ", 0x534D4954, 10, 0},
        {"DTOS(BORN) + NAME", 0, "20240229Smith     ", 0x32303234, 18, 0},
        {"BORN", 0, "20240229", born, 8, 0},
        {"BORN", 2, "        ", 0, 8, 0},
        {"DESCEND(BORN)", 0, "000" + std::to_string(2816789 - born), 2816789 - born, 10, 0},
        {"DESCEND(BORN)", 2, "0005231808", 5231808, 10, 0},
        {"DESCEND(AMOUNT)", 0, ",,,,,,,,,).',", -3, 13, 2},
        {"DESCEND(QTY)", 0, ",,,,,,,,(*.,,", -42, 13, 2},
        {"ACTIVE", 0, "T", -1, 1, 0},
        {"ACTIVE", 1, "F", 0, 1, 0},
        {"ACTIVE", 2, "F", 0, 1, 0},
        {"A + B", 0, "000012", 12, 6, 0},
        {"AMOUNT * 2", 0, "0000007.00", 7, 10, 2},
        {"AMOUNT * AMOUNT", 0, "000000012.2500", 12, 14, 4},
        {"AMOUNT * PRICE", 0, "000000012.2500", 12, 14, 4},
        {"A - B", 0, ",,,,*", -2, 5, 0},
        {"STR(AMOUNT, 8, 1)", 0, "     3.5", 0x20202020, 8, 0},
        {"STR(AMOUNT)", 0, "      3.50", 0x20202020, 10, 0},
        {"IIF(ACTIVE, NAME, X)", 1, "ABCD ", 0x41424344, 5, 0},
    };
    for (const KeyCase& c : cases) {
        source.SetRecord(c.record);
        TXbDBFExprParser parser(&source);
        parser.SetKeyMode(true);
        parser.SetPartialKey(c.partial);
        parser.ParseExpression(c.expression);
        std::string key = parser.KeyStringOfResult();
        EXPECT_EQ(key, c.key) << c.expression << " @" << c.record;
        EXPECT_EQ(parser.LastKey(), key);
        EXPECT_EQ(parser.LastHash(), c.hash) << c.expression << " @" << c.record;
        EXPECT_EQ(parser.GetResultLength(), c.width) << c.expression;
        EXPECT_EQ(parser.GetResultDecimals(), c.decimals) << c.expression;
    }
}

TEST_F(EvalTest, KeysFromGivenFieldValues)
{
    TXbDBFExprParser parser(&source);
    parser.SetKeyMode(true);
    std::string key;
    parser.ParseExpression("NAME");
    parser.KeyFromFieldValues("NAME", Variant("Jones"), key, ' ');
    EXPECT_EQ(key, "Jones     ");
    parser.ParseExpression("NAME + X");
    parser.KeyFromFieldValues("NAME;X", VarArrayOf({Variant("Jo"), Variant("ab")}), key, '*');
    EXPECT_EQ(key, "Jo********ab***");
    EXPECT_EQ(parser.PadChar(), ' ');
    // A partial key is not padded.
    parser.ParseExpression("NAME");
    parser.SetPartialKey(true);
    parser.KeyFromFieldValues("NAME", Variant("AB"), key, ' ');
    EXPECT_EQ(key, "AB");
    parser.SetPartialKey(false);
    parser.ParseExpression("NAME + X");
    // A missing element is Null: the field's key of pad characters.
    parser.KeyFromFieldValues("NAME;X", VarArrayOf({Variant("Jo")}), key, ' ');
    EXPECT_EQ(key, "Jo             ");
    // Values are converted to the field's type.
    parser.ParseExpression("QTY");
    parser.KeyFromFieldValues("QTY", Variant("12"), key, ' ');
    EXPECT_EQ(key, "00012");
    parser.ParseExpression("BIG");
    parser.KeyFromFieldValues("BIG", Variant("-5"), key, ' ');
    EXPECT_EQ(key, ",,,,,,,,,,,'");
    // Fields not in the list read as Null even though the record has values.
    parser.ParseExpression("DTOS(BORN) + NAME");
    parser.KeyFromFieldValues("NAME", Variant("Lee"), key, ' ');
    EXPECT_EQ(key, "        Lee       ");
    // An unknown field name fails, and substitution is switched off afterwards.
    EXPECT_THROW(parser.KeyFromFieldValues("NOPE", Variant("x"), key, '#'), EDatabaseError);
    EXPECT_EQ(parser.PadChar(), ' ');
    source.SetRecord(0);
    EXPECT_EQ(parser.KeyStringOfResult(), "20240229Smith     ");
}

TEST_F(EvalTest, DeepestAcceptedTreesEvaluate)
{
    // The longest operator chain and the deepest nesting the parser accepts still evaluate.
    std::string chain = "A";
    for (int i = 1; i < TXbDBFExprParser::MaxTreeHeight; ++i)
        chain += "+B";
    std::string nested = std::string(250, '(') + "A" + std::string(250, ')');
    std::string calls = "NAME";
    for (int i = 0; i < 200; ++i)
        calls = "UPPER(" + calls + ")";
    source.SetRecord(0);
    TXbDBFExprParser parser(&source);
    parser.SetKeyMode(true);
    parser.ParseExpression(chain);
    EXPECT_EQ(parser.Evaluate().AsInteger(), 5 + 7 * (TXbDBFExprParser::MaxTreeHeight - 1));
    EXPECT_THROW(parser.ParseExpression(chain + "+B"), EDatabaseError);
    parser.ParseExpression(nested);
    EXPECT_EQ(parser.Evaluate().AsInteger(), 5);
    parser.ParseExpression(calls);
    EXPECT_EQ(parser.KeyStringOfResult(), "SMITH     ");
}

// Outside oracles ------------------------------------------------------------------------------

std::vector<std::vector<std::string>> ReadTable(const char* name)
{
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/" + name);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream stream(line);
        std::string cell;
        while (std::getline(stream, cell, '|'))
            cells.push_back(cell);
        if (!line.empty() && line.back() == '|')
            cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

TEST(ExprOracle, DatesAgreeWithPythonDatetime)
{
    auto rows = ReadTable("dates.txt");
    ASSERT_GT(rows.size(), 50u);
    for (const auto& row : rows) {
        int year = 0, month = 0, day = 0;
        std::istringstream(row[0]) >> year >> month >> day;
        TXbExprMemorySource source;
        source.AddField("D", 'D', 8);
        source.AddRecord({Variant::FromDateTime(EncodeDate(year, month, day))});
        TXbDBFExprParser parser(&source);
        parser.ParseExpression("DTOS(D)");
        EXPECT_EQ(parser.Evaluate().AsString(), row[1]) << row[0];
        parser.ParseExpression("YEAR(D)");
        EXPECT_EQ(std::to_string(parser.Evaluate().AsInteger()), row[2]) << row[0];
        parser.ParseExpression("DESCEND(D)");
        EXPECT_EQ(std::to_string(parser.Evaluate().AsInt64()), row[3]) << row[0];
    }
}

TEST(ExprOracle, NumericKeysAgreeWithDecimalHalfUp)
{
    auto rows = ReadTable("numkeys.txt");
    ASSERT_GT(rows.size(), 600u);
    for (const auto& row : rows) {
        const double value = std::stod(row[0]);
        const int width = std::stoi(row[1]);
        const int decimals = std::stoi(row[2]);
        TXbExprMemorySource source;
        source.AddField("N", 'N', width, decimals);
        source.AddRecord({Variant(value)});
        TXbDBFExprParser parser(&source);
        parser.SetKeyMode(true);
        parser.ParseExpression("N");
        EXPECT_EQ(parser.KeyStringOfResult(), row[3]) << row[0] << " " << width << "." << decimals;
        EXPECT_EQ(XbExprText::FormatNumber(value, width, decimals), row[4]) << row[0] << " " << width << "." << decimals;
    }
}

}  // namespace
