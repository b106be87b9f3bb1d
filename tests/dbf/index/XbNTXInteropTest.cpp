// NTX files read by an outside reader: the XBase Perl module's index_dump lists the same keys and
// record numbers in the same order as the engine walks them, and its seeks (--start) land where
// SeekKey lands.
#include "NtxTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

struct TDumpLine {
    std::string Key;
    uint32_t RecNo = 0;
};

// One index_dump listing: "key recno" per line (the key may hold blanks; the number is last).
std::vector<TDumpLine> ParseDump(const std::string& text)
{
    std::vector<TDumpLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t blank = line.rfind(' ');
        if (blank == std::string::npos)
            continue;
        lines.push_back({line.substr(0, blank), static_cast<uint32_t>(std::stoul(line.substr(blank + 1)))});
    }
    return lines;
}

// Runs every index_dump call in one shell and returns each call's output. index_dump takes a
// tag argument, which an NTX file ignores (without one it stops after listing no tags).
std::vector<std::string> RunIndexDump(const std::vector<std::string>& arguments)
{
    const std::string separator = "=====";
    std::string script;
    for (const std::string& argument : arguments)
        script += "index_dump " + argument + " KEY 2>/dev/null; echo " + separator + "; ";
    bool ok = false;
    const std::string output = RunCommand(script, ok);
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end = output.find(separator + "\n"); end != std::string::npos;
         end = output.find(separator + "\n", start)) {
        parts.push_back(output.substr(start, end - start));
        start = end + separator.size() + 1;
    }
    return parts;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

struct TFixture {
    const char* name;
    TPeopleKey key;
    bool descend;
    int fill;
    bool reverseItemArea;
};

const TFixture kFixtures[] = {
    {"names", TPeopleKey::Name, false, 0, false},
    {"names_deep", TPeopleKey::Name, false, 2, true},
    {"names_desc", TPeopleKey::Name, true, 3, false},
    {"amounts", TPeopleKey::Amount, false, 2, false},
    {"amounts_desc", TPeopleKey::Amount, true, 0, true},
    {"born", TPeopleKey::Born, false, 3, false},
    {"born_desc", TPeopleKey::Born, true, 2, false},
};

const char* DumpType(TPeopleKey key)
{
    switch (key) {
    case TPeopleKey::Name: return "char";
    case TPeopleKey::Amount: return "num";
    case TPeopleKey::Born: return "date";
    }
    return "char";
}

// What the outside reader shows for a key of ours: the text of a character key, the number of a
// numeric or date key.
std::string DumpedKey(const std::string& key, TPeopleKey type)
{
    if (type == TPeopleKey::Name)
        return key;
    std::string digits = key;
    bool negative = false;
    for (char& c : digits) {
        if (c != '.' && (c < '0' || c > '9')) {
            c = static_cast<char>(92 - c);
            negative = true;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", (negative ? -1 : 1) * std::strtod(digits.c_str(), nullptr));
    return text;
}

class NtxInteropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        RunCommand("command -v index_dump", ok);
        if (!ok)
            GTEST_SKIP() << "index_dump (libdbd-xbase-perl) is not installed";
        WriteWholeFile(tablePath, PeopleTable());
    }

    std::string Write(const TFixture& fixture)
    {
        const std::string path = folder.File(std::string(fixture.name) + ".ntx");
        TNtxOptions options = PeopleIndexOptions(fixture.key, fixture.descend, fixture.fill);
        options.ReverseItemArea = fixture.reverseItemArea;
        WriteWholeFile(path, BuildNtx(options, PeopleItems(fixture.key, fixture.descend)));
        return path;
    }

    TScratchFolder folder;
    std::string tablePath = folder.File("people.dbf");
};

TEST_F(NtxInteropTest, IndexDumpListsWhatTheEngineWalks)
{
    std::vector<std::string> paths;
    std::vector<std::string> arguments;
    for (const TFixture& fixture : kFixtures) {
        paths.push_back(Write(fixture));
        arguments.push_back("--type=" + std::string(DumpType(fixture.key)) + " " + Quoted(paths.back()));
    }
    const std::vector<std::string> dumps = RunIndexDump(arguments);
    ASSERT_EQ(dumps.size(), std::size(kFixtures));
    for (size_t i = 0; i < std::size(kFixtures); ++i) {
        const TFixture& fixture = kFixtures[i];
        SCOPED_TRACE(fixture.name);
        TIndexedTable indexed(tablePath, paths[i], TAccessMode::kShareDenyNone);
        indexed.Open();
        TXbNTXIndex& index = *indexed.index;
        std::vector<TDumpLine> walked;
        for (auto result = index.First(); result == TXbIndexNavigation::nrPositioned; result = index.Next())
            walked.push_back({DumpedKey(index.GetCurrentKey(), fixture.key), index.GetCurrentRecNo()});
        const std::vector<TDumpLine> dumped = ParseDump(dumps[i]);
        ASSERT_EQ(dumped.size(), 30u) << dumps[i];
        ASSERT_EQ(walked.size(), dumped.size());
        for (size_t k = 0; k < walked.size(); ++k) {
            EXPECT_EQ(walked[k].Key, dumped[k].Key) << "key " << k;
            EXPECT_EQ(walked[k].RecNo, dumped[k].RecNo) << "key " << k;
        }
        // The table browses in the same order.
        std::vector<uint32_t> numbers;
        for (const TDumpLine& line : dumped)
            numbers.push_back(line.RecNo);
        EXPECT_EQ(indexed.Forward(), numbers);
    }
}

TEST_F(NtxInteropTest, IndexDumpSeeksLandWhereSeekKeyLands)
{
    struct TSeek {
        const TFixture& fixture;
        std::string start;       // index_dump's --start value
        std::string key;         // the same search for SeekKey (soft, partial)
    };
    const TFixture& names = kFixtures[1];
    const TFixture& amounts = kFixtures[3];
    const TFixture& born = kFixtures[5];
    const std::vector<TSeek> seeks = {
        {names, "Adams", "Adams"},    {names, "Mo", "Mo"},       {names, "Miller", "Miller"},
        {names, "Ca", "Ca"},          {names, "K", "K"},         {names, "Zimmer", "Zimmer"},
        {names, "Zz", "Zz"},          {names, "A", "A"},         {amounts, "-20", NumericKeyText(-20, 8, 2)},
        {amounts, "-13.75", NumericKeyText(-13.75, 8, 2)},       {amounts, "-7", NumericKeyText(-7, 8, 2)},
        {amounts, "0", NumericKeyText(0, 8, 2)},                 {amounts, "0.5", NumericKeyText(0.5, 8, 2)},
        {amounts, "13.75", NumericKeyText(13.75, 8, 2)},         {amounts, "14", NumericKeyText(14, 8, 2)},
        {born, "19600000", "19600000"},                          {born, "19400101", "19400101"},
        {born, "19900000", "19900000"},
    };
    std::vector<std::string> arguments;
    for (const TSeek& seek : seeks)
        arguments.push_back("--type=" + std::string(DumpType(seek.fixture.key)) + " --start=" + Quoted(seek.start) + " " +
                            Quoted(folder.File(std::string(seek.fixture.name) + ".ntx")));
    for (const TFixture* fixture : {&names, &amounts, &born})
        Write(*fixture);
    const std::vector<std::string> dumps = RunIndexDump(arguments);
    ASSERT_EQ(dumps.size(), seeks.size());
    for (size_t i = 0; i < seeks.size(); ++i) {
        const TSeek& seek = seeks[i];
        TIndexedTable indexed(tablePath, folder.File(std::string(seek.fixture.name) + ".ntx"), TAccessMode::kShareDenyNone);
        indexed.Open();
        const std::vector<TDumpLine> dumped = ParseDump(dumps[i]);
        const uint32_t expected = dumped.empty() ? 0 : dumped.front().RecNo;
        EXPECT_EQ(indexed.index->SeekKey(seek.key, true, 0, true), expected) << seek.fixture.name << " from " << seek.start;
    }
}

}  // namespace
