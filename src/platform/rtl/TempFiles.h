#pragma once
// The system's temporary folder and unique temporary file names.

#include <string>

// The temporary folder ($TMPDIR when it names a folder, else /tmp) with a trailing "/".
// The path is returned whole, blanks and all.
std::string GetTempPath();

// Creates a new, empty file with a unique name in `folder` (the current folder when empty):
// the first three characters of `prefix`, up to four hexadecimal digits and ".tmp", e.g.
// "XBT3F2A.tmp". Returns the folder joined with that name, or an empty text when no file
// could be made (errno says why).
std::string GetTempFileName(const std::string& folder, const std::string& prefix);
