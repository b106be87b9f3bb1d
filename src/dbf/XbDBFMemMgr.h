#pragma once
// The engine's memory manager: every buffer of the table and index engines is taken from one
// global manager and given back to it. The manager keeps a table of all live blocks sorted by
// address, so a block is released by its address alone, and frees whatever is still held
// when the program ends.

#include "platform/rtl/Classes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One live block with its size, serial number and who asked for it. Destroying the entry
// frees the block.
class TXbDBFOneAlloc {
public:
    TXbDBFOneAlloc(const TObject* owner, std::string ownerName, size_t size, uint32_t serialLow, uint32_t serialHigh);
    TXbDBFOneAlloc(const TXbDBFOneAlloc&) = delete;
    TXbDBFOneAlloc& operator=(const TXbDBFOneAlloc&) = delete;

    void* Address() const noexcept { return block_.get(); }
    const TObject* Owner() const noexcept { return owner_; }
    const std::string& OwnerName() const noexcept { return ownerName_; }
    size_t Size() const noexcept { return size_; }
    uint32_t SerialLow() const noexcept { return serialLow_; }
    uint32_t SerialHigh() const noexcept { return serialHigh_; }

private:
    std::unique_ptr<std::byte[]> block_;
    const TObject* owner_;
    std::string ownerName_;
    size_t size_;
    uint32_t serialLow_;
    uint32_t serialHigh_;
};

class TXbDBFMemMgr : public TObject {
public:
    TXbDBFMemMgr() = default;
    TXbDBFMemMgr(const TXbDBFMemMgr&) = delete;
    TXbDBFMemMgr& operator=(const TXbDBFMemMgr&) = delete;

    const char* ClassName() const noexcept override { return "TXbDBFMemMgr"; }

    // Size bytes (zeroed) for `owner`, which may be none; 0 bytes raise
    // "TXbDBFOneAlloc: Can not allocate 0 bytes memory!".
    void* AllocBlock(const TObject* owner, size_t size);
    // The same with a caller's tag text in place of an owner.
    void* AllocBlockNamed(const std::string& tag, size_t size);
    // Releases the block; nullptr or an address not in the table is ignored.
    void FreeBlock(void* address);
    // Binary search: `index` is the first entry whose address is not below `address`.
    bool FindBlock(const void* address, size_t& index) const;

    size_t Count() const noexcept { return entries_.size(); }
    const TXbDBFOneAlloc& Entry(size_t index) const { return *entries_.at(index); }
    uint64_t NextSerial() const noexcept { return (static_cast<uint64_t>(serialHigh_) << 32) | serialLow_; }

private:
    void* Insert(const TObject* owner, std::string ownerName, size_t size);

    std::vector<std::unique_ptr<TXbDBFOneAlloc>> entries_;
    uint32_t serialLow_ = 10;
    uint32_t serialHigh_ = 0;
};

// The one manager of the program, created on first use and freed at program end.
TXbDBFMemMgr& XbDBFMemMgr();

// A block taken from the global manager for the lifetime of this object.
class TXbDBFBlock {
public:
    TXbDBFBlock() = default;
    TXbDBFBlock(const TObject* owner, size_t size) : data_(static_cast<uint8_t*>(XbDBFMemMgr().AllocBlock(owner, size))), size_(size) {}
    TXbDBFBlock(const std::string& tag, size_t size) : data_(static_cast<uint8_t*>(XbDBFMemMgr().AllocBlockNamed(tag, size))), size_(size) {}
    ~TXbDBFBlock() { Release(); }
    TXbDBFBlock(const TXbDBFBlock&) = delete;
    TXbDBFBlock& operator=(const TXbDBFBlock&) = delete;
    TXbDBFBlock(TXbDBFBlock&& other) noexcept : data_(other.data_), size_(other.size_)
    {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    TXbDBFBlock& operator=(TXbDBFBlock&& other) noexcept
    {
        if (this != &other) {
            Release();
            data_ = other.data_;
            size_ = other.size_;
            other.data_ = nullptr;
            other.size_ = 0;
        }
        return *this;
    }

    uint8_t* Data() const noexcept { return data_; }
    size_t Size() const noexcept { return size_; }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    void Release() noexcept
    {
        if (data_ != nullptr)
            XbDBFMemMgr().FreeBlock(data_);
        data_ = nullptr;
        size_ = 0;
    }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
