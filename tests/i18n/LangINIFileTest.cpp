// The language INI file: Modified, and what it writes back when freed.
#include "GuiTestSupport.h"

#include "i18n/LangINIFile.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <memory>
#include <string>

namespace {

class LangINIFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        folder_ = std::filesystem::temp_directory_path() /
                  ("zv-langini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::permissions(folder_ / "a.lng", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string File(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

TEST_F(LangINIFileTest, WritesBackOnlyWhatWasChanged)
{
    const std::string name = File("a.lng");
    ASSERT_TRUE(WriteFileAtomically(name, "[Tform]\r\nCaption='One'\r\n"));
    {
        TLangINIFile file(name);
        EXPECT_FALSE(file.Modified());
        EXPECT_EQ(file.ReadString("Tform", "Caption", ""), "'One'");
        // Changed on disk meanwhile: an unchanged object must not write its old copy over it.
        ASSERT_TRUE(WriteFileAtomically(name, "[Tform]\r\nCaption='Two'\r\n"));
    }
    EXPECT_EQ(ReadFileContents(name), "[Tform]\r\nCaption='Two'\r\n");

    {
        TLangINIFile file(name);
        file.WriteString("Tform", "Hint", "'h'");
        EXPECT_TRUE(file.Modified());
        file.UpdateFile();
        EXPECT_FALSE(file.Modified());
        file.DeleteKey("Tform", "Hint");
        EXPECT_TRUE(file.Modified());
    }
    EXPECT_EQ(ReadFileContents(name), "[Tform]\r\nCaption='Two'\r\n");

    {
        TLangINIFile file(name);
        file.EraseSection("Tform");
        EXPECT_TRUE(file.Modified());
    }
    EXPECT_EQ(ReadFileContents(name).find("Tform"), std::string::npos);
}

TEST_F(LangINIFileTest, CreatesAMissingFileOnlyWhenSomethingWasWritten)
{
    const std::string neverThere = File("never.lng");
    { TLangINIFile file(neverThere); }
    EXPECT_FALSE(FileExists(neverThere));

    const std::string deleted = File("deleted.lng");
    ASSERT_TRUE(WriteFileAtomically(deleted, "[S]\r\nK=V\r\n"));
    {
        TLangINIFile file(deleted);
        ASSERT_TRUE(DeleteFile(deleted));
    }
    EXPECT_FALSE(FileExists(deleted)) << "a file deleted meanwhile is not brought back unchanged";

    {
        TLangINIFile file(neverThere);
        file.WriteString("S", "K", "V");
    }
    EXPECT_EQ(ReadFileContents(neverThere), "[S]\r\nK=V\r\n");
}

TEST_F(LangINIFileTest, AReadOnlyFileIsLeftAloneAndTheUserIsTold)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
    const std::string name = File("a.lng");
    ASSERT_TRUE(WriteFileAtomically(name, "[S]\r\nK=V\r\n"));
    std::filesystem::permissions(name, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    TDialogScript script;
    {
        TLangINIFile file(name);
        file.WriteString("S", "K", "changed");
    }
    EXPECT_EQ(ReadFileContents(name), "[S]\r\nK=V\r\n");
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "File \"" + name + "\" is read-only");

    { TLangINIFile unchanged(name); }
    EXPECT_EQ(script.Records().size(), 1u) << "nothing to say when nothing was changed";
}

}  // namespace
