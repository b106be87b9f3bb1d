#pragma once
// Date and time values: day numbers counted from 1899-12-30 (day 0) with the time of day as
// the fraction. Differences and sums of times are done in whole milliseconds, so that
// 08:00 to 09:00 is exactly one hour.

#include <cstdint>
#include <functional>
#include <string>

using TDateTime = double;

constexpr int64_t MSecsPerDay = 86400000;

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);  // EConvertError "Invalid argument to date encode"
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);  // EConvertError "Invalid argument to time encode"
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
int DayOfWeek(TDateTime value);  // 1 = Sunday ... 7 = Saturday
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Whole milliseconds since day 0, rounded to the nearest millisecond (negative days count
// backwards with the time as a positive fraction, as the class library stores them).
int64_t DateTimeToMilliseconds(TDateTime value);
TDateTime MillisecondsToDateTime(int64_t milliseconds);
// b - a in exact milliseconds.
int64_t MillisecondsBetween(TDateTime a, TDateTime b);
// value moved by a number of milliseconds (or days) on the exact millisecond time line.
TDateTime IncMilliSecond(TDateTime value, int64_t milliseconds);
TDateTime IncDay(TDateTime value, int64_t days);
// The whole-day part and the time-of-day part of a value.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);
// A date plus a time of day; unlike date + time it is also right before day 0.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// The clock: Now, Date and Time read it; tests replace it.
using TClock = std::function<TDateTime()>;
void SetClock(TClock clock);  // an empty function restores the system clock
TDateTime Now();
TDateTime Date();
TDateTime Time();
