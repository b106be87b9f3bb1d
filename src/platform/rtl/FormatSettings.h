#pragma once
// The one set of number, date and time formats of the system, and the routines that turn
// dates and times into text and back. The defaults never follow the process locale: stored data
// always uses "." as the decimal point, and the short date has a four-digit year.

#include "platform/rtl/DateTime.h"

#include <array>
#include <string>
#include <string_view>

struct TFormatSettings {
    std::string CurrencyString = "$";
    unsigned char CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    unsigned char NegCurrFormat = 0;   // 0 "($1)", 1 "-$1"
    unsigned char CurrencyDecimals = 2;
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongDateFormat = "dddd, d mmmm yyyy";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                               "July",    "August",   "September", "October", "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    // Two-digit years read as the nearest year within 50 years of now when above 0.
    int TwoDigitYearCenturyWindow = 50;
};

// The system's settings; the windows may change them, stored data never depends on them.
extern TFormatSettings FormatSettings;
// Fixed settings for stored data: "." decimal point, no thousands separator in parsing.
const TFormatSettings& StorageFormatSettings();

// Format letters: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (n nn minutes; m after h is minutes),
// yy yyyy, h hh, n nn, s ss, z zzz, am/pm a/p ampm, c, t tt, / and : (the separators),
// "..." and '...' literals.
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// The date, then the long time unless the time is midnight.
std::string DateTimeToStr(TDateTime value);

// Parsing by the order of day, month and year in ShortDateFormat; the separator is
// DateSeparator (also '-', '.' and '/' are accepted). Two-digit years use the century window;
// a missing year is the current one. Time: h[:n[:s[.z]]] with optional AM/PM.
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value);
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
// EConvertError "'%s' is not a valid date" / "'%s' is not a valid time" / "'%s' is not a valid date and time".
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);
