#include "sysutil/SuStorageComponents.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "sysutil/SuWndProcHook.h"

#include <cstdint>
#include <fstream>

namespace {

// A name AutoSave can save to: an existing file, or one that can be made (it is removed again).
bool UsableSaveName(const std::string& fileName)
{
    if (fileName.empty()) {
        return false;
    }
    if (FileExists(fileName)) {
        return true;
    }
    std::ofstream probe(fileName, std::ios::binary);
    if (!probe) {
        return false;
    }
    probe.close();
    DeleteFile(fileName);
    return true;
}

}  // namespace

// ---- TSuCustomFileStorage -----------------------------------------------------------------

void TSuCustomFileStorage::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TSuCustomFileStorage, TSuComponent>("TSuCustomFileStorage")
            .Component()
            .Defined("FileData", &TSuCustomFileStorage::ReadFileData, &TSuCustomFileStorage::WriteFileData);
        return true;
    }();
    (void)registered;
}

void TSuCustomFileStorage::SetFileName(const std::string& value)
{
    fileName_ = value;
    if (IsDesigning() && !IsLoading()) {
        LoadFromFile(value);
    }
}

void TSuCustomFileStorage::SetSaveName(const std::string& value)
{
    saveName_ = value;
    if (IsDesigning() && !IsLoading() && autoSave_ && !UsableSaveName(value)) {
        autoSave_ = false;
    }
}

void TSuCustomFileStorage::SetAutoSave(bool value)
{
    if (value && IsDesigning() && !IsLoading() && !UsableSaveName(saveName_)) {
        if (Application != nullptr) {
            Application->MessageBox("AutoSave can not be set because the SaveName property contains a wrong file name",
                                    "Warning", MB_OK | MB_ICONWARNING);
        }
        autoSave_ = false;
        return;
    }
    autoSave_ = value;
}

void TSuCustomFileStorage::LoadFromFile(const std::string& fileName)
{
    if (!FileExists(fileName)) {
        if (OnLoad) {
            OnLoad(this, false);
        }
        return;
    }
    // Read aside: the data held so far stays when the file cannot be read whole.
    std::ifstream file(fileName, std::ios::binary);
    std::string bytes;
    char buffer[65536];
    while (file.read(buffer, sizeof(buffer)) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad() || !file.eof()) {
        throw ESuFileStorage(Format("Can not load data from the \"%s\" file", {fileName}));
    }
    data_ = std::move(bytes);
    if (OnLoad) {
        OnLoad(this, true);
    }
}

void TSuCustomFileStorage::SaveToFile(const std::string& fileName)
{
    if (FileExists(fileName)) {
        bool overrideFile = true;
        if (OnConfirmOverride) {
            OnConfirmOverride(this, overrideFile);
        }
        if (!overrideFile) {
            if (OnSave) {
                OnSave(this, false);
            }
            return;
        }
    }
    if (fileName.empty() || !WriteFileAtomically(fileName, data_)) {
        throw ESuFileStorage(Format("Can not save data to the \"%s\" file", {fileName}));
    }
    if (OnSave) {
        OnSave(this, true);
    }
}

void TSuCustomFileStorage::ReadFileData(const std::string& bytes)
{
    if (bytes.size() < 4) {
        throw ESuFileStorage("The stored file data is damaged: its byte count is missing");
    }
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint32_t count = raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<uint32_t>(raw[3]) << 24);
    if (count != bytes.size() - 4) {
        throw ESuFileStorage(Format("The stored file data is damaged: %u bytes announced, %u stored",
                                    {count, static_cast<uint32_t>(bytes.size() - 4)}));
    }
    data_ = bytes.substr(4);
}

std::optional<std::string> TSuCustomFileStorage::WriteFileData() const
{
    const auto count = static_cast<uint32_t>(data_.size());
    std::string bytes{static_cast<char>(count & 0xFF), static_cast<char>((count >> 8) & 0xFF),
                      static_cast<char>((count >> 16) & 0xFF), static_cast<char>(count >> 24)};
    return bytes + data_;
}

void TSuCustomFileStorage::Loaded()
{
    TSuComponent::Loaded();
    if (autoSave_ && !IsDesigning()) {
        SaveToFile(saveName_);
    }
}

void TSuFileStorage::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomFileStorage::RegisterClass();
        TClassRegistration<TSuFileStorage, TSuCustomFileStorage>("TSuFileStorage")
            .Component()
            .String("FileName", &TSuFileStorage::FileName, &TSuFileStorage::SetFileName)
            .String("SaveName", &TSuFileStorage::SaveName, &TSuFileStorage::SetSaveName)
            .Boolean("AutoSave", &TSuFileStorage::AutoSave, &TSuFileStorage::SetAutoSave, false)
            .EventSetter<TSuFileStorageOnFileOperation>("OnLoad", [](auto& o, TSuFileStorageOnFileOperation f) { o.OnLoad = std::move(f); })
            .EventSetter<TSuFileStorageOnFileOperation>("OnSave", [](auto& o, TSuFileStorageOnFileOperation f) { o.OnSave = std::move(f); })
            .EventSetter<TSuFileStorageOnConfirmOverride>("OnConfirmOverride", [](auto& o, TSuFileStorageOnConfirmOverride f) { o.OnConfirmOverride = std::move(f); });
        return true;
    }();
    (void)registered;
}

// ---- TSuWav -------------------------------------------------------------------------------

TSuWav::~TSuWav()
{
    playing_ = false;
}

void TSuWav::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomFileStorage::RegisterClass();
        RegisterEnum<TSuWavPlayFrom>("TSuWavPlayFrom", {"pfFile", "pfResource", "pfDFM", "pfSystemEvent"});
        TClassRegistration<TSuWav, TSuCustomFileStorage>("TSuWav")
            .Component()
            .Boolean("AsyncPlay", &TSuWav::AsyncPlay, &TSuWav::SetAsyncPlay, true)
            .String("EventAlias", &TSuWav::EventAlias, &TSuWav::SetEventAlias, ".Default")
            .String("FileName", &TSuWav::FileName, &TSuWav::SetFileName)
            .Boolean("Looped", &TSuWav::Looped, &TSuWav::SetLooped, false)
            .Boolean("NoDefaultSound", &TSuWav::NoDefaultSound, &TSuWav::SetNoDefaultSound, true)
            .Boolean("NoStopSound", &TSuWav::NoStopSound, &TSuWav::SetNoStopSound, false)
            .Boolean("NoWaitIfBusy", &TSuWav::NoWaitIfBusy, &TSuWav::SetNoWaitIfBusy, true)
            .Enum("PlayFrom", &TSuWav::PlayFrom, &TSuWav::SetPlayFrom, TSuWavPlayFrom::pfFile)
            .String("ResourceName", &TSuWav::ResourceName, &TSuWav::SetResourceName, "WAVE1")
            .Event("OnPlayBefore", &TSuWav::OnPlayBefore)
            .Event("OnPlayAfter", &TSuWav::OnPlayAfter);
        return true;
    }();
    (void)registered;
}

void TSuWav::SetAsyncPlay(bool value)
{
    if (value && !asyncPlay_ && playing_) {
        Stop();
    }
    asyncPlay_ = value;
}

void TSuWav::SetPlayFrom(TSuWavPlayFrom value)
{
    if (value == playFrom_) {
        return;
    }
    playFrom_ = value;
    if (IsLoading()) {
        return;  // the stored bytes come with the description
    }
    if (value == TSuWavPlayFrom::pfDFM) {
        LoadFromFile(FileName());
    } else {
        Clear();
    }
}

void TSuWav::SetFileName(const std::string& value)
{
    TSuCustomFileStorage::SetFileName(value);
    if (playFrom_ == TSuWavPlayFrom::pfDFM && !IsLoading()) {
        if (!IsDesigning()) {
            LoadFromFile(value);  // at design time the base has loaded it
        }
        if (playing_) {
            Play();
        } else {
            Stop();
        }
    }
}

void TSuWav::SetResourceName(const std::string& value)
{
    resourceName_ = value;
    if (playFrom_ == TSuWavPlayFrom::pfResource && playing_) {
        Play();
    }
}

bool TSuWav::Play()
{
    if (OnPlayBefore) {
        OnPlayBefore(this);
    }
    playing_ = true;
    // This system offers no sound service to play the source through.
    const bool played = false;
    playing_ = played;
    if (OnPlayAfter) {
        OnPlayAfter(this);
    }
    return played;
}

void TSuWav::Stop()
{
    playing_ = false;
}

// ---- TSuStartButtonProperties -------------------------------------------------------------

void TSuStartButtonProperties::RegisterClass()
{
    static const bool registered = [] {
        using T = TSuStartButtonProperties;
        TClassRegistration<T, TSuComponent>("TSuStartButtonProperties")
            .Component()
            .Integer("ButtonLeft", &T::ButtonLeft, &T::SetButtonLeft)
            .Integer("ButtonTop", &T::ButtonTop, &T::SetButtonTop)
            .Integer("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth)
            .Integer("ButtonHeight", &T::ButtonHeight, &T::SetButtonHeight)
            .Boolean("Enabled", &T::Enabled, &T::SetEnabled, true)
            .Boolean("Visible", &T::Visible, &T::SetVisible, true);
        return true;
    }();
    (void)registered;
}

// ---- TSuColorPicker -----------------------------------------------------------------------

TSuColorPicker::TSuColorPicker(TComponent* owner) : TSuCustomTimer(owner)
{
    SetInterval(100);
}

void TSuColorPicker::RegisterClass()
{
    static const bool registered = [] {
        using T = TSuColorPicker;
        TClassRegistration<T, TSuCustomTimer>("TSuColorPicker")
            .Component()
            .Boolean("Enabled", &T::Enabled, &T::SetEnabled, true)
            .Integer("Interval", &T::Interval, &T::SetInterval, 100)
            .EventSetter<TNotifyEvent>("OnTimer", &T::SetOnTimer);
        return true;
    }();
    (void)registered;
}

void TSuColorPicker::SetCursorIndex(int value)
{
    if (value == cursorIndex_) {
        return;
    }
    cursorIndex_ = value;
    ApplyCursor();
}

void TSuColorPicker::Timer()
{
    ApplyCursor();
    TSuCustomTimer::Timer();
}

void TSuColorPicker::ApplyCursor()
{
    constexpr int kLastCursor = static_cast<int>(TCursor::crSizeNS);
    if (cursorIndex_ > 0 && cursorIndex_ <= kLastCursor && Screen != nullptr) {
        Screen->SetCursor(static_cast<TCursor>(cursorIndex_));
    }
}

void SuRegisterStorageComponents()
{
    TSuWndProcHook::RegisterClass();
    TSuFileStorage::RegisterClass();
    TSuWav::RegisterClass();
    TSuStartButtonProperties::RegisterClass();
    TSuColorPicker::RegisterClass();
}
