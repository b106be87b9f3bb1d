// The date-difference calculator: every unit counts the whole span in exact milliseconds,
// truncated toward zero, across midnight, month ends, leap days, day 0 and backwards.

#include "app/DTCalc.h"
#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int millisecond = 0)
{
    return ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, minute, second, millisecond));
}

struct TSpanCase {
    const char* name;
    TDateTime start;
    TDateTime end;
    int32_t years, months, days, hours, minutes, seconds, milliseconds;
};

std::ostream& operator<<(std::ostream& out, const TSpanCase& c)
{
    return out << c.name;
}

constexpr int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// 2000-01-01 to 2024-01-01 is 8766 days: 757 382 400 000 ms, of which the low 32 bits remain.
constexpr int64_t kLongSpan = int64_t{8766} * 86'400'000;

const TSpanCase kSpans[] = {
    {"OneDayTwoAndAHalfHours", At(2024, 1, 1, 10, 0), At(2024, 1, 2, 12, 30), 0, 0, 1, 26, 1590, 95'400, 95'400'000},
    // Whole hours whose day fractions are not exact binary numbers.
    {"EightToNine", At(2024, 5, 6, 8, 0), At(2024, 5, 6, 9, 0), 0, 0, 0, 1, 60, 3'600, 3'600'000},
    {"NineToFive", At(2024, 5, 6, 9, 0), At(2024, 5, 6, 17, 0), 0, 0, 0, 8, 480, 28'800, 28'800'000},
    {"SevenToEleven", At(2024, 5, 6, 7, 0), At(2024, 5, 6, 11, 0), 0, 0, 0, 4, 240, 14'400, 14'400'000},
    {"AcrossMidnightAndNewYear", At(2023, 12, 31, 22, 30), At(2024, 1, 1, 1, 15), 0, 0, 0, 2, 165, 9'900, 9'900'000},
    {"AcrossAMonthEnd", At(2024, 4, 30, 23, 0), At(2024, 5, 1, 1, 0), 0, 0, 0, 2, 120, 7'200, 7'200'000},
    {"OverALeapDay", At(2024, 2, 28, 12, 0), At(2024, 3, 1, 12, 0), 0, 0, 2, 48, 2'880, 172'800, 172'800'000},
    {"NoLeapDayIn2023", At(2023, 2, 28, 12, 0), At(2023, 3, 1, 12, 0), 0, 0, 1, 24, 1'440, 86'400, 86'400'000},
    {"NoLeapDayIn1900", At(1900, 2, 28, 0, 0), At(1900, 3, 1, 0, 0), 0, 0, 1, 24, 1'440, 86'400, 86'400'000},
    {"AcrossDayZero", At(1899, 12, 29, 22, 0), At(1899, 12, 30, 2, 0), 0, 0, 0, 4, 240, 14'400, 14'400'000},
    {"EndBeforeStart", At(2024, 5, 6, 10, 0), At(2024, 5, 6, 8, 30), 0, 0, 0, -1, -90, -5'400, -5'400'000},
    {"EndADayAndMoreBefore", At(2024, 3, 1, 6, 0), At(2024, 2, 29, 5, 59, 59, 999), 0, 0, -1, -24, -1'440, -86'400,
     -86'400'001},
    {"NinesStayAsTheyAre", At(2024, 5, 6, 8, 0), At(2024, 5, 6, 8, 59, 59, 999), 0, 0, 0, 0, 59, 3'599, 3'599'999},
    // A month counts as 30.4375 days (30 days 10.5 hours); its milliseconds no longer fit 31 bits.
    {"JustShortOfAMonth", At(2024, 1, 1, 0, 0), At(2024, 1, 31, 10, 0), 0, 0, 30, 730, 43'800, 2'628'000,
     Low32(2'628'000'000)},
    {"JustOverAMonth", At(2024, 1, 1, 0, 0), At(2024, 1, 31, 11, 0), 0, 1, 30, 731, 43'860, 2'631'600,
     Low32(2'631'600'000)},
    {"TwentyFourYears", At(2000, 1, 1, 0, 0), At(2024, 1, 1, 0, 0), 24, 288, 8'766, 210'384, 12'623'040, 757'382'400,
     Low32(kLongSpan)},
};

class DTCalcSpans : public ::testing::TestWithParam<TSpanCase> {};

TEST_P(DTCalcSpans, CountsEveryUnitFromTheExactSpan)
{
    const TSpanCase& c = GetParam();
    TDTCalc calc(nullptr);
    calc.SetStartTime(c.start);
    calc.SetEndTime(c.end);
    EXPECT_EQ(calc.Years, c.years);
    EXPECT_EQ(calc.Months, c.months);
    EXPECT_EQ(calc.Days, c.days);
    EXPECT_EQ(calc.Hours, c.hours);
    EXPECT_EQ(calc.Minutes, c.minutes);
    EXPECT_EQ(calc.Seconds, c.seconds);
    EXPECT_EQ(calc.Milliseconds, c.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(Spans, DTCalcSpans, ::testing::ValuesIn(kSpans),
                         [](const ::testing::TestParamInfo<TSpanCase>& info) { return std::string(info.param.name); });

TEST(DTCalc, EitherWriteRecalculatesAndANonNumberGivesMinusOne)
{
    TDTCalc calc(nullptr);
    calc.SetStartTime(At(2024, 5, 6, 8, 0));
    calc.SetEndTime(At(2024, 5, 6, 9, 0));
    EXPECT_EQ(calc.Hours, 1);
    calc.SetStartTime(At(2024, 5, 6, 6, 0));
    EXPECT_EQ(calc.Hours, 3);

    calc.SetEndTime(std::numeric_limits<double>::quiet_NaN());
    for (int32_t unit : {calc.Years, calc.Months, calc.Days, calc.Hours, calc.Minutes, calc.Seconds, calc.Milliseconds}) {
        EXPECT_EQ(unit, -1);
    }
    calc.SetEndTime(At(2024, 5, 6, 7, 0));
    EXPECT_EQ(calc.Hours, 1);
}

}  // namespace
