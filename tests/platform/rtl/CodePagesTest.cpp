#include "platform/rtl/CodePages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

struct ByteRow {
    unsigned ansi, cp437, cp850, upper, lower;
};

// One row per byte: its code point in cp1252, cp437 and cp850, and its cp1252 upper and lower case.
std::vector<ByteRow> ReadTable()
{
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/codepages.txt");
    std::vector<ByteRow> rows(256);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        unsigned byte = 0;
        ByteRow row{};
        if (line.empty() || line[0] == '#' ||
            std::sscanf(line.c_str(), "%x %x %x %x %x %x", &byte, &row.ansi, &row.cp437, &row.cp850, &row.upper, &row.lower) != 6 ||
            byte > 255) {
            continue;
        }
        rows[byte] = row;
        ++count;
    }
    EXPECT_EQ(count, 256);
    return rows;
}

std::string Utf8Of(unsigned code)
{
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

class OemPage : public ::testing::TestWithParam<TOemCodePage> {
protected:
    void TearDown() override { SetOemCodePage(TOemCodePage::cp437); }
};

} // namespace

TEST(CodePages, AnsiTableAndLetterCase)
{
    const std::vector<ByteRow> rows = ReadTable();
    std::string all;
    std::string upper;
    std::string lower;
    for (int b = 0; b < 256; ++b) {
        const ByteRow& row = rows[static_cast<size_t>(b)];
        const char c = static_cast<char>(b);
        EXPECT_EQ(static_cast<unsigned>(AnsiCharToUnicode(static_cast<unsigned char>(b))), row.ansi) << b;
        EXPECT_EQ(static_cast<unsigned char>(AnsiUpperChar(c)), row.upper) << b;
        EXPECT_EQ(static_cast<unsigned char>(AnsiLowerChar(c)), row.lower) << b;
        all += c;
        upper += static_cast<char>(row.upper);
        lower += static_cast<char>(row.lower);
    }
    EXPECT_EQ(AnsiUpperCase(all), upper);
    EXPECT_EQ(AnsiLowerCase(all), lower);
    // UTF-8 and back restores every byte.
    std::string utf8;
    for (int b = 0; b < 256; ++b) {
        utf8 += Utf8Of(rows[static_cast<size_t>(b)].ansi);
    }
    EXPECT_EQ(AnsiToUtf8(all), utf8);
    EXPECT_EQ(Utf8ToAnsi(utf8), all);

    EXPECT_EQ(UpperCase("\xE4" "bc"), "\xE4" "BC");  // ASCII-only
    EXPECT_EQ(AnsiCompareText("\xC4PFEL", "\xE4pfel"), 0);
    EXPECT_TRUE(AnsiSameText("Stra\xDF" "e", "STRA\xDF" "E"));
    EXPECT_FALSE(SameText("\xC4", "\xE4"));
    EXPECT_LT(AnsiCompareText("abc", "ABCD"), 0);
    EXPECT_GT(AnsiCompareStr("b", "B"), 0);
}

TEST_P(OemPage, TranslationFollowsTheTables)
{
    const std::vector<ByteRow> rows = ReadTable();
    SetOemCodePage(GetParam());
    const bool is850 = GetParam() == TOemCodePage::cp850;
    std::map<unsigned, unsigned char> oemByCode;
    std::map<unsigned, unsigned char> ansiByCode;
    for (int b = 255; b >= 0; --b) {
        oemByCode[is850 ? rows[static_cast<size_t>(b)].cp850 : rows[static_cast<size_t>(b)].cp437] = static_cast<unsigned char>(b);
        ansiByCode[rows[static_cast<size_t>(b)].ansi] = static_cast<unsigned char>(b);
    }
    int roundTrips = 0;
    for (int b = 0; b < 256; ++b) {
        const ByteRow& row = rows[static_cast<size_t>(b)];
        const std::string ansi(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<unsigned>(OemCharToUnicode(static_cast<unsigned char>(b))), is850 ? row.cp850 : row.cp437);
        const auto oem = oemByCode.find(row.ansi);
        const std::string expectedOem = oem == oemByCode.end() ? "?" : std::string(1, static_cast<char>(oem->second));
        EXPECT_EQ(AnsiToOem(ansi), expectedOem) << "ANSI byte " << b;
        if (oem != oemByCode.end()) {
            EXPECT_EQ(OemToAnsi(expectedOem), ansi) << "ANSI byte " << b;
            ++roundTrips;
        }
        const unsigned oemCode = is850 ? row.cp850 : row.cp437;
        const auto back = ansiByCode.find(oemCode);
        const std::string expectedAnsi = back == ansiByCode.end() ? "?" : std::string(1, static_cast<char>(back->second));
        EXPECT_EQ(OemToAnsi(std::string(1, static_cast<char>(b))), expectedAnsi) << "OEM byte " << b;
    }
    // ASCII and the accented letters of both pages survive the round trip.
    EXPECT_GT(roundTrips, 128 + 40);
    std::string buffer = "Gr\xFC\xDF" "e \xC9t\xE9";
    AnsiToOemBuff(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, is850 ? "Gr\x81\xE1" "e \x90t\x82" : "Gr\x81\xE1" "e \x90t\x82");
    OemToAnsiBuff(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, "Gr\xFC\xDF" "e \xC9t\xE9");
}

INSTANTIATE_TEST_SUITE_P(CodePages, OemPage, ::testing::Values(TOemCodePage::cp437, TOemCodePage::cp850));

TEST(CodePages, MalformedUtf8BecomesQuestionMarks)
{
    struct Case {
        const char* name;
        std::string input;
        std::string expected;
    } cases[] = {
        {"valid two-byte", "\xC3\xA4", "\xE4"},
        {"euro sign", "\xE2\x82\xAC", "\x80"},
        {"outside cp1252", "\xE2\x88\x9E", "?"},
        {"four-byte character", "a\xF0\x9F\x98\x80" "b", "a?b"},
        {"lone continuation", "a\x80" "b", "a?b"},
        {"truncated at end", "ab\xC3", "ab?"},
        {"truncated before ASCII", "\xE2\x82" "x", "??x"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"overlong NUL", "\xC0\x80", "??"},
        {"overlong three-byte", "\xE0\x81\x81", "???"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", "?????"},
        {"invalid bytes", "\xFE\xFF", "??"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToAnsi(c.input), c.expected) << c.name;
    }
}
