#pragma once
// Text is 8-bit ANSI (cp1252) inside the system. These routines translate between the ANSI
// code page, the OEM code page (cp437 by default, cp850 by switch) and UTF-8 for the windows,
// and give ANSI letter case. Bytes without a counterpart become '?'.

#include <cstddef>
#include <string>
#include <string_view>

enum class TOemCodePage { cp437, cp850 };

void SetOemCodePage(TOemCodePage codePage);
TOemCodePage OemCodePage();

// Unicode code point of a byte in the given code page.
char32_t AnsiCharToUnicode(unsigned char c);
char32_t OemCharToUnicode(unsigned char c);

std::string AnsiToOem(std::string_view text);
std::string OemToAnsi(std::string_view text);
// In-place translation of `length` bytes (the buffer forms of the Windows calls).
void AnsiToOemBuff(char* buffer, size_t length);
void OemToAnsiBuff(char* buffer, size_t length);

std::string AnsiToUtf8(std::string_view text);
// Characters outside cp1252 become '?'; malformed UTF-8 bytes become '?'.
std::string Utf8ToAnsi(std::string_view text);

// ANSI letter case over the whole cp1252 range.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Byte-wise comparison after case folding: negative, zero or positive.
int AnsiCompareText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);

// ASCII-only letter case, as the class library's UpperCase/LowerCase/CompareText.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
