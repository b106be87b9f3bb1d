// Worksheets of every version written by the writer are read by python3-xlrd (cell types and
// values) and converted to CSV by LibreOffice headless, with the values we wrote.

#include "ExcelToolSupport.h"

#include "export/ExNativeExcel.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

namespace {

const TExBIFFVersion AllVersions[] = {TExBIFFVersion::bvBIFF2, TExBIFFVersion::bvBIFF3, TExBIFFVersion::bvBIFF4,
                                      TExBIFFVersion::bvBIFF5};

TDateTime SampleDate() { return EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 0, 0); }

// Two rows: numbers and a null in the first; a date, Booleans, an empty cell, texts and an error in the second.
void WriteSample(TExNativeExcel& excel, TExBIFFVersion version, const std::string& fileName)
{
    excel.SetBIFF(version);
    excel.StartDocument();
    excel.WriteValue(Variant(42));
    excel.WriteValue(Variant(70000));
    excel.WriteValue(Variant(-17));
    excel.WriteNumber(1234567890123.0);
    excel.WriteNumber(3.25);
    excel.WriteNumber(-0.5);
    excel.WriteValue(Variant::Null());
    excel.Row = 2;
    excel.Column = 1;
    excel.WriteValue(Variant::FromDateTime(SampleDate()));
    excel.WriteBoolean(true);
    excel.WriteBoolean(false);
    excel.WriteBlank();
    excel.WriteText(std::string(300, 'L'));
    excel.WriteText("h\xE9llo, \"w\"");
    excel.WriteError(TExExcelError::eeDivZero);
    excel.EndDocument();
    excel.SetFileName(fileName);
    excel.Save();
}

const char* VersionName(TExBIFFVersion version)
{
    static const char* names[] = {"biff2", "biff3", "biff4", "biff5"};
    return names[static_cast<int>(version)];
}

TEST(ExNativeExcelInterop, XlrdReadsEveryVersion)
{
    if (!ExcelToolAvailable("/usr/bin/python3 -c 'import xlrd'"))
        GTEST_SKIP() << "python3-xlrd is not installed";
    TExcelTempFolder folder("xlrd");
    const std::string date = DateTimeToStr(SampleDate());
    const std::string expected = "0,0,2,42.0\n0,1,2,70000.0\n0,2,2,-17.0\n0,3,2,1234567890123.0\n0,4,2,3.25\n0,5,2,-0.5\n0,6,5,0\n"
                                 "1,0,1,'" + date + "'\n1,1,4,1\n1,2,4,0\n1,3,0,''\n1,4,1,'" + std::string(255, 'L') +
                                 "'\n1,5,1,'h\xC3\xA9llo, \"w\"'\n1,6,5,7\n";
    for (TExBIFFVersion version : AllVersions) {
        TExNativeExcel excel(nullptr);
        const std::string name = folder.Path() + "/" + VersionName(version) + ".xls";
        WriteSample(excel, version, name);
        EXPECT_EQ(ReadWithXlrd(name), expected) << VersionName(version);
    }
}

TEST(ExNativeExcelInterop, LibreOfficeConvertsEveryVersionToCsv)
{
    if (!ExcelToolAvailable("command -v soffice"))
        GTEST_SKIP() << "LibreOffice is not installed";
    TExcelTempFolder folder("calc");
    std::vector<std::string> names;
    for (TExBIFFVersion version : AllVersions) {
        TExNativeExcel excel(nullptr);
        names.push_back(folder.Path() + "/" + VersionName(version) + ".xls");
        WriteSample(excel, version, names.back());
    }
    const std::vector<std::string> csv = ConvertWithLibreOffice(folder, names);
    ASSERT_EQ(csv.size(), names.size());
    for (size_t i = 0; i < csv.size(); ++i) {
        const std::vector<std::string> lines = SplitCsvLines(csv[i]);
        ASSERT_EQ(lines.size(), 2u) << names[i] << "\n" << csv[i];
        EXPECT_EQ(lines[0], "42,70000,-17,1234567890123,3.25,-0.5,#NULL!") << names[i];
        const std::string secondRow = lines[1];
        // Booleans show as TRUE/FALSE or 1/0, depending on the number format LibreOffice picks.
        const std::string date = DateTimeToStr(SampleDate());
        const std::string tail = "," + std::string(255, 'L') + ",\"h\xC3\xA9llo, \"\"w\"\"\",#DIV/0!";
        EXPECT_TRUE(secondRow == date + ",TRUE,FALSE," + tail || secondRow == date + ",1,0," + tail) << names[i] << ": " << secondRow;
    }
}

}  // namespace
