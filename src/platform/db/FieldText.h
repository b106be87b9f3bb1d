#pragma once
// Conversions the fields use between native values, TDateTime and text. Floating-point text,
// dates and times follow the system's FormatSettings (short date, long time, decimal point).

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace FieldText {

// 1899-12-30 (TDateTime day 0) in the native day count where 0001-01-01 is day 1.
inline constexpr int32_t DateDelta = 693594;

// Days of the native count for a calendar date (no validation).
int32_t DaysFromCivil(int year, int month, int day) noexcept;
void CivilFromDays(int32_t days, int& year, int& month, int& day) noexcept;
bool ValidDate(int year, int month, int day) noexcept;

// Native forms to and from TDateTime. Negative TDateTime values keep the time of day as a
// positive fraction: -1.25 is 1899-12-29 06:00.
TDateTime NativeDateToDateTime(int32_t days) noexcept;
int32_t DateTimeToNativeDate(TDateTime value) noexcept;
TDateTime NativeTimeToDateTime(int32_t milliseconds) noexcept;
int32_t DateTimeToNativeTime(TDateTime value) noexcept;
TDateTime NativeTimeStampToDateTime(double milliseconds) noexcept;
double DateTimeToNativeTimeStamp(TDateTime value) noexcept;

std::string IntegerToText(int64_t value);
// Whole text, leading and trailing blanks allowed; false when it is not an integer in range.
bool TextToInteger(std::string_view text, int64_t& value) noexcept;
// Up to `precision` significant digits, shortest form.
std::string FloatToText(double value, int precision = 15);
bool TextToFloat(std::string_view text, double& value) noexcept;
// Fixed-point value times 10,000 as text without trailing zeros.
std::string CurrencyToText(int64_t scaled);
bool TextToCurrency(std::string_view text, int64_t& scaled) noexcept;
int64_t DoubleToCurrency(double value) noexcept;

std::string DateToText(TDateTime value);
std::string TimeToText(TDateTime value);
// The date, and the time when it is not midnight.
std::string DateTimeToText(TDateTime value);
// Accepts a date, a time, or a date and a time separated by a blank.
bool TextToDateTime(std::string_view text, TDateTime& value) noexcept;

}  // namespace FieldText
