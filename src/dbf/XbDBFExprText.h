#pragma once
// Number formatting of expression evaluation, with half-away-from-zero rounding. The other text
// routines of the evaluator (key texts, substrings, replace) are the engine's, in XbDBFUtil.h.

#include "dbf/XbDBFUtil.h"

#include <string>

namespace XbExprText {

// |value| with exactly `decimals` digits after the point (none when decimals <= 0), rounded half
// away from zero on the shortest decimal text that reads back as the same double, so 2.675
// gives 2.68 whatever the C library does. Raises EOverflow for infinities and NaN.
std::string FormatMagnitude(double value, int decimals);
// The value with a leading '-' when negative and not rounded to zero, right-aligned in
// `width` positions with blanks; never cut.
std::string FormatNumber(double value, int width, int decimals);

}  // namespace XbExprText
