// System information from injected facts: processor names, free resources, platform flags,
// version-resource entries and caption geometry.

#include "widgets/KitSysIn.h"

#include "platform/rtl/System.h"
#include "platform/rtl/VersionResources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Sets facts for one test and goes back to the real ones afterwards.
class KitSysIn : public ::testing::Test {
protected:
    void TearDown() override { KitSetSystemFacts(std::nullopt); }

    static TKitSystemFacts NtFacts()
    {
        TKitSystemFacts facts;
        facts.Version = TKitVersionRecord{5, 1, 2600, 2, 3, 0, 0x100, 1};
        facts.ColorDepth = 32;
        facts.ProcessorCount = 2;
        facts.ProcessorType = 586;
        facts.TotalMemory = uint64_t{6} << 30;
        facts.AvailableMemory = uint64_t{1} << 30;
        facts.UserName = "alice";
        return facts;
    }
};

TEST_F(KitSysIn, ProcessorNamesByType)
{
    const std::pair<int, const char*> cases[] = {
        {386, "Intel 386"},   {486, "Intel 486"},       {586, "Intel Pentium"}, {2000, "Mips R2000"},
        {3000, "Mips R3000"}, {4000, "Mips R4000"},     {21064, "Alpha 21064"}, {8664, "8664"},
        {0, "0"},
    };
    for (const auto& [type, name] : cases) {
        EXPECT_EQ(KitSysProcessorName(type), name);
    }
    TKitSystemFacts facts = NtFacts();
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysProcessorName(), "Intel Pentium");
    EXPECT_EQ(KitSysProcessorCount(), 2);
}

TEST_F(KitSysIn, FactsAnswerTheQuestions)
{
    TKitSystemFacts facts = NtFacts();
    facts.ColorDepth = 0x120;  // only the low byte is reported
    facts.FreeResources = 55;
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysColorDepth(), 0x20);
    EXPECT_EQ(KitSysMajorVersion(), 5u);
    EXPECT_EQ(KitSysMinorVersion(), 1u);
    EXPECT_EQ(KitSysVersionField(2), 2600u);
    EXPECT_EQ(KitSysVersionField(7), 1u);
    EXPECT_EQ(KitSysVersionField(8), 0u);
    EXPECT_EQ(KitSysVersionField(-1), 0u);
    EXPECT_EQ(KitSysTotalMemory(), uint64_t{6} << 30);
    EXPECT_EQ(KitSysAvailableMemory(), uint64_t{1} << 30);
    EXPECT_TRUE(KitSysIsNT());
    EXPECT_EQ(KitSysFreeResources(), 0);  // the NT family has no such measure
    EXPECT_EQ(KitSysUserName(), "alice");

    facts.Version->PlatformId = 1;
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysFreeResources(), 55);
    facts.FreeResources.reset();  // the 16-bit call could not be found
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysFreeResources(), 0);

    facts.Version.reset();  // the version call failed
    facts.UserName.clear();
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysVersionField(0), 0u);
    EXPECT_FALSE(KitSysIsNT());
    EXPECT_EQ(KitSysUserName(), "(Unknown)");
}

TEST_F(KitSysIn, PlatformFlagsFromTheVersionRecord)
{
    struct Case {
        const char* name;
        TKitVersionRecord version;
        bool mediaCenter;
        TKitPlatformFlags flags;
    };
    TKitPlatformFlags win98;
    win98.Win98 = true;
    win98.ExtensionsPresent = true;
    TKitPlatformFlags winMe = win98;
    winMe.WinME = true;
    TKitPlatformFlags win2000Server;
    win2000Server.Win2000 = true;
    win2000Server.Win2000Server = true;
    TKitPlatformFlags xpHomeMedia;
    xpHomeMedia.WinXP = true;
    xpHomeMedia.WinXPHome = true;
    xpHomeMedia.MediaCenter = true;
    TKitPlatformFlags newer;
    newer.NewerSystem = true;
    const Case cases[] = {
        {"Windows 98", {4, 10, 1998, 1, 0, 0, 0, 0}, false, win98},
        {"Windows ME", {4, 90, 3000, 1, 0, 0, 0, 0}, false, winMe},
        {"Windows 2000 server", {5, 0, 2195, 2, 4, 0, 0, 3}, false, win2000Server},
        {"Windows XP home", {5, 1, 2600, 2, 2, 0, 0x200, 1}, true, xpHomeMedia},
        {"a newer system", {6, 1, 0, 2, 0, 0, 0, 1}, true, newer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKitSystemFacts facts;
        facts.Version = c.version;
        facts.ExtensionsPresent = true;
        facts.MediaCenter = c.mediaCenter;
        KitSetSystemFacts(facts);
        const TKitPlatformFlags flags = KitSysPlatformFlags();
        EXPECT_EQ(flags.Win98, c.flags.Win98);
        EXPECT_EQ(flags.WinME, c.flags.WinME);
        EXPECT_EQ(flags.ExtensionsPresent, c.flags.ExtensionsPresent);
        EXPECT_EQ(flags.Win2000, c.flags.Win2000);
        EXPECT_EQ(flags.Win2000Server, c.flags.Win2000Server);
        EXPECT_EQ(flags.WinXP, c.flags.WinXP);
        EXPECT_EQ(flags.WinXPServer, c.flags.WinXPServer);
        EXPECT_EQ(flags.WinXPHome, c.flags.WinXPHome);
        EXPECT_EQ(flags.MediaCenter, c.flags.MediaCenter);
        EXPECT_EQ(flags.NewerSystem, c.flags.NewerSystem);
    }
}

TEST_F(KitSysIn, VersionResourceEntries)
{
    TKitSystemFacts facts = NtFacts();
    KitSetSystemFacts(facts);  // no version resource: every kind is empty
    for (int kind = 0; kind <= 9; ++kind) {
        EXPECT_EQ(KitSysVersionInfo(static_cast<TKitVersionInfoKind>(kind)), "");
    }

    TVersionInfoBlock block;
    block.Fixed.dwFileVersionMS = (2u << 16) | 1u;
    block.Fixed.dwFileVersionLS = (7u << 16) | 345u;
    block.StringTables = {{"040904E4", {{"CompanyName", "Default table"}}},
                          {"040704B0",
                           {{"CompanyName", "Zentivor GmbH"},
                            {"ProductName", "Zentivor"},
                            {"ProductVersion", "2.1"},
                            {"LegalCopyright", "(c) 2024"},
                            {"FileDescription", "Issue tracker"}}}};
    // Without a translation entry the US English table is read.
    facts.VersionData = MakeVersionInfo(block);
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::CompanyName), "Default table");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::FileVersionShort), "2.1");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::FileVersionFull), "2.1.7.345");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::FileVersionBuild), "2.1 (Build 7.345)");

    // The first translation names the table (language and code page, four hex digits each).
    block.Translations = {0x0407u | (0x04B0u << 16), 0x0409u | (0x04E4u << 16)};
    facts.VersionData = MakeVersionInfo(block);
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::CompanyName), "Zentivor GmbH");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::ProductName), "Zentivor");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::ProductVersion), "2.1");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::LegalCopyright), "(c) 2024");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::FileDescription), "Issue tracker");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::LegalTradeMarks), "");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::Comments), "");

    block.Translations = {0x040Cu | (0x04E4u << 16)};  // a table that is not there
    block.Fixed.dwSignature = 0;                         // and no valid fixed part
    facts.VersionData = MakeVersionInfo(block);
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::CompanyName), "");
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::FileVersionFull), "");

    facts.VersionData = "damaged";
    KitSetSystemFacts(facts);
    EXPECT_EQ(KitSysVersionInfo(TKitVersionInfoKind::ProductName), "");
}

TEST_F(KitSysIn, RealFactsDescribeThisSystem)
{
    const TKitSystemFacts facts = KitReadSystemFacts();
    ASSERT_TRUE(facts.Version);
    TOSVersionInfo basic;
    ASSERT_TRUE(GetVersionEx(basic));
    EXPECT_EQ(facts.Version->PlatformId, basic.dwPlatformId);
    EXPECT_EQ(facts.Version->MajorVersion, basic.dwMajorVersion);
    EXPECT_GT(facts.TotalMemory, 0u);
    EXPECT_GE(facts.ProcessorCount, 1);
    EXPECT_TRUE(facts.VersionData.empty());  // the test program carries no version block
}

TEST_F(KitSysIn, CaptionGeometry)
{
    KitSetSystemFacts(TKitSystemFacts{});  // the classic metrics: caption 19, frame 4, border 1, button 18
    constexpr uint32_t sizeable = 0x00040000 | 0x00080000 | 0x00020000 | 0x00010000;  // frame, menu, min, max
    struct Case {
        const char* name;
        TKitCaptionWindow window;
        unsigned flagsIn;
        TRect caption;
        TRect text;
        unsigned flagsOut;
    };
    const Case cases[] = {
        // Band 4..396 x 4..22; text after the icon (16 + 4 + 1) and before close (18 + 3) and min/max (36).
        {"sizeable window", {400, sizeable, 0, true, false}, 0, {4, 4, 396, 22}, {25, 4, 339, 22}, 8},
        {"caption ends at the text", {400, sizeable, 0, true, false}, 1, {4, 4, 339, 22}, {25, 4, 339, 22}, 9},
        {"icon area left out", {400, sizeable, 0, true, false}, 2, {25, 4, 396, 22}, {27, 4, 339, 22}, 10},
        // A dialog frame, system menu only: no icon; the text moves two borders off the edge.
        {"dialog", {300, 0x00080000, 0x00000001, true, false}, 0, {3, 3, 297, 21}, {5, 3, 276, 21}, 0},
        // A tool window: the small caption (15) and small buttons (12), three-border frame.
        {"tool window", {200, 0x00080000, 0x00000080, true, false}, 0, {3, 3, 197, 17}, {5, 3, 182, 17}, 4},
        // Minimised with an icon: the caption loses a border at its foot.
        {"iconic", {160, sizeable, 0, true, true}, 0, {4, 4, 156, 21}, {24, 4, 120, 21}, 24},
        // No system menu: the text starts two borders in; an invisible window keeps the band.
        {"no menu", {100, 0, 0, true, false}, 0, {3, 3, 97, 21}, {5, 3, 97, 21}, 0},
        {"hidden", {100, sizeable, 0, false, false}, 0, {4, 4, 96, 22}, {4, 4, 96, 22}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRect caption;
        TRect text;
        unsigned flags = c.flagsIn;
        KitGetCaptionRects(c.window, caption, text, flags);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(flags, c.flagsOut);
    }
}

}  // namespace
