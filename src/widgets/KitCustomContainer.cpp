#include "widgets/KitCustomContainer.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/OsErrors.h"
#include "widgets/KitStreamUtils.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr std::array<const char*, 6> signatures = {"KITIML30", "KITBML30", "KITWVL30", "KITSLL30", "KITGLL50", "KITRTL50"};
constexpr std::array<const char*, 6> extensions = {"iml", "bmp", "wav", "txt", "*", "rtf"};
constexpr int64_t signatureSize = 9;

[[noreturn]] void CannotOpen(const std::string& fileName)
{
    throw EFOpenError("Cannot open file " + fileName);
}

[[noreturn]] void IndexOutOfBounds(int index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

const char* KitListSignature(TKitListKind kind)
{
    return signatures.at(static_cast<size_t>(kind));
}

std::string KitListFileExt(TKitListKind kind, bool withDot)
{
    const std::string extension = extensions.at(static_cast<size_t>(kind));
    return withDot ? "." + extension : extension;
}

std::optional<TKitListKind> KitListKindOfExt(const std::string& extension)
{
    const std::string bare = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    for (size_t kind = 0; kind < extensions.size(); ++kind) {
        if (SameText(bare, extensions[kind])) {
            return static_cast<TKitListKind>(kind);
        }
    }
    return std::nullopt;
}

// ---- TKitListItem ----

TKitListItem::~TKitListItem()
{
    if (container_ != nullptr) {
        container_->Detach(this);
    }
}

void TKitListItem::Assign(const TPersistent& source)
{
    const auto* item = dynamic_cast<const TKitListItem*>(&source);
    if (item == nullptr) {
        TKitCustomComponent::Assign(source);
        return;
    }
    description_ = item->description_;
    ident_ = item->ident_;
    compressed_ = item->compressed_;
}

uint8_t TKitListItem::GetFlags() const
{
    uint8_t flags = 0;
    if (compressed_) {
        flags |= kitItemCompressed;
    }
    if (!description_.empty()) {
        flags |= kitItemDescription;
    }
    if (ident_ != 0) {
        flags |= kitItemIdent;
    }
    if (!IsEmpty()) {
        flags |= kitItemData;
    }
    return flags;
}

void TKitListItem::SaveToStream(TStream& stream) const
{
    const uint8_t flags = GetFlags();
    KitWriteByte(stream, flags);
    if ((flags & kitItemDescription) != 0) {
        KitWriteShortString(stream, description_);
    }
    if ((flags & kitItemIdent) != 0) {
        KitWriteInt(stream, ident_);
    }
    if ((flags & kitItemData) != 0) {
        SaveData(stream);
    }
}

void TKitListItem::LoadFromStream(TStream& stream)
{
    KitWithNotifySuspended(*this, [&] {
        Clear();
        const uint8_t flags = KitReadByte(stream);
        compressed_ = (flags & kitItemCompressed) != 0;
        description_ = (flags & kitItemDescription) != 0 ? KitReadShortString(stream) : std::string();
        ident_ = (flags & kitItemIdent) != 0 ? static_cast<uint16_t>(KitReadInt(stream)) : 0;
        if ((flags & kitItemData) != 0) {
            LoadData(stream, flags);
        }
    });
}

void TKitListItem::LoadData(TStream&, uint8_t)
{
}

void TKitListItem::SaveData(TStream&) const
{
}

void TKitListItem::Change(int index)
{
    if (NotifySuspended()) {
        return;
    }
    TKitCustomComponent::Change(index);
    if (container_ != nullptr && !container_->NotifySuspended() && !container_->IsLoading() && container_->OnChange) {
        container_->OnChange(this);
    }
}

void TKitListItem::SetParentComponent(TComponent* parent)
{
    auto* container = dynamic_cast<TKitCustomContainer*>(parent);
    if (container != nullptr && container != container_) {
        container->Add(this);
    }
}

TComponent* TKitListItem::GetParentComponent() const
{
    return container_;
}

std::string TKitListItem::WriteInternal() const
{
    TStringStream bytes;
    SaveToStream(bytes);
    return bytes.DataString();
}

void TKitListItem::ReadInternal(const std::string& bytes)
{
    TStringStream stream(bytes);
    LoadFromStream(stream);
}

// ---- TKitCustomContainer ----

TKitCustomContainer::~TKitCustomContainer()
{
    SuspendNotify();
    while (!items_.empty()) {
        delete items_.back();
    }
}

void TKitCustomContainer::Assign(const TPersistent& source)
{
    const auto* container = dynamic_cast<const TKitCustomContainer*>(&source);
    if (container == nullptr || container->kind_ != kind_) {
        TKitBaseController::Assign(source);
        return;
    }
    if (container == this) {
        return;
    }
    KitWithNotifySuspended(*this, [&] {
        Clear();
        AssignSettings(*container);
        for (const TKitListItem* item : container->items_) {
            TKitListItem* copy = NewItem();
            items_.push_back(copy);
            copy->container_ = this;
            copy->Assign(*item);
        }
    });
}

void TKitCustomContainer::AssignSettings(const TKitCustomContainer& source)
{
    defaultCompressed_ = source.defaultCompressed_;
}

TKitListItem* TKitCustomContainer::Item(int index) const
{
    if (index < 0 || index >= static_cast<int>(items_.size())) {
        IndexOutOfBounds(index);
    }
    return items_[static_cast<size_t>(index)];
}

int TKitCustomContainer::IndexOf(const TKitListItem* item) const
{
    const auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

TKitListItem* TKitCustomContainer::NewItem()
{
    TKitListItem* item = CreateItem();
    PrepareItem(*item);
    return item;
}

TKitListItem* TKitCustomContainer::CreateItem()
{
    return new TKitListItem(this);
}

bool TKitCustomContainer::AcceptsItem(const TKitListItem&) const
{
    return true;
}

void TKitCustomContainer::PrepareItem(TKitListItem& item) const
{
    item.SetCompressed(defaultCompressed_);
}

int TKitCustomContainer::Add(TKitListItem* item)
{
    if (item == nullptr) {
        item = NewItem();
    } else {
        if (!AcceptsItem(*item)) {
            throw EComponentError(std::string("A ") + ClassName() + " cannot hold a " + item->ClassName());
        }
        if (item->container_ == this) {
            return IndexOf(item);
        }
        // The list holds its items: they belong to the container (a name taken there raises
        // before anything changes).
        InsertComponent(item);
        if (item->container_ != nullptr) {
            item->container_->Detach(item);
        }
    }
    items_.push_back(item);
    item->container_ = this;
    Change(0);
    return static_cast<int>(items_.size()) - 1;
}

void TKitCustomContainer::Clear()
{
    while (!items_.empty()) {
        delete items_.back();
    }
    Change(0);
}

void TKitCustomContainer::Detach(TKitListItem* item)
{
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->container_ = nullptr;
}

void TKitCustomContainer::ReplaceItems(std::vector<std::unique_ptr<TKitListItem>>& items)
{
    while (!items_.empty()) {
        delete items_.back();
    }
    for (std::unique_ptr<TKitListItem>& item : items) {
        items_.push_back(item.get());
        item.release()->container_ = this;
    }
}

void TKitCustomContainer::LoadFromStream(TStream& stream, bool withOffsets)
{
    KitWithNotifySuspended(*this, [&] {
        const int32_t count = KitReadInt(stream);
        // Every record takes at least its flag byte (and its offset).
        const int64_t perItem = withOffsets ? 5 : 1;
        if (count < 0 || count > (stream.Size() - stream.Position()) / perItem) {
            throw EReadError("Stream read error");
        }
        if (withOffsets && count > 0) {
            stream.Seek(int64_t{4} * count, TSeekOrigin::soFromCurrent);
        }
        // Read into new items first, so that a damaged stream leaves the list as it was.
        std::vector<std::unique_ptr<TKitListItem>> read;
        for (int32_t i = 0; i < count; ++i) {
            read.emplace_back(NewItem());
            read.back()->LoadFromStream(stream);
        }
        ReplaceItems(read);
    });
}

void TKitCustomContainer::SaveToStream(TStream& stream, bool withOffsets) const
{
    const auto count = static_cast<int32_t>(items_.size());
    KitWriteInt(stream, count);
    const int64_t tableAt = stream.Position();
    std::vector<int64_t> offsets;
    if (withOffsets && count > 0) {
        for (int32_t i = 0; i < count; ++i) {
            KitWriteInt(stream, 0);
        }
    }
    for (const TKitListItem* item : items_) {
        offsets.push_back(stream.Position());
        item->SaveToStream(stream);
    }
    if (withOffsets && count > 0) {
        const int64_t end = stream.Position();
        stream.SetPosition(tableAt);
        for (const int64_t offset : offsets) {
            KitWriteInt(stream, static_cast<int32_t>(offset));
        }
        stream.SetPosition(end);
    }
}

void TKitCustomContainer::LoadFromListStream(TStream& stream, const std::string& fileName)
{
    const std::vector<int64_t> offsets = KitReadListFileHeader(stream, fileName, kind_);
    KitWithNotifySuspended(*this, [&] {
        std::vector<std::unique_ptr<TKitListItem>> read;
        for (const int64_t offset : offsets) {
            stream.SetPosition(offset);
            read.emplace_back(NewItem());
            read.back()->LoadFromStream(stream);
        }
        ReplaceItems(read);
    });
}

void TKitCustomContainer::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromListStream(file, fileName);
}

void TKitCustomContainer::SaveToFile(const std::string& fileName) const
{
    TMemoryStream file;
    KitWriteShortString(file, KitListSignature(kind_));
    SaveToStream(file, true);
    if (!WriteFileAtomically(fileName, std::string(file.Memory(), static_cast<size_t>(file.Size())))) {
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(errno));
    }
}

// ---- list files ----

std::vector<int64_t> KitReadListFileHeader(TStream& stream, const std::string& fileName, TKitListKind expectedKind)
{
    const int64_t size = stream.Size();
    const int64_t start = stream.Position();
    if (size - start < signatureSize + 4) {
        CannotOpen(fileName);
    }
    char signature[signatureSize];
    stream.ReadBuffer(signature, signatureSize);
    std::optional<size_t> kind;
    for (size_t i = 0; i < signatures.size(); ++i) {
        if (signature[0] == 8 && std::memcmp(signature + 1, signatures[i], 8) == 0) {
            kind = i;
        }
    }
    if (kind != static_cast<size_t>(expectedKind)) {
        CannotOpen(fileName);
    }
    const int32_t count = KitReadInt(stream);
    const int64_t tableEnd = stream.Position() + int64_t{4} * std::max(count, 0);
    // Each record takes at least its flag byte behind the table.
    if (count < 0 || tableEnd + count > size) {
        CannotOpen(fileName);
    }
    std::vector<int64_t> offsets(static_cast<size_t>(count));
    for (int64_t& offset : offsets) {
        offset = KitReadInt(stream);
        if (offset < tableEnd || offset >= size) {
            CannotOpen(fileName);
        }
    }
    return offsets;
}

void KitReadListStreamItem(TStream& stream, const std::string& fileName, TKitListKind expectedKind, TKitListItem& item,
                           int index)
{
    const std::vector<int64_t> offsets = KitReadListFileHeader(stream, fileName, expectedKind);
    if (index < 0 || index >= static_cast<int>(offsets.size())) {
        IndexOutOfBounds(index);
    }
    stream.SetPosition(offsets[static_cast<size_t>(index)]);
    item.LoadFromStream(stream);
}

void KitReadListFileItem(const std::string& fileName, TKitListKind expectedKind, TKitListItem& item, int index)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    KitReadListStreamItem(file, fileName, expectedKind, item, index);
}
