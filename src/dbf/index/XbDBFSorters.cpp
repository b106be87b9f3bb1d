// The sorter base (item store, comparison, hash buckets, the walk by sort array) and the quick
// sorter, with the table of sorter classes.

#include "dbf/index/XbDBFSorters.h"

#include "platform/rtl/Exceptions.h"

#include <cstring>
#include <utility>

void XbMakeSortItem(uint8_t* item, uint32_t recNo, const uint8_t* key, int keySize) noexcept
{
    std::memset(item, 0, 4);
    for (int i = 0; i < 4; ++i)
        item[4 + i] = static_cast<uint8_t>(recNo >> (8 * i));
    std::memcpy(item + 8, key, static_cast<size_t>(keySize));
}

TXbSorterAbstract::TXbSorterAbstract(const TXbSorterSettings& settings)
    : settings_(settings), keySize_(settings.KeySize), capacity_(settings.Capacity), unique_(settings.Unique),
      orderedBuckets_(settings.OrderedBuckets)
{
    if (keySize_ < 1 || keySize_ > kXbSorterMaxKeySize)
        throw Exception("TXbSorterAbstract.Create: Key size " + std::to_string(keySize_) +
                        " is outside 1 to " + std::to_string(kXbSorterMaxKeySize) + "!");
    singleBucket_ = !settings.BucketsHoldKeyRanges;
    ownHash_ = !settings.HashMethod;
    if (ownHash_) {
        hashBits_ = 8;
        bucketCount_ = 256;
    } else {
        hashBits_ = settings.HashBits;
        maxBitsInHashCode_ = settings.MaxBitsInHashCode;
        if (maxBitsInHashCode_ < hashBits_)
            throw Exception("TXbSorterAbstract.Create: MaxBitsInHashCode must be greater then number of bits used "
                            "for HashTableSize!");
        if (maxBitsInHashCode_ > 32 || hashBits_ > 24)
            throw Exception("TXbSorterAbstract.Create: MaxBitsInHashCode may not exceed 32 and HashTableSize may "
                            "not exceed 24 bits!");
        bucketCount_ = uint32_t{1} << hashBits_;
        hashShift_ = static_cast<uint32_t>(maxBitsInHashCode_ - hashBits_);
        hashMask_ = maxBitsInHashCode_ == 32 ? 0xFFFFFFFFu : (uint32_t{1} << maxBitsInHashCode_) - 1;
        negativeLimit_ = maxBitsInHashCode_ == 0 ? 0 : (uint32_t{1} << (maxBitsInHashCode_ - 1)) - 1;
    }
    if (singleBucket_)
        bucketCount_ = 1;
}

TXbSorterAbstract::~TXbSorterAbstract() = default;

void TXbSorterAbstract::AllocateStorage()
{
    if (capacity_ == 0)
        return;
    items_ = TXbDBFBlock(this, static_cast<size_t>(capacity_) * ItemSize());
    sortArray_ = TXbDBFBlock(this, static_cast<size_t>(capacity_) * sizeof(uint32_t));
}

void TXbSorterAbstract::FreeStorage() noexcept
{
    items_.Release();
    sortArray_.Release();
}

void TXbSorterAbstract::CheckRoom(const char* where, uint32_t used) const
{
    if (used >= capacity_)
        throw Exception(std::string(where) + ": Sorter is full (capacity " + std::to_string(capacity_) + ")!");
}

uint32_t TXbSorterAbstract::GetSortArray(int32_t i)
{
    return SortArrayData()[i];
}

void TXbSorterAbstract::SetSortArray(int32_t i, uint32_t number)
{
    SortArrayData()[i] = number;
}

void TXbSorterAbstract::GetSortItem(int32_t i, uint8_t* destination)
{
    std::memcpy(destination, ItemAt(static_cast<uint32_t>(i)), static_cast<size_t>(ItemSize()));
}

void TXbSorterAbstract::SetSortItem(int32_t i, const uint8_t* source)
{
    std::memcpy(ItemAt(static_cast<uint32_t>(i)), source, static_cast<size_t>(ItemSize()));
}

uint8_t* TXbSorterAbstract::GetPSortItem(int32_t i)
{
    return ItemAt(static_cast<uint32_t>(i));
}

bool TXbSorterAbstract::AddNewItem(const uint8_t* item)
{
    CheckRoom("TXbSorterAbstract.AddNewItem", static_cast<uint32_t>(count_));
    std::memcpy(ItemAt(static_cast<uint32_t>(count_)), item, static_cast<size_t>(ItemSize()));
    SortArrayData()[count_] = static_cast<uint32_t>(count_);
    ++count_;
    return true;
}

uint32_t TXbSorterAbstract::Hash(const uint8_t* item)
{
    if (singleBucket_)
        return 0;
    if (ownHash_)
        return OwnHash(item);
    // 64 bits: the magnitude of the most negative code does not fit 32.
    const int64_t code = settings_.HashMethod(item);
    if (code < 0 && -code > static_cast<int64_t>(negativeLimit_))
        throw Exception("TXbSorterAbstract.Hash: Hash value (" + std::to_string(-code) + ") must be less than " +
                        std::to_string(negativeLimit_));
    if (code >= 0 && static_cast<uint64_t>(code) > hashMask_)
        throw Exception("TXbSorterAbstract.Hash: Hash value (" + std::to_string(code) + ") must be less than " +
                        std::to_string(hashMask_));
    return (static_cast<uint32_t>(code) & hashMask_) >> hashShift_;
}

const uint8_t* TXbSorterAbstract::CurrentSortItem()
{
    return ItemAt(SortArrayData()[position_]);
}

bool TXbSorterAbstract::AddItem(const uint8_t* item)
{
    return AddNewItem(item);
}

void TXbSorterAbstract::Clear()
{
    count_ = 0;
    position_ = 0;
}

bool TXbSorterAbstract::FirstSortItem()
{
    position_ = 0;
    return count_ <= 0;
}

bool TXbSorterAbstract::NextSortItem()
{
    if (position_ < count_)
        ++position_;
    // The items lie in the order they were added: ask for one a few steps ahead, so that the
    // walk does not wait for each item in turn.
    constexpr int32_t kAhead = 16;
    if (position_ + kAhead < count_)
        __builtin_prefetch(ItemAt(SortArrayData()[position_ + kAhead]));
    return position_ >= count_;
}

int TXbSorterAbstract::CompareKeys(const uint8_t* key1, const uint8_t* key2) const
{
    if (settings_.KeyCompareMethod)
        return settings_.KeyCompareMethod(key1, key2, keySize_);
    return std::memcmp(key1, key2, keySize_);
}

int TXbSorterAbstract::CompareParts(const uint8_t* key1, uint32_t recNo1, const uint8_t* key2, uint32_t recNo2,
                                    int& keyResult) const
{
    keyResult = CompareKeys(key1, key2);
    if (keyResult != 0)
        return keyResult;
    if (recNo1 == recNo2)
        return 0;
    if (settings_.RecordCompareMethod)
        return settings_.RecordCompareMethod(recNo1, recNo2);
    return recNo1 < recNo2 ? -1 : 1;
}

int TXbSorterAbstract::CompareChars(uint8_t char1, uint8_t char2) const
{
    if (settings_.CharCompareMethod) {
        const int result = settings_.CharCompareMethod(char1, char2);
        if (result != 0)
            return result;
    }
    return static_cast<int>(char1) - static_cast<int>(char2);
}

// ---- quick sorter

TXbQuickSorter::TXbQuickSorter(const TXbSorterSettings& settings) : TXbInnerSorter(settings)
{
    if (settings.Unique)
        throw Exception("TXbQuickSorter.Create: TXbQuickSorter not support Unique feature!");
    AllocateStorage();
}

void TXbQuickSorter::Sort()
{
    if (count_ > 1)
        QuickSort(0, count_ - 1);
}

void TXbQuickSorter::QuickSort(int32_t lo, int32_t hi)
{
    uint32_t* order = SortArrayData();
    int keyResult = 0;
    // Recurse into the smaller part and loop on the larger, so the stack stays logarithmic.
    while (lo < hi) {
        const uint8_t* pivot = ItemAt(order[lo + (hi - lo) / 2]);
        int32_t i = lo;
        int32_t j = hi;
        while (i <= j) {
            while (CompareItems(ItemAt(order[i]), pivot, keyResult) < 0)
                ++i;
            while (CompareItems(ItemAt(order[j]), pivot, keyResult) > 0)
                --j;
            if (i <= j) {
                std::swap(order[i], order[j]);
                ++i;
                --j;
            }
        }
        if (j - lo < hi - i) {
            if (lo < j)
                QuickSort(lo, j);
            lo = i;
        } else {
            if (i < hi)
                QuickSort(i, hi);
            hi = j;
        }
    }
}

// ---- the classes

namespace {
template <class T>
std::unique_ptr<TXbSorterAbstract> Make(const TXbSorterSettings& settings)
{
    return std::make_unique<T>(settings);
}
}  // namespace

const TXbSorterClass XbQuickSorterClass{"TXbQuickSorter", &Make<TXbQuickSorter>, false};
const TXbSorterClass XbBinaryTreeSorterClass{"TXbBinaryTreeSorter", &Make<TXbBinaryTreeSorter>, false};
const TXbSorterClass XbRedBlackTreeSorterClass{"TXbRedBlackTreeSorter", &Make<TXbRedBlackTreeSorter>, false};
const TXbSorterClass XbAVLTreeSorterClass{"TXbAVLTreeSorter", &Make<TXbAVLTreeSorter>, false};
const TXbSorterClass XbTrieTreeSorterClass{"TXbTrieTreeSorter", &Make<TXbTrieTreeSorter>, false};
const TXbSorterClass XbMergeSorterClass{"TXbMergeSorter", &Make<TXbMergeSorter>, true};
const TXbSorterClass XbMerge4PathSorterClass{"TXb4PathMergeSorter", &Make<TXb4PathMergeSorter>, true};
const TXbSorterClass XbMerge8PathSorterClass{"TXb8PathMergeSorter", &Make<TXb8PathMergeSorter>, true};
