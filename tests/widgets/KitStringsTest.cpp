// The kit's string codings and string routines, against vectors computed from the coding rules
// outside the program (data/reference_values.py).

#include "widgets/KitStrings.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

using namespace std::string_view_literals;

namespace {

struct KeyedCase {
    std::string_view plain;
    uint16_t key;
    std::string_view coded;
};

TEST(KitStrings, KeyedCodingMatchesReferenceVectors)
{
    const KeyedCase cases[] = {
        {"Password"sv, 40716, "\xCF\xC3\x2C\xE1\x6C\x12\x82\x83"sv},
        {""sv, 40716, ""sv},
        {"A"sv, 40716, "\xDE"sv},
        {"Zentivor \xE4\xF6\xFC"sv, 1234, "\x5E\x4B\x20\x61\x70\xD1\xCC\xEE\x72\xD1\xDF\x1B"sv},
        {"\x00\xFF\x00"sv, 0, "\x00\xA7\x7D"sv},
    };
    for (const KeyedCase& c : cases) {
        SCOPED_TRACE(std::string(c.plain));
        EXPECT_EQ(KitEncodeKeyed(c.plain, c.key), c.coded);
        EXPECT_EQ(KitDecodeKeyed(c.coded, c.key), c.plain);
    }
}

TEST(KitStrings, TextCodingMatchesReferenceVectors)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"ab"sv, "2:HF8P"sv},  // two bytes: the length, ":" and one group padded with a blank
        {""sv, "0:"sv},
        {"abc"sv, "3:HF9S"sv},
        {"\x00\xFF\x80\x7F"sv, "4:0?n0Ob0P"sv},
        {"Hello, World"sv, R"(12:B6E\K6l\85M_LVaT)"sv},
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(KitTextEncode(bytes), text);
        EXPECT_EQ(KitTextDecode(text), bytes);
    }
}

TEST(KitStrings, CodingsRoundTripEveryLengthAndKey)
{
    std::mt19937 random(30);
    for (size_t length = 0; length < 64; ++length) {
        std::string text(length, '\0');
        for (char& c : text) {
            c = static_cast<char>(random());
        }
        const auto key = static_cast<uint16_t>(random());
        const std::string keyed = KitEncodeKeyed(text, key);
        ASSERT_EQ(keyed.size(), text.size());
        EXPECT_EQ(KitDecodeKeyed(keyed, key), text);
        const std::string printable = KitTextEncode(keyed);
        for (char c : printable.substr(printable.find(':') + 1)) {
            ASSERT_TRUE(c >= '0' && c <= 'o') << printable;
        }
        EXPECT_EQ(KitDecodeKeyed(KitTextDecode(printable), key), text);
    }
}

TEST(KitStrings, TextDecodingRefusesMalformedText)
{
    const std::string_view malformed[] = {
        ""sv,            // no length
        "HF8P"sv,        // no ":"
        ":HF8P"sv,       // empty length
        "x:HF8P"sv,      // length not a number
        "-2:HF8P"sv,     // signed length
        "2:HF8"sv,       // group cut short: the old decoder read past the end here
        "2:H"sv,
        "5:HF8P"sv,      // length larger than the groups hold
        "1:HF8PHF8P"sv,  // more groups than the length needs
        "2:HF8p"sv,      // 'p' is beyond the last digit 'o'
        "2:HF8/"sv,      // '/' is below the first digit '0'
        "2:\xFF\xFF\xFF\xFF"sv,
        "9999999999:"sv,
    };
    for (std::string_view text : malformed) {
        SCOPED_TRACE(std::string(text));
        std::string bytes = "unchanged";
        EXPECT_FALSE(KitTryTextDecode(text, bytes));
        EXPECT_EQ(bytes, "unchanged");
        EXPECT_THROW(KitTextDecode(text), EConvertError);
    }
    // Text after the first ":" may itself hold ":" (a digit of the code).
    EXPECT_EQ(KitTextEncode("("sv), "1::20P");
    EXPECT_EQ(KitTextDecode("1::20P"), "(");
}

TEST(KitStrings, BlankTrimAndReplace)
{
    EXPECT_TRUE(KitIsBlank(""));
    EXPECT_TRUE(KitIsBlank("   "));
    EXPECT_FALSE(KitIsBlank(" a "));
    EXPECT_EQ(KitTrim("  a b \t"), "a b");
    EXPECT_EQ(KitReplaceChar("a\\b\\c", '\\', '/'), "a/b/c");
}

TEST(KitStrings, TrailingSeparatorWithEitherSeparator)
{
    struct Case {
        std::string_view path;
        char separator;
        std::string_view included;
        std::string_view excluded;
    };
    const Case cases[] = {
        {"C:\\Temp"sv, '\\', "C:\\Temp\\"sv, "C:\\Temp"sv},
        {"C:\\Temp\\"sv, '\\', "C:\\Temp\\"sv, "C:\\Temp"sv},
        {"/tmp"sv, '/', "/tmp/"sv, "/tmp"sv},
        {"/tmp/"sv, '/', "/tmp/"sv, "/tmp"sv},
        {"/"sv, '/', "/"sv, ""sv},
        {""sv, '/', "/"sv, ""sv},        // a blank text gets the separator
        {"  "sv, '\\', "  \\"sv, "  "sv},
        {"a/b"sv, '\\', "a/b\\"sv, "a/b"sv},  // the other separator is an ordinary character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + c.separator);
        EXPECT_EQ(KitIncludeBackslash(c.path, c.separator), c.included);
        EXPECT_EQ(KitExcludeBackslash(c.path, c.separator), c.excluded);
    }
}

}  // namespace
