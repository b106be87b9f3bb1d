#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

std::string ConvertMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST(SysUtils, IntegersFromText)
{
    struct Case {
        const char* text;
        bool valid;
        int32_t value;
    } cases[] = {
        {"0", true, 0},          {"  42", true, 42},           {"-17", true, -17},
        {"+5", true, 5},         {"$FF", true, 255},           {"0x1f", true, 31},
        {"$FFFFFFFF", true, -1}, {"2147483647", true, 2147483647}, {"-2147483648", true, std::numeric_limits<int32_t>::min()},
        {"2147483648", false, 0}, {"42 ", false, 0},           {"", false, 0},
        {"-", false, 0},         {"1.5", false, 0},            {"12a", false, 0},
        {"$", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = 99;
        EXPECT_EQ(TryStrToInt(c.text, value), c.valid);
        EXPECT_EQ(StrToIntDef(c.text, -9), c.valid ? c.value : -9);
        if (c.valid) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(StrToInt(c.text), c.value);
        }
    }
    EXPECT_EQ(ConvertMessage([] { StrToInt("12x"); }), "'12x' is not a valid integer value");
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(StrToInt64Def("9223372036854775808", 7), 7);
    EXPECT_EQ(StrToInt64("5000000000"), 5000000000);
    EXPECT_EQ(IntToStr(-123), "-123");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(uint16_t{0xAB}, 0), "AB");
    EXPECT_EQ(IntToHex(0x1234ABCD, 2), "1234ABCD");
}

TEST(SysUtils, FloatsToText)
{
    struct Case {
        double value;
        const char* general;
        const char* fixed2;
        const char* number2;
    } cases[] = {
        {0, "0", "0.00", "0.00"},
        {1.5, "1.5", "1.50", "1.50"},
        {-1.5, "-1.5", "-1.50", "-1.50"},
        {0.1 + 0.2, "0.3", "0.30", "0.30"},
        {2.675, "2.675", "2.68", "2.68"},
        {1234567.891, "1234567.891", "1234567.89", "1,234,567.89"},
        {-0.001, "-0.001", "0.00", "0.00"},
        {0.995, "0.995", "1.00", "1.00"},
        {999999999999999, "999999999999999", "999999999999999.00", "999,999,999,999,999.00"},
        {1e15, "1E15", "1E15", "1E15"},
        {1e20, "1E20", "1E20", "1E20"},
        {0.0001, "0.0001", "0.00", "0.00"},
        {0.00001, "1E-5", "0.00", "0.00"},
        {1.5e-7, "1.5E-7", "0.00", "0.00"},
        {123456789012345678.0, "1.23456789012346E17", "1.23456789012346E17", "1.23456789012346E17"},
        {100, "100", "100.00", "100.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.general);
        EXPECT_EQ(FloatToStr(c.value), c.general);
        EXPECT_EQ(FloatToStrF(c.value, TFloatFormat::ffFixed, 15, 2), c.fixed2);
        EXPECT_EQ(FloatToStrF(c.value, TFloatFormat::ffNumber, 15, 2), c.number2);
    }
    EXPECT_EQ(FloatToStrF(12.5, TFloatFormat::ffFixed, 15, 0), "13");
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(FloatToStrF(-0.00012, TFloatFormat::ffExponent, 3, 0), "-1.20E-4");
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffCurrency, 15, 2), "$1,234.50");
    EXPECT_EQ(FloatToStrF(-2, TFloatFormat::ffCurrency, 15, 2), "($2.00)");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(SysUtils, FloatsFromText)
{
    struct Case {
        const char* text;
        bool valid;
        double value;
    } cases[] = {
        {"1.5", true, 1.5},    {" -2.25 ", true, -2.25}, {"+3", true, 3},     {".5", true, 0.5},
        {"5.", true, 5},       {"1e3", true, 1000},      {"1.5E-2", true, 0.015}, {"1e-400", true, 0},
        {"1e400", false, 0},   {"1,5", false, 0},        {"1,000", false, 0}, {"", false, 0},
        {".", false, 0},       {"e5", false, 0},         {"1e", false, 0},    {"inf", false, 0},
        {"nan", false, 0},     {"0x10", false, 0},       {"1.2.3", false, 0}, {"--1", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double value = 42;
        EXPECT_EQ(TryStrToFloat(c.text, value), c.valid);
        if (c.valid) {
            EXPECT_EQ(value, c.value);
        } else {
            EXPECT_EQ(StrToFloatDef(c.text, -1), -1);
        }
    }
    EXPECT_EQ(ConvertMessage([] { StrToFloat("12,5"); }), "'12,5' is not a valid floating point value");
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    EXPECT_EQ(StrToFloat("12,5", comma), 12.5);
    EXPECT_EQ(FloatToStr(12.5, comma), "12,5");
    // Values of up to 15 significant digits survive text and back exactly.
    for (double value : {0.1, 1.0 / 3.0 * 3.0, 123456.789, -9.87654321e-5, 6.02214076e23, 999999999999999.0}) {
        EXPECT_EQ(StrToFloat(FloatToStr(value)), value);
    }
}

TEST(SysUtils, PictureFormats)
{
    struct Case {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"0.00", 0.5, "0.50"},
        {"0.00", -0.004, "0.00"},
        {"0.00", -1.005, "-1.01"},
        {"#,##0", 1234567.4, "1,234,567"},
        {"#,##0.00", -1234.5, "-1,234.50"},
        {"#,##0", 12, "12"},
        {"#.##", 0.5, ".5"},
        {"#.##", 2, "2"},
        {"0.0#", 2.5, "2.5"},
        {"0.0#", 2.567, "2.57"},
        {"000", 7, "007"},
        {"00", 1234, "1234"},
        {"0 \"h\"", 8, "8 h"},
        {"'#'0", 5, "#5"},
        {"0.00;(0.00)", -2.5, "(2.50)"},
        {"0.00;(0.00);zero", 0, "zero"},
        {"0.00;;'none'", 0.001, "none"},
        {"0.00E+00", 1234.5, "1.23E+03"},
        {"0.0E-0", 0.00012, "1.2E-4"},
        {"", 2.5, "2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatFloat(c.format, c.value), c.expected);
    }
}

TEST(SysUtils, StringHelpers)
{
    EXPECT_EQ(Trim(" \t ab c \r\n"), "ab c");
    EXPECT_EQ(TrimLeft("  ab  "), "ab  ");
    EXPECT_EQ(TrimRight("  ab  "), "  ab");
    EXPECT_EQ(Trim("   "), "");

    struct CopyCase {
        int64_t index, count;
        const char* expected;
    } copies[] = {{1, 3, "abc"}, {3, 10, "cdef"}, {0, 2, "ab"}, {-5, 1, "a"}, {6, 1, "f"}, {7, 1, ""}, {2, 0, ""}, {2, -1, ""}};
    for (const CopyCase& c : copies) {
        EXPECT_EQ(Copy("abcdef", c.index, c.count), c.expected) << c.index << "," << c.count;
    }
    EXPECT_EQ(Pos("cd", "abcdcd"), 3);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    std::string text = "abcdef";
    Delete(text, 2, 3);
    EXPECT_EQ(text, "aef");
    Delete(text, 9, 1);
    EXPECT_EQ(text, "aef");
    Insert("XY", text, 2);
    EXPECT_EQ(text, "aXYef");
    Insert("!", text, 99);
    EXPECT_EQ(text, "aXYef!");

    struct ReplaceCase {
        const char* text;
        const char* from;
        const char* to;
        TReplaceFlags flags;
        const char* expected;
    } replaces[] = {
        {"a-b-c", "-", "+", TReplaceFlags(), "a+b-c"},
        {"a-b-c", "-", "+", TReplaceFlag::rfReplaceAll, "a+b+c"},
        {"Abc abc ABC", "abc", "x", TReplaceFlag::rfReplaceAll, "Abc x ABC"},
        {"Abc abc ABC", "abc", "x", TReplaceFlag::rfReplaceAll | TReplaceFlag::rfIgnoreCase, "x x x"},
        {"\xC4pfel \xE4pfel", "\xE4", "ae", TReplaceFlag::rfReplaceAll | TReplaceFlag::rfIgnoreCase, "aepfel aepfel"},
        {"aaa", "aa", "a", TReplaceFlag::rfReplaceAll, "aa"},
        {"abc", "", "x", TReplaceFlag::rfReplaceAll, "abc"},
        {"abc", "c", "", TReplaceFlag::rfReplaceAll, "ab"},
    };
    for (const ReplaceCase& c : replaces) {
        EXPECT_EQ(StringReplace(c.text, c.from, c.to, c.flags), c.expected) << c.text;
    }
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
    EXPECT_LT(CompareStr("ABC", "abc"), 0);
    EXPECT_GT(CompareStr("b", "a"), 0);
    EXPECT_EQ(CompareStr("x", "x"), 0);
}

TEST(SysUtils, FormatDirectives)
{
    struct Case {
        std::string actual;
        const char* expected;
    } cases[] = {
        {Format("%d records", 42), "42 records"},
        {Format("%5d|%-5d|%.3d", 7, 7, -7), "    7|7    |-007"},
        {Format("%u %x %.4x", -1, 255, 255), "4294967295 FF 00FF"},
        {Format("%d", int64_t{-5000000000}), "-5000000000"},
        {Format("%s and %s", "this", std::string("that")), "this and that"},
        {Format("[%6s][%-6s][%.2s]", "ab", "ab", "abcdef"), "[    ab][ab    ][ab]"},
        {Format("%1:s %0:s %s", "a", "b", "c"), "b a b"},
        {Format("%f %.1f %.0f", 2.5, 2.25, 2.5), "2.50 2.3 3"},
        {Format("%g %g", 0.1, 1e20), "0.1 1E20"},
        {Format("%e", 1234.5), "1.23450000000000E+003"},
        {Format("%.3e", -0.5), "-5.00E-001"},
        {Format("%n", 1234567.891), "1,234,567.89"},
        {Format("%m", -12.5), "($12.50)"},
        {Format("100%%"), "100%"},
        {Format("%*d|%-*d", 4, 1, 3, 2), "   1|2  "},
        {Format("%s=%d", {"n", 3}), "n=3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    EXPECT_EQ(Format("%.2f %n", {1.5, 1234.5}, comma), "1,50 1.234,50");
}

TEST(SysUtils, FormatMismatchIsAConvertError)
{
    const char* const message = "Format '%d' invalid or incompatible with argument";
    EXPECT_EQ(ConvertMessage([] { Format("%d", "text"); }), message);
    EXPECT_EQ(ConvertMessage([] { Format("%d"); }), message);
    EXPECT_EQ(ConvertMessage([] { Format("%s", 1); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(ConvertMessage([] { Format("%f", 1); }), "Format '%f' invalid or incompatible with argument");
    EXPECT_EQ(ConvertMessage([] { Format("%d", 1.5); }), message);
    EXPECT_EQ(ConvertMessage([] { Format("%q", 1); }), "Format '%q' invalid or incompatible with argument");
    EXPECT_EQ(ConvertMessage([] { Format("abc %", 1); }), "Format 'abc %' invalid or incompatible with argument");
    EXPECT_EQ(ConvertMessage([] { Format("%2:s", "a"); }), "Format '%2:s' invalid or incompatible with argument");
    EXPECT_EQ(ConvertMessage([] { Format("%99999999d", 1); }), "Format '%99999999d' invalid or incompatible with argument");
}
