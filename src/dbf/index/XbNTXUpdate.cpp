// Changing the B-tree of an NTX index one key at a time: page allocation and the free list,
// insertion with page and root splits, deletion with borrowing and merging (every page but the
// root stays at least half full) or without rebalancing (pages that become empty are unlinked
// and freed), emptying and rebuilding, and the update bracket with its damage mark.
//
// Pages are changed in the cache only; they reach the file when the update ends (or a block is
// evicted). Before the first change of an update the file's version becomes kNTXChangingVersion,
// and only the end of the update, after every page is written, puts a real version back: a
// writer stopped in between leaves a file that reports itself damaged when it is next used.

#include "dbf/index/XbNTXIndex.h"

#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFDataSet.h"
#include "dbf/index/XbNTXBag.h"
#include "dbf/index/XbNTXCreate.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

int CompareNumbers(uint32_t a, uint32_t b) noexcept { return a < b ? -1 : (a > b ? 1 : 0); }

}  // namespace

// One item on its way into or out of the tree (key in stored form).
struct TXbNTXItem {
    std::string Key;
    uint32_t RecNo = 0;
    uint32_t Child = 0;
};

class TXbNTXUpdater {
public:
    explicit TXbNTXUpdater(TXbNTXIndex& index) : index_(index), geometry_(index.geometry_) {}

    // A page pinned for change. Its whole slot table is checked first: changes use the unused
    // slots too, and a slot pointing outside the item area would let a write leave the page.
    class TPage {
    public:
        TPage(TXbNTXUpdater& updater, uint32_t offset, int depth)
            : updater_(updater), offset_(offset), ref_(updater.index_.cache_, Pin(updater, offset, depth)), view_(ref_.Data(), updater.geometry_)
        {
            TXbNTXNode& node = ref_.Node();
            if (!node.Checked) {
                const std::string fault = CheckNTXPage(node.Data(), updater.geometry_, updater.index_.fileEnd_);
                if (!fault.empty())
                    updater.index_.RaiseDamaged("page " + std::to_string(offset) + ": " + fault);
                node.Checked = true;
            }
            if (!node.SlotsChecked) {
                if (!updater.SlotTableSound(view_))
                    updater.index_.RaiseDamaged("page " + std::to_string(offset) + ": slot table broken");
                node.SlotsChecked = true;
            }
        }
        TPage(const TPage&) = delete;
        TPage& operator=(const TPage&) = delete;

        TXbNTXPage& View() noexcept { return view_; }
        TXbNTXPage* operator->() noexcept { return &view_; }
        uint32_t Offset() const noexcept { return offset_; }
        TXbNTXBuffer& Block() const noexcept { return *ref_.Node().Block; }
        void Dirty() noexcept
        {
            ref_.Node().Dirty = true;
            updater_.index_.changed_ = true;
        }

    private:
        static uint32_t Pin(TXbNTXUpdater& updater, uint32_t offset, int depth)
        {
            if (!NTXPageOffsetValid(offset, updater.index_.fileEnd_))
                updater.index_.RaiseDamaged("page " + std::to_string(offset) + " outside the file");
            if (depth >= kNTXMaxDepth)
                updater.index_.RaiseDamaged("the tree is deeper than " + std::to_string(kNTXMaxDepth) +
                                            " levels; a page refers back to another");
            // A limited cache keeps room for the path and the pages a split or merge adds.
            const int wanted = depth + 6;
            if (updater.index_.cache_.MinimumBlocks < wanted)
                updater.index_.cache_.MinimumBlocks = wanted;
            return offset;
        }

        TXbNTXUpdater& updater_;
        uint32_t offset_;
        TXbNTXPageRef ref_;
        TXbNTXPage view_;
    };

    // ---- items inside a page

    int Compare(const char* keyA, uint32_t recNoA, const char* keyB, uint32_t recNoB)
    {
        const int c = index_.CompareKeys(keyA, keyB, geometry_.KeySize);
        return c != 0 ? c : CompareNumbers(recNoA, recNoB);
    }

    int Compare(TXbNTXPage& view, int slot, const TXbNTXItem& item)
    {
        return Compare(view.Key(slot), view.RecNo(slot), item.Key.data(), item.RecNo);
    }

    // The first slot whose item does not sort before `item` (count when none).
    int LowerBound(TXbNTXPage& view, const TXbNTXItem& item)
    {
        int lo = 0;
        int hi = view.Count();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (Compare(view, mid, item) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    // Where an item goes: 0 when it sorts at or before slot 0, else the first slot whose item
    // sorts after it.
    int InsertPosition(TXbNTXPage& view, const TXbNTXItem& item)
    {
        const int count = view.Count();
        if (count == 0 || Compare(view, 0, item) >= 0)
            return 0;
        int lo = 1;
        int hi = count;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (Compare(view, mid, item) > 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }

    void WriteItem(TXbNTXPage& view, int slot, const TXbNTXItem& item)
    {
        view.SetChild(slot, item.Child);
        CopyKey(view, slot, item);
    }

    void CopyKey(TXbNTXPage& view, int slot, const TXbNTXItem& item)
    {
        view.SetRecNo(slot, item.RecNo);
        std::memcpy(view.KeyData(slot), item.Key.data(), static_cast<size_t>(geometry_.KeySize));
    }

    TXbNTXItem ItemAt(TXbNTXPage& view, int slot)
    {
        return {std::string(view.Key(slot), static_cast<size_t>(geometry_.KeySize)), view.RecNo(slot), view.Child(slot)};
    }

    // Slots from `position` on move one place right; the item goes into the first unused slot's
    // item. A right half from a split below becomes the child of the slot after it.
    void InsertAt(TXbNTXPage& view, int position, const TXbNTXItem& item, uint32_t rightHalf)
    {
        const int count = view.Count();
        const int free = view.Slot(count + 1);
        for (int j = count + 1; j > position; --j)
            view.SetSlot(j, view.Slot(j - 1));
        view.SetSlot(position, free);
        WriteItem(view, position, item);
        view.SetCount(count + 1);
        if (rightHalf != 0)
            view.SetChild(position + 1, rightHalf);
    }

    // Later slots move one place left; the slot's item becomes unused.
    void RemoveAt(TXbNTXPage& view, int position)
    {
        const int count = view.Count();
        const int freed = view.Slot(position);
        for (int j = position; j < count; ++j)
            view.SetSlot(j, view.Slot(j + 1));
        view.SetSlot(count, freed);
        view.SetCount(count - 1);
    }

    void Append(TXbNTXPage& view, const TXbNTXItem& item) { InsertAt(view, view.Count(), item, 0); }

    // Drops the items from `count` on; the item then in slot `count` keeps only its child. Its
    // record number and key bytes are cleared: readers that take that item for one more entry
    // of an inner page skip it by its record number 0.
    void Truncate(TXbNTXPage& view, int count)
    {
        view.SetCount(count);
        view.SetRecNo(count, 0);
        std::memset(view.KeyData(count), 0, static_cast<size_t>(geometry_.KeySize));
    }

    bool SlotTableSound(TXbNTXPage& view)
    {
        std::bitset<kNTXPageSize> used;
        const int area = geometry_.ItemAreaOffset();
        for (int i = 0; i <= geometry_.Capacity; ++i) {
            const int slot = view.Slot(i);
            if (slot < area || (slot - area) % geometry_.ItemSize != 0 || slot + geometry_.ItemSize > kNTXPageSize ||
                used[static_cast<size_t>(slot)])
                return false;
            used[static_cast<size_t>(slot)] = true;
        }
        return true;
    }

    // ---- pages

    uint32_t NewPage()
    {
        TXbNTXHeader& header = index_.header_;
        uint32_t offset = header.FreePage;
        bool read = true;
        if (offset != 0) {
            if (!NTXPageOffsetValid(offset, index_.fileEnd_))
                index_.RaiseDamaged("free page " + std::to_string(offset) + " outside the file");
        } else {
            if (index_.fileEnd_ + kNTXPageSize > UINT32_MAX)
                throw Exception("TXbNTXIndex.NewPage: Index file " + NTXQuoted(index_.bag_->IndexFileName()) +
                                " is full!");
            offset = static_cast<uint32_t>(index_.fileEnd_);
            read = false;
        }
        TXbNTXPageRef ref(index_.cache_, offset, read);
        TXbNTXPage view(ref.Data(), geometry_);
        if (read) {
            const uint32_t next = view.Child(0);
            if (view.Slot(0) < geometry_.ItemAreaOffset() || view.Slot(0) + 4 > kNTXPageSize ||
                (next != 0 && !NTXPageOffsetValid(next, index_.fileEnd_)))
                index_.RaiseDamaged("free page " + std::to_string(offset) + " does not continue the free list");
            header.FreePage = next;
        } else {
            index_.fileEnd_ += kNTXPageSize;
        }
        view.Initialize();
        ref.Node().Dirty = true;
        ref.Node().Checked = true;
        index_.changed_ = true;
        return offset;
    }

    void FreePage(uint32_t offset)
    {
        TPage page(*this, offset, 0);
        page->Initialize();
        page->SetChild(0, index_.header_.FreePage);
        page.Dirty();
        index_.header_.FreePage = offset;
    }

    // ---- insertion

    void Insert(const TXbNTXItem& item)
    {
        pending_ = item;
        pending_.Child = 0;
        rightHalf_ = 0;
        done_ = false;
        InsertInto(index_.header_.Root, 0);
        if (done_)
            return;
        // The root split: a new root holds the separator between the two halves.
        const uint32_t oldRoot = index_.header_.Root;
        const uint32_t root = NewPage();
        TPage page(*this, root, 0);
        pending_.Child = oldRoot;
        InsertAt(page.View(), 0, pending_, rightHalf_);
        page.Dirty();
        page.Block().UseCount = savedUseCount_;
        index_.header_.Root = root;
        rightHalf_ = 0;
        done_ = true;
    }

    void InsertInto(uint32_t offset, int depth)
    {
        TPage page(*this, offset, depth);
        const int position = InsertPosition(page.View(), pending_);
        const uint32_t child = page->Child(position);
        if (child != 0) {
            InsertInto(child, depth + 1);
            if (done_)
                return;
        } else {
            index_.leafDepth_ = depth;
        }
        if (page->Count() < geometry_.Capacity) {
            InsertAt(page.View(), position, pending_, rightHalf_);
            page.Dirty();
            rightHalf_ = 0;
            done_ = true;
            return;
        }
        Split(page, position);
    }

    // Inserts the item straight into its leaf when the way down from the root can only lead
    // there and nothing splits: `leafOffset` (a leaf with room) holds keys on both sides of the
    // item, or else `parentOffset` (a page in the cache, checked) does and leads to a leaf with
    // room. A page whose keys lie on both sides of an item is on that item's way down. False
    // when the item must go the whole way.
    bool InsertUnder(uint32_t leafOffset, uint32_t parentOffset, const TXbNTXItem& item)
    {
        if (leafOffset != 0 && InsertIntoLeaf(leafOffset, item, true))
            return true;
        if (parentOffset == 0 || !NTXPageOffsetValid(parentOffset, index_.fileEnd_))
            return false;
        const TXbNTXNode* node = index_.cache_.PeekNode(parentOffset);
        if (node == nullptr || !node->Checked || !node->SlotsChecked)
            return false;
        uint32_t child = 0;
        {
            TXbNTXPage parent(node->Data(), geometry_);
            if (!Brackets(parent, item))
                return false;
            child = parent.Child(InsertPosition(parent, item));
        }
        return child != 0 && InsertIntoLeaf(child, item, false);
    }

    // The page holds keys before and after the item.
    bool Brackets(TXbNTXPage& view, const TXbNTXItem& item)
    {
        const int count = view.Count();
        return count >= 2 && Compare(view, 0, item) < 0 && Compare(view, count - 1, item) > 0;
    }

    // Inserts the item into the page when it is a leaf with room (and, with `bracketed`, holds
    // keys on both sides of the item).
    bool InsertIntoLeaf(uint32_t offset, const TXbNTXItem& item, bool bracketed)
    {
        if (!NTXPageOffsetValid(offset, index_.fileEnd_) || index_.cache_.PeekNode(offset) == nullptr)
            return false;
        TPage leaf(*this, offset, index_.leafDepth_ < 1 ? 1 : index_.leafDepth_);
        if (leaf->Count() >= geometry_.Capacity || (bracketed && !Brackets(leaf.View(), item)))
            return false;
        const int position = InsertPosition(leaf.View(), item);
        if (leaf->Child(position) != 0)
            return false;
        InsertAt(leaf.View(), position, item, 0);
        leaf.Dirty();
        return true;
    }

    // The full page P gives its upper half to a new page N; the pending item goes into its half;
    // then the half with more keys gives up the item next to the other as the separator, which
    // goes up to the parent with P as its left child and N as the page after it.
    void Split(TPage& page, int position)
    {
        const int half = geometry_.HalfPage;
        const int capacity = geometry_.Capacity;
        const uint32_t rightOffset = NewPage();
        TPage right(*this, rightOffset, 0);
        std::memcpy(right->Data(), page->Data(), kNTXPageSize);
        std::vector<int> slots(static_cast<size_t>(capacity) + 1);
        for (int i = 0; i <= capacity; ++i)
            slots[static_cast<size_t>(i)] = page->Slot(i);
        for (int i = 0; i <= capacity; ++i)
            right->SetSlot(i, slots[static_cast<size_t>((i + half) % (capacity + 1))]);
        right->SetCount(page->Count() - half);
        Truncate(page.View(), half);
        if (position < half)
            InsertAt(page.View(), position, pending_, rightHalf_);
        else
            InsertAt(right.View(), position - half, pending_, rightHalf_);
        TXbNTXItem separator;
        if (page->Count() < right->Count()) {
            separator = ItemAt(right.View(), 0);
            page->SetChild(page->Count(), separator.Child);
            RemoveAt(right.View(), 0);
        } else {
            const int last = page->Count() - 1;
            separator = ItemAt(page.View(), last);
            // The separator's own child stays behind as P's rightmost child.
            Truncate(page.View(), last);
        }
        separator.Child = page.Offset();
        pending_ = separator;
        rightHalf_ = rightOffset;
        done_ = false;
        page.Dirty();
        right.Dirty();
        savedUseCount_ = page.Block().UseCount / 2;
        page.Block().UseCount = savedUseCount_;
        right.Block().UseCount = savedUseCount_;
    }

    // ---- deletion with borrowing and merging

    bool DeleteBalanced(const TXbNTXItem& target)
    {
        const uint32_t rootOffset = index_.header_.Root;
        if (!DeleteBalancedFrom(rootOffset, target, 0))
            return false;
        uint32_t onlyChild = 0;
        {
            TPage root(*this, rootOffset, 0);
            if (root->Count() == 0)
                onlyChild = root->Child(0);
        }
        // A root left without keys gives way to its only child. Only the root: a page further
        // down with no keys is mended by its own parent.
        if (onlyChild != 0) {
            index_.header_.Root = onlyChild;
            FreePage(rootOffset);
        }
        return true;
    }

    bool DeleteBalancedFrom(uint32_t offset, const TXbNTXItem& target, int depth)
    {
        TPage page(*this, offset, depth);
        const int slot = LowerBound(page.View(), target);
        const uint32_t child = page->Child(slot);
        if (slot < page->Count() && Compare(page.View(), slot, target) == 0) {
            if (child == 0) {
                RemoveAt(page.View(), slot);
                page.Dirty();
                return true;
            }
            // The largest item of the left subtree takes the place, then leaves its leaf.
            const TXbNTXItem predecessor = LastOfSubtree(child, depth + 1);
            CopyKey(page.View(), slot, predecessor);
            page.Dirty();
            if (!DeleteBalancedFrom(child, predecessor, depth + 1))
                index_.RaiseDamaged("page " + std::to_string(child) + ": keys out of order");
            Rebalance(page, slot, depth);
            return true;
        }
        if (child == 0 || !DeleteBalancedFrom(child, target, depth + 1))
            return false;
        Rebalance(page, slot, depth);
        return true;
    }

    TXbNTXItem LastOfSubtree(uint32_t offset, int depth)
    {
        for (;;) {
            TPage page(*this, offset, depth);
            const int count = page->Count();
            const uint32_t right = page->Child(count);
            if (right == 0) {
                if (count == 0)
                    index_.RaiseDamaged("page " + std::to_string(offset) + " is empty");
                return ItemAt(page.View(), count - 1);
            }
            offset = right;
            ++depth;
        }
    }

    // After a deletion below slot `slot` of `parent`: a child left with fewer than half page
    // keys borrows from a neighbour that has more, else merges with it.
    void Rebalance(TPage& parent, int slot, int depth)
    {
        const int half = geometry_.HalfPage;
        const uint32_t childOffset = parent->Child(slot);
        if (childOffset == 0)
            return;
        TPage child(*this, childOffset, depth + 1);
        if (child->Count() >= half)
            return;
        if (slot > 0) {
            const uint32_t leftOffset = parent->Child(slot - 1);
            if (leftOffset == 0)
                return;
            TPage left(*this, leftOffset, depth + 1);
            if (left->Count() > half) {
                const int moves = (left->Count() - half + 1) / 2;
                for (int i = 0; i < moves; ++i) {
                    const int last = left->Count() - 1;
                    TXbNTXItem separator = ItemAt(parent.View(), slot - 1);
                    separator.Child = left->Child(last + 1);
                    InsertAt(child.View(), 0, separator, 0);
                    CopyKey(parent.View(), slot - 1, ItemAt(left.View(), last));
                    // The moved item's own child becomes the rightmost child of the left page.
                    Truncate(left.View(), last);
                }
            } else {
                Merge(parent, slot - 1, left, child);
                left.Dirty();
                parent.Dirty();
                FreePage(childOffset);
                return;
            }
            left.Dirty();
        } else {
            if (parent->Count() == 0)
                return;
            const uint32_t rightOffset = parent->Child(1);
            if (rightOffset == 0)
                return;
            TPage right(*this, rightOffset, depth + 1);
            if (right->Count() > half) {
                const int moves = (right->Count() - half + 1) / 2;
                for (int i = 0; i < moves; ++i) {
                    const int count = child->Count();
                    TXbNTXItem separator = ItemAt(parent.View(), 0);
                    separator.Child = child->Child(count);
                    InsertAt(child.View(), count, separator, 0);
                    child->SetChild(count + 1, right->Child(0));
                    CopyKey(parent.View(), 0, ItemAt(right.View(), 0));
                    RemoveAt(right.View(), 0);
                }
            } else {
                Merge(parent, 0, child, right);
                child.Dirty();
                parent.Dirty();
                FreePage(rightOffset);
                return;
            }
            right.Dirty();
        }
        child.Dirty();
        parent.Dirty();
    }

    // The separator of slot `separatorSlot` comes down to the end of `left`, the items of `right`
    // and its rightmost child follow; the separator leaves the parent, whose slot that led to
    // `right` now leads to `left`.
    void Merge(TPage& parent, int separatorSlot, TPage& left, TPage& right)
    {
        TXbNTXItem separator = ItemAt(parent.View(), separatorSlot);
        separator.Child = left->Child(left->Count());
        Append(left.View(), separator);
        const int count = right->Count();
        for (int i = 0; i < count; ++i)
            Append(left.View(), ItemAt(right.View(), i));
        left->SetChild(left->Count(), right->Child(count));
        RemoveAt(parent.View(), separatorSlot);
        parent->SetChild(separatorSlot, left.Offset());
    }

    // ---- deletion without rebalancing

    bool DeleteUnbalanced(const TXbNTXItem& target)
    {
        bool emptied = false;
        return DeleteUnbalancedFrom(index_.header_.Root, target, 0, emptied);
    }

    // `emptied`: the page (never the root) has neither keys nor children left; its parent
    // unlinks and frees it.
    bool DeleteUnbalancedFrom(uint32_t offset, const TXbNTXItem& target, int depth, bool& emptied)
    {
        TPage page(*this, offset, depth);
        const int slot = LowerBound(page.View(), target);
        const uint32_t child = page->Child(slot);
        if (slot < page->Count() && Compare(page.View(), slot, target) == 0) {
            if (child == 0) {
                RemoveAt(page.View(), slot);
            } else {
                bool childEmptied = false;
                const TXbNTXItem last = TakeLast(child, depth + 1, childEmptied);
                if (childEmptied) {
                    page->SetChild(slot, 0);
                    FreePage(child);
                }
                CopyKey(page.View(), slot, last);
            }
            page.Dirty();
        } else {
            bool childEmptied = false;
            if (child == 0 || !DeleteUnbalancedFrom(child, target, depth + 1, childEmptied))
                return false;
            if (childEmptied) {
                page->SetChild(slot, 0);
                page.Dirty();
                FreePage(child);
            }
        }
        emptied = depth > 0 && page->Count() == 0 && page->Child(0) == 0;
        return true;
    }

    // Takes the last item of the rightmost leaf of a subtree out of it.
    TXbNTXItem TakeLast(uint32_t offset, int depth, bool& emptied)
    {
        TPage page(*this, offset, depth);
        const int count = page->Count();
        const uint32_t right = page->Child(count);
        TXbNTXItem last;
        if (right != 0) {
            bool rightEmptied = false;
            last = TakeLast(right, depth + 1, rightEmptied);
            if (rightEmptied) {
                page->SetChild(count, 0);
                page.Dirty();
                FreePage(right);
            }
        } else {
            if (count == 0)
                index_.RaiseDamaged("page " + std::to_string(offset) + " is empty");
            last = ItemAt(page.View(), count - 1);
            // The taken item's own child (its left subtree) becomes the rightmost child.
            Truncate(page.View(), count - 1);
            page.Dirty();
        }
        emptied = page->Count() == 0 && page->Child(0) == 0;
        return last;
    }

private:
    TXbNTXIndex& index_;
    const TXbNTXGeometry& geometry_;
    // The insertion context shared by the levels of the descent.
    TXbNTXItem pending_;
    uint32_t rightHalf_ = 0;
    bool done_ = false;
    int savedUseCount_ = 0;
};

// ---- the update bracket

template <class F>
bool TXbNTXIndex::RunChange(F change)
{
    if (!IsOpen())
        return false;
    if (damaged_)
        RaiseDamaged("an update failed half-way; the index must be rebuilt");
    const bool ownUpdate = !inUpdate_;
    if (ownUpdate) {
        StartIndexUpdate(false);
        if (!inUpdate_)
            return false;
    }
    bool result = false;
    try {
        result = change();
        if (ownUpdate) {
            FinishIndexUpdate();
            UnlockIndex();
        }
    } catch (...) {
        // Pages changed in the cache but not all written would leave a tree that is silently
        // wrong: they are dropped and the file keeps the mark that it was being changed.
        AbandonIndexUpdate();
        if (ownUpdate)
            UnlockIndex();
        throw;
    }
    return result;
}

void TXbNTXIndex::BeginIndexChange()
{
    if (!IsOpen())
        return;
    if (damaged_)
        RaiseDamaged("an update failed half-way; the index must be rebuilt");
    if (!inUpdate_)
        throw Exception("TXbNTXIndex.BeginIndexChange: Index " + NTXQuoted(Name()) + " is not in update mode!");
    if (changeMarked_)
        return;
    WriteHeaderStart(kNTXChangingVersion, "TXbNTXIndex.BeginIndexChange");
    changeMarked_ = true;
    changed_ = true;
}

void TXbNTXIndex::AbandonIndexUpdate() noexcept
{
    if (changed_ || changeMarked_)
        damaged_ = true;
    cache_.Clear();
    changed_ = false;
    inUpdate_ = false;
    rebuilding_ = false;
}

// ---- keys

uint32_t TXbNTXIndex::LocateInsertionLeaf(const char* storedKey, uint32_t recNo, uint32_t& parent) noexcept
{
    parent = 0;
    if (leafDepth_ < 1)
        return 0;
    // A page fit to read: in the cache and checked since it was read.
    auto checkedPage = [&](uint32_t offset) -> const uint8_t* {
        const TXbNTXNode* node = NTXPageOffsetValid(offset, fileEnd_) ? cache_.PeekNode(offset) : nullptr;
        return node != nullptr && node->Checked && node->SlotsChecked ? node->Data() : nullptr;
    };
    // The item sorts after the one in the slot.
    auto before = [&](const TXbNTXPage& view, int slot) {
        const int c = CompareKeys(view.Key(slot), storedKey, geometry_.KeySize);
        return c != 0 ? c < 0 : view.RecNo(slot) < recNo;
    };
    // The child InsertPosition leads to.
    auto childFor = [&](const TXbNTXPage& view) {
        int lo = 0;
        int hi = view.Count();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (before(view, mid))
                lo = mid + 1;
            else
                hi = mid;
        }
        return view.Child(lo);
    };
    // Sorted keys mostly fall among the keys of the last leaf's parent, whose children are
    // then the whole choice; otherwise the way goes down from the root.
    uint32_t leaf = 0;
    if (const uint8_t* data = prefetchParent_ != 0 ? checkedPage(prefetchParent_) : nullptr) {
        const TXbNTXPage view(const_cast<uint8_t*>(data), geometry_);
        const int count = view.Count();
        if (count >= 2 && before(view, 0) && !before(view, count - 1))
            leaf = childFor(view);
    }
    if (leaf == 0) {
        uint32_t offset = header_.Root;
        for (int depth = 0; depth < leafDepth_ && offset != 0; ++depth) {
            const uint8_t* data = checkedPage(offset);
            if (data == nullptr)
                return 0;
            prefetchParent_ = offset;
            offset = childFor(TXbNTXPage(const_cast<uint8_t*>(data), geometry_));
        }
        leaf = offset;
    }
    if (leaf == 0 || !NTXPageOffsetValid(leaf, fileEnd_))
        return 0;
    parent = prefetchParent_;
    cache_.PrefetchNode(leaf);
    return leaf;
}

void TXbNTXIndex::PrefetchPage(uint32_t offset) noexcept
{
    const TXbNTXNode* node = offset != 0 && NTXPageOffsetValid(offset, fileEnd_) ? cache_.PeekNode(offset) : nullptr;
    if (node == nullptr)
        return;
    __builtin_prefetch(node->Block);
    for (int line = 0; line < kNTXPageSize; line += 64)
        __builtin_prefetch(node->Data() + line);
}

void TXbNTXIndex::AddItem(const std::string& storedKey, uint32_t recNo)
{
    AddItemUnder(0, 0, storedKey, recNo);
}

void TXbNTXIndex::AddItemUnder(uint32_t leafHint, uint32_t parentHint, const std::string& storedKey, uint32_t recNo)
{
    BeginIndexChange();
    TXbNTXItem item{FittedKey(storedKey), recNo, 0};
    TXbNTXUpdater updater(*this);
    if (!updater.InsertUnder(leafHint, parentHint, item))
        updater.Insert(item);
}

bool TXbNTXIndex::AddKey(const std::string& key, uint32_t recNo)
{
    return RunChange([&] {
        if ((hasFor_ || OnEvaluteFor) && !EvaluateFor())
            return false;
        const std::string stored = StoredKey(FittedKey(key));
        if (Unique() && FindExact(stored, false))
            return false;
        AddItem(stored, recNo);
        return true;
    });
}

bool TXbNTXIndex::RemoveKey(const std::string& key, uint32_t recNo)
{
    return RunChange([&] {
        const TXbNTXItem target{StoredKey(FittedKey(key)), recNo, 0};
        BeginIndexChange();
        TXbNTXUpdater updater(*this);
        return DeleteKeyStyle == TDeleteKeyStyle::dksClipper ? updater.DeleteBalanced(target)
                                                              : updater.DeleteUnbalanced(target);
    });
}

uint32_t TXbNTXIndex::NewPage()
{
    BeginIndexChange();
    return TXbNTXUpdater(*this).NewPage();
}

void TXbNTXIndex::FreePage(uint32_t offset)
{
    BeginIndexChange();
    TXbNTXUpdater(*this).FreePage(offset);
}

// ---- emptying and rebuilding

void TXbNTXIndex::EmptyIndex()
{
    if (!IsOpen())
        return;
    TProxyStream& stream = bag_->Stream();
    cache_.Clear();
    header_.Version = 1;
    header_.Root = kNTXPageSize;
    header_.FreePage = 0;
    auto& image = orderItem_->HeaderImage();
    WriteNTXHeader(header_, image.data());
    // A rebuild keeps the file marked as being changed until it ends.
    if (rebuilding_)
        WriteNTXHeaderStart([&] {
            TXbNTXHeader marked = header_;
            marked.Version = kNTXChangingVersion;
            return marked;
        }(), image.data());
    const bool written = NTXWriteAt(stream, 0, image.data(), kNTXHeaderSize) && stream.Truncate();
    WriteNTXHeaderStart(header_, image.data());
    if (!written)
        throw Exception("TXbNTXIndex.EmptyIndex: Write error " + NTXQuoted(bag_->IndexFileName()));
    changeMarked_ = rebuilding_;
    fileEnd_ = kNTXHeaderSize;
    const bool wasInUpdate = inUpdate_;
    inUpdate_ = true;
    try {
        TXbNTXUpdater(*this).NewPage();
        cache_.FlushAll();
    } catch (...) {
        inUpdate_ = wasInUpdate;
        throw;
    }
    inUpdate_ = wasInUpdate;
    if (!rebuilding_)
        changed_ = false;
    currentKey_.clear();
    currentRecNo_ = 0;
}

void TXbNTXIndex::BeginReindex()
{
    if (!IsOpen())
        return;
    damaged_ = false;
    savedInUpdate_ = inUpdate_;
    rebuilding_ = true;
    inUpdate_ = true;
    try {
        EmptyIndex();
    } catch (...) {
        AbandonIndexUpdate();
        throw;
    }
}

void TXbNTXIndex::EndReindex() noexcept
{
    if (!IsOpen() || !rebuilding_)
        return;
    try {
        cache_.FlushAll();
        auto& image = orderItem_->HeaderImage();
        WriteNTXHeader(header_, image.data());
        if (!NTXWriteAt(bag_->Stream(), 0, image.data(), kNTXHeaderSize))
            throw Exception("TXbNTXIndex.EndReindex: Write error");
    } catch (...) {
        AbandonIndexUpdate();
        return;
    }
    changeMarked_ = false;
    changed_ = false;
    rebuilding_ = false;
    inUpdate_ = savedInUpdate_;
    cache_.Clear();
}

// ---- rebuild for a pack

void TXbNTXIndex::CloseForRebuild() noexcept
{
    // A temporary index would remove its file and itself on closing.
    const bool temp = Temp;
    Temp = false;
    CloseIndex();
    Temp = temp;
}

void TXbNTXIndex::PrepareRebuild(TProxyStream& packedTable, uint32_t records)
{
    if (!IsOpen())
        return;
    DiscardRebuild(false);
    packedFile_ = TXbNTXIndexBuilder(*this).BuildForPack(packedTable, records);
}

void TXbNTXIndex::MarkRebuild()
{
    if (!IsOpen())
        return;
    WriteHeaderStart(kNTXChangingVersion, "TXbNTXIndex.Pack");
    packMarked_ = true;
}

void TXbNTXIndex::CommitRebuild()
{
    if (packedFile_.empty())
        return;
    TXbDBFIndexBag* bag = DefineBag();
    CloseForRebuild();
    try {
        NTXPlaceNewFile(*bag, packedFile_, "Pack");
    } catch (...) {
        // The old file, with its mark, stays: opened again it reports itself damaged.
        damaged_ = true;
        try {
            Open();
        } catch (...) {
        }
        throw;
    }
    if (bag->StorageType != TProxyStreamType::pstFile) {
        // Loaded into the bag's stream: the file has served.
        std::error_code ignored;
        std::filesystem::remove(packedFile_, ignored);
    }
    packedFile_.clear();
    packMarked_ = false;
    damaged_ = false;
    Open();
}

void TXbNTXIndex::DiscardRebuild(bool tableReplaced) noexcept
{
    if (!packedFile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(packedFile_, ignored);
        packedFile_.clear();
    }
    if (!packMarked_)
        return;
    packMarked_ = false;
    if (tableReplaced) {
        damaged_ = true;
        return;
    }
    try {
        if (IsOpen())
            WriteHeaderStart(header_.Version, "TXbNTXIndex.Pack");
    } catch (...) {
        damaged_ = true;
    }
}

// ---- cipher change

bool TXbNTXIndex::ChangeCipher(TXbDBFCrypt& newCipher)
{
    TXbSmartDBF* table = Table();
    if (table == nullptr || !IsOpen() || !LockIndex())
        return false;
    struct TUnlock {
        TXbNTXIndex& index;
        ~TUnlock() { index.UnlockIndex(); }
    } unlock{*this};
    const bool wasInUpdate = inUpdate_;
    FinishIndexUpdate();
    cache_.Clear();
    TXbDBFCrypt& oldCipher = table->GetCrypt();
    TProxyStream& stream = bag_->Stream();
    std::vector<uint8_t> page(kNTXPageSize);
    // The whole file changes: the version moves on and other users drop their pages. A
    // failure half-way leaves pages in both ciphers: the mark stays and the index is damaged.
    WriteHeaderStart(kNTXChangingVersion, "TXbNTXIndex.ChangeCipher");
    damaged_ = true;
    for (uint64_t offset = kNTXHeaderSize; offset + kNTXPageSize <= fileEnd_; offset += kNTXPageSize) {
        const uint32_t context = static_cast<uint32_t>(offset);
        if (NTXReadAt(stream, static_cast<int64_t>(offset), page.data(), kNTXPageSize) != kNTXPageSize)
            throw Exception("TXbNTXIndex.ChangeCipher: Read error " + NTXQuoted(bag_->IndexFileName()));
        if (oldCipher.Active())
            oldCipher.Decrypt(context, page.data(), kNTXPageSize);
        if (newCipher.Active())
            newCipher.Encrypt(context, page.data(), kNTXPageSize);
        if (!NTXWriteAt(stream, static_cast<int64_t>(offset), page.data(), kNTXPageSize))
            throw Exception("TXbNTXIndex.ChangeCipher: Write error " + NTXQuoted(bag_->IndexFileName()));
    }
    header_.Version = NTXNextVersion(header_.Version);
    WriteHeaderStart(header_.Version, "TXbNTXIndex.ChangeCipher");
    WriteNTXHeaderStart(header_, orderItem_->HeaderImage().data());
    damaged_ = false;
    if (wasInUpdate)
        StartIndexUpdate(true);
    return true;
}
