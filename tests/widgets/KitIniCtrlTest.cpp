// The INI control's settings and its string coding in the three modes, and its published
// properties read from a form description.

#include "platform/classes/FormReader.h"
#include "platform/rtl/Exceptions.h"
#include "widgets/KitIniCtrl.h"
#include "widgets/KitRegistration.h"
#include "widgets/KitStrings.h"
#include "widgets/KitSysIn.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(KitIniCtrl, CodingModesRoundTrip)
{
    TKitIniCtrl ini(nullptr);
    EXPECT_EQ(ini.EncKey(), KitDefaultEncKey);
    const std::string texts[] = {"", "a", "secret password", std::string("\x00\xFF\x7F", 3)};
    for (TKitIniCryptMode mode : {TKitIniCryptMode::icmKey, TKitIniCryptMode::icmTextKey}) {
        ini.SetCryptMode(mode);
        for (const std::string& text : texts) {
            EXPECT_EQ(ini.DecodeString(ini.EncodeString(text)), text);
        }
    }
    ini.SetCryptMode(TKitIniCryptMode::icmKey);
    EXPECT_EQ(ini.EncodeString("Password"), KitEncodeKeyed("Password", 40716));
    ini.SetCryptMode(TKitIniCryptMode::icmTextKey);
    EXPECT_EQ(ini.EncodeString("Password"), R"(8:cl<\hF`BPX<P)");
    EXPECT_THROW(ini.DecodeString("8:cl<"), EConvertError);

    ini.SetEncKey(1);  // another key gives another code
    EXPECT_NE(ini.EncodeString("Password"), R"(8:cl<\hF`BPX<P)");
}

TEST(KitIniCtrl, CustomCodingGoesThroughItsEvents)
{
    TKitIniCtrl ini(nullptr);
    ini.SetCryptMode(TKitIniCryptMode::icmCustom);
    EXPECT_EQ(ini.EncodeString("plain"), "plain");  // no handler: unchanged
    EXPECT_EQ(ini.DecodeString("plain"), "plain");
    ini.OnEncodeString = [&](TObject* sender, std::string& text) {
        EXPECT_EQ(sender, &ini);
        text = "<" + text + ">";
    };
    ini.OnDecodeString = [](TObject*, std::string& text) { text = text.substr(1, text.size() - 2); };
    EXPECT_EQ(ini.EncodeString("plain"), "<plain>");
    EXPECT_EQ(ini.DecodeString("<plain>"), "plain");
}

TEST(KitIniCtrl, SettingsRules)
{
    TKitIniCtrl ini(nullptr);
    ini.SetIniFile("settings");
    EXPECT_EQ(ini.IniFile(), "settings.INI");
    ini.SetIniFile("settings.cfg");
    EXPECT_EQ(ini.IniFile(), "settings.cfg");
    ini.SetIniFile("folder.d/settings");
    EXPECT_EQ(ini.IniFile(), "folder.d/settings.INI");
    ini.SetIniFile("");
    EXPECT_EQ(ini.IniFile(), "");

    ini.SetMaxEntries(30);
    EXPECT_EQ(ini.MaxEntries(), 30);
    ini.SetAlphaCounter(true);  // one letter per entry: at most 26
    EXPECT_EQ(ini.MaxEntries(), 26);
    ini.SetMaxEntries(30);
    EXPECT_EQ(ini.MaxEntries(), 26);
    ini.SetMaxEntries(20);
    EXPECT_EQ(ini.MaxEntries(), 20);

    EXPECT_EQ(ini.EffectiveTarget(), TKitIniTarget::itRegistry);
    ini.SetTarget(TKitIniTarget::itIniFile);
    EXPECT_EQ(ini.EffectiveTarget(), TKitIniTarget::itIniFile);

    TKitSystemFacts facts;
    facts.UserName = "bob";
    KitSetSystemFacts(facts);
    ini.SetNetUser(true);
    EXPECT_EQ(ini.User(), "bob");
    facts.UserName.clear();
    KitSetSystemFacts(facts);
    EXPECT_EQ(TKitIniCtrl::GetUserName(), "(Unknown)");
    KitSetSystemFacts(std::nullopt);
}

TEST(KitIniCtrl, ReadFromAFormDescription)
{
    RegisterKitClasses();
    std::unique_ptr<TComponent> ini(CreateComponentFromText(R"(object ini: TKitIniCtrl
  IniFile = 'kit'
  IniPrefix = ppProgram
  RegRoot = rpLocalMachine
  RegPath = 'Software\Kit'
  MaxEntries = 12
  EncKey = 513
  CryptMode = icmTextKey
  Encoded = True
end
)",
                                                                "ini.form", nullptr));
    auto* control = dynamic_cast<TKitIniCtrl*>(ini.get());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->IniFile(), "kit.INI");
    EXPECT_EQ(control->IniPrefix(), TKitPathPrefix::ppProgram);
    EXPECT_EQ(control->RegRoot(), TKitRegRootKey::rpLocalMachine);
    EXPECT_EQ(control->RegPath(), "Software\\Kit");
    EXPECT_EQ(control->MaxEntries(), 12);
    EXPECT_EQ(control->EncKey(), 513);
    EXPECT_EQ(control->CryptMode(), TKitIniCryptMode::icmTextKey);
    EXPECT_TRUE(control->Encoded());
}

}  // namespace
