#include "widgets/KitLists.h"

#include "platform/rtl/Files.h"
#include "widgets/KitProcs.h"
#include "widgets/KitStreamUtils.h"

#include <memory>

// ---- pixel formats ----

int KitSavePixelFormatCode(TKitSavePixelFormat format)
{
    switch (format) {
    case TKitSavePixelFormat::spf1bit:
        return kitFormatMonochrome;
    case TKitSavePixelFormat::spf4bit:
        return kitFormat16Colors;
    case TKitSavePixelFormat::spf8bit:
        return kitFormat256Colors;
    case TKitSavePixelFormat::spf16bit:
        return kitFormat16Bit;
    case TKitSavePixelFormat::spfDefault:
        break;
    }
    return kitFormatLibrary;
}

uint8_t KitPixelFormatFlag(TKitSavePixelFormat format)
{
    const int code = static_cast<int>(format);
    return code == 0 ? 0 : static_cast<uint8_t>(0x08 << code);
}

TKitSavePixelFormat KitPixelFormatOfFlags(uint8_t flags)
{
    for (int code = 1; code <= 4; ++code) {
        if ((flags & (0x08 << code)) != 0) {
            return static_cast<TKitSavePixelFormat>(code);
        }
    }
    return TKitSavePixelFormat::spfDefault;
}

// ---- TKitBitmapListItem ----

TKitBitmapListItem::TKitBitmapListItem(TComponent* owner) : TKitListItem(owner)
{
    bitmap_.OnChange = [this](TObject*) { Change(); };
}

TKitBitmapListItem::~TKitBitmapListItem()
{
    bitmap_.OnChange = nullptr;
}

void TKitBitmapListItem::Assign(const TPersistent& source)
{
    TKitListItem::Assign(source);
    if (const auto* item = dynamic_cast<const TKitBitmapListItem*>(&source)) {
        pixelFormat_ = item->pixelFormat_;
        bitmap_.Assign(item->bitmap_);
    }
}

uint8_t TKitBitmapListItem::GetFlags() const
{
    return TKitListItem::GetFlags() | KitPixelFormatFlag(pixelFormat_);
}

void TKitBitmapListItem::LoadData(TStream& stream, uint8_t flags)
{
    pixelFormat_ = KitPixelFormatOfFlags(flags);
    KitLoadBitmap(stream, bitmap_, (flags & kitItemCompressed) != 0);
}

void TKitBitmapListItem::SaveData(TStream& stream) const
{
    KitSaveBitmap(stream, bitmap_, Compressed(), KitSavePixelFormatCode(pixelFormat_));
}

TBitmap& TKitBitmapListItem::Bitmap()
{
    if (bitmap_.Empty() && !lazyLoading_ && !IsLoading() && !IsDesigning() && Container() != nullptr) {
        // Taking the picture from its storage is no change of the list: nobody is told.
        const bool wasSuspended = NotifySuspended();
        lazyLoading_ = true;
        SuspendNotify();
        auto resume = [&] {
            lazyLoading_ = false;
            if (!wasSuspended) {
                ResumeNotify(false);
            }
        };
        try {
            LoadByStorageMode();
        } catch (...) {
            resume();
            throw;
        }
        resume();
    }
    return bitmap_;
}

void TKitBitmapListItem::LoadByStorageMode()
{
    const TKitCustomContainer& container = *Container();
    const std::string& fileName = container.FileName();
    const TKitPathPrefix prefix = container.PathPrefix();
    switch (container.StorageMode()) {
    case 1:
        KitReadListFileItem(MapStoredPath(KitGetPrefixPath(prefix, true), fileName), TKitListKind::lkBitmap, *this, Ident());
        break;
    case 4: {
        // Stored names may use either separator.
        const size_t folderEnd = fileName.find_last_of("\\/");
        const std::string name = folderEnd == std::string::npos ? fileName : fileName.substr(folderEnd + 1);
        const size_t dot = name.rfind('.');
        const std::string base = (dot == std::string::npos ? name : name.substr(0, dot)).substr(0, 3);
        const std::string picture = base + std::to_string(Ident()) + ".bmp";
        const std::string path =
            prefix == TKitPathPrefix::ppFixed
                ? MapStoredPath({}, (folderEnd == std::string::npos ? std::string() : fileName.substr(0, folderEnd + 1)) + picture)
                : MapStoredPath(KitGetPrefixPath(prefix, true), picture);
        TFileStream file(path, fmOpenRead | fmShareDenyWrite);
        bitmap_.LoadFromStream(file);
        break;
    }
    default:
        // 0: the stored bitmap. 2 and 3: bitmap resources of the program or of a resource
        // library, which this system does not have.
        break;
    }
}

// ---- TKitWaveListItem ----

TKitWaveListItem::TKitWaveListItem(TComponent* owner) : TKitListItem(owner)
{
    wave_.OnChange = [this](TObject*) { Change(); };
}

TKitWaveListItem::~TKitWaveListItem()
{
    wave_.OnChange = nullptr;
}

void TKitWaveListItem::Assign(const TPersistent& source)
{
    TKitListItem::Assign(source);
    if (const auto* item = dynamic_cast<const TKitWaveListItem*>(&source)) {
        wave_.Assign(item->wave_);
    }
}

void TKitWaveListItem::LoadData(TStream& stream, uint8_t flags)
{
    KitLoadWave(stream, wave_, (flags & kitItemCompressed) != 0);
}

void TKitWaveListItem::SaveData(TStream& stream) const
{
    KitSaveWave(stream, wave_, Compressed());
}

// ---- TKitStringListItem ----

TKitStringListItem::TKitStringListItem(TComponent* owner) : TKitListItem(owner)
{
    items_.OnChange = [this](TObject*) { Change(); };
}

TKitStringListItem::~TKitStringListItem()
{
    items_.OnChange = nullptr;
}

void TKitStringListItem::Assign(const TPersistent& source)
{
    TKitListItem::Assign(source);
    if (const auto* item = dynamic_cast<const TKitStringListItem*>(&source)) {
        items_.Assign(item->items_);
    }
}

void TKitStringListItem::LoadData(TStream& stream, uint8_t flags)
{
    KitLoadStringList(stream, items_, (flags & kitItemCompressed) != 0);
}

void TKitStringListItem::SaveData(TStream& stream) const
{
    KitSaveStringList(stream, items_, Compressed());
}

// ---- lists ----

bool TKitBitmapList::AcceptsItem(const TKitListItem& item) const
{
    return dynamic_cast<const TKitBitmapListItem*>(&item) != nullptr;
}

void TKitBitmapList::PrepareItem(TKitListItem& item) const
{
    TKitCustomImageList::PrepareItem(item);
    static_cast<TKitBitmapListItem&>(item).SetPixelFormat(defaultPixelFormat_);
}

void TKitBitmapList::AssignSettings(const TKitCustomContainer& source)
{
    TKitCustomImageList::AssignSettings(source);
    if (const auto* list = dynamic_cast<const TKitBitmapList*>(&source)) {
        defaultPixelFormat_ = list->defaultPixelFormat_;
    }
}

TBitmap* TKitBitmapList::BitmapAt(int listIndex) const
{
    if (listIndex < 0 || listIndex >= Count()) {
        return nullptr;
    }
    return &Items(listIndex)->Bitmap();
}

bool TKitBitmapList::ImageExists(int listIndex, int) const
{
    const TBitmap* bitmap = BitmapAt(listIndex);
    return bitmap != nullptr && !bitmap->Empty();
}

QImage TKitBitmapList::ImageCopy(int listIndex, int) const
{
    const TBitmap* bitmap = BitmapAt(listIndex);
    return bitmap == nullptr ? QImage() : bitmap->Image();
}

bool TKitWaveList::AcceptsItem(const TKitListItem& item) const
{
    return dynamic_cast<const TKitWaveListItem*>(&item) != nullptr;
}

bool TKitStringList::AcceptsItem(const TKitListItem& item) const
{
    return dynamic_cast<const TKitStringListItem*>(&item) != nullptr;
}

// ---- TKitContainer ----

TKitContainer::TKitContainer(TComponent* owner)
    : TKitBaseController(owner),
      bitmapList_(new TKitBitmapList(this)),
      stringList_(new TKitStringList(this)),
      waveList_(new TKitWaveList(this))
{
    for (TKitCustomContainer* list : {static_cast<TKitCustomContainer*>(bitmapList_), static_cast<TKitCustomContainer*>(stringList_),
                                      static_cast<TKitCustomContainer*>(waveList_)}) {
        list->OnChange = [this](TObject* sender) { ListChanged(sender); };
    }
}

void TKitContainer::ListChanged(TObject* sender)
{
    if (IsDesigning() && this != &KitGlobalContainer()) {
        TKitContainer& global = KitGlobalContainer();
        // An item's change names the item; its list is the one to copy.
        auto* list = dynamic_cast<TKitCustomContainer*>(sender);
        if (auto* item = dynamic_cast<TKitListItem*>(sender)) {
            list = item->Container();
        }
        if (list == bitmapList_) {
            global.BitmapList().Assign(*list);
        } else if (list == stringList_) {
            global.StringList().Assign(*list);
        } else if (list == waveList_) {
            global.WaveList().Assign(*list);
        }
    }
    Change(0);
}

TKitContainer& KitGlobalContainer()
{
    static const std::unique_ptr<TKitContainer> global = std::make_unique<TKitContainer>(nullptr);
    return *global;
}

std::optional<std::string> KitWriteListReference(const TKitCustomContainer* list)
{
    if (list != nullptr && list == &KitGlobalContainer().BitmapList()) {
        return std::string(KitListSignature(TKitListKind::lkBitmap));
    }
    return std::nullopt;
}

TKitCustomImageList* KitReadListReference(const std::string& tag)
{
    if (tag == KitListSignature(TKitListKind::lkBitmap)) {
        return &KitGlobalContainer().BitmapList();
    }
    return nullptr;
}
