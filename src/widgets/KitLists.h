#pragma once
// The kit's concrete lists: bitmaps, waves and string lists, and the global container that
// holds one list of each kind for controls to reference by a fixed tag.
//
// A bitmap item whose bitmap is empty takes its picture, when first asked for it, from where
// its container's storage mode says: 0 the stored bitmap; 1 item number Ident of the bitmap
// list file at the prefix folder + FileName; 2 a bitmap resource of the program and 3 one of
// a resource library (this system has neither: nothing is loaded); 4 the bitmap file named
// folder + the first three characters of FileName's base name + Ident + ".bmp", the folder
// being the prefix folder or, for ppFixed, FileName's own folder. Stored Windows-style names
// are matched to the files of this system (MapStoredPath); the Windows and system folder
// prefixes name the program folder.

#include "platform/gui/Bitmap.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitWave.h"

#include <cstdint>
#include <optional>
#include <string>

// The depth a bitmap item is stored with: the class library's streaming, 1, 4, 8 or 16 bits.
enum class TKitSavePixelFormat { spfDefault, spf1bit, spf4bit, spf8bit, spf16bit };

// The bitmap format code of a pixel format (-1, 2, 16, 256, 65536).
int KitSavePixelFormatCode(TKitSavePixelFormat format);
// The flag bits of an item record for a pixel format (0, 0x10, 0x20, 0x40, 0x80) and back.
uint8_t KitPixelFormatFlag(TKitSavePixelFormat format);
TKitSavePixelFormat KitPixelFormatOfFlags(uint8_t flags);

class TKitBitmapListItem : public TKitListItem {
public:
    explicit TKitBitmapListItem(TComponent* owner);
    ~TKitBitmapListItem() override;
    const char* ClassName() const noexcept override { return "TKitBitmapListItem"; }
    void Assign(const TPersistent& source) override;

    // The bitmap, loaded first by the container's storage mode when it is empty (not while the
    // item is loading or designed).
    TBitmap& Bitmap();
    void SetBitmap(const TBitmap& value) { bitmap_.Assign(value); }
    // The bitmap as it is stored, without loading.
    TBitmap& StoredBitmap() noexcept { return bitmap_; }
    const TBitmap& StoredBitmap() const noexcept { return bitmap_; }
    TKitSavePixelFormat PixelFormat() const noexcept { return pixelFormat_; }
    void SetPixelFormat(TKitSavePixelFormat value) { pixelFormat_ = value; }

    void Clear() override { bitmap_.SetImage(QImage()); }
    bool IsEmpty() const override { return bitmap_.Empty(); }
    uint8_t GetFlags() const override;

protected:
    void LoadData(TStream& stream, uint8_t flags) override;
    void SaveData(TStream& stream) const override;

private:
    void LoadByStorageMode();

    TBitmap bitmap_;
    TKitSavePixelFormat pixelFormat_ = TKitSavePixelFormat::spfDefault;
    bool lazyLoading_ = false;
};

class TKitWaveListItem : public TKitListItem {
public:
    explicit TKitWaveListItem(TComponent* owner);
    ~TKitWaveListItem() override;
    const char* ClassName() const noexcept override { return "TKitWaveListItem"; }
    void Assign(const TPersistent& source) override;

    TKitWave& Wave() noexcept { return wave_; }
    const TKitWave& Wave() const noexcept { return wave_; }
    void SetWave(const TKitWave& value) { wave_.Assign(value); }

    void Clear() override { wave_.Clear(); }
    bool IsEmpty() const override { return wave_.Empty(); }

protected:
    void LoadData(TStream& stream, uint8_t flags) override;
    void SaveData(TStream& stream) const override;

private:
    TKitWave wave_;
};

class TKitStringListItem : public TKitListItem {
public:
    explicit TKitStringListItem(TComponent* owner);
    ~TKitStringListItem() override;
    const char* ClassName() const noexcept override { return "TKitStringListItem"; }
    void Assign(const TPersistent& source) override;

    TStringList& Items() noexcept { return items_; }
    const TStringList& Items() const noexcept { return items_; }

    void Clear() override { items_.Clear(); }
    bool IsEmpty() const override { return items_.Count() == 0; }

protected:
    void LoadData(TStream& stream, uint8_t flags) override;
    void SaveData(TStream& stream) const override;

private:
    TStringList items_;
};

class TKitBitmapList : public TKitCustomImageList {
public:
    explicit TKitBitmapList(TComponent* owner) : TKitCustomImageList(owner, TKitListKind::lkBitmap) {}
    const char* ClassName() const noexcept override { return "TKitBitmapList"; }

    TKitSavePixelFormat DefaultPixelFormat() const noexcept { return defaultPixelFormat_; }
    void SetDefaultPixelFormat(TKitSavePixelFormat value) { defaultPixelFormat_ = value; }
    TKitBitmapListItem* Items(int index) const { return static_cast<TKitBitmapListItem*>(Item(index)); }

    // Item `listIndex` exists and its bitmap is not empty (the picture index is not used).
    bool ImageExists(int listIndex, int imageIndex) const override;
    QImage ImageCopy(int listIndex, int imageIndex) const override;

protected:
    TKitListItem* CreateItem() override { return new TKitBitmapListItem(this); }
    bool AcceptsItem(const TKitListItem& item) const override;
    void PrepareItem(TKitListItem& item) const override;
    void AssignSettings(const TKitCustomContainer& source) override;

private:
    // The item's bitmap (loaded by the storage mode), or null for a missing item.
    TBitmap* BitmapAt(int listIndex) const;

    TKitSavePixelFormat defaultPixelFormat_ = TKitSavePixelFormat::spfDefault;
};

class TKitWaveList : public TKitCustomContainer {
public:
    explicit TKitWaveList(TComponent* owner) : TKitCustomContainer(owner, TKitListKind::lkWave) {}
    const char* ClassName() const noexcept override { return "TKitWaveList"; }
    TKitWaveListItem* Items(int index) const { return static_cast<TKitWaveListItem*>(Item(index)); }

protected:
    TKitListItem* CreateItem() override { return new TKitWaveListItem(this); }
    bool AcceptsItem(const TKitListItem& item) const override;
};

class TKitStringList : public TKitCustomContainer {
public:
    explicit TKitStringList(TComponent* owner) : TKitCustomContainer(owner, TKitListKind::lkString) {}
    const char* ClassName() const noexcept override { return "TKitStringList"; }
    TKitStringListItem* Items(int index) const { return static_cast<TKitStringListItem*>(Item(index)); }

protected:
    TKitListItem* CreateItem() override { return new TKitStringListItem(this); }
    bool AcceptsItem(const TKitListItem& item) const override;
};

// One list of each kind. While a container other than the global one is designed, a change of
// one of its lists is copied into the same list of the global container; every change is then
// passed on to the container's own change (OnChange and links).
class TKitContainer : public TKitBaseController {
public:
    explicit TKitContainer(TComponent* owner);
    const char* ClassName() const noexcept override { return "TKitContainer"; }

    TKitBitmapList& BitmapList() const noexcept { return *bitmapList_; }
    TKitStringList& StringList() const noexcept { return *stringList_; }
    TKitWaveList& WaveList() const noexcept { return *waveList_; }

private:
    void ListChanged(TObject* sender);

    TKitBitmapList* bitmapList_;
    TKitStringList* stringList_;
    TKitWaveList* waveList_;
};

// The global container (made on first use, empty unless a program fills it).
TKitContainer& KitGlobalContainer();

// Reference tags of the global container's lists, stored as the binary property "Internal":
// its bitmap list is "KITBML30"; any other list has no tag.
std::optional<std::string> KitWriteListReference(const TKitCustomContainer* list);
// The global list a tag names; null for anything else.
TKitCustomImageList* KitReadListReference(const std::string& tag);
