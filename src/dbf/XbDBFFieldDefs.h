#pragma once
// The engine's own field definitions: each holds the image of its field descriptor in both
// descriptor layouts (32 and 48 bytes), the engine's length and decimals, its place in the
// record and in the file, and the definitions of a nested table.

#include "dbf/XbDBFFormat.h"
#include "dbf/XbDBFPrx.h"
#include "platform/classes/Components.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFieldDef;
class TXbDBFFieldDefs;

// An 80-byte area holding a 32-byte descriptor image followed by a 48-byte one, with the table
// version that selects which image the getters read.
class FIELD_REC {
public:
    static constexpr size_t kShortSize = 32;
    static constexpr size_t kLongSize = 48;

    explicit FIELD_REC(xBaseVersion version = xBaseVersion::xBaseIII) { SetVersion(version); }

    xBaseVersion Version() const noexcept { return version_; }
    void SetVersion(xBaseVersion version) noexcept;
    size_t DescriptorSize() const noexcept { return descriptorSize_; }

    std::string NameArea() const;        // up to the first zero byte
    void SetNameArea(const std::string& name);  // both layouts, cut to 10 and 31 characters
    char Type() const noexcept;
    void SetType(char type) noexcept;
    uint8_t ExtendType() const noexcept;
    void SetExtendType(uint8_t extendType) noexcept;
    uint8_t LengthByte() const noexcept;
    uint8_t DecimalsByte() const noexcept;
    void SetLengthBytes(uint8_t length, uint8_t decimals) noexcept;
    uint16_t LengthWord() const noexcept { return static_cast<uint16_t>(LengthByte() | (DecimalsByte() << 8)); }
    uint8_t FlagByte() const noexcept;
    void SetFlagByte(uint8_t flags) noexcept;
    uint32_t NextAutoIncrement() const noexcept;
    void SetNextAutoIncrement(uint32_t value) noexcept;
    uint8_t AutoIncrementStep() const noexcept;
    void SetAutoIncrementStep(uint8_t step) noexcept;
    uint32_t Reserved() const noexcept;

    // The image of the current version.
    const uint8_t* Image() const noexcept;
    void SetImage(const uint8_t* bytes) noexcept;  // DescriptorSize() bytes
    void Clear() noexcept { bytes_.fill(0); }

private:
    uint8_t* ShortImage() noexcept { return bytes_.data(); }
    uint8_t* LongImage() noexcept { return bytes_.data() + kShortSize; }
    const uint8_t* ShortImage() const noexcept { return bytes_.data(); }
    const uint8_t* LongImage() const noexcept { return bytes_.data() + kShortSize; }
    bool Long() const noexcept { return descriptorSize_ == kLongSize; }

    std::array<uint8_t, kShortSize + kLongSize> bytes_{};
    xBaseVersion version_ = xBaseVersion::xBaseIII;
    size_t descriptorSize_ = kShortSize;
};

class TXbDBFFieldDef : public TPersistent {
public:
    explicit TXbDBFFieldDef(TXbDBFFieldDefs* collection);
    ~TXbDBFFieldDef() override;
    TXbDBFFieldDef(const TXbDBFFieldDef&) = delete;
    TXbDBFFieldDef& operator=(const TXbDBFFieldDef&) = delete;

    const char* ClassName() const noexcept override { return "TXbDBFFieldDef"; }
    // Copies name, type, extend type, length, decimals, offsets and the nested definitions;
    // not the flags and not the tag.
    void Assign(const TPersistent& source) override;
    // Equal names (letter case counts) and the same nested definitions.
    bool SameAs(const TXbDBFFieldDef& other) const;

    std::string Name() const { return rec_.NameArea(); }
    void SetName(const std::string& name) { rec_.SetNameArea(name); }
    char field_type() const noexcept { return rec_.Type(); }
    void Setfield_type(char type) noexcept { rec_.SetType(type); }
    TXbDBFType extend_type() const noexcept { return static_cast<TXbDBFType>(rec_.ExtendType()); }
    void Setextend_type(TXbDBFType type) noexcept { rec_.SetExtendType(static_cast<uint8_t>(type)); }
    uint16_t len() const noexcept { return len_; }
    void Setlen(uint16_t value) noexcept { len_ = value; }
    uint16_t dec() const noexcept { return dec_; }
    void Setdec(uint16_t value) noexcept { dec_ = value; }
    TFieldFlag& FieldFlag() noexcept { return *fieldFlag_; }
    const TFieldFlag& FieldFlag() const noexcept { return *fieldFlag_; }
    int Offset() const noexcept { return offset_; }
    int OffsetHD() const noexcept { return offsetHD_; }
    int Tag = 0;
    TXbDBFFieldDefs& DBFFieldDefs() noexcept { return *nested_; }
    const TXbDBFFieldDefs& DBFFieldDefs() const noexcept { return *nested_; }
    void SetDBFFieldDefs(const TXbDBFFieldDefs& defs);

    FIELD_REC& FieldRec() noexcept { return rec_; }
    const FIELD_REC& FieldRec() const noexcept { return rec_; }
    void SetVersion(xBaseVersion version);

    // Null-flag bit under Visual FoxPro (-1 when the field has none).
    int NullBit = -1;
    int NullByte = 0;
    uint8_t NullMask = 0;
    // The framework definition this one was built with (not owned).
    TFieldDef* FieldDef = nullptr;

    // Set while a table is opened.
    void SetOffsets(int offset, int offsetHD) noexcept
    {
        offset_ = offset;
        offsetHD_ = offsetHD;
    }

    TXbDBFFieldDefs* Collection() const noexcept { return collection_; }

private:
    TXbDBFFieldDefs* collection_;
    FIELD_REC rec_;
    uint16_t len_ = 0;
    uint16_t dec_ = 0;
    std::unique_ptr<TFieldFlag> fieldFlag_;
    int offset_ = 0;
    int offsetHD_ = 0;
    std::unique_ptr<TXbDBFFieldDefs> nested_;
};

class TXbDBFFieldDefs : public TPersistent {
public:
    // `parent` is the definition of the nested-table field that owns this collection, if any.
    explicit TXbDBFFieldDefs(TXbDBFFieldDef* parent = nullptr, xBaseVersion version = xBaseVersion::xBaseIII);
    ~TXbDBFFieldDefs() override;
    TXbDBFFieldDefs(const TXbDBFFieldDefs&) = delete;
    TXbDBFFieldDefs& operator=(const TXbDBFFieldDefs&) = delete;

    const char* ClassName() const noexcept override { return "TXbDBFFieldDefs"; }
    void Assign(const TPersistent& source) override;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TXbDBFFieldDef& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
    TXbDBFFieldDef& Add();
    // A new definition with name, type, length and decimals, for building tables.
    TXbDBFFieldDef& Add(const std::string& name, char type, uint16_t length = 0, uint16_t decimals = 0);
    void Delete(int index);
    void Clear();

    // First definition, depth-first through nested definitions, whose name equals `name`
    // ignoring case; nullptr when there is none.
    TXbDBFFieldDef* FindByName(const std::string& name) const;
    bool SameAs(const TXbDBFFieldDefs& other) const;

    xBaseVersion Version() const noexcept { return version_; }
    void SetVersion(xBaseVersion version);
    TXbDBFFieldDef* Parent() const noexcept { return parent_; }

    bool HasAutoIncrement = false;
    int NullFlagsOffset = -1;
    int NullFlagsLength = 0;

private:
    TXbDBFFieldDef* parent_;
    xBaseVersion version_;
    std::vector<std::unique_ptr<TXbDBFFieldDef>> items_;
};
