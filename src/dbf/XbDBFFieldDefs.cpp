#include "dbf/XbDBFFieldDefs.h"

#include "platform/rtl/CodePages.h"

#include <algorithm>
#include <cstring>

// ---- FIELD_REC
// 32-byte layout: name 0..10, type 11, extend type 12, length 16, decimals 17, flags 18,
// next autoincrement 19..22, step 23, reserved 24..27.
// 48-byte layout: name 0..31, type 32, length 33, decimals 34, extend type 35, flags 37,
// reserved 38..41, next autoincrement 42..45.

void FIELD_REC::SetVersion(xBaseVersion version) noexcept
{
    version_ = version;
    descriptorSize_ = ::DescriptorSize(version);
}

std::string FIELD_REC::NameArea() const
{
    const uint8_t* image = Image();
    const size_t area = Long() ? 32 : 11;
    size_t length = 0;
    while (length < area && image[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(image), length);
}

void FIELD_REC::SetNameArea(const std::string& name)
{
    std::memset(ShortImage(), 0, 11);
    std::memcpy(ShortImage(), name.data(), std::min<size_t>(name.size(), 10));
    std::memset(LongImage(), 0, 32);
    std::memcpy(LongImage(), name.data(), std::min<size_t>(name.size(), 31));
}

char FIELD_REC::Type() const noexcept
{
    return static_cast<char>(Long() ? LongImage()[32] : ShortImage()[11]);
}

void FIELD_REC::SetType(char type) noexcept
{
    ShortImage()[11] = static_cast<uint8_t>(type);
    LongImage()[32] = static_cast<uint8_t>(type);
}

uint8_t FIELD_REC::ExtendType() const noexcept
{
    return Long() ? LongImage()[35] : ShortImage()[12];
}

void FIELD_REC::SetExtendType(uint8_t extendType) noexcept
{
    ShortImage()[12] = extendType;
    LongImage()[35] = extendType;
}

uint8_t FIELD_REC::LengthByte() const noexcept
{
    return Long() ? LongImage()[33] : ShortImage()[16];
}

uint8_t FIELD_REC::DecimalsByte() const noexcept
{
    return Long() ? LongImage()[34] : ShortImage()[17];
}

void FIELD_REC::SetLengthBytes(uint8_t length, uint8_t decimals) noexcept
{
    ShortImage()[16] = length;
    ShortImage()[17] = decimals;
    LongImage()[33] = length;
    LongImage()[34] = decimals;
}

uint8_t FIELD_REC::FlagByte() const noexcept
{
    return Long() ? LongImage()[37] : ShortImage()[18];
}

void FIELD_REC::SetFlagByte(uint8_t flags) noexcept
{
    ShortImage()[18] = flags;
    LongImage()[37] = flags;
}

uint32_t FIELD_REC::NextAutoIncrement() const noexcept
{
    return Long() ? ReadLE32(LongImage() + 42) : ReadLE32(ShortImage() + 19);
}

void FIELD_REC::SetNextAutoIncrement(uint32_t value) noexcept
{
    WriteLE32(ShortImage() + 19, value);
    WriteLE32(LongImage() + 42, value);
}

uint8_t FIELD_REC::AutoIncrementStep() const noexcept
{
    return Long() ? 1 : ShortImage()[23];
}

void FIELD_REC::SetAutoIncrementStep(uint8_t step) noexcept
{
    ShortImage()[23] = step;
}

uint32_t FIELD_REC::Reserved() const noexcept
{
    return Long() ? ReadLE32(LongImage() + 38) : ReadLE32(ShortImage() + 24);
}

const uint8_t* FIELD_REC::Image() const noexcept
{
    return Long() ? LongImage() : ShortImage();
}

void FIELD_REC::SetImage(const uint8_t* bytes) noexcept
{
    std::memcpy(Long() ? LongImage() : ShortImage(), bytes, descriptorSize_);
}

// ---- TXbDBFFieldDef

TXbDBFFieldDef::TXbDBFFieldDef(TXbDBFFieldDefs* collection)
    : collection_(collection),
      rec_(collection != nullptr ? collection->Version() : xBaseVersion::xBaseIII),
      fieldFlag_(std::make_unique<TFieldFlag>()),
      nested_(std::make_unique<TXbDBFFieldDefs>(this, rec_.Version()))
{
}

TXbDBFFieldDef::~TXbDBFFieldDef() = default;

void TXbDBFFieldDef::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbDBFFieldDef*>(&source)) {
        SetName(other->Name());
        Setfield_type(other->field_type());
        Setextend_type(other->extend_type());
        len_ = other->len_;
        dec_ = other->dec_;
        offset_ = other->offset_;
        offsetHD_ = other->offsetHD_;
        nested_->Assign(*other->nested_);
        return;
    }
    TPersistent::Assign(source);
}

bool TXbDBFFieldDef::SameAs(const TXbDBFFieldDef& other) const
{
    return Name() == other.Name() && nested_->SameAs(*other.nested_);
}

void TXbDBFFieldDef::SetDBFFieldDefs(const TXbDBFFieldDefs& defs)
{
    nested_->Assign(defs);
}

void TXbDBFFieldDef::SetVersion(xBaseVersion version)
{
    rec_.SetVersion(version);
    nested_->SetVersion(version);
}

// ---- TXbDBFFieldDefs

TXbDBFFieldDefs::TXbDBFFieldDefs(TXbDBFFieldDef* parent, xBaseVersion version) : parent_(parent), version_(version) {}

TXbDBFFieldDefs::~TXbDBFFieldDefs() = default;

void TXbDBFFieldDefs::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbDBFFieldDefs*>(&source)) {
        if (other == this)
            return;
        Clear();
        for (const auto& item : other->items_)
            Add().Assign(*item);
        return;
    }
    TPersistent::Assign(source);
}

TXbDBFFieldDef& TXbDBFFieldDefs::Add()
{
    items_.push_back(std::make_unique<TXbDBFFieldDef>(this));
    return *items_.back();
}

TXbDBFFieldDef& TXbDBFFieldDefs::Add(const std::string& name, char type, uint16_t length, uint16_t decimals)
{
    TXbDBFFieldDef& def = Add();
    def.SetName(name);
    def.Setfield_type(type);
    def.Setextend_type(TXbDBFType::dbftUndefined);
    def.Setlen(length);
    def.Setdec(decimals);
    return def;
}

void TXbDBFFieldDefs::Delete(int index)
{
    if (index >= 0 && index < Count())
        items_.erase(items_.begin() + index);
}

void TXbDBFFieldDefs::Clear()
{
    items_.clear();
}

TXbDBFFieldDef* TXbDBFFieldDefs::FindByName(const std::string& name) const
{
    for (const auto& item : items_) {
        if (AnsiSameText(item->Name(), name))
            return item.get();
        if (TXbDBFFieldDef* nested = item->DBFFieldDefs().FindByName(name))
            return nested;
    }
    return nullptr;
}

bool TXbDBFFieldDefs::SameAs(const TXbDBFFieldDefs& other) const
{
    if (Count() != other.Count())
        return false;
    for (size_t i = 0; i < items_.size(); ++i)
        if (!items_[i]->SameAs(*other.items_[i]))
            return false;
    return true;
}

void TXbDBFFieldDefs::SetVersion(xBaseVersion version)
{
    version_ = version;
    for (auto& item : items_)
        item->SetVersion(version);
}
