#pragma once
// The kit's shared lists: a container (TKitCustomContainer) holds list items (TKitListItem)
// in order; controls register a TKitChangeLink with it to hear of changes.
//
// Item record (SaveToStream of an item, little-endian): a flag byte (bit 0 compressed, bit 1 a
// description follows, bit 2 an ident follows, bit 3 the item has data, bits 4-7 the pixel
// format of bitmap and image items: 0x10, 0x20, 0x40, 0x80 for the codes 1 to 4); the
// description as a short string; the ident as Int32; the item's data.
//
// Container stream: Int32 count; with offsets, a table of count Int32 absolute stream
// positions of the records (filled in after they are written); then the records. A list file
// is the container stream with offsets behind a 9-byte signature (a length byte 8 and the
// eight characters of its kind). Counts and offsets read from a list file are checked against
// the file's size; a file that does not fit or is of another kind raises EFOpenError
// "Cannot open file <name>".

#include "platform/rtl/Streams.h"
#include "widgets/KitBase.h"
#include "widgets/KitProcs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TKitCustomContainer;

// List kinds: the index of a list file's signature and of its default file extension.
enum class TKitListKind { lkImage, lkBitmap, lkWave, lkString, lkGlyph, lkRichText };

inline constexpr uint8_t kitItemCompressed = 0x01;
inline constexpr uint8_t kitItemDescription = 0x02;
inline constexpr uint8_t kitItemIdent = 0x04;
inline constexpr uint8_t kitItemData = 0x08;

// "KITIML30", "KITBML30", "KITWVL30", "KITSLL30", "KITGLL50", "KITRTL50".
const char* KitListSignature(TKitListKind kind);
// "iml", "bmp", "wav", "txt", "*", "rtf", with a leading "." when asked.
std::string KitListFileExt(TKitListKind kind, bool withDot);
// The kind whose default extension this is (with or without the dot, letter case ignored).
std::optional<TKitListKind> KitListKindOfExt(const std::string& extension);

class TKitListItem : public TKitCustomComponent {
public:
    explicit TKitListItem(TComponent* owner) : TKitCustomComponent(owner) {}
    ~TKitListItem() override;
    const char* ClassName() const noexcept override { return "TKitListItem"; }
    // Copies Description, Ident and the compressed flag; descendants copy their data.
    void Assign(const TPersistent& source) override;

    const std::string& Description() const noexcept { return description_; }
    void SetDescription(const std::string& value) { description_ = value; }
    uint16_t Ident() const noexcept { return ident_; }
    void SetIdent(uint16_t value) { ident_ = value; }
    bool Compressed() const noexcept { return compressed_; }
    void SetCompressed(bool value) { compressed_ = value; }

    // The container whose list holds the item, or null.
    TKitCustomContainer* Container() const noexcept { return container_; }

    // Empties the item's data.
    virtual void Clear() {}
    virtual bool IsEmpty() const { return true; }
    // The item record: replaces the item's settings and data with those read.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream) const;
    virtual uint8_t GetFlags() const;

    // Unless notification is suspended: the item's own OnChange, then (unless the container's
    // notification is suspended or it is loading) the container's OnChange with the item as
    // sender.
    void Change(int index) override;
    using TKitCustomComponent::Change;

    // Read from a form description inside a container's block: the item joins that container.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;

    // The item record as the binary property "Internal" of form descriptions.
    std::string WriteInternal() const;
    void ReadInternal(const std::string& bytes);

protected:
    // The data part of the record, present when the flag byte has kitItemData.
    virtual void LoadData(TStream& stream, uint8_t flags);
    virtual void SaveData(TStream& stream) const;

private:
    friend class TKitCustomContainer;
    std::string description_;
    uint16_t ident_ = 0;
    bool compressed_ = false;
    TKitCustomContainer* container_ = nullptr;
};

class TKitCustomContainer : public TKitBaseController {
public:
    TKitCustomContainer(TComponent* owner, TKitListKind kind) : TKitBaseController(owner), kind_(kind) {}
    ~TKitCustomContainer() override;
    const char* ClassName() const noexcept override { return "TKitCustomContainer"; }
    // From a container of the same kind: clears, copies DefaultCompressed and one item per
    // source item, with one change at the end.
    void Assign(const TPersistent& source) override;

    TKitListKind ListKind() const noexcept { return kind_; }
    bool DefaultCompressed() const noexcept { return defaultCompressed_; }
    void SetDefaultCompressed(bool value) { defaultCompressed_ = value; }
    TKitPathPrefix PathPrefix() const noexcept { return pathPrefix_; }
    void SetPathPrefix(TKitPathPrefix value) { pathPrefix_ = value; }
    // Where a bitmap item with an empty bitmap takes its picture from (TKitBitmapListItem).
    uint8_t StorageMode() const noexcept { return storageMode_; }
    void SetStorageMode(uint8_t value) { storageMode_ = value <= 4 ? value : 4; }
    const std::string& FileName() const noexcept { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }

    virtual int Count() const { return static_cast<int>(items_.size()); }
    virtual bool IsEmpty() const { return items_.empty(); }
    // The item at `index`; raises EListError "List index out of bounds (<index>)".
    virtual TKitListItem* Item(int index) const;
    int IndexOf(const TKitListItem* item) const;

    // Appends the item (a new item of the list's item class, owned by the container, when none
    // is given; an item of another list leaves that list first) and runs the change. Raises
    // EComponentError for an item of a class the list does not hold.
    int Add(TKitListItem* item = nullptr);
    // Frees every item and runs the change.
    void Clear();

    // Replaces the items with those of the stream (the container stream above). A damaged
    // stream raises and leaves the items as they were.
    virtual void LoadFromStream(TStream& stream, bool withOffsets);
    virtual void SaveToStream(TStream& stream, bool withOffsets) const;
    // The list file of the list's kind. Saving writes beside the file and renames it over the
    // old one. Loading a file of another kind, or one whose count or offsets do not fit,
    // raises EFOpenError "Cannot open file <name>".
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // The same on an open stream positioned at the signature; `fileName` names the file in
    // errors.
    void LoadFromListStream(TStream& stream, const std::string& fileName);

    // Makes a new item of the list's item class owned by the container, not yet in the list.
    TKitListItem* NewItem();

protected:
    virtual TKitListItem* CreateItem();
    virtual bool AcceptsItem(const TKitListItem& item) const;
    // Settings a new item takes from the list (the compressed flag; descendants add more).
    virtual void PrepareItem(TKitListItem& item) const;
    // Copies the list settings Assign copies (DefaultCompressed; descendants add more).
    virtual void AssignSettings(const TKitCustomContainer& source);

private:
    friend class TKitListItem;
    // Frees the items and puts the new ones (owned by the container) in their place.
    void ReplaceItems(std::vector<std::unique_ptr<TKitListItem>>& items);
    void Detach(TKitListItem* item);

    TKitListKind kind_;
    bool defaultCompressed_ = false;
    TKitPathPrefix pathPrefix_ = TKitPathPrefix::ppProgram;
    uint8_t storageMode_ = 0;
    std::string fileName_;
    std::vector<TKitListItem*> items_;
};

// The header of a list file: checks the signature against `expectedKind`, reads the count and
// the offset table and checks them against the stream's size. Raises EFOpenError
// "Cannot open file <fileName>" when they do not fit.
std::vector<int64_t> KitReadListFileHeader(TStream& stream, const std::string& fileName, TKitListKind expectedKind);

// Reads item `index` of the list file into `item` (the file stays open to other readers).
// A file of another kind or one that does not fit raises EFOpenError "Cannot open file <name>";
// an index outside the file's list raises EListError "List index out of bounds (<index>)".
void KitReadListFileItem(const std::string& fileName, TKitListKind expectedKind, TKitListItem& item, int index);
// The same on an open stream positioned at the signature.
void KitReadListStreamItem(TStream& stream, const std::string& fileName, TKitListKind expectedKind, TKitListItem& item,
                           int index);
