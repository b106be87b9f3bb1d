#include "dbf/XbDBFFieldParse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace XbDBFFieldParse;

namespace {

struct TNumberParts {
    bool Read = false;
    int64_t Mantissa = 0;
    int Fraction = 0;
    bool Negative = false;
};

// The text placed at the end of a buffer whose first bytes are digits and points, so that a
// reader that looked before the text would see a different number.
// A text of one to eight bytes shaped like a right-aligned stored number: leading blanks, then
// bytes drawn from `alphabet`.
std::string RandomRightAlignedText(std::mt19937& random, const std::string& alphabet)
{
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text(static_cast<size_t>(std::uniform_int_distribution<int>(1, 8)(random)), ' ');
    const size_t blanks = std::uniform_int_distribution<size_t>(0, text.size())(random);
    for (size_t i = blanks; i < text.size(); ++i)
        text[i] = alphabet[pick(random)];
    return text;
}

TNumberParts ReadAsWord(const std::string& text)
{
    std::vector<uint8_t> buffer(8, '7');
    buffer[1] = '.';
    buffer.insert(buffer.end(), text.begin(), text.end());
    TNumberParts parts;
    parts.Read = ParseNumberWord(buffer.data() + buffer.size(), static_cast<int>(text.size()), parts.Mantissa,
                                 parts.Fraction, parts.Negative);
    return parts;
}

TNumberParts ReadByteWise(const std::string& text)
{
    TNumberParts parts;
    parts.Read = ParsePlainNumber(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()),
                                  parts.Mantissa, parts.Fraction, parts.Negative);
    return parts;
}

}  // namespace

TEST(XbDBFFieldParse, NumberWordReadsTheCommonStoredShapes)
{
    struct TCase {
        const char* text;
        int64_t mantissa;
        int fraction;
        bool negative;
    };
    const TCase cases[] = {
        {"       1", 1, -1, false},      {"12345678", 12345678, -1, false}, {"  -12.50", -1250, 2, true},
        {"-9999999", -9999999, -1, true}, {" 3", 3, -1, false},             {"0", 0, -1, false},
        {"  .5", 5, 1, false},           {"5.", 5, 0, false},               {"-0.00", 0, 2, true},
        {"1234.567", 1234567, 3, false}, {".1234567", 1234567, 7, false},   {"  00042", 42, -1, false},
    };
    for (const TCase& c : cases) {
        const TNumberParts parts = ReadAsWord(c.text);
        ASSERT_TRUE(parts.Read) << '"' << c.text << '"';
        EXPECT_EQ(parts.Mantissa, c.mantissa) << '"' << c.text << '"';
        EXPECT_EQ(parts.Fraction, c.fraction) << '"' << c.text << '"';
        EXPECT_EQ(parts.Negative, c.negative) << '"' << c.text << '"';
    }
    // Shapes left to the byte-wise readers.
    for (const char* text : {"        ", "12  ", "+5", "1e5", "1.2.3", "--5", "-", " .", "-.", "5-", "1 2", "0x1"})
        EXPECT_FALSE(ReadAsWord(text).Read) << '"' << text << '"';
}

// The word reader agrees with the byte-wise one on every text of up to eight bytes it takes,
// and takes every text the byte-wise one reads that does not end in a blank.
TEST(XbDBFFieldParse, NumberWordAgreesWithTheByteWiseReader)
{
    std::mt19937 random(19);
    const std::string alphabet = "  ---..0123456789012345678901234567890123456789+e";
    int read = 0;
    for (int round = 0; round < 200000; ++round) {
        const std::string text = RandomRightAlignedText(random, alphabet);
        const TNumberParts word = ReadAsWord(text);
        const TNumberParts bytes = ReadByteWise(text);
        ASSERT_EQ(word.Read, bytes.Read && text.back() != ' ') << '"' << text << '"';
        if (!word.Read)
            continue;
        ++read;
        ASSERT_EQ(word.Mantissa, bytes.Mantissa) << '"' << text << '"';
        ASSERT_EQ(word.Fraction, bytes.Fraction) << '"' << text << '"';
        ASSERT_EQ(word.Negative, bytes.Negative) << '"' << text << '"';
    }
    EXPECT_GT(read, 10000);
}

// The digits reader takes exactly the texts the word reader reads as unsigned numbers with the
// point where the field's decimals put it (none for -1), and reads them alike.
TEST(XbDBFFieldParse, DigitsWordAgreesWithTheNumberWord)
{
    std::mt19937 random(23);
    const std::string alphabet = "   -..012345678901234567890123456789+";
    int read = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string text = RandomRightAlignedText(random, alphabet);
        const int n = static_cast<int>(text.size());
        const int decimals = std::uniform_int_distribution<int>(0, n - 1)(random);
        const int pointByte = decimals == 0 ? -1 : 7 - decimals;
        if (decimals > 0 && round % 2 == 0)
            text[static_cast<size_t>(n - decimals - 1)] = '.';
        std::vector<uint8_t> buffer(8, '7');
        buffer[1] = '.';
        buffer.insert(buffer.end(), text.begin(), text.end());
        int64_t digits = 0;
        const bool digitsRead = ParseDigitsWord(buffer.data() + buffer.size(), n, pointByte, digits);
        const TNumberParts word = ReadAsWord(text);
        const bool expected = word.Read && !word.Negative && word.Fraction == (decimals == 0 ? -1 : decimals);
        ASSERT_EQ(digitsRead, expected) << '"' << text << "\" " << decimals;
        if (!digitsRead)
            continue;
        ++read;
        ASSERT_EQ(digits, word.Mantissa) << '"' << text << "\" " << decimals;
    }
    EXPECT_GT(read, 10000);
}

// The blocked scans for a text's trailing blanks and its first NUL agree with a plain byte
// loop at every length and position around their block sizes.
TEST(XbDBFFieldParse, TextEndsAgreeWithAByteLoop)
{
    std::mt19937 random(7);
    const char bytes[] = {'a', 'a', 'a', ' ', ' ', '\0', '\t'};
    std::uniform_int_distribution<size_t> pick(0, std::size(bytes) - 1);
    for (int round = 0; round < 20000; ++round) {
        const int n = round % 70;
        std::vector<uint8_t> text(static_cast<size_t>(n) + 1, 'x');  // one byte past the text
        // Runs of blanks at the end and a NUL are rare in random bytes: make them common.
        const int shape = round % 3;
        for (int i = 0; i < n; ++i)
            text[static_cast<size_t>(i)] = static_cast<uint8_t>(shape == 0 ? bytes[pick(random)] : 'a');
        if (shape == 1 && n > 0)
            for (int i = std::uniform_int_distribution<int>(0, n)(random); i < n; ++i)
                text[static_cast<size_t>(i)] = ' ';
        if (shape == 2 && n > 0)
            text[static_cast<size_t>(std::uniform_int_distribution<int>(0, n - 1)(random))] = '\0';
        int trimmed = n;
        while (trimmed > 0 && text[static_cast<size_t>(trimmed) - 1] == ' ')
            --trimmed;
        int beforeNul = 0;
        while (beforeNul < n && text[static_cast<size_t>(beforeNul)] != 0)
            ++beforeNul;
        ASSERT_EQ(TrimmedLength(text.data(), n), trimmed) << "length " << n << " round " << round;
        ASSERT_EQ(LengthBeforeNul(text.data(), n), beforeNul) << "length " << n << " round " << round;
    }
}
