#pragma once
// Small routines shared by the table engine, the expression evaluator and the index engine:
// byte-range lock calls, key-text routines, zero-padded numbers, temporary file names, the
// engine's text-to-number conversion and the substring and replace routines.
// The LIKE mask match lives in XbDBFMask.h; the byte-range lock calls LockBytes and
// UnlockBytes are the runtime layer's (platform/rtl/FileLocks.h).

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

// Every character c becomes the character 92 - c, so "0" to "9" become "," down to "#";
// descending numeric keys sort by byte order this way.
void ComplementDigits(std::string& text);
void BlanksTo(std::string& text, char replacement);

// "YYYYMMDD", "YYYYMMDDhhmmss" and "hhmmss" of a date-time value.
std::string DateKeyText(TDateTime date);
std::string DateTimeKeyText(TDateTime value);
std::string TimeKeyText(TDateTime value);

// The decimal digits of n left-padded with "0" to `width` characters; a longer number is not cut.
std::string ZeroPadded(uint64_t n, int width);

// Makes a new empty file with a unique name starting with "XBT" and ending with ".tmp" in
// `folder` (the current folder when empty, the system's temporary folder for the text
// "SYSTEM_TMP_PATH") and returns its name; an empty text when no file could be made.
std::string MakeTempFileName(const std::string& folder);

// The longest leading part of the trimmed text made of "+", "-", "." and digits in which every
// sign or point is followed by a digit, read as a decimal number; 0 when nothing can be read.
double TextToNumber(std::string_view text);

// Count characters from the 1-based Start (the rest of the text when Count is below 1);
// empty when Start lies beyond the end.
std::string CopyFrom(std::string_view text, int64_t start, int64_t count);
// Deletes Count characters at Start (when Count > 0), then inserts `insert` there.
// Results longer than 65,535 characters raise (as every text result of an expression).
std::string StuffText(std::string_view text, int64_t start, int64_t count, std::string_view insert);
// Replaces occurrences of `search` from the First one (counting from 1) on, Count of them or
// all when Count is 0 (a negative Count counts as 0); replaced text is never searched again.
std::string ReplaceText(std::string_view text, std::string_view search, std::string_view replacement,
                        int64_t count, int64_t first);
// Raises when a text result would grow past 65,535 characters.
void CheckTextLength(size_t length);

// The path of an existing file in the same folder whose name equals the name of `path`
// without regard to letter case; `path` itself when it exists or nothing matches.
std::string XbFindFileIgnoringCase(const std::string& path);

