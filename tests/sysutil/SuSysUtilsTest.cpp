// The utility kit's free routines: version flags from version records, string and path helpers,
// the kit's colour names and its registry helpers.

#include "GuiTestSupport.h"
#include "SuTestSupport.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/Files.h"
#include "sysutil/SuComponents.h"
#include "sysutil/SuGraphics.h"
#include "sysutil/SuSysUtils.h"
#include "sysutil/SuVclUtils.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <fstream>
#include <string>
#include <vector>

using ::testing::ElementsAreArray;

namespace {

// The flags as a short text: the known version, then the family flags.
std::string Describe(const TSuWindowsVersion& v)
{
    std::string text;
    const std::pair<bool, const char*> flags[] = {
        {v.Win95, "95"},         {v.Win95OSR2, "95OSR2"},   {v.Win98, "98"},      {v.Win98SE, "98SE"},
        {v.WinME, "ME"},         {v.WinNT3, "NT3"},         {v.WinNT4, "NT4"},    {v.Win2000, "2000"},
        {v.WinXP, "XP"},         {v.IsNT, "nt"},            {v.NewShell, "newshell"}, {v.NewerThan2000, "newer"},
        {v.Later9x, "later9x"},
    };
    for (const auto& [set, name] : flags) {
        if (set) {
            text += text.empty() ? name : std::string(" ") + name;
        }
    }
    return text;
}

TEST(SuSysUtils, VersionFlagsFollowTheRecordAndItsBuild)
{
    const struct {
        uint32_t Platform, Major, Minor, Build;
        const char* Service;
        const char* Flags;
        uint32_t StoredBuild;
    } cases[] = {
        {1, 4, 0, 950, "", "95", 950},
        {1, 4, 0, 1111, " B ", "95OSR2", 1111},
        {1, 4, 0, 1000, " B ", "", 1000},  // OSR2 with another build is no known version
        {1, 4, 10, 1998, "", "98 later9x", 1998},
        {1, 4, 10, 0x040A08AE, " A ", "98SE later9x", 2222},  // the build is the low 16 bits
        {1, 4, 10, 2000, "", "later9x", 2000},
        {1, 4, 90, 3000, "", "ME later9x", 3000},
        {2, 3, 51, 1057, "", "NT3 nt", 1057},
        {2, 4, 0, 1381, "Service Pack 6", "NT4 nt", 1381},
        {2, 4, 0, 1300, "", "nt", 1300},
        {2, 5, 0, 2195, "", "2000 nt newshell", 2195},
        {2, 5, 1, 2600, "", "XP nt newshell newer", 2600},
        {2, 5, 2, 3790, "", "nt newshell newer", 3790},
        {2, 10, 0, 0, "", "nt newshell newer", 0},
        {0, 3, 10, 0, "", "", 0},
    };
    for (const auto& test : cases) {
        const TOSVersionInfo record{148, test.Major, test.Minor, test.Build, test.Platform, test.Service};
        const TSuWindowsVersion version = SuDetectWindowsVersion(record);
        EXPECT_EQ(Describe(version), test.Flags) << test.Major << "." << test.Minor << "." << test.Build;
        EXPECT_EQ(version.Build, test.StoredBuild);
    }
}

TEST(SuSysUtils, TheKitStartsWithThisSystemsEmulatedRecordAndTheProgramsFiles)
{
    SuKitStart();
    SuSysUtilsStart();
    EXPECT_EQ(Describe(SuWindowsVersion()), "nt newshell newer");
    EXPECT_EQ(SuProgramFolder(), ApplicationFolder());
    EXPECT_EQ(SuLogFileName(), ApplicationFolder() + "test_sysutil.log");
}

TEST(SuSysUtils, StringHelpers)
{
    const struct {
        const char* Sub;
        const char* Text;
        int Start;
        int Found;
    } positions[] = {
        {"ab", "xabyab", 1, 2}, {"ab", "xabyab", 3, 5}, {"ab", "xabyab", 6, 0}, {"ab", "xabyab", 0, 0},
        {"", "xab", 1, 0},      {"xab", "xab", 1, 1},   {"ab", "", 1, 0},
    };
    for (const auto& test : positions) {
        EXPECT_EQ(SuPosEx(test.Sub, test.Text, test.Start), test.Found) << test.Sub << " in " << test.Text << " from " << test.Start;
    }
    const struct {
        const char* Sub;
        const char* Text;
        int Before;
        int Found;
    } lastPositions[] = {
        {"ab", "xabyab", 0, 5}, {"ab", "xabyab", 4, 2}, {"ab", "xabyab", 5, 5}, {"ab", "xabyab", 1, 0},
        {"\\", "C:\\a\\b", 0, 5}, {"", "abc", 0, 0}, {"abcd", "abc", 0, 0},
    };
    for (const auto& test : lastPositions) {
        EXPECT_EQ(SuLastPos(test.Sub, test.Text, test.Before), test.Found) << test.Sub << " in " << test.Text << " before " << test.Before;
    }
    EXPECT_EQ(SuReplaceText("a.b.c", ".", "::"), "a::b::c");
    EXPECT_EQ(SuReplaceText("aaa", "aa", "a"), "aa");
    EXPECT_EQ(SuReplaceText("Abc", "abc", "x"), "Abc");
    EXPECT_EQ(SuReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(SuReplaceChar("C:\\dir\\file", '\\', '/'), "C:/dir/file");

    const struct {
        const char* Text;
        const char* Separator;
        std::vector<std::string> Parts;
    } splits[] = {
        {"a;b;;c", ";", {"a", "b", "", "c"}},
        {"a;b;", ";", {"a", "b", ""}},
        {"one<>two<>three", "<>", {"one", "two", "three"}},
        {"", ";", {}},
        {"whole", "", {"whole"}},
    };
    for (const auto& test : splits) {
        TStringList parts;
        parts.Add("left over");
        SuSplitText(test.Text, test.Separator, parts);
        std::vector<std::string> got;
        for (int i = 0; i < parts.Count(); ++i) {
            got.push_back(parts[i]);
        }
        EXPECT_THAT(got, ElementsAreArray(test.Parts)) << test.Text;
    }
}

TEST(SuSysUtils, PathHelpers)
{
    const struct {
        const char* Name;
        const char* Folder;
        const char* File;
        const char* WithoutExtension;
    } parts[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\", "file.txt", "C:\\dir\\file"},
        {"/home/user/a.b.c", "/home/user/", "a.b.c", "/home/user/a.b"},
        {"C:file", "C:", "file", "C:file"},
        {"plain", "", "plain", "plain"},
        {"dir.x/file", "dir.x/", "file", "dir.x/file"},
        {"folder/", "folder/", "", "folder/"},
        {"name.", "", "name.", "name"},
    };
    for (const auto& test : parts) {
        EXPECT_EQ(SuExtractFilePath(test.Name), test.Folder) << test.Name;
        EXPECT_EQ(SuExtractFileName(test.Name), test.File) << test.Name;
        EXPECT_EQ(SuRemoveFileExt(test.Name), test.WithoutExtension) << test.Name;
    }
    EXPECT_EQ(SuIncludeTrailingDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(SuIncludeTrailingDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(SuIncludeTrailingDelimiter("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(SuIncludeTrailingDelimiter(""), "") << "no folder never becomes the root";
    EXPECT_EQ(SuReduceDelimiters("a//b///c"), "a/b/c");
    EXPECT_EQ(SuReduceDelimiters("C:\\\\dir\\\\\\file"), "C:\\dir\\file");
    EXPECT_EQ(SuReduceDelimiters("a\\/b"), "a\\/b");
    EXPECT_EQ(SuSystemFolder(), "/usr/bin/");

    const struct {
        const char* Name;
        const char* Folder;
        const char* Expanded;
    } expansions[] = {
        {"file.txt", "/dest", "/dest/file.txt"},
        {"file.txt", "/dest/", "/dest/file.txt"},
        {"sub\\file", "C:\\dest\\", "C:\\dest\\sub\\file"},
        {"x//y", "/dest", "/dest/x/y"},
        {"/absolute/file", "/dest", "/absolute/file"},  // a name from the root is not appended
        {"D:\\file", "/dest", "D:\\file"},
    };
    for (const auto& test : expansions) {
        EXPECT_EQ(SuExpandFileName(test.Name, test.Folder), test.Expanded) << test.Name;
    }

    const struct {
        const char* Destination;
        const char* Source;
        const char* Completed;
    } destinations[] = {
        {"", "/src/a.txt", "/src/a.txt"},
        {"/dst/b.doc", "/src/a.txt", "/dst/b.doc"},
        {"/dst/", "/src/a.txt", "/dst/a.txt"},
        {"/dst/*.bak", "/src/a.txt", "/dst/a.bak"},
        {"/dst/b.*", "/src/a.txt", "/dst/b.txt"},
        {"/dst/*.*", "/src/a.txt", "/dst/a.txt"},
        {"b", "/src/a.txt", "/src/b.txt"},
        {"*/b.doc", "/src/a.txt", "/src/b.doc"},
        {"C:\\dst\\?.txt", "C:\\src\\a.dat", "C:\\dst\\a.txt"},
    };
    for (const auto& test : destinations) {
        EXPECT_EQ(SuCompleteDestination(test.Destination, test.Source), test.Completed) << test.Destination;
    }

    TKitTestFolder folder;
    std::ofstream(folder.Path("there.txt")) << "x";
    EXPECT_TRUE(SuIsUsableFileName(folder.Path("there.txt")));
    EXPECT_TRUE(SuIsUsableFileName(folder.Path("new.txt")));
    EXPECT_FALSE(FileExists(folder.Path("new.txt"))) << "the trial file is deleted again";
    EXPECT_FALSE(SuIsUsableFileName(folder.Path("missing/new.txt")));
    EXPECT_FALSE(SuIsUsableFileName(folder.Path()));
    EXPECT_FALSE(SuIsUsableFileName(""));
}

TEST(SuSysUtils, TheKitsColourNamesComeBeforeTheLayersOwn)
{
    TestApplication();
    SuKitStart();
    ASSERT_EQ(SuColorNames().size(), 30u);
    for (const auto& [name, color] : SuColorNames()) {
        EXPECT_EQ(StringToColor(name), color) << name;
        EXPECT_EQ(ColorToString(color), name) << name;
        EXPECT_EQ(FindIntegerConstant(name), std::optional<int64_t>(color)) << name;
    }
    const std::pair<const char*, TColor> samples[] = {
        {"clOrange", 0x68FF},     {"clSkyBlue", 0xFFC800},  {"clCream", 0xA6CAF0},
        {"clHotLight", static_cast<TColor>(0x8000001A)},    {"clSilver", 0xC0C0C0},
    };
    for (const auto& [name, color] : samples) {
        EXPECT_EQ(StringToColor(name), color) << name;
    }
    // The layer's own colour of a name the kit took is a plain number now, so it reads back.
    EXPECT_EQ(ColorToString(0xF0CAA6), "$00F0CAA6");
    EXPECT_EQ(StringToColor(ColorToString(0xF0CAA6)), 0xF0CAA6);
    EXPECT_EQ(ColorToString(clSilver), "clSilver");
}

TEST(SuSysUtils, StockIconsOfTheDesktop)
{
    TestApplication();
    const struct {
        int Index;
        bool Large;
        int Size;  // 0: no icon
    } cases[] = {{0, false, 16}, {2, false, 16}, {3, true, 32}, {32, true, 32}, {6, false, 0}, {-1, false, 0}, {999, true, 0}};
    for (const auto& test : cases) {
        const QImage icon = SuShellIcon(test.Index, test.Large);
        EXPECT_EQ(icon.width(), test.Size) << test.Index;
        EXPECT_EQ(icon.height(), test.Size) << test.Index;
    }
}

TEST(SuSysUtils, RegistryHelpersWriteTheRightTypeAndSayWhichKeyCouldNotBeOpened)
{
    TKitTestFolder folder;
    SuRegWriteString(HKEY_CURRENT_USER, "Software\\Zentivor\\Run", "zentivor", "/opt/zentivor/zentivor");
    SuRegWriteString(HKEY_CURRENT_USER, "Software\\Zentivor\\Run", "expanded", "%HOME%/zentivor");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Zentivor\\Run", false));
    EXPECT_EQ(registry.GetDataType("zentivor"), TRegDataType::rdString);
    EXPECT_EQ(registry.GetDataType("expanded"), TRegDataType::rdExpandString);
    EXPECT_EQ(registry.ReadString("expanded"), "%HOME%/zentivor");

    EXPECT_TRUE(SuRegDeleteValue(HKEY_CURRENT_USER, "Software\\Zentivor\\Run", "zentivor"));
    EXPECT_FALSE(registry.ValueExists("zentivor"));
    EXPECT_TRUE(SuRegDeleteValue(HKEY_CURRENT_USER, "Software\\Zentivor\\Run", "zentivor")) << "gone already";
    EXPECT_TRUE(SuRegDeleteValue(HKEY_CURRENT_USER, "Software\\Never", "x")) << "no key, no value";

    std::ofstream(folder.Path("blocked")) << "a file where the store's folder should be";
    SetRegistryStoreFolder(folder.Path("blocked/registry"));
    try {
        SuRegWriteString(HKEY_CURRENT_USER, "Software\\Zentivor\\Run", "zentivor", "x");
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Unable to open the Software\\Zentivor\\Run key");
    }
}

}  // namespace
