#include "widgets/KitIniCtrl.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "widgets/KitStrings.h"
#include "widgets/KitSysIn.h"

#include <algorithm>

namespace {

constexpr int kLetterCount = 26;

}  // namespace

void TKitIniCtrl::SetNetUser(bool value)
{
    netUser_ = value;
    if (value) {
        user_ = GetUserName();
    }
}

void TKitIniCtrl::SetIniFile(const std::string& value)
{
    iniFile_ = value;
    if (!iniFile_.empty() && ExtractFileExt(iniFile_).empty()) {
        iniFile_ += ".INI";
    }
}

void TKitIniCtrl::SetAlphaCounter(bool value)
{
    alphaCounter_ = value;
    if (value && maxEntries_ > kLetterCount) {
        maxEntries_ = kLetterCount;
    }
}

void TKitIniCtrl::SetMaxEntries(int value)
{
    const int entries = std::clamp(value, 0, 255);
    if (alphaCounter_ && entries > kLetterCount) {
        return;
    }
    maxEntries_ = static_cast<uint8_t>(entries);
}

TKitIniTarget TKitIniCtrl::EffectiveTarget() const noexcept
{
    return target_ == TKitIniTarget::itAuto ? TKitIniTarget::itRegistry : target_;
}

std::string TKitIniCtrl::EncodeString(const std::string& text)
{
    switch (cryptMode_) {
    case TKitIniCryptMode::icmKey:
        return KitEncodeKeyed(text, encKey_);
    case TKitIniCryptMode::icmTextKey:
        return KitTextEncode(KitEncodeKeyed(text, encKey_));
    case TKitIniCryptMode::icmCustom:
        break;
    }
    std::string result = text;
    if (OnEncodeString) {
        OnEncodeString(this, result);
    }
    return result;
}

std::string TKitIniCtrl::DecodeString(const std::string& text)
{
    switch (cryptMode_) {
    case TKitIniCryptMode::icmKey:
        return KitDecodeKeyed(text, encKey_);
    case TKitIniCryptMode::icmTextKey:
        return KitDecodeKeyed(KitTextDecode(text), encKey_);
    case TKitIniCryptMode::icmCustom:
        break;
    }
    std::string result = text;
    if (OnDecodeString) {
        OnDecodeString(this, result);
    }
    return result;
}

std::string TKitIniCtrl::GetUserName()
{
    return KitSysUserName();
}
