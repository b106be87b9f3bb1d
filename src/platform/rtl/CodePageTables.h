#pragma once
#include <cstdint>

namespace codepage_tables {
extern const uint16_t kCp1252ToUnicode[256];
extern const uint16_t kCp437ToUnicode[256];
extern const uint16_t kCp850ToUnicode[256];
extern const uint8_t kAnsiUpper[256];
extern const uint8_t kAnsiLower[256];
}
