// The search-tree sorters: plain binary, red-black and AVL trees of item numbers, one tree per
// hash bucket. Links are item numbers in flat arrays; the capacity stands for "no item".

#include "dbf/index/XbDBFSorters.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <vector>

TXbBinaryTreeSorterAbstract::TXbBinaryTreeSorterAbstract(const TXbSorterSettings& settings)
    : TXbInnerSorter(settings)
{
    AllocateStorage();
    none_ = capacity_;
    prefixes_ = !settings_.KeyCompareMethod || settings_.KeyPrefixMethod;
    prefixFrom_ = ownHash_ && !singleBucket_ ? 1 : 0;
    // The node records (capacity + 1: the "none" entry is written by the red-black delete),
    // the bucket roots, then a colour or balance byte per item.
    const size_t links = static_cast<size_t>(capacity_) + 1;
    const size_t bytes = (4 * links + bucketCount_) * sizeof(uint32_t) + links;
    treeArrays_ = TXbDBFBlock(this, bytes);
    auto* words = reinterpret_cast<uint32_t*>(treeArrays_.Data());
    left_.Words = words;
    right_.Words = words + 1;
    parent_.Words = words + 2;
    prefix_.Words = words + 3;
    roots_ = words + 4 * links;
    marks_ = treeArrays_.Data() + (4 * links + bucketCount_) * sizeof(uint32_t);
    InitTrees();
}

void TXbBinaryTreeSorterAbstract::InitTrees() noexcept
{
    const size_t links = static_cast<size_t>(capacity_) + 1;
    uint32_t* words = left_.Words;
    for (size_t i = 0; i < links; ++i) {
        words[4 * i] = none_;
        words[4 * i + 1] = none_;
        words[4 * i + 2] = none_;
        words[4 * i + 3] = 0;
    }
    std::fill(roots_, roots_ + bucketCount_, none_);
    std::fill(marks_, marks_ + links, uint8_t{0});
    inTrees_ = 0;
    stored_ = 0;
}

bool TXbBinaryTreeSorterAbstract::AddNewItem(const uint8_t* item)
{
    CheckRoom("TXbBinaryTreeSorter.AddItem", stored_);
    std::memcpy(ItemAt(stored_), item, static_cast<size_t>(ItemSize()));
    ++stored_;
    return true;
}

bool TXbBinaryTreeSorterAbstract::AddItem(const uint8_t* item)
{
    AddNewItem(item);
    const uint32_t number = stored_ - 1;
    if (!unique_) {
        // The bucket and prefix now: a hash method may answer for the latest item only.
        TPlace& place = pendingPlaces_[pendingCount_];
        place.Bucket = Hash(ItemAt(number));
        place.Prefix = prefixes_ ? PrefixOf(ItemAt(number)) : 0;
        pending_[pendingCount_++] = number;
        count_ = inTrees_ + pendingCount_;
        if (pendingCount_ == kBatch)
            FlushPending();
        return true;
    }
    if (!AddItemInTree(number)) {
        // Refused: the slot is free for the next item.
        --stored_;
        return false;
    }
    count_ = inTrees_;
    return true;
}

void TXbBinaryTreeSorterAbstract::Clear()
{
    TXbInnerSorter::Clear();
    pendingCount_ = 0;
    InitTrees();
}

void TXbBinaryTreeSorterAbstract::FlushPending()
{
    const int count = pendingCount_;
    if (count == 0)
        return;
    pendingCount_ = 0;
    // The descents, one step of each in turn; a step asks for the node of its next one.
    uint32_t at[kBatch];
    for (int i = 0; i < count; ++i) {
        TPlace& place = pendingPlaces_[i];
        place.Parent = none_;
        place.Side = 1;
        place.Located = true;
        at[i] = roots_[place.Bucket];
    }
    for (bool moving = true; moving;) {
        moving = false;
        for (int i = 0; i < count; ++i) {
            const uint32_t node = at[i];
            if (node == none_)
                continue;
            TPlace& place = pendingPlaces_[i];
            int result;
            bool tied = false;
            if (prefixes_ && place.Prefix != prefix_[node]) {
                result = place.Prefix < prefix_[node] ? -1 : 1;
            } else {
                int keyResult = 0;
                result = CompareItems(ItemAt(pending_[i]), ItemAt(node), keyResult);
                tied = true;
            }
            place.Parent = node;
            place.Side = result < 0 ? -1 : 1;
            const uint32_t next = result < 0 ? left_[node] : right_[node];
            at[i] = next;
            if (next != none_) {
                __builtin_prefetch(&left_[next]);
                // Below a node the prefixes did not decide, they most likely will not decide
                // either: the item will be read too.
                if (tied)
                    __builtin_prefetch(ItemAt(next));
                moving = true;
            }
        }
    }
    // Items that found the same link belong in the same gap between two items: all but the
    // first of them descend again, past the ones inserted before them.
    for (int i = 0; i < count; ++i) {
        TPlace& place = pendingPlaces_[i];
        for (int j = 0; j < i && place.Located; ++j) {
            const TPlace& other = pendingPlaces_[j];
            if (other.Bucket == place.Bucket && other.Parent == place.Parent && other.Side == place.Side)
                place.Located = false;
        }
        place_ = &place;
        try {
            AddItemInTree(pending_[i]);
        } catch (...) {
            place_ = nullptr;
            throw;
        }
        place_ = nullptr;
    }
    count_ = inTrees_;
}

uint32_t TXbBinaryTreeSorterAbstract::BucketOf(uint32_t number)
{
    return Hash(ItemAt(number));
}

uint32_t TXbBinaryTreeSorterAbstract::PrefixOf(const uint8_t* item) const
{
    if (settings_.KeyPrefixMethod)
        return settings_.KeyPrefixMethod(item + 8, prefixFrom_);
    uint32_t prefix = 0;
    for (int i = 0; i < 4; ++i) {
        const int at = prefixFrom_ + i;
        prefix = (prefix << 8) | (at < keySize_ ? item[8 + at] : 0u);
    }
    return prefix;
}

bool TXbBinaryTreeSorterAbstract::InsertLeaf(uint32_t number, uint32_t bucket)
{
    const uint8_t* item = ItemAt(number);
    const uint32_t prefix = place_ != nullptr ? place_->Prefix : prefixes_ ? PrefixOf(item) : 0;
    uint32_t parent = none_;
    uint32_t node = roots_[bucket];
    int result = 0;
    int keyResult = 0;
    if (place_ != nullptr && place_->Located && (place_->Parent != none_ || node == none_)) {
        // The gap the batch's descent found next to its parent is still this item's gap. A
        // rotation since may have moved the gap's empty link: it is then at the near end of the
        // subtree that now hangs there.
        parent = place_->Parent;
        result = place_->Side;
        if (parent != none_) {
            if (result < 0 && left_[parent] != none_) {
                parent = left_[parent];
                while (right_[parent] != none_)
                    parent = right_[parent];
                result = 1;
            } else if (result > 0 && right_[parent] != none_) {
                parent = right_[parent];
                while (left_[parent] != none_)
                    parent = left_[parent];
                result = -1;
            }
        }
        node = none_;
    }
    while (node != none_) {
        parent = node;
        const uint32_t other = prefix_[node];
        if (prefixes_ && prefix != other) {
            // The keys differ within the prefix: its bytes decide without reading the item.
            result = prefix < other ? -1 : 1;
        } else {
            result = CompareItems(item, ItemAt(node), keyResult);
            if (keyResult == 0 && unique_)
                return false;
        }
        node = result < 0 ? left_[node] : right_[node];
    }
    prefix_[number] = prefix;
    left_[number] = none_;
    right_[number] = none_;
    parent_[number] = parent;
    if (parent == none_)
        roots_[bucket] = number;
    else if (result < 0)
        left_[parent] = number;
    else
        right_[parent] = number;
    ++inTrees_;
    return true;
}

void TXbBinaryTreeSorterAbstract::RotateLeft(uint32_t bucket, uint32_t x) noexcept
{
    const uint32_t y = right_[x];
    right_[x] = left_[y];
    if (left_[y] != none_)
        parent_[left_[y]] = x;
    parent_[y] = parent_[x];
    if (parent_[x] == none_)
        roots_[bucket] = y;
    else if (x == left_[parent_[x]])
        left_[parent_[x]] = y;
    else
        right_[parent_[x]] = y;
    left_[y] = x;
    parent_[x] = y;
}

void TXbBinaryTreeSorterAbstract::RotateRight(uint32_t bucket, uint32_t x) noexcept
{
    const uint32_t y = left_[x];
    left_[x] = right_[y];
    if (right_[y] != none_)
        parent_[right_[y]] = x;
    parent_[y] = parent_[x];
    if (parent_[x] == none_)
        roots_[bucket] = y;
    else if (x == right_[parent_[x]])
        right_[parent_[x]] = y;
    else
        left_[parent_[x]] = y;
    right_[y] = x;
    parent_[x] = y;
}

void TXbBinaryTreeSorterAbstract::Transplant(uint32_t bucket, uint32_t node, uint32_t with) noexcept
{
    const uint32_t parent = parent_[node];
    if (parent == none_)
        roots_[bucket] = with;
    else if (node == left_[parent])
        left_[parent] = with;
    else
        right_[parent] = with;
    parent_[with] = parent;
}

uint32_t TXbBinaryTreeSorterAbstract::Minimum(uint32_t node) const noexcept
{
    while (left_[node] != none_)
        node = left_[node];
    return node;
}

void TXbBinaryTreeSorterAbstract::Sort()
{
    FlushPending();
    // Buckets in the order of their keys: each holds one key range, so any item stands for it.
    std::vector<uint32_t> buckets;
    for (uint32_t bucket = 0; bucket < bucketCount_; ++bucket)
        if (roots_[bucket] != none_)
            buckets.push_back(bucket);
    std::sort(buckets.begin(), buckets.end(), [this](uint32_t a, uint32_t b) {
        int keyResult = 0;
        return CompareItems(ItemAt(roots_[a]), ItemAt(roots_[b]), keyResult) < 0;
    });
    uint32_t* order = SortArrayData();
    int32_t written = 0;
    for (uint32_t bucket : buckets) {
        // In-order walk through the parent links.
        uint32_t node = Minimum(roots_[bucket]);
        while (node != none_) {
            order[written++] = node;
            if (right_[node] != none_) {
                node = Minimum(right_[node]);
            } else {
                uint32_t parent = parent_[node];
                while (parent != none_ && node == right_[parent]) {
                    node = parent;
                    parent = parent_[parent];
                }
                node = parent;
            }
        }
    }
    count_ = written;
    position_ = 0;
}

bool TXbBinaryTreeSorterAbstract::GetLastSortItem(const uint8_t*& item)
{
    if (count_ <= 0) {
        item = nullptr;
        return true;
    }
    position_ = count_ - 1;
    item = ItemAt(SortArrayData()[position_]);
    return false;
}

int TXbBinaryTreeSorterAbstract::Height()
{
    FlushPending();
    int tallest = 0;
    std::vector<std::pair<uint32_t, int>> stack;
    for (uint32_t bucket = 0; bucket < bucketCount_; ++bucket) {
        if (roots_[bucket] == none_)
            continue;
        stack.push_back({roots_[bucket], 1});
        while (!stack.empty()) {
            const auto [node, depth] = stack.back();
            stack.pop_back();
            tallest = std::max(tallest, depth);
            if (left_[node] != none_)
                stack.push_back({left_[node], depth + 1});
            if (right_[node] != none_)
                stack.push_back({right_[node], depth + 1});
        }
    }
    return tallest;
}

// ---- plain binary tree

bool TXbBinaryTreeSorter::AddItemInTree(uint32_t number)
{
    return InsertLeaf(number, NewItemBucket(number));
}

void TXbBinaryTreeSorter::DeleteItemFromTree(uint32_t number)
{
    FlushPending();
    const uint32_t bucket = BucketOf(number);
    const uint32_t z = number;
    if (left_[z] == none_) {
        Transplant(bucket, z, right_[z]);
    } else if (right_[z] == none_) {
        Transplant(bucket, z, left_[z]);
    } else {
        const uint32_t y = Minimum(right_[z]);
        if (parent_[y] != z) {
            Transplant(bucket, y, right_[y]);
            right_[y] = right_[z];
            parent_[right_[y]] = y;
        }
        Transplant(bucket, z, y);
        left_[y] = left_[z];
        parent_[left_[y]] = y;
    }
    parent_[none_] = none_;
    --inTrees_;
    count_ = inTrees_;
}

// ---- red-black tree (1 red, 0 black)

bool TXbRedBlackTreeSorter::AddItemInTree(uint32_t number)
{
    const uint32_t bucket = NewItemBucket(number);
    if (!InsertLeaf(number, bucket))
        return false;
    uint32_t z = number;
    marks_[z] = 1;
    while (IsRed(parent_[z])) {
        const uint32_t p = parent_[z];
        const uint32_t g = parent_[p];
        if (p == left_[g]) {
            const uint32_t uncle = right_[g];
            if (IsRed(uncle)) {
                marks_[p] = 0;
                marks_[uncle] = 0;
                marks_[g] = 1;
                z = g;
            } else {
                if (z == right_[p]) {
                    z = p;
                    RotateLeft(bucket, z);
                }
                marks_[parent_[z]] = 0;
                marks_[parent_[parent_[z]]] = 1;
                RotateRight(bucket, parent_[parent_[z]]);
            }
        } else {
            const uint32_t uncle = left_[g];
            if (IsRed(uncle)) {
                marks_[p] = 0;
                marks_[uncle] = 0;
                marks_[g] = 1;
                z = g;
            } else {
                if (z == left_[p]) {
                    z = p;
                    RotateRight(bucket, z);
                }
                marks_[parent_[z]] = 0;
                marks_[parent_[parent_[z]]] = 1;
                RotateLeft(bucket, parent_[parent_[z]]);
            }
        }
    }
    marks_[roots_[bucket]] = 0;
    return true;
}

void TXbRedBlackTreeSorter::DeleteItemFromTree(uint32_t number)
{
    FlushPending();
    const uint32_t bucket = BucketOf(number);
    const uint32_t z = number;
    uint32_t y = z;
    uint8_t removedColour = marks_[y];
    uint32_t x;
    if (left_[z] == none_) {
        x = right_[z];
        Transplant(bucket, z, right_[z]);
    } else if (right_[z] == none_) {
        x = left_[z];
        Transplant(bucket, z, left_[z]);
    } else {
        y = Minimum(right_[z]);
        removedColour = marks_[y];
        x = right_[y];
        if (parent_[y] == z) {
            parent_[x] = y;
        } else {
            Transplant(bucket, y, right_[y]);
            right_[y] = right_[z];
            parent_[right_[y]] = y;
        }
        Transplant(bucket, z, y);
        left_[y] = left_[z];
        parent_[left_[y]] = y;
        marks_[y] = marks_[z];
    }
    if (removedColour == 0) {
        while (x != roots_[bucket] && !IsRed(x)) {
            const uint32_t p = parent_[x];
            if (x == left_[p]) {
                uint32_t w = right_[p];
                if (IsRed(w)) {
                    marks_[w] = 0;
                    marks_[p] = 1;
                    RotateLeft(bucket, p);
                    w = right_[parent_[x]];
                }
                if (!IsRed(left_[w]) && !IsRed(right_[w])) {
                    marks_[w] = 1;
                    x = parent_[x];
                } else {
                    if (!IsRed(right_[w])) {
                        marks_[left_[w]] = 0;
                        marks_[w] = 1;
                        RotateRight(bucket, w);
                        w = right_[parent_[x]];
                    }
                    marks_[w] = marks_[parent_[x]];
                    marks_[parent_[x]] = 0;
                    marks_[right_[w]] = 0;
                    RotateLeft(bucket, parent_[x]);
                    x = roots_[bucket];
                }
            } else {
                uint32_t w = left_[p];
                if (IsRed(w)) {
                    marks_[w] = 0;
                    marks_[p] = 1;
                    RotateRight(bucket, p);
                    w = left_[parent_[x]];
                }
                if (!IsRed(right_[w]) && !IsRed(left_[w])) {
                    marks_[w] = 1;
                    x = parent_[x];
                } else {
                    if (!IsRed(left_[w])) {
                        marks_[right_[w]] = 0;
                        marks_[w] = 1;
                        RotateLeft(bucket, w);
                        w = left_[parent_[x]];
                    }
                    marks_[w] = marks_[parent_[x]];
                    marks_[parent_[x]] = 0;
                    marks_[left_[w]] = 0;
                    RotateRight(bucket, parent_[x]);
                    x = roots_[bucket];
                }
            }
        }
        marks_[x] = 0;
    }
    // The "none" entry served as a stand-in leaf; it stays black and unlinked.
    marks_[none_] = 0;
    parent_[none_] = none_;
    --inTrees_;
    count_ = inTrees_;
}

// ---- AVL tree (balance = right height - left height)

uint32_t TXbAVLTreeSorter::Rebalance(uint32_t bucket, uint32_t node, bool& heightChanged, const char* where)
{
    const int balance = Balance(node);
    if (balance == 2) {
        const uint32_t r = right_[node];
        const int rb = Balance(r);
        if (rb < -1 || rb > 1)
            throw Exception(std::string("TXbAVLTreeSorter.") + where + ": Illegal range of balance factor!");
        if (rb >= 0) {
            RotateLeft(bucket, node);
            if (rb == 0) {
                SetBalance(node, 1);
                SetBalance(r, -1);
                heightChanged = false;
            } else {
                SetBalance(node, 0);
                SetBalance(r, 0);
                heightChanged = true;
            }
            return r;
        }
        const uint32_t rl = left_[r];
        const int rlb = Balance(rl);
        RotateRight(bucket, r);
        RotateLeft(bucket, node);
        SetBalance(node, rlb == 1 ? -1 : 0);
        SetBalance(r, rlb == -1 ? 1 : 0);
        SetBalance(rl, 0);
        heightChanged = true;
        return rl;
    }
    if (balance == -2) {
        const uint32_t l = left_[node];
        const int lb = Balance(l);
        if (lb < -1 || lb > 1)
            throw Exception(std::string("TXbAVLTreeSorter.") + where + ": Illegal range of balance factor!");
        if (lb <= 0) {
            RotateRight(bucket, node);
            if (lb == 0) {
                SetBalance(node, -1);
                SetBalance(l, 1);
                heightChanged = false;
            } else {
                SetBalance(node, 0);
                SetBalance(l, 0);
                heightChanged = true;
            }
            return l;
        }
        const uint32_t lr = right_[l];
        const int lrb = Balance(lr);
        RotateLeft(bucket, l);
        RotateRight(bucket, node);
        SetBalance(node, lrb == -1 ? 1 : 0);
        SetBalance(l, lrb == 1 ? -1 : 0);
        SetBalance(lr, 0);
        heightChanged = true;
        return lr;
    }
    throw Exception(std::string("TXbAVLTreeSorter.") + where + ": Illegal range of balance factor!");
}

bool TXbAVLTreeSorter::AddItemInTree(uint32_t number)
{
    const uint32_t bucket = NewItemBucket(number);
    if (!InsertLeaf(number, bucket))
        return false;
    SetBalance(number, 0);
    uint32_t child = number;
    uint32_t node = parent_[number];
    while (node != none_) {
        const int balance = Balance(node) + (child == left_[node] ? -1 : 1);
        if (balance == 0) {
            SetBalance(node, 0);
            break;
        }
        if (balance == 1 || balance == -1) {
            SetBalance(node, balance);
            child = node;
            node = parent_[node];
            continue;
        }
        if (balance != 2 && balance != -2)
            throw Exception("TXbAVLTreeSorter.AddItemInTree: Illegal range of balance factor!");
        SetBalance(node, balance);
        bool heightChanged = false;
        Rebalance(bucket, node, heightChanged, "AddItemInTree");
        break;
    }
    return true;
}

void TXbAVLTreeSorter::DeleteItemFromTree(uint32_t number)
{
    FlushPending();
    const uint32_t bucket = BucketOf(number);
    const uint32_t z = number;
    // Where the retrace starts: the node whose subtree on `leftSide` lost one level.
    uint32_t node;
    bool leftSide;
    if (left_[z] != none_ && right_[z] != none_) {
        const uint32_t y = Minimum(right_[z]);
        if (parent_[y] == z) {
            // y moves up into z's place and keeps its right subtree.
            node = y;
            leftSide = false;
        } else {
            node = parent_[y];
            leftSide = true;
            Transplant(bucket, y, right_[y]);
            right_[y] = right_[z];
            parent_[right_[y]] = y;
        }
        Transplant(bucket, z, y);
        left_[y] = left_[z];
        parent_[left_[y]] = y;
        SetBalance(y, Balance(z));
    } else {
        node = parent_[z];
        leftSide = node != none_ && z == left_[node];
        Transplant(bucket, z, left_[z] != none_ ? left_[z] : right_[z]);
    }
    parent_[none_] = none_;
    while (node != none_) {
        const int balance = Balance(node) + (leftSide ? 1 : -1);
        uint32_t top = node;
        if (balance == 1 || balance == -1) {
            SetBalance(node, balance);
            break;
        }
        if (balance == 0) {
            SetBalance(node, 0);
        } else {
            if (balance != 2 && balance != -2)
                throw Exception("TXbAVLTreeSorter.DeleteItemFromTree: Illegal range of balance factor!");
            SetBalance(node, balance);
            bool heightChanged = false;
            top = Rebalance(bucket, node, heightChanged, "DeleteItemFromTree");
            if (!heightChanged)
                break;
        }
        const uint32_t parent = parent_[top];
        if (parent == none_)
            break;
        leftSide = top == left_[parent];
        node = parent;
    }
    --inTrees_;
    count_ = inTrees_;
}
