#include "dbf/XbDBFMemMgr.h"

#include "platform/rtl/Exceptions.h"

#include <functional>

TXbDBFOneAlloc::TXbDBFOneAlloc(const TObject* owner, std::string ownerName, size_t size, uint32_t serialLow,
                               uint32_t serialHigh)
    : block_(std::make_unique<std::byte[]>(size)), owner_(owner), ownerName_(std::move(ownerName)), size_(size),
      serialLow_(serialLow), serialHigh_(serialHigh)
{
}

bool TXbDBFMemMgr::FindBlock(const void* address, size_t& index) const
{
    // Addresses of unrelated blocks are compared through std::less, which orders all pointers.
    std::less<const void*> below;
    size_t low = 0;
    size_t high = entries_.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (below(entries_[middle]->Address(), address))
            low = middle + 1;
        else
            high = middle;
    }
    index = low;
    return low < entries_.size() && entries_[low]->Address() == address;
}

void* TXbDBFMemMgr::Insert(const TObject* owner, std::string ownerName, size_t size)
{
    if (size == 0)
        throw Exception("TXbDBFOneAlloc: Can not allocate 0 bytes memory!");
    auto entry = std::make_unique<TXbDBFOneAlloc>(owner, std::move(ownerName), size, serialLow_, serialHigh_);
    if (++serialLow_ == 0)
        ++serialHigh_;
    void* address = entry->Address();
    size_t index = 0;
    FindBlock(address, index);
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
    return address;
}

void* TXbDBFMemMgr::AllocBlock(const TObject* owner, size_t size)
{
    return Insert(owner, owner != nullptr ? std::string(owner->ClassName()) : std::string(), size);
}

void* TXbDBFMemMgr::AllocBlockNamed(const std::string& tag, size_t size)
{
    return Insert(nullptr, tag, size);
}

void TXbDBFMemMgr::FreeBlock(void* address)
{
    if (address == nullptr)
        return;
    size_t index = 0;
    if (FindBlock(address, index))
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

TXbDBFMemMgr& XbDBFMemMgr()
{
    static TXbDBFMemMgr manager;
    return manager;
}
