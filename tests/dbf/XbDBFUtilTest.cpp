#include "dbf/XbDBFUtil.h"
#include "XbDBFTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(XbDBFUtil, TextToNumberReadsTheLongestNumericPrefix)
{
    const std::pair<const char*, double> cases[] = {
        {"  12.5  ", 12.5}, {"12abc", 12}, {"-", 0}, {"1e5", 1}, {"", 0}, {"-3.25", -3.25},
        {"+7", 7}, {"5.", 5}, {"abc", 0}, {".5", 0.5}, {"+-5", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(TextToNumber(text), expected) << text;
}

TEST(XbDBFUtil, ReplaceTextNeverSearchesReplacedText)
{
    EXPECT_EQ(ReplaceText("aaa", "a", "aa", 0, 1), "aaaaaa");
    EXPECT_EQ(ReplaceText("abcabc", "b", "X", 1, 2), "abcaXc");
    EXPECT_EQ(ReplaceText("abcabc", "b", "X", 0, 1), "aXcaXc");
    EXPECT_EQ(ReplaceText("abc", "z", "X", 0, 1), "abc");
    EXPECT_EQ(ReplaceText("abab", "ab", "", 1, 1), "ab");
}

TEST(XbDBFUtil, SubstringAndPaddingRoutines)
{
    EXPECT_EQ(ZeroPadded(7, 4), "0007");
    EXPECT_EQ(ZeroPadded(2026, 4), "2026");
    EXPECT_EQ(ZeroPadded(123456, 3), "123456");
    EXPECT_EQ(CopyFrom("abcdef", 2, 3), "bcd");
    EXPECT_EQ(CopyFrom("abcdef", 4, 0), "def");
    EXPECT_EQ(CopyFrom("abcdef", 7, 2), "");
    EXPECT_EQ(StuffText("abcdef", 2, 3, "XY"), "aXYef");
    EXPECT_EQ(StuffText("abc", 2, 0, "-"), "a-bc");
    EXPECT_EQ(StuffText("abc", 9, 1, "!"), "abc!");
    std::string digits = "0129 ";
    ComplementDigits(digits);
    EXPECT_EQ(digits, std::string(",+*#<"));
    std::string blanks = " a b ";
    BlanksTo(blanks, '0');
    EXPECT_EQ(blanks, "0a0b0");
}

TEST(XbDBFUtil, KeyTextsOfDatesAndTimes)
{
    // 2026-03-05 is day 46086; 13:45:30 is 0.573263888...
    const double value = 46086 + (13 * 3600 + 45 * 60 + 30) / 86400.0;
    EXPECT_EQ(DateKeyText(value), "20260305");
    EXPECT_EQ(TimeKeyText(value), "134530");
    EXPECT_EQ(DateTimeKeyText(value), "20260305134530");
    EXPECT_EQ(DateKeyText(0), "18991230");
    EXPECT_EQ(DateKeyText(60), "19000228");
    EXPECT_EQ(DateKeyText(61), "19000301");
    EXPECT_EQ(DateKeyText(-1), "18991229");
}

TEST(XbDBFUtil, TempFileNamesKeepAFolderWithBlanksWhole)
{
    TScratchFolder folder;  // its name holds blanks
    const std::string name = MakeTempFileName(folder.Path());
    ASSERT_FALSE(name.empty());
    const std::filesystem::path path(name);
    EXPECT_EQ(path.parent_path().string(), folder.Path());
    EXPECT_EQ(path.filename().string().substr(0, 3), "XBT");
    EXPECT_EQ(path.extension().string(), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_NE(MakeTempFileName(folder.Path() + "/"), name);

    const std::string system = MakeTempFileName("SYSTEM_TMP_PATH");
    ASSERT_FALSE(system.empty());
    EXPECT_EQ(std::filesystem::path(system).parent_path(), std::filesystem::temp_directory_path());
    std::filesystem::remove(system);
    EXPECT_EQ(MakeTempFileName(folder.File("no such folder")), "");
}
