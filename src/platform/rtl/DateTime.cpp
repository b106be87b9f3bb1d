#include "platform/rtl/DateTime.h"

#include "platform/rtl/Exceptions.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace {

// Days between 0001-01-01 style civil dates and day 0 (1899-12-30), using the proleptic
// Gregorian calendar. Based on counting days from 0000-03-01 so leap days fall at year end.
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;  // days since 1970-01-01
}

void CivilFromDays(int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// 1970-01-01 counted from 1899-12-30.
constexpr int64_t UnixEpochDay = 25569;

int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

std::mutex clockMutex;
TClock currentClock;

TDateTime SystemNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(FloorDiv(ms, 1000));
    std::tm local{};
    localtime_r(&seconds, &local);
    TDateTime date = 0;
    TDateTime time = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59,
                  static_cast<int>(ms - FloorDiv(ms, 1000) * 1000), time);
    return date + time;
}

} // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return false;
    }
    result = static_cast<TDateTime>(DaysFromCivil(year, month, day) + UnixEpochDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) {
        throw EConvertError("Invalid argument to date encode");
    }
    return result;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999) {
        return false;
    }
    const int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    result = static_cast<TDateTime>(ms) / static_cast<TDateTime>(MSecsPerDay);
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
        throw EConvertError("Invalid argument to time encode");
    }
    return result;
}

int64_t DateTimeToMilliseconds(TDateTime value)
{
    if (!std::isfinite(value)) {
        return 0;
    }
    // Keep far-out values (about +-137 million years) so far inside the 64-bit range that the
    // sum or difference of two of them still fits.
    constexpr double limit = 5.0e10;
    if (value > limit) {
        value = limit;
    } else if (value < -limit) {
        value = -limit;
    }
    const double wholeDays = std::trunc(value);
    const double fraction = std::fabs(value - wholeDays);
    return static_cast<int64_t>(wholeDays) * MSecsPerDay +
           static_cast<int64_t>(std::llround(fraction * static_cast<double>(MSecsPerDay)));
}

TDateTime MillisecondsToDateTime(int64_t milliseconds)
{
    const int64_t day = FloorDiv(milliseconds, MSecsPerDay);
    const int64_t time = milliseconds - day * MSecsPerDay;
    const double fraction = static_cast<double>(time) / static_cast<double>(MSecsPerDay);
    // Days before day 0 keep their time of day as a positive fraction: -1.25 is 1899-12-29 06:00.
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

int64_t MillisecondsBetween(TDateTime a, TDateTime b) { return DateTimeToMilliseconds(b) - DateTimeToMilliseconds(a); }

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    CivilFromDays(FloorDiv(DateTimeToMilliseconds(value), MSecsPerDay) - UnixEpochDay, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond)
{
    const int64_t ms = DateTimeToMilliseconds(value);
    int64_t time = ms - FloorDiv(ms, MSecsPerDay) * MSecsPerDay;
    millisecond = static_cast<int>(time % 1000);
    time /= 1000;
    second = static_cast<int>(time % 60);
    time /= 60;
    minute = static_cast<int>(time % 60);
    hour = static_cast<int>(time / 60);
}

int DayOfWeek(TDateTime value)
{
    const int64_t day = FloorDiv(DateTimeToMilliseconds(value), MSecsPerDay);
    // Day 0 was a Saturday (7).
    return static_cast<int>(((day % 7 + 7) % 7 + 6) % 7) + 1;
}

void SetClock(TClock clock)
{
    std::lock_guard<std::mutex> lock(clockMutex);
    currentClock = std::move(clock);
}

TDateTime Now()
{
    TClock clock;
    {
        std::lock_guard<std::mutex> lock(clockMutex);
        clock = currentClock;
    }
    return clock ? clock() : SystemNow();
}

TDateTime Date() { return DateOf(Now()); }

TDateTime Time() { return TimeOf(Now()); }

TDateTime IncMilliSecond(TDateTime value, int64_t milliseconds)
{
    return MillisecondsToDateTime(DateTimeToMilliseconds(value) + milliseconds);
}

TDateTime IncDay(TDateTime value, int64_t days) { return IncMilliSecond(value, days * MSecsPerDay); }

TDateTime DateOf(TDateTime value)
{
    return MillisecondsToDateTime(FloorDiv(DateTimeToMilliseconds(value), MSecsPerDay) * MSecsPerDay);
}

TDateTime TimeOf(TDateTime value)
{
    const int64_t ms = DateTimeToMilliseconds(value);
    return MillisecondsToDateTime(ms - FloorDiv(ms, MSecsPerDay) * MSecsPerDay);
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time)
{
    return IncMilliSecond(DateOf(date), DateTimeToMilliseconds(TimeOf(time)));
}
