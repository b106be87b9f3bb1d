// Parsing: text to tree, precedence, typing, and the exact parse error messages.

#include "dbf/XbDBFParser.h"

#include "ExprFixture.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

constexpr TParserOptions kExt = static_cast<TParserOptions>(TParserOption::poExtSyntax);

class ParserTest : public ::testing::Test {
protected:
    TXbExprMemorySource source;
    void SetUp() override { AddFixtureFields(source); }

    std::string Tree(const std::string& text)
    {
        TXbDBFExprParser parser(&source);
        parser.ParseExpression(text, kExt);
        return XbExprTreeText(parser.Root());
    }
};

struct TreeCase {
    const char* text;
    const char* tree;
};

TEST_F(ParserTest, TextBecomesTheExpectedTree)
{
    const TreeCase cases[] = {
        // Literals, quotes and comments.
        {"NAME = 'O''Brien'", "=([NAME] 'O''Brien')"},
        {"NAME = \"say \"\"hi\"\"\"", "=([NAME] 'say \"hi\"')"},
        {"/* note */ AMOUNT > 5", ">([AMOUNT] 5)"},
        {"AMOUNT /* between */ > 5", ">([AMOUNT] 5)"},
        {"[FIRST NAME] = 'A'", "=([FIRST NAME] 'A')"},
        {"name = 'x'", "=([NAME] 'x')"},
        // Minus after an operand subtracts; elsewhere it starts a number, which swallows signs.
        {"A-1", "-([A] 1)"},
        {"-1", "-1"},
        {"1-2", "1-2"},
        {"A+-1", "+([A] -1)"},
        {"(A)-1", "-([A] 1)"},
        {"1e5+2", "1e5+2"},
        // xBase forms.
        {".t. .and. !DELETED", "AND(TRUE NOT([DELETED]))"},
        {".F. .OR. .NOT. ACTIVE", "OR(FALSE NOT([ACTIVE]))"},
        // Precedence: OR < AND < NOT < comparison < + - < * /; left-associative.
        {"A = 1 OR B = 2 AND NOT X = 'a'", "OR(=([A] 1:ftInteger) AND(=([B] 2:ftInteger) NOT(=([X] 'a'))))"},
        {"A + B * 2 - 1", "-(+([A] *([B] 2)) 1)"},
        {"(A + B) * 2", "*(+([A] [B]) 2)"},
        {"A - B - 1", "-(-([A] [B]) 1)"},
        {"A / B * 2", "*(/([A] [B]) 2)"},
        {"A + 1 > B * 2", ">(+([A] 1) *([B] 2))"},
        // Predicates.
        {"X IN ('a', 'b')", "IN([X] 'a' 'b')"},
        {"BORN IN ('2024-01-01')", "IN([BORN] '2024-01-01':ftDate)"},
        {"NAME IS NULL", "ISNULL([NAME])"},
        {"NAME is  not   null", "ISNOTNULL([NAME])"},
        {"NAME LIKE 'S%'", "LIKE([NAME] 'S%')"},
        {"NOTES LIKE '%memo%'", "LIKE([NOTES] '%memo%')"},
        // A constant compared with a field takes the field's type; text beside a date becomes a date.
        {"QTY = 5", "=([QTY] 5:ftInteger)"},
        {"5 < QTY", "<(5:ftInteger [QTY])"},
        {"ACTIVE='True'", "=([ACTIVE] 'True':ftBoolean)"},
        {"ACTIVE= False", "=([ACTIVE] FALSE)"},
        {"BORN >= '2024-01-01'", ">=([BORN] '2024-01-01':ftDate)"},
        {"DTOS(BORN) = '20240229'", "=(DTOS{[BORN]} '20240229')"},
        // Functions.
        {"upper(NAME) like 'AB%'", "LIKE(UPPER{[NAME]} 'AB%')"},
        {"SUBSTR(NAME, 2, 3)", "SUBSTR{[NAME] 2 3}"},
        {"SubString(NAME, 2)", "SUBSTRING{[NAME] 2}"},
        {"IIF(ACTIVE, NAME, X)", "IIF{[ACTIVE] [NAME] [X]}"},
        {"DTOS(BORN) + NAME", "+(DTOS{[BORN]} [NAME])"},
        {"COUNT(*)", "COUNT(*){}"},
        {"count ( * )", "COUNT(*){}"},
        {"GETDATE()", "GETDATE{}"},
        {"STR(AMOUNT, 10, 2) + DESCEND(NAME)", "+(STR{[AMOUNT] 10 2} DESCEND{[NAME]})"},
        {"BORN - 1", "-([BORN] 1)"},
        {"NULL", "NULL"},
    };
    for (const TreeCase& c : cases)
        EXPECT_EQ(Tree(c.text), c.tree) << c.text;
}

TEST_F(ParserTest, ParseTimeTypes)
{
    struct TypeCase {
        const char* text;
        TFieldType type;
    };
    const TypeCase cases[] = {
        {"A + B", TFieldType::ftFloat},       {"NAME + X", TFieldType::ftString},
        {"BORN + 1", TFieldType::ftDateTime}, {"BORN - 1", TFieldType::ftDate},
        {"BORN - BORN", TFieldType::ftFloat}, {"'2024-01-01' - BORN", TFieldType::ftFloat},
        {"'2024-01-01' + 1", TFieldType::ftDateTime},
        {"YEAR(BORN)", TFieldType::ftInteger}, {"DATE(BORN)", TFieldType::ftDate},
        {"TIME(BORN)", TFieldType::ftTime},    {"SUM(A)", TFieldType::ftFloat},
        {"MAX(BORN)", TFieldType::ftDate},     {"COUNT(*)", TFieldType::ftInteger},
        {"UPPER(NAME)", TFieldType::ftString}, {"A = 1", TFieldType::ftBoolean},
        {"BIG", TFieldType::ftLargeint},       {"QTY", TFieldType::ftInteger},
    };
    for (const TypeCase& c : cases) {
        TXbDBFExprParser parser(&source);
        parser.ParseExpression(c.text, kExt);
        EXPECT_EQ(XbExprFieldTypeName(parser.Root()->DataType), std::string(XbExprFieldTypeName(c.type))) << c.text;
    }
}

enum class Mode { Filter, Key, Plain };

struct ErrorCase {
    std::string text;
    Mode mode;
    const char* message;
    TParserOptions options = kExt;
};

TEST_F(ParserTest, ErrorsCarryTheExactMessage)
{
    const std::string deepParens = std::string(300, '(') + "1" + std::string(300, ')');
    std::string longChain = "A";
    for (int i = 0; i < 2000; ++i)
        longChain += "+B";
    std::string deepCalls;
    for (int i = 0; i < 300; ++i)
        deepCalls += "UPPER(";
    deepCalls += "NAME" + std::string(300, ')');
    const ErrorCase cases[] = {
        {"NAME = #", Mode::Key, "Invalid filter expression character: '#'"},
        {"NAME = 'a' ; X", Mode::Key, "Invalid filter expression character: ';'"},
        {"/* a*b */ X = 1", Mode::Key, "Invalid filter expression character: '*'"},
        {"/* never closed", Mode::Key, "Invalid filter expression character: '/'"},
        {std::string("NAME = 'a'\0 OR X = 'b'", 22), Mode::Key, "Invalid filter expression character: '#0'"},
        {"NAME = 'abc", Mode::Key, "Unterminated string constant"},
        {"NAME = \"abc'", Mode::Key, "Unterminated string constant"},
        {"[NAME = 'a'", Mode::Key, "Unterminated field name"},
        {"X IS EMPTY", Mode::Key, "Invalid use of keyword"},
        {"X IS NOT EMPTY", Mode::Key, "Invalid use of keyword"},
        {"NOPE = 1", Mode::Key, "Field 'NOPE' not found"},
        {"NOT NOT ACTIVE", Mode::Key, "Field 'NOT' not found"},
        {"[no such] = 1", Mode::Key, "Field 'no such' not found"},
        {"NAME = ", Mode::Key, "Expression expected but nothing found"},
        {"NAME = )", Mode::Key, "Expression expected but ')' found"},
        {"X IN 'a'", Mode::Key, "'(' expected but 'a' found"},
        {"(NAME = 'a'", Mode::Key, "')' expected but nothing found"},
        {"(NAME = 'a' X", Mode::Key, "')' expected but 'X' found"},
        {"X IN ('a' 'b')", Mode::Key, "')' or ',' expected but 'b' found"},
        {"SUBSTR(NAME 1)", Mode::Key, "')' or ',' expected but '1' found"},
        {"SUBSTR(NAME, 1", Mode::Key, "')' or ',' expected but nothing found"},
        {"X IN ()", Mode::Key, "IN predicate list may not be empty"},
        {"UPPER()", Mode::Key, "Type mismatch in expression"},
        {"NOTES = 'a'", Mode::Key, "Type mismatch in expression"},
        {"'a' LIKE NOTES", Mode::Key, "Type mismatch in expression"},
        {"ACTIVE + 1", Mode::Key, "Type mismatch in expression"},
        {"NAME * 2", Mode::Key, "Type mismatch in expression"},
        {"NAME - X", Mode::Key, "Type mismatch in expression"},
        {"1 + BORN", Mode::Key, "Type mismatch in expression"},
        {"A + 1", Mode::Key, "Arithmetic in filter expressions not supported", 0},
        {"A * 2", Mode::Key, "Arithmetic in filter expressions not supported", 0},
        {"SUM(A) + A", Mode::Key, "Operation cannot mix aggregate value with record-varying value"},
        {"A .XOR. B", Mode::Filter, "Filter expression incorrectly terminated"},
        {"A = B = 1", Mode::Key, "Filter expression incorrectly terminated"},
        {"NOSUCHFUNC(A)", Mode::Key, "Field 'NOSUCHFUNC' not found"},
        {"A (1)", Mode::Filter, "Filter expression incorrectly terminated"},
        {"SUM(A) > 1", Mode::Filter, "Aggregate expressions not allowed in filters"},
        {"A > 1", Mode::Filter, "Expression is not an aggregate expression",
         kExt | static_cast<TParserOptions>(TParserOption::poAggregate)},
        {"NAME", Mode::Filter, "Incorrectly formed filter expression"},
        {"UPPER(NAME)", Mode::Filter, "Incorrectly formed filter expression"},
        {"TRUE", Mode::Filter, "Incorrectly formed filter expression"},
        // Nesting is bounded instead of exhausting the stack.
        {deepParens, Mode::Key, "Expression nested too deeply"},
        {longChain, Mode::Key, "Expression nested too deeply"},
        {deepCalls, Mode::Key, "Expression nested too deeply"},
    };
    for (const ErrorCase& c : cases) {
        TXbDBFExprParser parser(&source);
        try {
            if (c.mode == Mode::Filter)
                parser.SetFilterExpression(c.text, {}, c.options);
            else
                parser.ParseExpression(c.text, c.options);
            ADD_FAILURE() << "no error for: " << c.text;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), c.message) << c.text;
        }
        EXPECT_EQ(parser.Root(), nullptr) << c.text;
    }
}

TEST_F(ParserTest, AcceptedShapes)
{
    // A key expression may be a bare text field; a filter may be a bare logical field.
    TXbDBFExprParser parser(&source);
    EXPECT_NO_THROW(parser.ParseExpression("NAME", kExt));
    EXPECT_EQ(XbExprTreeText(parser.Root()), "[NAME]");
    // Moderate nesting stays fine.
    std::string nested = std::string(100, '(') + "A" + std::string(100, ')') + " = 1";
    EXPECT_NO_THROW(parser.ParseExpression(nested, kExt));
    // A literal longer than 256 characters is kept whole.
    std::string literal(300, 'q');
    parser.ParseExpression("NAME = '" + literal + "'", kExt);
    EXPECT_EQ(parser.Root()->Right->Text, literal);
    // An empty text leaves no tree.
    parser.ParseExpression("", kExt);
    EXPECT_EQ(parser.Root(), nullptr);
}

TEST_F(ParserTest, FieldListsInTreeOrder)
{
    TXbDBFExprParser parser(&source);
    parser.ParseExpression("name = 'a' and X = 'b' or NAME = 'c'", kExt);
    EXPECT_EQ(parser.GetExpressionFields(), "NAME;X;NAME;");

    struct CountCase {
        const char* expression;
        const char* list;
        int matching;
        int total;
    };
    const CountCase cases[] = {
        {"NAME + X", "NAME;X", 2, 2},
        {"NAME + X", "name;x;", 2, 2},
        {"NAME + X", "X", 0, 2},
        {"NAME + STR(QTY) + X", "NAME;X", 1, 3},
        // Whole names only: NAMEX and XY do not contain the fields NAME and X.
        {"NAME + X", "NAMEX;XY", 0, 2},
        {"A + B", "AB", 0, 2},
        {"'k'", "NAME", 0, 0},
    };
    for (const CountCase& c : cases) {
        parser.ParseExpression(c.expression, kExt);
        int total = -1;
        EXPECT_EQ(parser.CountMatchingFields(c.list, total), c.matching) << c.expression << " / " << c.list;
        EXPECT_EQ(total, c.total) << c.expression;
    }
}

}  // namespace
