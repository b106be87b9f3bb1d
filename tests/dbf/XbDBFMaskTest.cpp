// The LIKE matcher against sqlite3's LIKE (case-sensitive) as the outside oracle.

#include "dbf/XbDBFMask.h"
#include "dbf/XbDBFParser.h"

#include "ExprFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

struct LikeCase {
    std::string text;
    std::string pattern;
    bool match;
};

std::vector<LikeCase> ReadLikeCases()
{
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/like.txt");
    std::vector<LikeCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        size_t first = line.find('|');
        size_t second = line.find('|', first + 1);
        cases.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1) == "1"});
    }
    return cases;
}

TEST(MaskMatch, AgreesWithSqliteLike)
{
    std::vector<LikeCase> cases = ReadLikeCases();
    ASSERT_GT(cases.size(), 400u);
    for (const LikeCase& c : cases)
        EXPECT_EQ(MaskMatch(c.pattern, c.text, '_', '%'), c.match) << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

TEST(MaskMatch, LikeOperatorUsesTheSameMatcher)
{
    // Through the parser, with constants on both sides (the cases hold no quotes).
    TXbExprMemorySource source;
    AddFixtureFields(source);
    AddFixtureRecords(source);
    TXbDBFExprParser parser(&source);
    for (const LikeCase& c : ReadLikeCases()) {
        if (c.text.empty() || c.pattern.empty())
            continue;  // an empty text is Null-like for LIKE only through fields; covered above
        parser.ParseExpression("'" + c.text + "' LIKE '" + c.pattern + "'");
        EXPECT_EQ(parser.Evaluate().AsBoolean(), c.match) << c.text << " / " << c.pattern;
    }
}

TEST(MaskMatch, LongInputsStayCheap)
{
    std::string text(20000, 'a');
    std::string pattern = "%" + std::string(50, 'a') + "%b";
    EXPECT_FALSE(MaskMatch(pattern, text));
    EXPECT_TRUE(MaskMatch(pattern, text + "b"));
}

}  // namespace
