// Number and date text must not change with the process locale: run the conversions under a
// locale whose decimal point is a comma.
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Switches to de_DE.UTF-8; when the system has not generated it, builds it into a private
// folder with localedef and points LOCPATH there.
bool UseGermanLocale()
{
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
        return true;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zentivor-test-locales";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::filesystem::path target = folder / "de_DE.UTF-8";
    if (!std::filesystem::exists(target / "LC_NUMERIC")) {
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target.string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 && !std::filesystem::exists(target / "LC_NUMERIC")) {
            return false;
        }
    }
    setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!UseGermanLocale()) {
            GTEST_SKIP() << "no de_DE.UTF-8 locale (scripts/install-deps.sh generates it)";
        }
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
};

} // namespace

TEST_F(CommaLocale, NumberAndDateTextKeepTheDecimalPoint)
{
    EXPECT_EQ(FloatToStr(1234.5), "1234.5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStrF(1234.5, TFloatFormat::ffNumber, 15, 2), "1,234.50");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.567), "1,234.57");
    EXPECT_EQ(Format("%.2f|%g|%e|%d", {2.5, 0.25, 1.5, 1234567}), "2.50|0.25|1.50000000000000E+000|1234567");
    EXPECT_EQ(StrToFloat("12.5"), 12.5);
    EXPECT_FALSE(StrToFloatDef("12,5", -1) == 12.5);
    EXPECT_EQ(StrToInt("1234"), 1234);
    EXPECT_EQ(Variant("2.25").AsDouble(), 2.25);
    EXPECT_EQ(Variant(0.75).AsString(), "0.75");
    EXPECT_EQ(CurrToStr(Currency{12345}), "1.2345");
    EXPECT_EQ(DateTimeToStr(ComposeDateTime(EncodeDate(2024, 3, 5), EncodeTime(14, 7, 9, 0))), "05/03/2024 14:07:09");
    EXPECT_EQ(FormatDateTime("mmmm dddd", EncodeDate(2024, 3, 5)), "March Tuesday");
    EXPECT_EQ(StrToDateTime("05/03/2024 14:07:09"), ComposeDateTime(EncodeDate(2024, 3, 5), EncodeTime(14, 7, 9, 0)));
}
