#pragma once
// Text routines of expression evaluation: number formatting with half-away-from-zero rounding,
// the key texts of dates and numbers, and the substring and replace routines of the functions.

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace XbExprText {

// |value| with exactly `decimals` digits after the point (none when decimals <= 0), rounded half
// away from zero on the shortest decimal text that reads back as the same double, so 2.675
// gives 2.68 whatever the C library does. Raises EOverflow for infinities and NaN.
std::string FormatMagnitude(double value, int decimals);
// The value with a leading '-' when negative and not rounded to zero, right-aligned in
// `width` positions with blanks; never cut.
std::string FormatNumber(double value, int width, int decimals);

// Replaces every character c by the character 92 - c ("0" to "9" become "," down to "#"; the
// decimal point stays), so that keys of negative numbers sort in reverse.
void ComplementDigits(std::string& text);
std::string ZeroPadded(uint64_t value, int width);
std::string DateKeyText(TDateTime value);      // YYYYMMDD
std::string DateTimeKeyText(TDateTime value);  // YYYYMMDDhhmmss
std::string TimeKeyText(TDateTime value);      // hhmmss

// The leading part of the trimmed text that reads as a decimal number; 0 when there is none.
double TextToNumber(std::string_view text);
// Count characters from 1-based Start; the rest of the text when Count < 1; empty past the end.
std::string CopyFrom(std::string_view text, int64_t start, int64_t count);
std::string StuffText(std::string_view text, int64_t start, int64_t count, std::string_view insert);
// Replaces Count occurrences (0: all) of Search, beginning with occurrence First (from 1).
std::string ReplaceText(std::string_view text, std::string_view search, std::string_view replacement,
                        int64_t count, int64_t first);

// Raises when a text result would exceed the longest text an expression may produce.
void CheckTextLength(size_t length);

}  // namespace XbExprText
