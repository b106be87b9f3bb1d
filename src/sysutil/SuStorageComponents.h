#pragma once
// The utility kit's small components: a file's bytes carried in the form description
// (TSuFileStorage), a sound player built on it (TSuWav), the start button's placement
// (TSuStartButtonProperties) and the colour picker's cursor timer (TSuColorPicker).
//
// File storage never loses what it holds: a load reads the whole file aside and takes it only
// when the read succeeded; a save writes a temporary file beside the target and renames it
// over the target, so the target holds either its old or its new contents.
//
// This desktop has no start button: TSuStartButtonProperties only stores its values. TSuWav
// plays through the window layer's sound service; where the system has none, Play reports
// that it cannot play (false) and nothing else happens.

#include "platform/rtl/Exceptions.h"
#include "sysutil/SuComponents.h"

#include <functional>
#include <optional>
#include <string>

ZV_DECLARE_EXCEPTION(ESuFileStorage, Exception);

using TSuFileStorageOnFileOperation = std::function<void(TObject* sender, bool successful)>;
using TSuFileStorageOnConfirmOverride = std::function<void(TObject* sender, bool& overrideFile)>;

class TSuCustomFileStorage : public TSuComponent {
public:
    explicit TSuCustomFileStorage(TComponent* owner) : TSuComponent(owner) {}
    const char* ClassName() const noexcept override { return "TSuCustomFileStorage"; }
    static void RegisterClass();

    const std::string& FileName() const noexcept { return fileName_; }
    // At design time the file is loaded at once.
    virtual void SetFileName(const std::string& value);
    const std::string& SaveName() const noexcept { return saveName_; }
    void SetSaveName(const std::string& value);
    bool AutoSave() const noexcept { return autoSave_; }
    void SetAutoSave(bool value);
    int DataSize() const noexcept { return static_cast<int>(data_.size()); }
    const std::string& Data() const noexcept { return data_; }
    void SetData(std::string data) { data_ = std::move(data); }

    // Reads the whole file into the data (OnLoad true); a missing file leaves the data as it
    // is (OnLoad false); a file that cannot be read raises ESuFileStorage and leaves it too.
    void LoadFromFile(const std::string& fileName);
    // Writes the data to the file; an existing file is replaced only when OnConfirmOverride
    // agrees (OnSave false otherwise). Raises ESuFileStorage when it cannot be written.
    void SaveToFile(const std::string& fileName);
    void Clear() { data_.clear(); }

    // The "FileData" bytes of form descriptions: a 32-bit byte count, then the bytes.
    void ReadFileData(const std::string& bytes);
    std::optional<std::string> WriteFileData() const;

    TSuFileStorageOnFileOperation OnLoad;
    TSuFileStorageOnFileOperation OnSave;
    TSuFileStorageOnConfirmOverride OnConfirmOverride;

protected:
    void Loaded() override;

private:
    std::string fileName_;
    std::string saveName_;
    bool autoSave_ = false;
    std::string data_;
};

class TSuFileStorage : public TSuCustomFileStorage {
public:
    explicit TSuFileStorage(TComponent* owner) : TSuCustomFileStorage(owner) {}
    const char* ClassName() const noexcept override { return "TSuFileStorage"; }
    static void RegisterClass();
};

enum class TSuWavPlayFrom { pfFile, pfResource, pfDFM, pfSystemEvent };

class TSuWav : public TSuCustomFileStorage {
public:
    explicit TSuWav(TComponent* owner) : TSuCustomFileStorage(owner) {}
    ~TSuWav() override;
    const char* ClassName() const noexcept override { return "TSuWav"; }
    static void RegisterClass();

    bool AsyncPlay() const noexcept { return asyncPlay_; }
    void SetAsyncPlay(bool value);
    const std::string& EventAlias() const noexcept { return eventAlias_; }
    void SetEventAlias(const std::string& value) { eventAlias_ = value; }
    bool Looped() const noexcept { return looped_; }
    void SetLooped(bool value) { looped_ = value; }
    bool NoDefaultSound() const noexcept { return noDefaultSound_; }
    void SetNoDefaultSound(bool value) { noDefaultSound_ = value; }
    bool NoStopSound() const noexcept { return noStopSound_; }
    void SetNoStopSound(bool value) { noStopSound_ = value; }
    bool NoWaitIfBusy() const noexcept { return noWaitIfBusy_; }
    void SetNoWaitIfBusy(bool value) { noWaitIfBusy_ = value; }
    TSuWavPlayFrom PlayFrom() const noexcept { return playFrom_; }
    void SetPlayFrom(TSuWavPlayFrom value);
    const std::string& ResourceName() const noexcept { return resourceName_; }
    void SetResourceName(const std::string& value);
    void SetFileName(const std::string& value) override;
    bool Playing() const noexcept { return playing_; }

    // OnPlayBefore, the sound from the source PlayFrom names, OnPlayAfter. False when the
    // sound cannot be played.
    bool Play();
    void Stop();

    TNotifyEvent OnPlayBefore;
    TNotifyEvent OnPlayAfter;

private:
    bool asyncPlay_ = true;
    std::string eventAlias_ = ".Default";
    bool looped_ = false;
    bool noDefaultSound_ = true;
    bool noStopSound_ = false;
    bool noWaitIfBusy_ = true;
    TSuWavPlayFrom playFrom_ = TSuWavPlayFrom::pfFile;
    std::string resourceName_ = "WAVE1";
    bool playing_ = false;
};

class TSuStartButtonProperties : public TSuComponent {
public:
    explicit TSuStartButtonProperties(TComponent* owner) : TSuComponent(owner) {}
    const char* ClassName() const noexcept override { return "TSuStartButtonProperties"; }
    static void RegisterClass();

    int ButtonLeft() const noexcept { return left_; }
    void SetButtonLeft(int value) { left_ = value; }
    int ButtonTop() const noexcept { return top_; }
    void SetButtonTop(int value) { top_ = value; }
    int ButtonWidth() const noexcept { return width_; }
    void SetButtonWidth(int value) { width_ = value; }
    int ButtonHeight() const noexcept { return height_; }
    void SetButtonHeight(int value) { height_ = value; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value) { visible_ = value; }

private:
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
};

// Every Interval (100 ms) it sets the screen's cursor to CursorIndex again (0: none).
class TSuColorPicker : public TSuCustomTimer {
public:
    explicit TSuColorPicker(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSuColorPicker"; }
    static void RegisterClass();

    int CursorIndex() const noexcept { return cursorIndex_; }
    void SetCursorIndex(int value);

protected:
    void Timer() override;

private:
    void ApplyCursor();
    int cursorIndex_ = 0;
};

void SuRegisterStorageComponents();
