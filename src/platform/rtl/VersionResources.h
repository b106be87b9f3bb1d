#pragma once
// Version resources: the VS_VERSIONINFO block that carries a program file's version numbers
// and its version texts.
//
// The block is the one a Windows resource compiler writes: a tree of nodes, each a 16-bit
// length, a 16-bit value length, a 16-bit type (0 binary, 1 text), a UTF-16 key and its value,
// every node starting on a 32-bit boundary. The root "VS_VERSION_INFO" holds the fixed part
// (VS_FIXEDFILEINFO); its children are "StringFileInfo" with one string table per language
// and code page ("040904E4"), and "VarFileInfo" with "Translation" (pairs of 16-bit language
// and code page).
//
// Where a file keeps the block:
//   - a Windows executable or library (PE): the resource of type 16 (RT_VERSION), id 1 (or
//     the first one), first language;
//   - an ELF file (this system's programs): the section ".vs_version_info" holding the bytes
//     of the block.
// Anything else, and any file whose headers do not hold together, has no version data.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The ELF section a program keeps its version block in.
inline constexpr const char* kVersionInfoSectionName = ".vs_version_info";

inline constexpr uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr uint32_t VS_FFI_STRUCVERSION = 0x00010000;

struct TVSFixedFileInfo {
    uint32_t dwSignature = VS_FFI_SIGNATURE;
    uint32_t dwStrucVersion = VS_FFI_STRUCVERSION;
    uint32_t dwFileVersionMS = 0;
    uint32_t dwFileVersionLS = 0;
    uint32_t dwProductVersionMS = 0;
    uint32_t dwProductVersionLS = 0;
    uint32_t dwFileFlagsMask = 0;
    uint32_t dwFileFlags = 0;
    uint32_t dwFileOS = 0;
    uint32_t dwFileType = 0;
    uint32_t dwFileSubtype = 0;
    uint32_t dwFileDateMS = 0;
    uint32_t dwFileDateLS = 0;
};
inline constexpr std::size_t kFixedFileInfoSize = 52;

// The size of the file's version data; 0 when it has none or cannot be read.
uint32_t GetFileVersionInfoSize(const std::string& fileName);
// The file's version data (the whole VS_VERSIONINFO block); false when it has none or cannot
// be read, with errno set (ENOENT for a file without version data).
bool GetFileVersionInfo(const std::string& fileName, std::string& data);

// Looks up a value in version data by its path, keys compared without regard to letter case:
//   "\"                                  the fixed part (52 bytes, see VerQueryFixedFileInfo)
//   "\VarFileInfo\Translation"           the raw value bytes
//   "\StringFileInfo\040904e4\FileVersion"  the text, in the ANSI code page, without its end zero
// A node of the text type gives its text, any other its bytes. False when there is no such
// node or the data does not hold together.
bool VerQueryValue(const std::string& data, const std::string& subBlock, std::string& value);
// The fixed part; false without one (or when its signature is wrong).
bool VerQueryFixedFileInfo(const std::string& data, TVSFixedFileInfo& info);
// The language (low word) and code page (high word) pairs of "\VarFileInfo\Translation".
std::vector<uint32_t> VerQueryTranslations(const std::string& data);

// What a version block holds, for writing one.
struct TVersionStringTable {
    std::string Key;  // language and code page as eight hexadecimal digits, "040904E4"
    std::vector<std::pair<std::string, std::string>> Values;  // ANSI key and text
};
struct TVersionInfoBlock {
    TVSFixedFileInfo Fixed;
    std::vector<TVersionStringTable> StringTables;
    std::vector<uint32_t> Translations;  // language | code page << 16; none: no VarFileInfo
};

// The version block's bytes, laid out node by node as a resource compiler lays them out.
std::string MakeVersionInfo(const TVersionInfoBlock& block);
