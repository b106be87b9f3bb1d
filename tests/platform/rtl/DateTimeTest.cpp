#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct FixtureDate {
    int year, month, day;
    long dayNumber;
    int weekday;
};

std::vector<FixtureDate> ReadDates()
{
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/dates.txt");
    std::vector<FixtureDate> dates;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        FixtureDate d{};
        if (std::sscanf(line.c_str(), "%d-%d-%d %ld %d", &d.year, &d.month, &d.day, &d.dayNumber, &d.weekday) == 5) {
            dates.push_back(d);
        }
    }
    return dates;
}

} // namespace

TEST(DateTime, EncodeDecodeAgreesWithReferenceCalendar)
{
    const std::vector<FixtureDate> dates = ReadDates();
    ASSERT_GT(dates.size(), 200u);
    for (const FixtureDate& d : dates) {
        SCOPED_TRACE(std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day));
        const TDateTime value = EncodeDate(d.year, d.month, d.day);
        EXPECT_EQ(value, static_cast<double>(d.dayNumber));
        EXPECT_EQ(DayOfWeek(value), d.weekday);
        int year = 0, month = 0, day = 0;
        DecodeDate(value, year, month, day);
        EXPECT_EQ(year, d.year);
        EXPECT_EQ(month, d.month);
        EXPECT_EQ(day, d.day);
        // Noon of the same day decodes to the same date, also before day 0.
        const TDateTime noon = IncMilliSecond(value, MSecsPerDay / 2);
        DecodeDate(noon, year, month, day);
        EXPECT_EQ(day, d.day);
        EXPECT_EQ(DayOfWeek(noon), d.weekday);
    }
}

TEST(DateTime, InvalidDatesAndTimesAreRefused)
{
    struct Case {
        int year, month, day;
    } invalidDates[] = {{2026, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31}, {0, 1, 1}, {10000, 1, 1}, {2024, 1, 0}};
    for (const Case& c : invalidDates) {
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeDate(c.year, c.month, c.day, value));
        EXPECT_EQ(value, 123);
    }
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    try {
        EncodeDate(2026, 2, 30);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTime, NegativeDaysKeepTheTimeCountedForward)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDate(-1.25, year, month, day);
    DecodeTime(-1.25, hour, minute, second, ms);
    EXPECT_EQ(year, 1899);
    EXPECT_EQ(month, 12);
    EXPECT_EQ(day, 29);
    EXPECT_EQ(hour, 6);
    EXPECT_EQ(DateTimeToMilliseconds(-1.25), -MSecsPerDay + MSecsPerDay / 4);
    EXPECT_EQ(MillisecondsToDateTime(-MSecsPerDay + MSecsPerDay / 4), -1.25);
    // Twelve hours after 1899-12-29 06:00 is 1899-12-29 18:00, not a day later.
    EXPECT_EQ(IncMilliSecond(-1.25, MSecsPerDay / 2), -1.75);
    EXPECT_EQ(MillisecondsBetween(-1.25, 0.25), MSecsPerDay);
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
}

TEST(DateTime, DifferencesAreExactMilliseconds)
{
    struct Case {
        int h1, m1, s1, h2, m2, s2;
        int64_t expected;
    } cases[] = {
        {8, 0, 0, 9, 0, 0, 3600000},
        {8, 0, 0, 8, 0, 1, 1000},
        {23, 59, 59, 0, 0, 0, -86399000},
        {7, 15, 0, 16, 45, 30, 34230000},
    };
    for (const Case& c : cases) {
        const TDateTime day = EncodeDate(2024, 3, 15);
        const TDateTime a = day + EncodeTime(c.h1, c.m1, c.s1, 0);
        const TDateTime b = day + EncodeTime(c.h2, c.m2, c.s2, 0);
        EXPECT_EQ(MillisecondsBetween(a, b), c.expected);
    }
    // Across many years the time of day survives the round trip exactly.
    for (int year : {1750, 1899, 1900, 2024, 2199}) {
        const TDateTime value = ComposeDateTime(EncodeDate(year, 6, 1), EncodeTime(13, 37, 42, 999));
        int hour = 0, minute = 0, second = 0, ms = 0;
        DecodeTime(value, hour, minute, second, ms);
        EXPECT_EQ(hour * 3600000 + minute * 60000 + second * 1000 + ms, 49062999) << year;
    }
    // A value a hair before midnight rounds into the next day, not to 24:00.
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDate(1.9999999999, year, month, day);
    DecodeTime(1.9999999999, hour, minute, second, ms);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(hour, 0);
}

TEST(DateTime, ClockCanBeReplaced)
{
    const TDateTime fixed = EncodeDate(2024, 2, 29) + EncodeTime(17, 30, 0, 0);
    SetClock([fixed] { return fixed; });
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), EncodeDate(2024, 2, 29));
    EXPECT_EQ(MillisecondsBetween(0, Time()), 63000000);
    SetClock(nullptr);
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}
