// The version-resource reader: Windows libraries made by outside tools (llvm-rc and lld-link)
// read as llvm-readobj shows them, version blocks written by the kit laid out byte for byte as
// the resource compiler lays them out, ELF files with the version section, and damaged files.

#include "SuTestSupport.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/VersionResources.h"
#include "sysutil/GtCVersInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadBytes(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& fileName, const std::string& bytes)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file << bytes;
}

// Runs a command line; its standard output, or nothing when it failed.
std::optional<std::string> RunTool(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe) {
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) {
        output.append(buffer, got);
    }
    const int status = pclose(pipe.release());
    if (status != 0) {
        ADD_FAILURE() << command << " failed:\n" << output;
        return std::nullopt;
    }
    return output;
}

// The bytes of the one resource whose data llvm-readobj --coff-resources dumps as hex lines
// "0000: 64013400 00005600 ...  |d.4...V.|".
std::string DumpedResourceBytes(const std::string& dump)
{
    std::string bytes;
    std::istringstream lines(dump);
    std::string line;
    bool inData = false;
    while (std::getline(lines, line)) {
        if (line.find("Data (") != std::string::npos) {
            inData = true;
            continue;
        }
        if (!inData) {
            continue;
        }
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) {
            break;
        }
        const size_t bar = line.find('|', colon);
        std::istringstream words(line.substr(colon + 2, bar - colon - 2));
        std::string word;
        while (words >> word) {
            for (size_t i = 0; i + 1 < word.size(); i += 2) {
                bytes.push_back(static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16)));
            }
        }
    }
    return bytes;
}

// A small ELF file whose only contents is the version section holding `block`.
std::string ElfWithVersionSection(const std::string& block)
{
    const std::string names = std::string("\0", 1) + kVersionInfoSectionName + std::string("\0", 1) + ".shstrtab" +
                              std::string("\0", 1);
    auto put = [](std::string& out, uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
        }
    };
    const uint64_t blockAt = 64;
    const uint64_t namesAt = blockAt + block.size();
    const uint64_t sectionsAt = (namesAt + names.size() + 7) / 8 * 8;
    std::string elf("\x7F" "ELF\x02\x01\x01", 7);
    elf.resize(16, '\0');
    put(elf, 1, 2);            // relocatable
    put(elf, 62, 2);           // x86-64
    put(elf, 1, 4);
    put(elf, 0, 8);            // entry
    put(elf, 0, 8);            // program headers
    put(elf, sectionsAt, 8);
    put(elf, 0, 4);
    put(elf, 64, 2);
    put(elf, 0, 2);
    put(elf, 0, 2);
    put(elf, 64, 2);
    put(elf, 3, 2);            // sections
    put(elf, 2, 2);            // the names are section 2
    elf += block + names;
    elf.resize(sectionsAt, '\0');
    auto section = [&](uint64_t name, uint64_t type, uint64_t at, uint64_t size) {
        put(elf, name, 4);
        put(elf, type, 4);
        put(elf, type == 1 ? 2 : 0, 8);
        put(elf, 0, 8);
        put(elf, at, 8);
        put(elf, size, 8);
        put(elf, 0, 4);
        put(elf, 0, 4);
        put(elf, 4, 8);
        put(elf, 0, 8);
    };
    section(0, 0, 0, 0);
    section(1, 1, blockAt, block.size());
    section(names.find(".shstrtab"), 3, namesAt, names.size());
    return elf;
}

constexpr uint32_t kEnglishAnsi = 0x0409 | 1252u << 16;

// The block the outside tools build from the resource script, as the kit writes it.
TVersionInfoBlock KnownBlock()
{
    TVersionInfoBlock block;
    block.Fixed.dwFileVersionMS = 2 << 16 | 7;
    block.Fixed.dwFileVersionLS = 31 << 16 | 1024;
    block.Fixed.dwProductVersionMS = 2 << 16 | 7;
    block.Fixed.dwProductVersionLS = 0;
    block.Fixed.dwFileFlagsMask = 0x3F;
    block.Fixed.dwFileOS = 0x40004;
    block.Fixed.dwFileType = 2;
    block.StringTables.push_back({"040904E4",
                                  {{"CompanyName", "Quandrel Test"},
                                   {"FileDescription", "Known version block"},
                                   {"FileVersion", "2.7.31.1024"},
                                   {"InternalName", "known"},
                                   {"LegalCopyright", "\xA9 2024 Quandrel"},
                                   {"OriginalFilename", "known.dll"},
                                   {"ProductName", "Known"},
                                   {"ProductVersion", "2.7"},
                                   {"Comments", ""},
                                   {"LegalTrademarks", "None\xAE"}}});
    block.Translations = {kEnglishAnsi};
    return block;
}

constexpr const char* kResourceScript = R"rc(1 VERSIONINFO
FILEVERSION 2,7,31,1024
PRODUCTVERSION 2,7,0,0
FILEFLAGSMASK 0x3f
FILEFLAGS 0
FILEOS 0x40004
FILETYPE 2
FILESUBTYPE 0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "CompanyName", "Quandrel Test"
      VALUE "FileDescription", "Known version block"
      VALUE "FileVersion", "2.7.31.1024"
      VALUE "InternalName", "known"
      VALUE "LegalCopyright", "(c) 2024 Quandrel"
      VALUE "OriginalFilename", "known.dll"
      VALUE "ProductName", "Known"
      VALUE "ProductVersion", "2.7"
      VALUE "Comments", ""
      VALUE "LegalTrademarks", "None(r)"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1252
  END
END
)rc";

// The resource script in the ANSI code page: "(c)" and "(r)" stand for their signs.
std::string ResourceScript()
{
    std::string script = kResourceScript;
    script.replace(script.find("(c)"), 3, "\xA9");
    script.replace(script.find("(r)"), 3, "\xAE");
    return script;
}

// Two libraries, 64-bit and 32-bit, made once for all tests of the suite by the outside tools.
class OutsideVersionResource : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TKitTestFolder;
        WriteBytes(folder_->Path("known.rc"), ResourceScript());
        const std::string f = folder_->Path();
        if (!RunTool("llvm-rc /C 1252 /fo " + f + "known.res " + f + "known.rc") ||
            !RunTool("lld-link /dll /noentry /machine:x64 /out:" + f + "known64.dll " + f + "known.res") ||
            !RunTool("lld-link /dll /noentry /machine:x86 /out:" + f + "known32.dll " + f + "known.res")) {
            return;
        }
        if (const auto dump = RunTool("llvm-readobj --coff-resources " + f + "known64.dll")) {
            dumped_ = new std::string(DumpedResourceBytes(*dump));
        }
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        delete dumped_;
        folder_ = nullptr;
        dumped_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(dumped_, nullptr) << "llvm-rc, lld-link and llvm-readobj are needed (scripts/install-deps.sh)"; }

    static std::string Library(const char* name) { return folder_->Path(name); }

    static TKitTestFolder* folder_;
    static std::string* dumped_;
};
TKitTestFolder* OutsideVersionResource::folder_ = nullptr;
std::string* OutsideVersionResource::dumped_ = nullptr;

TEST_F(OutsideVersionResource, ReadsTheNumbersDateAndTextsOfLibrariesOfBothWidths)
{
    for (const char* library : {"known64.dll", "known32.dll"}) {
        SCOPED_TRACE(library);
        TGtVersionInfo info(nullptr);
        info.SetFileName(Library(library));
        EXPECT_EQ(info.VersionInfoSize(), static_cast<int>(dumped_->size()));
        EXPECT_EQ(info.MajorVersion(), 2);
        EXPECT_EQ(info.MinorVersion(), 7);
        EXPECT_EQ(info.Release(), 31);
        EXPECT_EQ(info.Build(), 1024);
        // A resource compiler writes no file date: file time 0 is 1601-01-01.
        EXPECT_EQ(info.DateTime(), EncodeDate(1601, 1, 1));
        EXPECT_EQ(info.CompanyName(), "Quandrel Test");
        EXPECT_EQ(info.FileDescription(), "Known version block");
        EXPECT_EQ(info.FileVersion(), "2.7.31.1024");
        EXPECT_EQ(info.InternalName(), "known");
        EXPECT_EQ(info.LegalCopyright(), "\xA9 2024 Quandrel");
        EXPECT_EQ(info.OriginalFilename(), "known.dll");
        EXPECT_EQ(info.ProductName(), "Known");
        EXPECT_EQ(info.ProductVersion(), "2.7");
        EXPECT_EQ(info.Comments(), "");
        EXPECT_EQ(info.LegalTrademarks(), "None\xAE");
    }
}

TEST_F(OutsideVersionResource, TheBlockIsWhatTheResourceDumperShowsAndWhatTheKitWrites)
{
    std::string read;
    ASSERT_TRUE(GetFileVersionInfo(Library("known64.dll"), read));
    EXPECT_EQ(read, *dumped_);
    EXPECT_EQ(GetFileVersionInfoSize(Library("known32.dll")), dumped_->size());
    EXPECT_EQ(MakeVersionInfo(KnownBlock()), *dumped_);

    // The same block in an ELF section reads the same.
    WriteBytes(folder_->Path("known.elf"), ElfWithVersionSection(*dumped_));
    TGtVersionInfo info(nullptr);
    info.SetFileName(folder_->Path("known.elf"));
    EXPECT_EQ(info.FileVersion(), "2.7.31.1024");
    EXPECT_EQ(info.Build(), 1024);
}

TEST_F(OutsideVersionResource, DamagedLibrariesHaveNoVersionData)
{
    const std::string library = ReadBytes(Library("known64.dll"));
    // Cut short anywhere: nothing is read beyond the end, and what cannot be read is no data.
    for (size_t length = 0; length < library.size(); length += 7) {
        WriteBytes(folder_->Path("cut.dll"), library.substr(0, length));
        std::string data;
        if (GetFileVersionInfo(folder_->Path("cut.dll"), data)) {
            EXPECT_EQ(data, *dumped_) << length;
        }
    }
    // Headers pointing anywhere.
    for (size_t at = 0; at < 0x400 && at < library.size(); ++at) {
        std::string damaged = library;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
        WriteBytes(folder_->Path("flipped.dll"), damaged);
        TGtVersionInfo info(nullptr);
        info.SetFileName(folder_->Path("flipped.dll"));
        (void)info.FileVersion();
        (void)info.Build();
    }
}

TEST(GtVersionInfo, WithoutVersionDataEveryNumberIsMinusOneAndEveryTextEmpty)
{
    TKitTestFolder folder;
    WriteBytes(folder.Path("plain.txt"), "no program at all");
    WriteBytes(folder.Path("noversion.elf"), ElfWithVersionSection(""));
    const std::string names[] = {"", folder.Path("missing.dll"), folder.Path("plain.txt"), folder.Path("noversion.elf"),
                                 folder.Path()};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TGtVersionInfo info(nullptr);
        info.SetFileName(name);
        EXPECT_EQ(info.VersionInfoSize(), 0);
        EXPECT_EQ(info.MajorVersion(), -1);
        EXPECT_EQ(info.MinorVersion(), -1);
        EXPECT_EQ(info.Release(), -1);
        EXPECT_EQ(info.Build(), -1);
        EXPECT_EQ(info.DateTime(), 0);
        for (const std::string& text : {info.CompanyName(), info.FileDescription(), info.FileVersion(),
                                        info.InternalName(), info.LegalCopyright(), info.OriginalFilename(),
                                        info.ProductName(), info.ProductVersion(), info.Comments(),
                                        info.LegalTrademarks()}) {
            EXPECT_EQ(text, "");
        }
    }
}

TEST(GtVersionInfo, TheSameNameIsNotReadAgainAndAFileWithoutDataDropsTheOldData)
{
    TKitTestFolder folder;
    TVersionInfoBlock block = KnownBlock();
    WriteBytes(folder.Path("a.elf"), ElfWithVersionSection(MakeVersionInfo(block)));
    TGtVersionInfo info(nullptr);
    info.SetFileName(folder.Path("a.elf"));
    EXPECT_EQ(info.Release(), 31);

    block.Fixed.dwFileVersionLS = 99 << 16;
    WriteBytes(folder.Path("a.elf"), ElfWithVersionSection(MakeVersionInfo(block)));
    info.SetFileName(folder.Path("a.elf"));
    EXPECT_EQ(info.Release(), 31) << "the same name again reads nothing";

    WriteBytes(folder.Path("b.txt"), "plain");
    info.SetFileName(folder.Path("b.txt"));
    EXPECT_EQ(info.Release(), -1);
    EXPECT_EQ(info.CompanyName(), "");
    info.SetFileName(folder.Path("a.elf"));
    EXPECT_EQ(info.Release(), 99);
}

TEST(GtVersionInfo, TextsComeFromTheStringTableOfTheFirstTranslation)
{
    const struct {
        const char* Name;
        std::vector<std::string> Tables;
        std::vector<uint32_t> Translations;
        std::string Company;
    } cases[] = {
        {"first translation's table", {"040704B0", "040904E4"}, {kEnglishAnsi, 0x0407 | 1200u << 16}, "040904E4"},
        {"table keys are matched without regard to case", {"040904e4"}, {kEnglishAnsi}, "040904e4"},
        {"only another language's table", {"040704B0"}, {kEnglishAnsi}, ""},
        {"a table but no translation", {"040904E4"}, {}, ""},
    };
    TKitTestFolder folder;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        TVersionInfoBlock block;
        block.Fixed.dwFileVersionMS = 1 << 16 | 2;
        for (const std::string& table : test.Tables) {
            block.StringTables.push_back({table, {{"CompanyName", table}, {"FileVersion", "1.2"}}});
        }
        block.Translations = test.Translations;
        const std::string file = folder.Path(std::string(test.Name) + ".elf");
        WriteBytes(file, ElfWithVersionSection(MakeVersionInfo(block)));
        TGtVersionInfo info(nullptr);
        info.SetFileName(file);
        EXPECT_EQ(info.MinorVersion(), 2);
        EXPECT_EQ(info.CompanyName(), test.Company);
        EXPECT_EQ(info.FileVersion(), test.Company.empty() ? "" : "1.2");
    }
}

TEST(VersionResources, DamagedBlocksReadNothingBeyondTheirEnd)
{
    const std::string block = MakeVersionInfo(KnownBlock());
    const char* paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\LegalTrademarks"};
    for (size_t length = 0; length <= block.size(); ++length) {
        const std::string cut = block.substr(0, length);
        for (const char* path : paths) {
            std::string value;
            VerQueryValue(cut, path, value);
        }
    }
    for (size_t at = 0; at < block.size(); ++at) {
        std::string damaged = block;
        damaged[at] = static_cast<char>(damaged[at] + 0x55);
        for (const char* path : paths) {
            std::string value;
            VerQueryValue(damaged, path, value);
        }
    }
    std::string value;
    EXPECT_TRUE(VerQueryValue(block, "\\stringfileinfo\\040904e4\\legaltrademarks", value));
    EXPECT_EQ(value, "None\xAE");
    EXPECT_FALSE(VerQueryValue(block, "\\StringFileInfo\\040904E4\\Missing", value));
}

}  // namespace
