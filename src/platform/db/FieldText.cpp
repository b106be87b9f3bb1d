#include "platform/db/FieldText.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace FieldText {

namespace {

constexpr int64_t MSecsPerDayLocal = 86400000;

std::string_view Trim(std::string_view text) noexcept
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

int32_t DaysFromCivil(int year, int month, int day) noexcept
{
    // Days since 0000-03-01 by the proleptic Gregorian calendar, then shifted so 0001-01-01 is 1.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int32_t fromMarch = era * 146097 + dayOfEra;
    return fromMarch - 305;  // 0000-03-01 + 306 days is 0001-01-01, which counts as day 1
}

void CivilFromDays(int32_t days, int& year, int& month, int& day) noexcept
{
    const int32_t z = days + 305;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int dayOfEra = z - era * 146097;
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

bool ValidDate(int year, int month, int day) noexcept
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= length;
}

// In double arithmetic: a stored day number may lie anywhere in the 32-bit range.
TDateTime NativeDateToDateTime(int32_t days) noexcept { return static_cast<double>(days) - DateDelta; }

int32_t DateTimeToNativeDate(TDateTime value) noexcept
{
    return static_cast<int32_t>(std::trunc(value)) + DateDelta;
}

TDateTime NativeTimeToDateTime(int32_t milliseconds) noexcept
{
    return static_cast<double>(milliseconds) / MSecsPerDayLocal;
}

int32_t DateTimeToNativeTime(TDateTime value) noexcept
{
    const double fraction = std::fabs(value - std::trunc(value));
    int64_t ms = std::llround(fraction * MSecsPerDayLocal);
    if (ms >= MSecsPerDayLocal) ms = MSecsPerDayLocal - 1;
    return static_cast<int32_t>(ms);
}

TDateTime NativeTimeStampToDateTime(double milliseconds) noexcept
{
    const int64_t total = std::llround(milliseconds);
    int64_t days = total / MSecsPerDayLocal;
    int64_t ms = total % MSecsPerDayLocal;
    if (ms < 0) {
        ms += MSecsPerDayLocal;
        --days;
    }
    const double day = static_cast<double>(days - DateDelta);
    const double fraction = static_cast<double>(ms) / MSecsPerDayLocal;
    return day < 0 ? day - fraction : day + fraction;
}

double DateTimeToNativeTimeStamp(TDateTime value) noexcept
{
    int64_t days = static_cast<int64_t>(std::trunc(value));
    int64_t ms = std::llround(std::fabs(value - std::trunc(value)) * MSecsPerDayLocal);
    if (ms >= MSecsPerDayLocal) {
        // Rounding reached the next midnight: move one day on in the direction of the value.
        ms = 0;
        days += value < 0 ? -1 : 1;
    }
    return static_cast<double>((days + DateDelta) * MSecsPerDayLocal + ms);
}

std::string IntegerToText(int64_t value) { return std::to_string(value); }

bool TextToInteger(std::string_view text, int64_t& value) noexcept
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    int64_t parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    value = parsed;
    return true;
}

std::string FloatToText(double value, int precision)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return FloatToStrF(value, TFloatFormat::ffGeneral, precision, 0);
}

bool TextToFloat(std::string_view text, double& value) noexcept
{
    text = Trim(text);
    if (text.empty()) return false;
    try {
        return TryStrToFloat(text, value);
    } catch (...) {
        return false;
    }
}

std::string CurrencyToText(int64_t scaled)
{
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 4 - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

bool TextToCurrency(std::string_view text, int64_t& scaled) noexcept
{
    double value = 0;
    if (!TextToFloat(text, value) || std::fabs(value) >= 922337203685477.0) return false;
    scaled = DoubleToCurrency(value);
    return true;
}

int64_t DoubleToCurrency(double value) noexcept { return std::llround(value * 10000.0); }

std::string DateToText(TDateTime value) { return DateToStr(value); }

std::string TimeToText(TDateTime value) { return TimeToStr(value); }

std::string DateTimeToText(TDateTime value) { return DateTimeToStr(value); }

bool TextToDateTime(std::string_view text, TDateTime& value) noexcept
{
    text = Trim(text);
    if (text.empty()) return false;
    try {
        return TryStrToDateTime(text, value) || TryStrToTime(text, value);
    } catch (...) {
        return false;
    }
}

}  // namespace FieldText
