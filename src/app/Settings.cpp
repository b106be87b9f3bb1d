#include "app/Settings.h"

#include <vector>

std::string ReadSetting(const TCustomIniFile& ini, const TStringSetting& key)
{
    return ini.ReadString(key.Section, key.Ident, key.Default);
}

int ReadSetting(const TCustomIniFile& ini, const TIntegerSetting& key)
{
    return ini.ReadInteger(key.Section, key.Ident, key.Default);
}

bool ReadSetting(const TCustomIniFile& ini, const TBooleanSetting& key)
{
    return ini.ReadBool(key.Section, key.Ident, key.Default);
}

std::string ReadSetting(const TCustomIniFile& ini, const TColourSetting& key)
{
    return ini.ReadString(key.Section, key.Ident, key.Default);
}

void WriteSetting(TCustomIniFile& ini, const TStringSetting& key, const std::string& value)
{
    ini.WriteString(key.Section, key.Ident, value);
}

void WriteSetting(TCustomIniFile& ini, const TIntegerSetting& key, int value)
{
    ini.WriteInteger(key.Section, key.Ident, value);
}

void WriteSetting(TCustomIniFile& ini, const TBooleanSetting& key, bool value)
{
    ini.WriteBool(key.Section, key.Ident, value);
}

void WriteSetting(TCustomIniFile& ini, const TColourSetting& key, const std::string& value)
{
    ini.WriteString(key.Section, key.Ident, value);
}

namespace {

TSettingInfo Info(const TStringSetting& key)
{
    return {key.Section, key.Ident, TSettingKind::String, key.Default};
}

TSettingInfo Info(const TIntegerSetting& key)
{
    return {key.Section, key.Ident, TSettingKind::Integer, std::to_string(key.Default)};
}

TSettingInfo Info(const TBooleanSetting& key)
{
    return {key.Section, key.Ident, TSettingKind::Boolean, key.Default ? "1" : "0"};
}

TSettingInfo Info(const TColourSetting& key)
{
    return {key.Section, key.Ident, TSettingKind::Colour, key.Default};
}

}  // namespace

std::span<const TSettingInfo> SettingsFileKeys()
{
    using namespace Setting;
    static const std::vector<TSettingInfo> keys = {
        Info(CurrVer), Info(Language), Info(LanguageMes), Info(HideHints), Info(GridColor),
        Info(SetBackup), Info(BackupFreq), Info(ShowOpen), Info(OpenSite), Info(ShowViewPanel),
        Info(ShowProjectPanel), Info(ProjectPanelWidth), Info(AskExit), Info(CheckUpdate),
        Info(UseManifest), Info(UseManifestAuto), Info(HideQuickStart), Info(HideSubTicket),
        Info(HideWorkTime), Info(HideContacts), Info(HideLists), Info(HideChangeLog),
        Info(HideCode), Info(MouseMove), Info(RecordFreeze), Info(New), Info(QANew),
        Info(Closed), Info(Approved), Info(QASteps), Info(AutoQALevel), Info(AutoHistory),
        Info(IDFlag), Info(UseOnlyOpenVersion), Info(UseLocalListItem),

        Info(Top), Info(Left), Info(Height), Info(Width), Info(FullSize), Info(SubHeight),
        Info(LeftWidth),

        Info(Connection), Info(DbaseLoc), Info(BackupLoc), Info(AttachLoc), Info(NeedBackup),

        Info(ProductID), Info(ActivePage), Info(FilteredColumn), Info(FilteredColumnS),
        Info(FilteredValue), Info(FilteredValueS), Info(FilteredState), Info(FilterString),
        Info(FilterOperation), Info(FilterOperationItem),
    };
    return keys;
}
