// The tree validator of an NTX index: every page reachable from the root is checked once, and
// the keys must keep the tree order within and across pages.

#include "dbf/index/XbNTXIndex.h"

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <optional>
#include <vector>

namespace {

struct TItem {
    std::string Key;
    uint32_t RecNo = 0;
};

class TTreeValidator {
public:
    TTreeValidator(TXbNTXIndex& index, uint64_t fileEnd, int64_t recordCount)
        : index_(index), visited_(static_cast<size_t>(fileEnd / kNTXPageSize) + 1), recordCount_(recordCount)
    {
    }

    // Checks the subtree of `page`: its keys must lie after `low` and before `high`.
    void Check(uint32_t page, const std::optional<TItem>& low, const std::optional<TItem>& high, int depth)
    {
        if (depth >= kNTXMaxDepth)
            Fail("the tree is deeper than " + std::to_string(kNTXMaxDepth) + " levels");
        const size_t number = page / kNTXPageSize;
        if (number < visited_.size() && visited_[number])
            Fail("page " + std::to_string(page) + " is reached twice");
        if (number < visited_.size())
            visited_[number] = true;
        std::vector<uint32_t> children;
        std::vector<TItem> items;
        index_.WithPage(page, [&](TXbNTXPage& view) {
            const int count = view.Count();
            for (int i = 0; i < count; ++i)
                items.push_back({std::string(view.Key(i), static_cast<size_t>(index_.Header().KeySize)), view.RecNo(i)});
            for (int i = 0; i <= count; ++i)
                children.push_back(view.Child(i));
        });
        for (size_t i = 0; i < items.size(); ++i) {
            const TItem& item = items[i];
            if (recordCount_ >= 0 && item.RecNo > recordCount_)
                Fail("page " + std::to_string(page) + ": record number " + std::to_string(item.RecNo) +
                     " beyond the table's " + std::to_string(recordCount_) + " records");
            const TItem* before = i > 0 ? &items[i - 1] : (low ? &*low : nullptr);
            if (before != nullptr && Compare(*before, item) >= 0)
                Fail("page " + std::to_string(page) + ": keys out of order at slot " + std::to_string(i) +
                     "; or the index was built with another collation");
            if (i + 1 == items.size() && high && Compare(item, *high) >= 0)
                Fail("page " + std::to_string(page) + ": keys out of order at slot " + std::to_string(i) +
                     "; or the index was built with another collation");
        }
        if (items.empty() && children[0] == 0 && depth > 0)
            Fail("page " + std::to_string(page) + " is empty");
        keys_ += static_cast<int64_t>(items.size());
        for (size_t i = 0; i < children.size(); ++i) {
            if (children[i] == 0)
                continue;
            std::optional<TItem> childLow = i > 0 ? std::optional<TItem>(items[i - 1]) : low;
            std::optional<TItem> childHigh = i < items.size() ? std::optional<TItem>(items[i]) : high;
            Check(children[i], childLow, childHigh, depth + 1);
        }
    }

    int64_t Keys() const noexcept { return keys_; }

private:
    int Compare(const TItem& a, const TItem& b)
    {
        const int c = index_.CompareKeys(a.Key.data(), b.Key.data(), index_.Header().KeySize);
        if (c != 0)
            return c;
        return a.RecNo < b.RecNo ? -1 : (a.RecNo > b.RecNo ? 1 : 0);
    }

    [[noreturn]] void Fail(const std::string& what) { throw Exception(what); }

    TXbNTXIndex& index_;
    std::vector<bool> visited_;
    int64_t recordCount_;
    int64_t keys_ = 0;
};

}  // namespace

std::string TXbNTXIndex::ValidateTree(int64_t* keyCount)
{
    if (!IsOpen())
        return "the index is not open";
    if (!LockIndex())
        return "the index lock was refused";
    std::string fault;
    try {
        TXbSmartDBF* table = Table();
        TTreeValidator validator(*this, fileEnd_, table != nullptr ? table->CountRecords() : -1);
        validator.Check(header_.Root, std::nullopt, std::nullopt, 0);
        if (keyCount != nullptr)
            *keyCount = validator.Keys();
    } catch (const Exception& error) {
        fault = error.Message();
    }
    UnlockIndex();
    return fault;
}
