#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Lines(const TStrings& strings)
{
    std::string text;
    for (int i = 0; i < strings.Count(); ++i)
        text += strings[i] + "|";
    return text;
}

}  // namespace

TEST(IniFile, MissingFileReadsDefaultsAndFirstWriteCreatesIt)
{
    TestFolder folder;
    std::string name = folder / "Ovralun.ini";
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("Database", "DbaseLoc", "databases"), "databases");
    EXPECT_EQ(ini.ReadInteger("Settings", "BackupFreq", 20), 20);
    EXPECT_TRUE(ini.ReadBool("Settings", "AskExit", true));
    EXPECT_FALSE(ini.SectionExists("Settings"));
    EXPECT_FALSE(access(name.c_str(), F_OK) == 0);

    ini.WriteInteger("Database", "NeedBackup", 1);
    ini.WriteBool("Settings", "OpenSite", true);
    ini.WriteString("Settings", "CurrVer", "1.0.0.0");
    EXPECT_EQ(TestFolder::ReadFile(name),
              "[Database]\r\nNeedBackup=1\r\n\r\n[Settings]\r\nOpenSite=1\r\nCurrVer=1.0.0.0\r\n");
}

TEST(IniFile, KeepsUnknownKeysCommentsAndOrderAndWritesAtOnce)
{
    TestFolder folder;
    std::string name = folder / "Ovralun.ini";
    TestFolder::WriteFile(name,
                          "; written by hand\n"
                          "[Settings]\n"
                          "UnknownKey=keep me\n"
                          "AskExit = 1 \n"
                          "not a key line\n"
                          "Language=English.lng\n"
                          "\n"
                          "[Position]\n"
                          "Top=10\n");
    TIniFile ini(name);
    TIniFile other(name);  // a second object on the same file sees every write at once
    ini.WriteBool("SETTINGS", "askexit", false);
    EXPECT_FALSE(other.ReadBool("Settings", "AskExit", true));
    ini.WriteString("settings", "GridColor", "clSilver");
    ini.WriteInteger("Position", "Left", 5);
    EXPECT_EQ(TestFolder::ReadFile(name),
              "; written by hand\r\n"
              "[Settings]\r\n"
              "UnknownKey=keep me\r\n"
              "AskExit=0\r\n"
              "not a key line\r\n"
              "Language=English.lng\r\n"
              "GridColor=clSilver\r\n"
              "\r\n"
              "[Position]\r\n"
              "Top=10\r\n"
              "Left=5\r\n");

    TStringList list;
    other.ReadSection("settings", list);
    EXPECT_EQ(Lines(list), "UnknownKey|AskExit|Language|GridColor|");
    other.ReadSections(list);
    EXPECT_EQ(Lines(list), "Settings|Position|");
    other.ReadSectionValues("Position", list);
    EXPECT_EQ(Lines(list), "Top=10|Left=5|");
    EXPECT_TRUE(other.ValueExists("POSITION", "left"));
    EXPECT_FALSE(other.ValueExists("Position", "Width"));

    ini.DeleteKey("Settings", "UnknownKey");
    ini.EraseSection("position");
    EXPECT_EQ(TestFolder::ReadFile(name),
              "; written by hand\r\n[Settings]\r\nAskExit=0\r\nnot a key line\r\n"
              "Language=English.lng\r\nGridColor=clSilver\r\n\r\n");
}

TEST(IniFile, TypedValuesAsTheSettingsStoreThem)
{
    TestFolder folder;
    std::string name = folder / "Ovralun.ini";
    TestFolder::WriteFile(name, "");
    TIniFile ini(name);
    struct Case {
        const char* stored;
        int integer;  // read with default 7
        bool boolean; // read with default true
    };
    const Case cases[] = {
        {"0", 0, false},       {"1", 1, true},          {"-1", -1, true},
        {"2", 2, true},        {"0x10", 16, true},      {"0XfF", 255, true},
        {"0xFFFFFFFF", -1, true}, {"+12", 12, true},    {"yes", 7, true},
        {"", 7, true},         {"12abc", 7, true},      {"1.5", 7, true},
        {"0x", 7, true},       {"99999999999", 7, true}, {"0x1G", 7, true},
    };
    for (const Case& c : cases) {
        ini.WriteString("Settings", "Value", c.stored);
        EXPECT_EQ(ini.ReadInteger("Settings", "Value", 7), c.integer) << c.stored;
        EXPECT_EQ(ini.ReadBool("Settings", "Value", true), c.boolean) << c.stored;
    }
    ini.WriteString("Settings", "AskExit", "0");
    EXPECT_FALSE(ini.ReadBool("Settings", "AskExit", true));

    ini.WriteFloat("Settings", "Ratio", 0.1);
    EXPECT_EQ(ini.ReadString("Settings", "Ratio", ""), "0.1");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Settings", "Ratio", 0), 0.1);
    ini.WriteString("Settings", "Ratio", "1,5");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Settings", "Ratio", 2.5), 2.5);

    // A value can never break into a line of its own.
    ini.WriteString("SavedSession", "FilterString", "A='1'\r\n[Database]\r\nDbaseLoc=/etc");
    EXPECT_EQ(ini.ReadString("Database", "DbaseLoc", "databases"), "databases");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilterString", ""),
              "A='1'  [Database]  DbaseLoc=/etc");
}

TEST(IniFile, LineEndsAndDamagedLines)
{
    TestFolder folder;
    std::string name = folder / "hand.ini";
    TestFolder::WriteFile(name, "junk=before any section\r[A]\rx=1\r\n[broken\n=no key\n[B]\ny=2\n[a]\nx=9\nz=3");
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("", "junk", "-"), "-");
    EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);  // the first of two sections of one name
    EXPECT_EQ(ini.ReadInteger("B", "y", 0), 2);
    EXPECT_EQ(ini.ReadInteger("a", "z", 0), 0);
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Lines(sections), "A|B|");
}

TEST(IniFile, WriteThatCannotBeMadeRaisesAndChangesNothing)
{
    TestFolder folder;
    TIniFile inMissingFolder(folder / "none/Ovralun.ini");
    try {
        inMissingFolder.WriteString("Settings", "Language", "English.lng");
        FAIL() << "wrote into a missing folder";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + folder / "none/Ovralun.ini");
    }

    if (geteuid() == 0)
        GTEST_SKIP() << "root may write read-only files";
    std::string name = folder / "readonly.ini";
    TestFolder::WriteFile(name, "[Settings]\r\nAskExit=1\r\n");
    chmod(name.c_str(), 0444);
    TIniFile ini(name);
    EXPECT_THROW(ini.WriteBool("Settings", "AskExit", false), EIniFileException);
    EXPECT_EQ(TestFolder::ReadFile(name), "[Settings]\r\nAskExit=1\r\n");
}

TEST(IniFile, PythonConfigParserReadsWhatWasWritten)
{
    TestFolder folder;
    std::string name = folder / "Ovralun.ini";
    TIniFile ini(name);
    ini.WriteString("Settings", "IDFlag", "#QZ#");
    ini.WriteInteger("Position", "Width", 940);
    ini.WriteBool("Settings", "AskExit", true);
    ini.WriteString("SavedSession", "FilterString", "STATUS='Closed' and PRODUCT='A 100%'");
    ini.WriteString("Database", "DbaseLoc", "databases");

    std::string script = folder / "read.py";
    TestFolder::WriteFile(script,
                          "import configparser, sys\n"
                          "p = configparser.ConfigParser(interpolation=None)\n"
                          "p.optionxform = str\n"
                          "with open(sys.argv[1], encoding='latin-1', newline='') as f:\n"
                          "    p.read_file(f)\n"
                          "for s in p.sections():\n"
                          "    for k, v in p.items(s):\n"
                          "        print(s + '/' + k + '=' + v)\n");
    std::string command = "/usr/bin/python3 '" + script + "' '" + name + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t done = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, done);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(output,
              "Settings/IDFlag=#QZ#\n"
              "Settings/AskExit=1\n"
              "Position/Width=940\n"
              "SavedSession/FilterString=STATUS='Closed' and PRODUCT='A 100%'\n"
              "Database/DbaseLoc=databases\n");
}

TEST(MemIniFile, ChangesStayInMemoryUntilUpdateFile)
{
    TestFolder folder;
    std::string name = folder / "English.lng";
    TestFolder::WriteFile(name, "[Tmainissuefrm]\nbtn_ok.Caption='OK'\nCaption='Ticket'\n");
    {
        TMemIniFile ini(name);
        TStringList keys;
        ini.ReadSection("TMAINISSUEFRM", keys);
        EXPECT_EQ(Lines(keys), "btn_ok.Caption|Caption|");
        ini.WriteString("Tmainissuefrm", "Caption", "'Ticket Form'");
        EXPECT_EQ(ini.ReadString("tmainissuefrm", "caption", ""), "'Ticket Form'");
        EXPECT_EQ(TestFolder::ReadFile(name),
                  "[Tmainissuefrm]\nbtn_ok.Caption='OK'\nCaption='Ticket'\n");  // not yet
    }  // freeing writes nothing
    EXPECT_EQ(TestFolder::ReadFile(name), "[Tmainissuefrm]\nbtn_ok.Caption='OK'\nCaption='Ticket'\n");

    TMemIniFile ini(name);
    ini.WriteString("Tmainissuefrm", "Caption", "'Ticket Form'");
    ini.UpdateFile();
    EXPECT_EQ(TestFolder::ReadFile(name),
              "[Tmainissuefrm]\r\nbtn_ok.Caption='OK'\r\nCaption='Ticket Form'\r\n");

    TMemIniFile missing(folder / "none.lng");
    TStringList sections;
    missing.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 0);
}
