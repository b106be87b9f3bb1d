// Path shortening, rectangle arithmetic and the rounding of the kit's drawing arithmetic.

#include "widgets/KitProcs.h"

#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string WithSeparator(std::string_view path, char separator)
{
    std::string result(path);
    for (char& c : result) {
        if (c == '\\') {
            c = separator;
        }
    }
    return result;
}

TEST(KitProcs, CutFirstDirectoryWithEitherSeparator)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"\\", ""},
        {"\\a\\b\\c\\", "\\...\\b\\c\\"},
        {"\\...\\b\\c\\", "\\...\\c\\"},
        {"\\...\\c\\", "\\...\\"},
        {"\\...\\", "\\"},
        {"...\\", ""},
        {"a\\b\\", "...\\b\\"},
        {"a\\", "...\\"},
        {"a", ""},
        {"", ""},
        // Shorter than the mark of an earlier step: nothing is cut blindly.
        {".", ""},
        {"..", ""},
        {"\\..", "\\"},
        // A folder whose name begins with a dot is an ordinary folder, not the mark.
        {"\\.config\\kit\\", "\\...\\kit\\"},
        {"..\\x\\", "...\\x\\"},
    };
    for (char separator : {'\\', '/'}) {
        for (const auto& [folder, cut] : cases) {
            SCOPED_TRACE(WithSeparator(folder, separator));
            EXPECT_EQ(KitCutFirstDirectory(WithSeparator(folder, separator), separator), WithSeparator(cut, separator));
        }
    }
}

TEST(KitProcs, ShortenPathStepByStep)
{
    const std::string path = "C:\\Program Files\\Kit\\Data\\file.txt";
    // Each limit is the length of one step's result.
    const std::pair<int, std::string_view> steps[] = {
        {34, "C:\\Program Files\\Kit\\Data\\file.txt"},  // fits: unchanged
        {24, "C:\\...\\Kit\\Data\\file.txt"},
        {20, "C:\\...\\Data\\file.txt"},
        {15, "C:\\...\\file.txt"},  // the drive, "\\...\\" and the file
        {12, "...\\file.txt"},
        {11, "file.txt"},
        {0, "file.txt"},
    };
    for (const auto& [limit, expected] : steps) {
        SCOPED_TRACE(limit);
        EXPECT_EQ(KitShortenPath(path, limit, '\\'), expected);
    }
}

TEST(KitProcs, ShortenPathOfThisSystem)
{
    EXPECT_EQ(KitShortenPath("/home/user/.config/zentivor/Ovralun.ini", 100), "/home/user/.config/zentivor/Ovralun.ini");
    EXPECT_EQ(KitShortenPath("/home/user/.config/zentivor/Ovralun.ini", 30), "/.../zentivor/Ovralun.ini");
    EXPECT_EQ(KitShortenPath("/home/user/.config/zentivor/Ovralun.ini", 20), "/.../Ovralun.ini");
    EXPECT_EQ(KitShortenPath("/home/user/.config/zentivor/Ovralun.ini", 5), "Ovralun.ini");
    EXPECT_EQ(KitShortenPath("Ovralun.ini", 3), "Ovralun.ini");
    EXPECT_EQ(KitShortenPath("", 3), "");
}

TEST(KitProcs, FitRectScalesByTheSmallerRatio)
{
    struct Case {
        TRect source;
        TRect target;
        TRect fitted;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, {10, 20, 210, 220}, {10, 20, 210, 120}},     // width limits
        {{0, 0, 50, 100}, {10, 20, 210, 220}, {10, 20, 110, 220}},     // height limits
        {{5, 5, 15, 15}, {0, 0, 3, 7}, {0, 0, 3, 3}},                   // shrinking
        {{0, 0, 3, 2}, {0, 0, 5, 100}, {0, 0, 5, 3}},                   // 2 x 5/3 = 3.33 rounds to 3
        {{0, 0, 4, 1}, {0, 0, 10, 100}, {0, 0, 10, 2}},                 // 1 x 2.5: halves go to the even number
        {{0, 0, 4, 3}, {0, 0, 14, 100}, {0, 0, 14, 10}},                // 3 x 3.5 = 10.5 goes to 10
        // A source or target without area cannot be scaled: the empty rectangle at the target.
        {{0, 0, 0, 10}, {4, 6, 50, 50}, {4, 6, 4, 6}},
        {{0, 0, 10, 0}, {4, 6, 50, 50}, {4, 6, 4, 6}},
        {{10, 10, 0, 0}, {4, 6, 50, 50}, {4, 6, 4, 6}},
        {{0, 0, 10, 10}, {4, 6, 4, 50}, {4, 6, 4, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.source.Width()) + "x" + std::to_string(c.source.Height()));
        EXPECT_EQ(KitFitRect(c.source, c.target), c.fitted);
    }
}

TEST(KitProcs, RectangleAndListArithmetic)
{
    EXPECT_EQ(KitRectSize({3, 4, 13, 24}), std::make_pair(10, 20));
    // The values come in the order left, top, bottom, right.
    EXPECT_EQ(KitGrowRect({10, 10, 20, 20}, -1, -2, 3, 4), (TRect{9, 8, 24, 23}));
    EXPECT_EQ(KitMaxInt({3, -7, 12, 5}), 12);
    EXPECT_EQ(KitMinInt({3, -7, 12, 5}), -7);
    EXPECT_DOUBLE_EQ(KitMinFloat({0.5, -0.25, 3.0}), -0.25);
    EXPECT_EQ(KitMaxInt({}), 0);
    EXPECT_EQ(KitMinInt({}), 0);
    EXPECT_DOUBLE_EQ(KitMinFloat({}), 0.0);
}

TEST(KitProcs, MulDivRoundsHalvesAwayFromZero)
{
    struct Case {
        int a, b, c, result;
    };
    const Case cases[] = {
        {1, 255, 2, 128}, {1, -255, 2, -128}, {-1, 255, 2, -128}, {1, 255, -2, -128}, {-1, -255, -2, -128},
        {1, 1, 3, 0},     {2, 1, 3, 1},       {7, 10, 4, 18},     {0, 5, 7, 0},
        // The product is taken in 64 bits.
        {1 << 20, 1 << 20, 1 << 12, 1 << 28}, {2000000000, 3, 4, 1500000000},
        // No divisor, or a result beyond 32 bits: -1, as the platform answers.
        {5, 5, 0, -1}, {2000000000, 4, 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + "*" + std::to_string(c.b) + "/" + std::to_string(c.c));
        EXPECT_EQ(KitMulDiv(c.a, c.b, c.c), c.result);
    }
    EXPECT_EQ(KitRound(2.5), 2);
    EXPECT_EQ(KitRound(3.5), 4);
    EXPECT_EQ(KitRound(-2.5), -2);
    EXPECT_EQ(KitRound(2.6), 3);
}

TEST(KitProcs, PrefixFoldersAreTheProgramFolder)
{
    SetApplicationFolder("/opt/zentivor/");
    for (TKitPathPrefix prefix : {TKitPathPrefix::ppWindows, TKitPathPrefix::ppSystem, TKitPathPrefix::ppProgram}) {
        EXPECT_EQ(KitGetPrefixPath(prefix, true), "/opt/zentivor/");
        EXPECT_EQ(KitGetPrefixPath(prefix, false), "/opt/zentivor");
    }
    // A fixed prefix is no folder at all, never the root folder.
    EXPECT_EQ(KitGetPrefixPath(TKitPathPrefix::ppFixed, true), "");
    EXPECT_EQ(KitGetPrefixPath(TKitPathPrefix::ppFixed, false), "");
    SetApplicationFolder("");
}

}  // namespace
