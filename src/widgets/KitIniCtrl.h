#pragma once
// Where kit components would keep settings (an INI file or the registry) and how stored
// strings are scrambled. Only the settings and the string coding exist: nothing reads or
// writes settings through this component (the kit application object owns one).

#include "widgets/KitBase.h"
#include "widgets/KitProcs.h"

#include <cstdint>
#include <functional>
#include <string>

enum class TKitRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
enum class TKitIniTarget { itIniFile, itRegistry, itAuto };
enum class TKitIniCryptMode { icmKey, icmTextKey, icmCustom };

// (sender, text): the handler replaces the text.
using TKitIniCryptEvent = std::function<void(TObject* sender, std::string& text)>;

class TKitIniCtrl : public TKitCustomComponent {
public:
    explicit TKitIniCtrl(TComponent* owner) : TKitCustomComponent(owner) {}
    const char* ClassName() const noexcept override { return "TKitIniCtrl"; }

    bool Common() const noexcept { return common_; }
    void SetCommon(bool value) { common_ = value; }
    // Switching on fills User with the logged-on user's name.
    bool NetUser() const noexcept { return netUser_; }
    void SetNetUser(bool value);
    // A name without extension gets ".INI".
    const std::string& IniFile() const noexcept { return iniFile_; }
    void SetIniFile(const std::string& value);
    const std::string& User() const noexcept { return user_; }
    void SetUser(const std::string& value) { user_ = value; }
    TKitPathPrefix IniPrefix() const noexcept { return iniPrefix_; }
    void SetIniPrefix(TKitPathPrefix value) { iniPrefix_ = value; }
    TKitRegRootKey RegRoot() const noexcept { return regRoot_; }
    void SetRegRoot(TKitRegRootKey value) { regRoot_ = value; }
    const std::string& RegPath() const noexcept { return regPath_; }
    void SetRegPath(const std::string& value) { regPath_ = value; }
    // Switching on limits MaxEntries to 26 (one letter each).
    bool AlphaCounter() const noexcept { return alphaCounter_; }
    void SetAlphaCounter(bool value);
    // A value above 26 is refused (ignored) while AlphaCounter is set.
    int MaxEntries() const noexcept { return maxEntries_; }
    void SetMaxEntries(int value);
    TKitIniTarget Target() const noexcept { return target_; }
    void SetTarget(TKitIniTarget value) { target_ = value; }
    // The target in effect: the registry for itAuto.
    TKitIniTarget EffectiveTarget() const noexcept;
    uint16_t EncKey() const noexcept { return encKey_; }
    void SetEncKey(uint16_t value) { encKey_ = value; }
    bool Encoded() const noexcept { return encoded_; }
    void SetEncoded(bool value) { encoded_ = value; }
    TKitIniCryptMode CryptMode() const noexcept { return cryptMode_; }
    void SetCryptMode(TKitIniCryptMode value) { cryptMode_ = value; }

    // icmKey: keyed coding with EncKey; icmTextKey: keyed coding, then text coding;
    // icmCustom: OnEncodeString (the text unchanged without a handler).
    std::string EncodeString(const std::string& text);
    // The reverse; in icmTextKey malformed text raises EConvertError.
    std::string DecodeString(const std::string& text);

    // The logged-on user's name, or "(Unknown)".
    static std::string GetUserName();

    TKitIniCryptEvent OnEncodeString;
    TKitIniCryptEvent OnDecodeString;

private:
    bool common_ = true;
    bool netUser_ = false;
    std::string iniFile_;
    std::string user_;
    TKitPathPrefix iniPrefix_ = TKitPathPrefix::ppWindows;
    TKitRegRootKey regRoot_ = TKitRegRootKey::rpCurrentUser;
    std::string regPath_;
    bool alphaCounter_ = false;
    uint8_t maxEntries_ = 16;
    TKitIniTarget target_ = TKitIniTarget::itAuto;
    uint16_t encKey_ = 40716;
    bool encoded_ = false;
    TKitIniCryptMode cryptMode_ = TKitIniCryptMode::icmKey;
};
