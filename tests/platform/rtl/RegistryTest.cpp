// The registry store: keys and values found without regard to letter case, value types kept,
// texts of any kind surviving the store's lines, errors, and writes that fail leaving the store
// as it was.

#include "TestFolder.h"

#include "platform/rtl/Registry.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using ::testing::ElementsAre;

namespace {

std::vector<std::string> Lines(const TStrings& strings)
{
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i) {
        lines.push_back(strings[i]);
    }
    return lines;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryStoreFolder(folder_ / "registry"); }
    void TearDown() override { SetRegistryStoreFolder(std::string()); }

    TestFolder folder_;
};

TEST_F(RegistryTest, KeysAndValuesKeepTheirCaseAndTypeAndAreFoundWithoutRegardToCase)
{
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Software\\Quandrel\\Zentivor", true));
        EXPECT_EQ(registry.CurrentPath(), "Software\\Quandrel\\Zentivor");
        registry.WriteString("Name", "Zentivor");
        registry.WriteExpandString("Path", "%HOME%\\zentivor");
        registry.WriteInteger("Count", -5);
        registry.WriteBinaryData("Data", std::string("\0\x01\xFF", 3));
        registry.WriteString("", "default value");
        registry.WriteString("NAME", "again");  // the same value, letter case ignored
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\quandrel\\ZENTIVOR", false));
    EXPECT_EQ(registry.GetDataType("name"), TRegDataType::rdString);
    EXPECT_EQ(registry.GetDataType("path"), TRegDataType::rdExpandString);
    EXPECT_EQ(registry.GetDataType("count"), TRegDataType::rdInteger);
    EXPECT_EQ(registry.GetDataType("data"), TRegDataType::rdBinary);
    EXPECT_EQ(registry.GetDataType("missing"), TRegDataType::rdUnknown);
    EXPECT_EQ(registry.ReadString("Name"), "again");
    EXPECT_EQ(registry.ReadString("Path"), "%HOME%\\zentivor");
    EXPECT_EQ(registry.ReadInteger("Count"), -5);
    EXPECT_EQ(registry.ReadBinaryData("Data"), std::string("\0\x01\xFF", 3));
    EXPECT_EQ(registry.ReadString(""), "default value");
    TStringList names;
    registry.GetValueNames(names);
    EXPECT_THAT(Lines(names), ElementsAre("Name", "Path", "Count", "Data", ""));

    // Relative to the current key, and from the root.
    ASSERT_TRUE(registry.OpenKey("\\Software", false));
    EXPECT_TRUE(registry.HasSubKeys());
    registry.GetKeyNames(names);
    EXPECT_THAT(Lines(names), ElementsAre("Quandrel"));
    EXPECT_TRUE(registry.KeyExists("quandrel\\zentivor"));
    EXPECT_FALSE(registry.KeyExists("Quandrel\\Other"));

    // Each root is a store of its own.
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.KeyExists("\\Software"));
    EXPECT_EQ(RegistryStoreFileName(HKEY_CURRENT_USER), folder_ / "registry/HKEY_CURRENT_USER.reg");
}

TEST_F(RegistryTest, TextsThatLookLikeStoreLinesSurviveTheStore)
{
    const std::pair<std::string, std::string> values[] = {
        {"a=b", "x=y"},
        {"@", "[Section]"},
        {";comment", ";not a comment"},
        {" blank ", "  two blanks at either end  "},
        {"percent", "%41 is not A"},
        {"lines", "one\r\ntwo\nthree"},
        {"ansi \xE9", "caf\xE9 \x80"},
    };
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Odd [key]\\with=sign", true));
        for (const auto& [name, value] : values) {
            registry.WriteString(name, value);
        }
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("odd [KEY]\\WITH=sign", false));
    for (const auto& [name, value] : values) {
        EXPECT_EQ(registry.ReadString(name), value) << name;
    }
    EXPECT_FALSE(registry.ValueExists("")) << "the value named @ is not the default value";
}

TEST_F(RegistryTest, ErrorsAreReportedInTheRegistrysOwnWords)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Test", true));
    registry.WriteInteger("Count", 3);
    registry.WriteString("Text", "3");
    EXPECT_EQ(registry.ReadString("Missing"), "");
    struct Case {
        const char* Name;
        std::function<void()> Action;
        const char* Message;
    };
    const Case cases[] = {
        {"text of an integer", [&] { (void)registry.ReadString("Count"); }, "Invalid data type for 'Count'"},
        {"integer of a text", [&] { (void)registry.ReadInteger("Text"); }, "Invalid data type for 'Text'"},
        {"missing integer", [&] { (void)registry.ReadInteger("Missing"); }, "Failed to get data for 'Missing'"},
        {"bytes of a text", [&] { (void)registry.ReadBinaryData("Text"); }, "Invalid data type for 'Text'"},
    };
    for (const Case& test : cases) {
        try {
            test.Action();
            ADD_FAILURE() << test.Name << " raised nothing";
        } catch (const ERegistryException& error) {
            EXPECT_EQ(error.Message(), test.Message) << test.Name;
        }
    }
    // Names that are no key path.
    for (const std::string& bad : {std::string("a\\\\b"), std::string(256, 'k'), std::string("\\\\x")}) {
        EXPECT_FALSE(registry.OpenKey(bad, true)) << bad;
    }
    EXPECT_FALSE(TRegistry().OpenKey("Never\\Made", false));

    TRegistry reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\Test"));
    EXPECT_EQ(reader.ReadInteger("Count"), 3);
    EXPECT_THROW(reader.WriteInteger("Count", 4), ERegistryException);
    EXPECT_FALSE(reader.DeleteValue("Count"));
    EXPECT_EQ(reader.ReadInteger("Count"), 3);
}

TEST_F(RegistryTest, DeletingAKeyDeletesEverythingBelowIt)
{
    TRegistry registry;
    ASSERT_TRUE(registry.CreateKey("A\\B\\C"));
    ASSERT_TRUE(registry.CreateKey("A\\Bee"));
    ASSERT_TRUE(registry.OpenKey("A\\B\\C", false));
    registry.WriteString("v", "1");
    EXPECT_TRUE(registry.DeleteKey("\\A\\b"));
    EXPECT_FALSE(registry.HasCurrentKey()) << "the open key went with it";
    EXPECT_FALSE(registry.KeyExists("A\\B"));
    EXPECT_FALSE(registry.KeyExists("A\\B\\C"));
    EXPECT_TRUE(registry.KeyExists("A\\Bee"));
    EXPECT_FALSE(registry.DeleteKey("A\\B"));
    ASSERT_TRUE(registry.OpenKey("A", false));
    TStringList names;
    registry.GetKeyNames(names);
    EXPECT_THAT(Lines(names), ElementsAre("Bee"));
    EXPECT_FALSE(registry.DeleteValue("x"));
}

TEST_F(RegistryTest, AWriteThatFailsLeavesTheStoreAsItWasAndLinesItCannotReadStay)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Test", true));
    registry.WriteString("Kept", "old");
    // A line written by hand that the store cannot read stays where it is.
    const std::string file = RegistryStoreFileName(HKEY_CURRENT_USER);
    TestFolder::WriteFile(file, TestFolder::ReadFile(file) + "# a note\nOdd=qword:1\n");
    registry.WriteString("Second", "value");
    const std::string before = TestFolder::ReadFile(file);
    EXPECT_NE(before.find("# a note\n"), std::string::npos);
    EXPECT_NE(before.find("Odd=qword:1\n"), std::string::npos);
    EXPECT_FALSE(registry.ValueExists("Odd"));

    // No file may grow past a few bytes: the rewrite fails half-way.
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = before.size() + 10;
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        registry.WriteString("Big", std::string(1000, 'b'));
        ADD_FAILURE() << "the write did not fail";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'Big'");
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(TestFolder::ReadFile(file), before);
    EXPECT_EQ(registry.ReadString("Kept"), "old");
    EXPECT_FALSE(registry.ValueExists("Big"));

    // A store folder that cannot be made: no key can be created.
    SetRegistryStoreFolder(folder_ / "afile/registry");
    TestFolder::WriteFile(folder_ / "afile", "in the way");
    TRegistry blocked;
    EXPECT_FALSE(blocked.OpenKey("Software\\Test", true));
}

}  // namespace
