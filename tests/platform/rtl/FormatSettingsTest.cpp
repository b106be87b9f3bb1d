#include "platform/rtl/FormatSettings.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, minute, second, ms));
}

// Pins the clock for the duration of a test so that "this year" is known.
class FixedClock {
public:
    explicit FixedClock(TDateTime now) { SetClock([now] { return now; }); }
    ~FixedClock() { SetClock(nullptr); }
};

} // namespace

TEST(FormatSettings, DefaultsAreFixed)
{
    const TFormatSettings& s = FormatSettings;
    EXPECT_EQ(s.DecimalSeparator, '.');
    EXPECT_EQ(s.ThousandSeparator, ',');
    EXPECT_EQ(s.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(s.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(s.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(s.LongMonthNames[8], "September");
    EXPECT_EQ(s.ShortDayNames[0], "Sun");
}

TEST(FormatSettings, FormatDateTimeLetters)
{
    const TDateTime value = At(2024, 3, 5, 14, 7, 9, 45);  // a Tuesday
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"d dd ddd dddd", "5 05 Tue Tuesday"},
        {"m mm mmm mmmm", "3 03 Mar March"},
        {"yy yyyy", "24 2024"},
        {"h hh n nn s ss z zzz", "14 14 7 07 9 09 45 045"},
        {"hh:mm", "14:07"},  // m after h is the minute
        {"h:mm am/pm", "2:07 pm"},
        {"hh AM/PM", "02 PM"},
        {"h a/p", "2 p"},
        {"h ampm", "2 PM"},
        {"dd/mm/yyyy", "05/03/2024"},
        {"yyyy-mm-dd\"T\"hh:nn", "2024-03-05T14:07"},
        {"'Day' d", "Day 5"},
        {"ddddd", "05/03/2024"},
        {"dddddd", "Tuesday, 5 March 2024"},
        {"c", "05/03/2024 14:07:09"},
        {"t|tt", "14:07|14:07:09"},
        {"", "05/03/2024 14:07:09"},
        {"yyyymmddhhnnss", "20240305140709"},
        {"h:mm yyyy.MM.dd.", "14:07 2024.03.05."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDateTime(c.format, value), c.expected) << c.format;
    }
    EXPECT_EQ(FormatDateTime("h:nn am/pm", At(2024, 3, 5, 0, 5)), "12:05 am");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", At(2024, 3, 5, 12, 0)), "12:00 pm");
    EXPECT_EQ(FormatDateTime("c", At(2024, 3, 5)), "05/03/2024");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", -1.25), "29/12/1899 06:00");
    EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(812, 1, 1)), "0812");

    TFormatSettings german;
    german.DateSeparator = '.';
    german.TimeSeparator = '.';
    german.ShortMonthNames[2] = "Mrz";
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn mmm", value, german), "05.03.2024 14.07 Mrz");
}

TEST(FormatSettings, DateAndTimeTexts)
{
    EXPECT_EQ(DateToStr(At(2024, 12, 31, 23, 0)), "31/12/2024");
    EXPECT_EQ(TimeToStr(At(2024, 12, 31, 8, 5, 3)), "08:05:03");
    EXPECT_EQ(DateTimeToStr(At(2024, 12, 31, 8, 5, 3)), "31/12/2024 08:05:03");
    EXPECT_EQ(DateTimeToStr(At(2024, 12, 31)), "31/12/2024");
}

TEST(FormatSettings, ParsingFollowsTheShortDateOrder)
{
    FixedClock clock(At(2026, 6, 15, 10, 0));
    struct Case {
        const char* text;
        bool valid;
        TDateTime expected;
    } cases[] = {
        {"31/12/2024", true, At(2024, 12, 31)},
        {"1/2/2024", true, At(2024, 2, 1)},
        {" 01-02-2024 ", true, At(2024, 2, 1)},
        {"29/02/2024", true, At(2024, 2, 29)},
        {"5/7", true, At(2026, 7, 5)},        // no year: the current one
        {"5/7/30", true, At(2030, 7, 5)},     // two digits: within 50 years of now
        {"5/7/77", true, At(1977, 7, 5)},
        {"5/7/0024", true, At(24, 7, 5)},     // four digits are taken as written
        {"29/02/2026", false, 0},
        {"12/31/2024", false, 0},
        {"31/12", true, At(2026, 12, 31)},
        {"", false, 0},
        {"31/12/2024x", false, 0},
        {"31//2024", false, 0},
        {"2024", false, 0},
        {"ab/cd/efgh", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TDateTime value = -7;
        EXPECT_EQ(TryStrToDate(c.text, value), c.valid);
        EXPECT_EQ(value, c.valid ? c.expected : -7);
    }
    TFormatSettings american;
    american.ShortDateFormat = "m/d/yyyy";
    TDateTime value = 0;
    ASSERT_TRUE(TryStrToDate("12/31/2024", value, american));
    EXPECT_EQ(value, At(2024, 12, 31));
    TFormatSettings iso;
    iso.ShortDateFormat = "yyyy-mm-dd";
    iso.DateSeparator = '-';
    ASSERT_TRUE(TryStrToDate("2024-12-31", value, iso));
    EXPECT_EQ(value, At(2024, 12, 31));

    try {
        StrToDate("32/01/2024");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'32/01/2024' is not a valid date");
    }
}

TEST(FormatSettings, ParsingTimesAndDateTimes)
{
    struct Case {
        const char* text;
        bool valid;
        TDateTime expected;
    } times[] = {
        {"08:30", true, EncodeTime(8, 30, 0, 0)},
        {"8:30:15", true, EncodeTime(8, 30, 15, 0)},
        {"23:59:59.999", true, EncodeTime(23, 59, 59, 999)},
        {"2:05 PM", true, EncodeTime(14, 5, 0, 0)},
        {"12:00 am", true, EncodeTime(0, 0, 0, 0)},
        {"12 pm", true, EncodeTime(12, 0, 0, 0)},
        {"24:00", false, 0},
        {"13:00 PM", false, 0},
        {"8", false, 0},
        {"8:", false, 0},
        {"8:60", false, 0},
    };
    for (const Case& c : times) {
        SCOPED_TRACE(c.text);
        TDateTime value = -7;
        EXPECT_EQ(TryStrToTime(c.text, value), c.valid);
        EXPECT_EQ(value, c.valid ? c.expected : -7);
    }
    EXPECT_EQ(StrToDateTime("31/12/2024 23:15:00"), At(2024, 12, 31, 23, 15));
    EXPECT_EQ(StrToDateTime("31/12/2024"), At(2024, 12, 31));
    EXPECT_EQ(StrToDateTime("10:45"), EncodeTime(10, 45, 0, 0));
    EXPECT_EQ(StrToDateTime("29/12/1899 18:00"), -1.75);
    // Every date written by DateTimeToStr reads back as the same value.
    for (TDateTime value : {At(1750, 1, 1, 6, 0), At(2024, 2, 29, 23, 59, 59), At(2199, 12, 31), -1.25}) {
        EXPECT_EQ(StrToDateTime(DateTimeToStr(value)), value);
    }
    EXPECT_THROW(StrToTime("noon"), EConvertError);
    try {
        StrToDateTime("31/12/2024 25:00");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'31/12/2024 25:00' is not a valid date and time");
    }
}
