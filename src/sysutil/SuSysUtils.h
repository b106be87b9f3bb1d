#pragma once
// The utility kit's free routines: the operating-system version flags, string and path
// helpers, registry helpers, and the kit's state set up when the program starts.
//
// Text positions count from 1, as the rest of the kit counts them. Paths: "\", ":" and "/"
// all end a folder part, so names written the Windows way and names of this system both work.

#include "platform/rtl/Classes.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/System.h"

#include <string>

// ---- operating-system version ----

// The versions the kit knows, decided from the version record.
struct TSuWindowsVersion {
    bool Win95 = false;
    bool Win95OSR2 = false;
    bool Win98 = false;
    bool Win98SE = false;
    bool WinME = false;
    bool WinNT3 = false;
    bool WinNT4 = false;
    bool Win2000 = false;
    bool WinXP = false;
    bool IsNT = false;           // the NT family
    bool NewShell = false;       // NT family, neither NT 3 nor NT 4
    bool NewerThan2000 = false;  // NT family, not NT 3, NT 4 or 2000
    bool Later9x = false;        // the 9x family, neither 95 nor 95 OSR2
    uint32_t Build = 0;          // the build number (its low 16 bits on the 9x family)
};

// The flags of a version record. A known version whose build number is not the one it was
// released with counts as unknown (95 and NT 3 accept any build); NewShell, NewerThan2000 and
// Later9x are decided before that check.
TSuWindowsVersion SuDetectWindowsVersion(const TOSVersionInfo& record);

// The kit's state: the flags of this system's version record, the program's folder (with a
// trailing "/") and its log file (the program file with the extension ".log").
const TSuWindowsVersion& SuWindowsVersion();
const std::string& SuProgramFolder();
const std::string& SuLogFileName();

// Sets the kit's state up when the program starts (again after a test changed the version
// record).
void SuSysUtilsStart();

// ---- strings ----

// Position of `sub` in `text` from the 1-based `start` on; 0 when absent.
int SuPosEx(const std::string& sub, const std::string& text, int start = 1);
// The last position of `sub` that begins at or before the 1-based `before` (0: anywhere); 0
// when absent.
int SuLastPos(const std::string& sub, const std::string& text, int before = 0);
// Every occurrence replaced (case matters); an empty `oldText` replaces nothing.
std::string SuReplaceText(const std::string& text, const std::string& oldText, const std::string& newText);
std::string SuReplaceChar(const std::string& text, char oldChar, char newChar);
// The parts of `text` between separators (one character or a longer text), empty parts kept;
// an empty text gives no part. The list is cleared first.
void SuSplitText(const std::string& text, const std::string& separator, TStrings& parts);

// ---- paths ----

// After the last "\", ":" or "/".
std::string SuExtractFileName(const std::string& fileName);
// Up to and including the last "\", ":" or "/".
std::string SuExtractFilePath(const std::string& fileName);
// The name without its extension (the folder part stays).
std::string SuRemoveFileExt(const std::string& fileName);
// The path with a folder delimiter at its end ("/" added unless it already ends with "/" or
// "\"); an empty path stays empty, since no folder is no folder (never the root).
std::string SuIncludeTrailingDelimiter(const std::string& path);
// Runs of "\" or of "/" reduced to one.
std::string SuReduceDelimiters(const std::string& path);
// A name made absolute against a folder: a name with a drive ("C:...") or beginning with "/"
// is already absolute; any other is appended to the folder with a delimiter, and doubled
// delimiters are reduced.
std::string SuExpandFileName(const std::string& name, const std::string& folder);
// A destination completed from its source: an empty or wildcard folder, name or extension
// part of the destination is taken from the source; an empty destination is the source.
std::string SuCompleteDestination(const std::string& destination, const std::string& source);
// The system's program folder with a trailing "/" ("/usr/bin/").
std::string SuSystemFolder();
// True when the file exists, or when a file of that name can be created (it is then deleted).
bool SuIsUsableFileName(const std::string& fileName);

// ---- registry ----

// Writes a string value into a key, creating the key when missing; an expandable string when
// the data holds "%". Raises ERegistryException "Unable to open the <key> key" when the key
// cannot be opened, and "Failed to set data for '<name>'" when the value cannot be written
// (the store stays as it was).
void SuRegWriteString(HKEY root, const std::string& key, const std::string& name, const std::string& data);
// Deletes a value when present; true when it is gone afterwards (also when it or its key never
// was), false when the store cannot be rewritten.
bool SuRegDeleteValue(HKEY root, const std::string& key, const std::string& name);

// ---- small helpers ----

int SuMin(int a, int b);
// Closes a descriptor unless it is invalid (-1) and marks it invalid.
void SuCloseHandle(int& descriptor);

// A text as the value of a desktop entry's key: UTF-8, backslashes doubled, line ends and tabs
// escaped.
std::string SuDesktopEntryValue(const std::string& ansiText);
