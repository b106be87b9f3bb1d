#include "app/Settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <unistd.h>
#include <variant>

namespace {

class TSettingsFolder {
public:
    TSettingsFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zv settings XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TSettingsFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TSettingsFolder(const TSettingsFolder&) = delete;
    TSettingsFolder& operator=(const TSettingsFolder&) = delete;

    std::string File(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }

private:
    std::string path_;
};

void WriteText(const std::string& fileName, const std::string& text)
{
    std::ofstream(fileName, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadText(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using TAnySetting = std::variant<TStringSetting, TIntegerSetting, TBooleanSetting, TColourSetting>;

// The value a read gives, as text: numbers in decimal, Booleans as 1 or 0.
std::string ReadAsText(const TCustomIniFile& ini, const TAnySetting& key)
{
    return std::visit(
        [&](const auto& k) -> std::string {
            auto value = ReadSetting(ini, k);
            if constexpr (std::is_same_v<decltype(value), std::string>)
                return value;
            else
                return std::to_string(static_cast<int>(value));
        },
        key);
}

struct TReadCase {
    const char* title;
    const char* fileText;  // nullptr: no file at all
    TAnySetting key;
    const char* expected;
};

const TReadCase kReadCases[] = {
    // A missing file gives every reader its own default.
    {"missing file: AskExit", nullptr, Setting::AskExit, "1"},
    {"missing file: MouseMove", nullptr, Setting::MouseMove, "1"},
    {"missing file: ShowViewPanel", nullptr, Setting::ShowViewPanel, "1"},
    {"missing file: SetBackup", nullptr, Setting::SetBackup, "0"},
    {"missing file: BackupFreq", nullptr, Setting::BackupFreq, "20"},
    {"missing file: BackupFreq as text", nullptr, Setting::BackupFreqText, "20"},
    {"missing file: GridColor", nullptr, Setting::GridColor, "clSilver"},
    {"missing file: ProjectPanelWidth", nullptr, Setting::ProjectPanelWidth, "200"},
    {"missing file: New", nullptr, Setting::New, "New (unconfirmed)"},
    {"missing file: QANew", nullptr, Setting::QANew, "New"},
    {"missing file: Closed", nullptr, Setting::Closed, "Closed"},
    {"missing file: Approved", nullptr, Setting::Approved, "Approved"},
    {"missing file: IDFlag", nullptr, Setting::IDFlag, "#QZ#"},
    {"missing file: Language", nullptr, Setting::Language, ""},
    {"missing file: Top", nullptr, Setting::Top, "0"},
    {"missing file: Height", nullptr, Setting::Height, "740"},
    {"missing file: Width", nullptr, Setting::Width, "940"},
    {"missing file: FullSize", nullptr, Setting::FullSize, "No"},
    {"missing file: Connection", nullptr, Setting::Connection, "0"},
    {"missing file: DbaseLoc", nullptr, Setting::DbaseLoc, "databases"},
    {"missing file: BackupLoc", nullptr, Setting::BackupLoc, "backup"},
    {"missing file: AttachLoc", nullptr, Setting::AttachLoc, "attachments"},
    {"missing file: NeedBackup compared", nullptr, Setting::NeedBackup, "1"},
    {"missing file: NeedBackup advanced", nullptr, Setting::NeedBackupCounter, "0"},
    {"missing file: ProductID", nullptr, Setting::ProductID, "-1"},
    {"missing file: FilteredColumn at start-up", nullptr, Setting::FilteredColumn, "0"},
    {"missing file: FilteredColumn after start", nullptr, Setting::FilteredColumnPostStart, "-1"},
    {"missing file: FilteredValue", nullptr, Setting::FilteredValue, "-1"},
    {"missing file: FilterOperation", nullptr, Setting::FilterOperation, "="},
    {"missing file: FilteredState", nullptr, Setting::FilteredState, "0"},
    // Names in any letter case.
    {"lower-case names", "[settings]\r\naskexit=0\r\n", Setting::AskExit, "0"},
    {"upper-case names", "[DATABASE]\r\nDBASELOC=D:\\data\r\n", Setting::DbaseLoc, "D:\\data"},
    {"mixed-case key", "[Database]\r\nDBaseLoc=shared\r\n", Setting::DbaseLoc, "shared"},
    // Numbers.
    {"hexadecimal", "[Settings]\r\nBackupFreq=0x10\r\n", Setting::BackupFreq, "16"},
    {"hexadecimal as text", "[Settings]\r\nBackupFreq=0x10\r\n", Setting::BackupFreqText, "0x10"},
    {"negative", "[SavedSession]\r\nProductID=-5\r\n", Setting::ProductID, "-5"},
    {"not a number", "[Settings]\r\nProjectPanelWidth=wide\r\n", Setting::ProjectPanelWidth, "200"},
    {"number with a tail", "[Settings]\r\nBackupFreq=12abc\r\n", Setting::BackupFreq, "20"},
    {"empty number", "[Settings]\r\nBackupFreq=\r\n", Setting::BackupFreq, "20"},
    // Booleans are numbers: "yes" is none and gives the default.
    {"yes for a true default", "[Settings]\r\nAskExit=yes\r\n", Setting::AskExit, "1"},
    {"yes for a false default", "[Settings]\r\nSetBackup=yes\r\n", Setting::SetBackup, "0"},
    {"any number but 0 is true", "[Settings]\r\nSetBackup=2\r\n", Setting::SetBackup, "1"},
    {"0 is false", "[Settings]\r\nMouseMove=0\r\n", Setting::MouseMove, "0"},
    // Texts stand as stored.
    {"FullSize keeps its case", "[Position]\r\nFullSize=yes\r\n", Setting::FullSize, "yes"},
    {"an empty IDFlag stays empty", "[Settings]\r\nIDFlag=\r\n", Setting::IDFlag, ""},
    {"blanks around the value", "[Settings]\r\nClosed = Done \r\n", Setting::Closed, "Done"},
    {"colour number", "[Settings]\r\nGridColor=$00FF00\r\n", Setting::GridColor, "$00FF00"},
    // Line ends and stray lines.
    {"LF line ends", "[Position]\nTop=5\nLeft=7\n", Setting::Left, "7"},
    {"CR line ends", "[Position]\rTop=5\rLeft=7\r", Setting::Top, "5"},
    {"key before any section", "AskExit=0\r\n[Settings]\r\n", Setting::AskExit, "1"},
    {"key in another section", "[Position]\r\nAskExit=0\r\n", Setting::AskExit, "1"},
    {"first of two equal keys", "[Settings]\r\nQANew=One\r\nqanew=Two\r\n", Setting::QANew, "One"},
};

}  // namespace

TEST(SettingsFile, ReadsEveryKindWithItsDefault)
{
    for (const TReadCase& c : kReadCases) {
        SCOPED_TRACE(c.title);
        TSettingsFolder folder;
        const std::string fileName = folder.File(kSettingsFileName);
        if (c.fileText != nullptr)
            WriteText(fileName, c.fileText);
        TIniFile ini(fileName);
        EXPECT_EQ(ReadAsText(ini, c.key), c.expected);
        EXPECT_EQ(std::filesystem::exists(fileName), c.fileText != nullptr) << "a read never creates the file";
    }
}

TEST(SettingsFile, WritingKeepsUnknownKeysTheirOrderAndWritesCrLf)
{
    TSettingsFolder folder;
    const std::string fileName = folder.File(kSettingsFileName);
    WriteText(fileName,
              "; kept comment\n"
              "[Settings]\n"
              "Zeta=1\n"
              "askexit=1\n"
              "Alpha=x y\n"
              "\n"
              "[Custom]\n"
              "foo=bar\n");
    TIniFile ini(fileName);
    WriteSetting(ini, Setting::AskExit, false);
    WriteSetting(ini, Setting::IDFlag, std::string("ABC"));
    WriteSetting(ini, Setting::Top, 12);
    WriteSetting(ini, Setting::GridColor, std::string("clWhite"));
    WriteSetting(ini, Setting::FilteredState, true);

    EXPECT_EQ(ReadText(fileName),
              "; kept comment\r\n"
              "[Settings]\r\n"
              "Zeta=1\r\n"
              "askexit=0\r\n"
              "Alpha=x y\r\n"
              "IDFlag=ABC\r\n"
              "GridColor=clWhite\r\n"
              "\r\n"
              "[Custom]\r\n"
              "foo=bar\r\n"
              "\r\n"
              "[Position]\r\n"
              "Top=12\r\n"
              "\r\n"
              "[SavedSession]\r\n"
              "FilteredState=1\r\n");
    // A second object on the same file sees every write at once.
    TIniFile other(fileName);
    EXPECT_FALSE(ReadSetting(other, Setting::AskExit));
    EXPECT_EQ(ReadSetting(other, Setting::IDFlag), "ABC");
}

TEST(SettingsFile, KeyTableListsEveryKeyOnceWithItsKind)
{
    std::set<std::string> seen;
    std::map<std::string, int> perSection;
    for (const TSettingInfo& key : SettingsFileKeys()) {
        EXPECT_TRUE(seen.insert(std::string(key.Section) + "/" + key.Ident).second) << key.Ident;
        ++perSection[key.Section];
    }
    EXPECT_EQ(perSection["Settings"], 35);
    EXPECT_EQ(perSection["Position"], 7);
    EXPECT_EQ(perSection["Database"], 5);
    EXPECT_EQ(perSection["SavedSession"], 10);
    EXPECT_EQ(perSection.size(), 4u);
}

// The file the program writes is an ordinary INI file: Python's configparser reads every key
// with the value written.
TEST(SettingsFile, PythonConfigParserReadsTheWrittenFile)
{
    const char* python = "/usr/bin/python3";
    if (::access(python, X_OK) != 0)
        GTEST_SKIP() << "no " << python;
    TSettingsFolder folder;
    const std::string fileName = folder.File(kSettingsFileName);
    TIniFile ini(fileName);
    std::map<std::string, std::string> expected;
    int number = 0;
    for (const TSettingInfo& key : SettingsFileKeys()) {
        std::string value;
        switch (key.Kind) {
        case TSettingKind::String: value = std::string(key.Ident) + " text"; break;
        case TSettingKind::Colour: value = "clWhite"; break;
        case TSettingKind::Integer: value = std::to_string(++number * 7 - 20); break;
        case TSettingKind::Boolean: value = number++ % 2 ? "1" : "0"; break;
        }
        ini.WriteString(key.Section, key.Ident, value);
        expected[std::string(key.Section) + "/" + key.Ident] = value;
    }
    WriteSetting(ini, Setting::FilterString, std::string("PRODUCT='Big: 100%' and STATUS<>'Closed'"));
    expected["SavedSession/FilterString"] = "PRODUCT='Big: 100%' and STATUS<>'Closed'";
    WriteSetting(ini, Setting::AskExit, false);
    expected["Settings/AskExit"] = "0";

    const std::string script = folder.File("read.py");
    WriteText(script,
              "import configparser, sys\n"
              "parser = configparser.ConfigParser(interpolation=None, strict=True)\n"
              "parser.optionxform = str\n"
              "with open(sys.argv[1], encoding='latin-1', newline='') as f:\n"
              "    text = f.read()\n"
              "assert '\\n' not in text.replace('\\r\\n', ''), 'bare line feed'\n"
              "parser.read_string(text)\n"
              "for section in parser.sections():\n"
              "    for key, value in parser.items(section):\n"
              "        print(section + '/' + key + '\\t' + value)\n");
    const std::string command = std::string(python) + " '" + script + "' '" + fileName + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;

    std::map<std::string, std::string> read;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        read[line.substr(0, tab)] = line.substr(tab + 1);
        start = end == std::string::npos ? output.size() : end + 1;
    }
    EXPECT_EQ(read, expected);
}

TEST(SettingsFile, OnlineFileGetsOnlyTheStartPage)
{
    TSettingsFolder folder;
    const std::string fileName = folder.File(kOnlineSettingsFileName);
    WriteText(fileName, "[Server]\r\nHost=example\r\n");
    TIniFile online(fileName);
    WriteSetting(online, Setting::OnlineStartPage, 1);
    EXPECT_EQ(ReadText(fileName), "[Server]\r\nHost=example\r\n\r\n[Application]\r\nStartPage=1\r\n");
}
