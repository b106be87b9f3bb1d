// The trie sorter: each bucket holds a byte trie of its keys. Nodes are 10-byte records from a
// block pool:
//   byte 0     flags: 0x80 leaf, 0x40 packed, 0x20 its child chain has a side table, low 3 bits
//              the packed byte count (2..5)
//   bytes 1-4  child node (a leaf: the record number)
//   bytes 5-8  next sibling (a leaf: the next leaf of the same key)
//   byte 9     the key byte
// A packed node keeps 2 to 5 bytes of a single path in bytes 5-9 and has no sibling; it is split
// as soon as a key branches off inside it or beside it. Sibling chains are kept in ascending
// byte order; the leaves of one key keep the order the items came in. The leaves of a key form
// a ring: the node of the key's last byte points at the newest leaf, whose next is the oldest,
// so that another item of the same key is hung on at once however many came before it.

#include "dbf/index/XbDBFSorters.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kLeaf = 0x80;
constexpr uint8_t kPacked = 0x40;
constexpr uint8_t kIndexed = 0x20;
constexpr int kMaxPacked = 5;
// A slot of the owner table of 2^bits slots: the high bits of a multiplicative hash.
size_t OwnerSlot(uint32_t owner, int bits) noexcept
{
    return static_cast<uint32_t>(owner * 0x9E3779B1u) >> (32 - bits);
}
// 65536 nodes a block: node numbers split into block and slot by a shift.
constexpr size_t kPoolBlockSize = TXbMemSourceList::kNodeSize << 16;

uint32_t Load(const uint8_t* p) noexcept
{
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}
void Store(uint8_t* p, uint32_t value) noexcept
{
    std::memcpy(p, &value, 4);
}
}  // namespace

// ---- node pool

TXbMemSourceItem::TXbMemSourceItem(size_t defaultSize, size_t minimumSize)
{
    const size_t size = std::max(defaultSize, minimumSize);
    if (size < TXbMemSourceList::kNodeSize)
        throw Exception("TXbMemSourceItem.Create: No room!");
    block_ = TXbDBFBlock("TXbMemSourceItem", size);
    nodes_ = static_cast<uint32_t>(size / TXbMemSourceList::kNodeSize);
}

uint32_t TXbMemSourceList::NewNode()
{
    if (blocks_.empty() || next_ >= perBlock_ * blocks_.size()) {
        blocks_.push_back(std::make_unique<TXbMemSourceItem>(blockSize_, kNodeSize));
        blockData_.push_back(blocks_.back()->Data());
        perBlock_ = blocks_.front()->Nodes();
        perBlockShift_ = 0;
        if ((perBlock_ & (perBlock_ - 1)) == 0)
            while ((uint32_t{1} << perBlockShift_) < perBlock_)
                ++perBlockShift_;
        if (next_ == 0)
            next_ = 1;  // node 0 stands for none
    }
    const uint32_t number = next_++;
    std::memset(Node(number), 0, kNodeSize);
    return number;
}

void TXbMemSourceList::Clear() noexcept
{
    blocks_.clear();
    blockData_.clear();
    next_ = 0;
}

// ---- trie sorter

TXbTrieTreeSorter::TXbTrieTreeSorter(const TXbSorterSettings& settings)
    : TXbInnerSorter(settings), pool_(kPoolBlockSize), rootTables_(bucketCount_, 0), roots_(bucketCount_, 0),
      firstItemOfBucket_(bucketCount_, -1), current_(static_cast<size_t>(ItemSize()), 0)
{
    // The bytes in the trie's order (an insertion sort: it needs nothing of the comparison but
    // an answer), so that a chain's order is a comparison of two ranks.
    uint8_t order[256];
    for (int b = 0; b < 256; ++b) {
        int at = b;
        while (at > 0 && CompareChars(order[at - 1], static_cast<uint8_t>(b)) > 0) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = static_cast<uint8_t>(b);
    }
    for (int r = 0; r < 256; ++r)
        rank_[order[r]] = static_cast<uint8_t>(r);
}

uint32_t TXbTrieTreeSorter::FindOwner(uint32_t owner) const noexcept
{
    if (owners_.empty())
        return 0;
    const size_t mask = owners_.size() - 1;
    for (size_t slot = OwnerSlot(owner, ownerBits_);; slot = (slot + 1) & mask) {
        const uint64_t entry = owners_[slot];
        if (entry == 0)
            return 0;
        if (static_cast<uint32_t>(entry >> 32) == owner)
            return static_cast<uint32_t>(entry);
    }
}

void TXbTrieTreeSorter::SetOwner(uint32_t owner, uint32_t table)
{
    if (2 * (ownersUsed_ + 1) > owners_.size()) {
        std::vector<uint64_t> old;
        old.swap(owners_);
        owners_.assign(std::max<size_t>(1024, 2 * old.size()), 0);
        ownerBits_ = 0;
        while ((size_t{1} << ownerBits_) < owners_.size())
            ++ownerBits_;
        ownersUsed_ = 0;
        for (uint64_t entry : old)
            if (entry != 0)
                SetOwner(static_cast<uint32_t>(entry >> 32), static_cast<uint32_t>(entry));
    }
    const size_t mask = owners_.size() - 1;
    for (size_t slot = OwnerSlot(owner, ownerBits_);; slot = (slot + 1) & mask) {
        const uint64_t entry = owners_[slot];
        if (entry == 0 || static_cast<uint32_t>(entry >> 32) == owner) {
            if (entry == 0)
                ++ownersUsed_;
            owners_[slot] = static_cast<uint64_t>(owner) << 32 | table;
            return;
        }
    }
}

uint32_t* TXbTrieTreeSorter::TableOf(uint32_t owner, uint32_t bucket)
{
    uint32_t number;
    if (owner == 0)
        number = rootTables_[bucket];
    else if ((pool_.Node(owner)[0] & kIndexed) == 0)
        return nullptr;
    else
        number = FindOwner(owner);
    return number == 0 ? nullptr : Table(number);
}

void TXbTrieTreeSorter::IndexChain(uint32_t owner, uint32_t bucket)
{
    const uint32_t number = ++tables_;
    if (number / kTablesPerBlock >= tableBlocks_.size())
        tableBlocks_.push_back(std::make_unique<uint32_t[]>(size_t{kTablesPerBlock} * 256));
    uint32_t* table = Table(number);
    std::fill(table, table + 256, 0u);
    uint32_t node = owner == 0 ? roots_[bucket] : Load(pool_.Node(owner) + 1);
    while (node != 0) {
        const uint8_t* data = pool_.Node(node);
        table[rank_[data[9]]] = node;
        node = Load(data + 5);
    }
    if (owner == 0) {
        rootTables_[bucket] = number;
    } else {
        pool_.Node(owner)[0] |= kIndexed;
        SetOwner(owner, number);
    }
}

uint32_t TXbTrieTreeSorter::GetSortArray(int32_t)
{
    throw Exception("TXbTrieTreeSorter.GetSortArray: Not implemented!");
}

void TXbTrieTreeSorter::SetSortArray(int32_t, uint32_t)
{
    throw Exception("TXbTrieTreeSorter.SetSortArray: Not implemented!");
}

void TXbTrieTreeSorter::GetSortItem(int32_t, uint8_t*)
{
    throw Exception("TXbTrieTreeSorter.GetSortItem: Not implemented!");
}

void TXbTrieTreeSorter::SetSortItem(int32_t, const uint8_t*)
{
    throw Exception("TXbTrieTreeSorter.SetSortItem: Not implemented!");
}

uint8_t* TXbTrieTreeSorter::GetPSortItem(int32_t)
{
    throw Exception("TXbTrieTreeSorter.GetPSortItem: Not implemented!");
}

uint32_t TXbTrieTreeSorter::NewLeaf(uint32_t recNo)
{
    const uint32_t leaf = pool_.NewNode();
    uint8_t* node = pool_.Node(leaf);
    node[0] = kLeaf;
    Store(node + 1, recNo);
    Store(node + 5, leaf);  // a ring of one
    return leaf;
}

uint32_t TXbTrieTreeSorter::NewPath(const uint8_t* key, int from, uint32_t recNo, bool firstSingle)
{
    // Built from the leaf upwards, so every node knows its child when it is made.
    uint32_t below = NewLeaf(recNo);
    int end = keySize_;
    while (end > from) {
        int length = std::min(kMaxPacked, end - from);
        // The first node of the path must stay a one-byte node when it gets siblings.
        if (firstSingle && end - length == from && length > 1)
            length = std::min(kMaxPacked, end - from - 1);
        if (firstSingle && end - from == 1)
            length = 1;
        const int start = end - length;
        const uint32_t number = pool_.NewNode();
        uint8_t* node = pool_.Node(number);
        Store(node + 1, below);
        if (length == 1) {
            node[9] = key[start];
        } else {
            node[0] = static_cast<uint8_t>(kPacked | length);
            std::memcpy(node + 5, key + start, static_cast<size_t>(length));
        }
        below = number;
        end = start;
    }
    return below;
}

void TXbTrieTreeSorter::SplitPacked(uint32_t number, int keep)
{
    uint8_t* node = pool_.Node(number);
    const int length = node[0] & 7;
    const bool indexed = (node[0] & kIndexed) != 0;
    uint8_t bytes[kMaxPacked];
    std::memcpy(bytes, node + 5, static_cast<size_t>(length));
    const uint32_t child = Load(node + 1);
    // The rest below: one node of length - keep bytes.
    const uint32_t restNumber = pool_.NewNode();
    node = pool_.Node(number);  // the pool may have grown
    uint8_t* rest = pool_.Node(restNumber);
    const int restLength = length - keep;
    Store(rest + 1, child);
    if (restLength == 1) {
        rest[9] = bytes[keep];
    } else {
        rest[0] = static_cast<uint8_t>(kPacked | restLength);
        std::memcpy(rest + 5, bytes + keep, static_cast<size_t>(restLength));
    }
    if (indexed) {
        // The child chain now hangs below the rest, and its side table goes with it.
        rest[0] |= kIndexed;
        SetOwner(restNumber, FindOwner(number));
    }
    std::memset(node, 0, TXbMemSourceList::kNodeSize);
    Store(node + 1, restNumber);
    if (keep == 1) {
        node[9] = bytes[0];
    } else {
        node[0] = static_cast<uint8_t>(kPacked | keep);
        std::memcpy(node + 5, bytes, static_cast<size_t>(keep));
    }
}

bool TXbTrieTreeSorter::AddNewItem(const uint8_t* item)
{
    FlushPending();
    if (!InsertKey(item, Hash(item)))
        return false;
    ++count_;
    return true;
}

bool TXbTrieTreeSorter::AddItem(const uint8_t* item)
{
    if (unique_)
        return AddNewItem(item);
    // Nothing can be refused: the item waits in a batch (with its bucket, taken now, since a
    // hash method may answer for the latest item only).
    if (pending_.empty())
        pending_.resize(static_cast<size_t>(kBatch) * ItemSize());
    const uint32_t bucket = Hash(item);
    std::memcpy(pending_.data() + static_cast<size_t>(pendingCount_) * ItemSize(), item, static_cast<size_t>(ItemSize()));
    pendingBuckets_[pendingCount_++] = bucket;
    ++count_;
    if (pendingCount_ == kBatch)
        FlushPending();
    return true;
}

void TXbTrieTreeSorter::FlushPending()
{
    const int count = pendingCount_;
    if (count == 0)
        return;
    pendingCount_ = 0;
    // First the descents of the whole batch side by side, reading only: each step reads one
    // node or table entry asked for in the step before and asks for the next one, so that the
    // waits for memory overlap. Then the insertions, one after the other, find their paths at
    // hand. A read-ahead stops wherever the insertion will change the trie.
    struct TAhead {
        const uint8_t* Key;
        uint32_t Bucket;
        uint32_t Owner;  // 0: the bucket's top chain
        uint32_t Node;   // the chain node asked for, 0: the owner's chain is to be looked at
        const uint32_t* Slot;
        int Position;
        bool Done;
    };
    TAhead ahead[kBatch];
    for (int i = 0; i < count; ++i) {
        const uint8_t* item = pending_.data() + static_cast<size_t>(i) * ItemSize();
        ahead[i] = {item + 8, pendingBuckets_[i], 0, 0, nullptr, 0, firstItemOfBucket_[pendingBuckets_[i]] < 0};
    }
    for (bool moving = true; moving;) {
        moving = false;
        for (int i = 0; i < count; ++i) {
            TAhead& a = ahead[i];
            if (a.Done)
                continue;
            if (a.Position >= keySize_ || (settings_.KeysEndAtZero && a.Position > 0 && a.Key[a.Position - 1] == 0)) {
                a.Done = true;
                continue;
            }
            moving = true;
            if (a.Slot != nullptr) {
                // The side table entry asked for.
                const uint32_t found = *a.Slot;
                a.Slot = nullptr;
                if (found == 0) {
                    a.Done = true;
                    continue;
                }
                a.Owner = found;
                a.Position += 1;
                __builtin_prefetch(pool_.Node(found));
            } else if (a.Node == 0) {
                // The owner's chain: through its side table or from its head.
                if (const uint32_t* table = TableOf(a.Owner, a.Bucket)) {
                    a.Slot = table + rank_[a.Key[a.Position]];
                    __builtin_prefetch(a.Slot);
                } else {
                    a.Node = a.Owner == 0 ? roots_[a.Bucket] : Load(pool_.Node(a.Owner) + 1);
                    __builtin_prefetch(pool_.Node(a.Node));
                }
            } else {
                const uint8_t* data = pool_.Node(a.Node);
                if (data[0] & kPacked) {
                    const int length = data[0] & 7;
                    if (a.Position + length > keySize_ || std::memcmp(data + 5, a.Key + a.Position, static_cast<size_t>(length)) != 0) {
                        a.Done = true;
                        continue;
                    }
                    a.Owner = a.Node;
                    a.Position += length;
                    a.Node = 0;
                } else if (data[9] == a.Key[a.Position]) {
                    a.Owner = a.Node;
                    a.Position += 1;
                    a.Node = 0;
                } else if (rank_[data[9]] < rank_[a.Key[a.Position]] && Load(data + 5) != 0) {
                    a.Node = Load(data + 5);
                    __builtin_prefetch(pool_.Node(a.Node));
                } else {
                    a.Done = true;
                }
            }
        }
    }
    for (int i = 0; i < count; ++i)
        InsertKey(pending_.data() + static_cast<size_t>(i) * ItemSize(), pendingBuckets_[i]);
}

bool TXbTrieTreeSorter::InsertKey(const uint8_t* item, uint32_t bucket)
{
    const uint8_t* key = item + 8;
    const uint32_t recNo = XbSortItemRecNo(item);
    if (firstItemOfBucket_[bucket] < 0) {
        if (roots_[bucket] != 0)
            throw Exception("TXbTrieTreeSorter.AddNewItem: Illegal use HashSortItem array!");
        firstItemOfBucket_[bucket] = static_cast<int32_t>(firstItems_.size());
        firstItems_.emplace_back(item, item + ItemSize());
        usedBuckets_.push_back(bucket);
        roots_[bucket] = NewPath(key, 0, recNo, false);
        return true;
    }

    // `link` is the word that holds the first node of the chain at `position`: a bucket root
    // or a node's child field (addressed by node number, since the pool may grow).
    uint32_t linkOwner = 0;  // 0: the bucket root
    int position = 0;
    auto chainHead = [&]() -> uint32_t { return linkOwner == 0 ? roots_[bucket] : Load(pool_.Node(linkOwner) + 1); };
    auto setChainHead = [&](uint32_t value) {
        if (linkOwner == 0)
            roots_[bucket] = value;
        else
            Store(pool_.Node(linkOwner) + 1, value);
    };

    while (position < keySize_) {
        if (settings_.KeysEndAtZero && position > 0 && key[position - 1] == 0) {
            // Past the key's end: an equal key is here already. The rest of the bytes go on a
            // path of this item's own, after those of the items before it.
            if (unique_)
                return false;
            uint32_t last = chainHead();
            if (pool_.Node(last)[0] & kPacked)
                SplitPacked(last, 1);
            while (Load(pool_.Node(last) + 5) != 0)
                last = Load(pool_.Node(last) + 5);
            const uint32_t branch = NewPath(key, position, recNo, true);
            Store(pool_.Node(last) + 5, branch);
                return true;
        }
        if (uint32_t* table = TableOf(linkOwner, bucket)) {
            const int rank = rank_[key[position]];
            const uint32_t found = table[rank];
            if (found != 0) {
                linkOwner = found;
                position += 1;
                continue;
            }
            // A new sibling after the nearest one before it in the trie's order.
            uint32_t before = 0;
            for (int r = rank - 1; r >= 0 && before == 0; --r)
                before = table[r];
            const uint32_t branch = NewPath(key, position, recNo, true);
            if (before == 0) {
                Store(pool_.Node(branch) + 5, chainHead());
                setChainHead(branch);
            } else {
                Store(pool_.Node(branch) + 5, Load(pool_.Node(before) + 5));
                Store(pool_.Node(before) + 5, branch);
            }
            table[rank] = branch;
                return true;
        }
        uint32_t previous = 0;  // the sibling before `node`, 0 at the chain head
        uint32_t node = chainHead();
        bool descended = false;
        int passed = 0;
        const int keyRank = rank_[key[position]];
        const uint32_t owner = linkOwner;
        while (node != 0) {
            uint8_t* data = pool_.Node(node);
            if (data[0] & kPacked) {
                const int length = data[0] & 7;
                // Where keys end at a zero byte, a match goes no further than it: the path is cut
                // there, so that what follows is kept per item.
                int limit = length;
                if (settings_.KeysEndAtZero)
                    if (const void* zero = std::memchr(data + 5, 0, static_cast<size_t>(length)))
                        limit = static_cast<int>(static_cast<const uint8_t*>(zero) - (data + 5)) + 1;
                int matched = 0;
                while (matched < limit && position + matched < keySize_ && data[5 + matched] == key[position + matched])
                    ++matched;
                if (matched == length) {
                    linkOwner = node;
                    position += length;
                    descended = true;
                    break;
                }
                // The key leaves the packed path: split so that the branching byte starts a
                // one-byte node, then look at this chain again.
                if (matched == 0) {
                    SplitPacked(node, 1);
                    continue;
                }
                SplitPacked(node, matched);
                const uint32_t rest = Load(pool_.Node(node) + 1);
                if (pool_.Node(rest)[0] & kPacked)
                    SplitPacked(rest, 1);
                linkOwner = node;
                position += matched;
                descended = true;
                break;
            }
            const int order = static_cast<int>(rank_[data[9]]) - keyRank;
            if (order == 0) {
                linkOwner = node;
                position += 1;
                descended = true;
                break;
            }
            if (order > 0)
                break;
            ++passed;
            previous = node;
            node = Load(data + 5);
        }
        if (descended) {
            if (passed >= kTableAfter)
                IndexChain(owner, bucket);
            continue;
        }
        // A new branch before `node` (or at the chain's end).
        const uint32_t branch = NewPath(key, position, recNo, true);
        Store(pool_.Node(branch) + 5, node);
        if (previous == 0)
            setChainHead(branch);
        else
            Store(pool_.Node(previous) + 5, branch);
        if (passed >= kTableAfter)
            IndexChain(owner, bucket);
        return true;
    }

    // The whole key is present: its leaves hang below `linkOwner`.
    if (unique_)
        return false;
    const uint32_t newest = Load(pool_.Node(linkOwner) + 1);
    const uint32_t leaf = NewLeaf(recNo);
    Store(pool_.Node(leaf) + 5, Load(pool_.Node(newest) + 5));
    Store(pool_.Node(newest) + 5, leaf);
    Store(pool_.Node(linkOwner) + 1, leaf);
    return true;
}

void TXbTrieTreeSorter::Sort()
{
    FlushPending();
    // Buckets in the order of their keys (each holds one key range: its first item stands for it).
    std::sort(usedBuckets_.begin(), usedBuckets_.end(), [this](uint32_t a, uint32_t b) {
        int keyResult = 0;
        return CompareItems(firstItems_[firstItemOfBucket_[a]].data(), firstItems_[firstItemOfBucket_[b]].data(),
                            keyResult) < 0;
    });
}

void TXbTrieTreeSorter::Clear()
{
    TXbInnerSorter::Clear();
    pendingCount_ = 0;
    pool_.Clear();
    tables_ = 0;
    std::fill(rootTables_.begin(), rootTables_.end(), 0);
    owners_.clear();
    ownersUsed_ = 0;
    std::fill(roots_.begin(), roots_.end(), 0);
    std::fill(firstItemOfBucket_.begin(), firstItemOfBucket_.end(), -1);
    usedBuckets_.clear();
    firstItems_.clear();
    stack_.clear();
    walkBucket_ = 0;
    leaf_ = 0;
    lastLeaf_ = 0;
}

void TXbTrieTreeSorter::Descend(uint32_t node, int position)
{
    for (;;) {
        const uint8_t* data = pool_.Node(node);
        // The sibling (or the next leaf of the key) comes next once this one is done: ask for it
        // now, so that it is at hand by then.
        if (const uint32_t sibling = Load(data + 5); sibling != 0 && (data[0] & kPacked) == 0)
            __builtin_prefetch(pool_.Node(sibling));
        if (data[0] & kLeaf) {
            // The newest leaf of the ring: the walk starts at the oldest, after it.
            lastLeaf_ = node;
            leaf_ = Load(data + 5);
            LoadCurrent();
            return;
        }
        stack_.push_back({node, position});
        if (data[0] & kPacked) {
            const int length = data[0] & 7;
            std::memcpy(current_.data() + 8 + position, data + 5, static_cast<size_t>(length));
            position += length;
        } else {
            current_[8 + static_cast<size_t>(position)] = data[9];
            position += 1;
        }
        node = Load(data + 1);
    }
}

void TXbTrieTreeSorter::LoadCurrent()
{
    const uint32_t recNo = Load(pool_.Node(leaf_) + 1);
    std::memset(current_.data(), 0, 4);
    for (int i = 0; i < 4; ++i)
        current_[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(recNo >> (8 * i));
}

bool TXbTrieTreeSorter::StartBucket()
{
    stack_.clear();
    if (walkBucket_ >= usedBuckets_.size())
        return true;
    Descend(roots_[usedBuckets_[walkBucket_]], 0);
    return false;
}

bool TXbTrieTreeSorter::FirstSortItem()
{
    FlushPending();
    walkBucket_ = 0;
    if (count_ <= 0)
        return true;
    return StartBucket();
}

bool TXbTrieTreeSorter::NextSortItem()
{
    if (walkBucket_ >= usedBuckets_.size())
        return true;
    if (leaf_ != lastLeaf_) {
        const uint32_t nextLeaf = Load(pool_.Node(leaf_) + 5);
        leaf_ = nextLeaf;
        if (const uint32_t after = Load(pool_.Node(nextLeaf) + 5); after != 0)
            __builtin_prefetch(pool_.Node(after));
        LoadCurrent();
        return false;
    }
    while (!stack_.empty()) {
        const TFrame frame = stack_.back();
        stack_.pop_back();
        const uint8_t* data = pool_.Node(frame.Node);
        if (data[0] & kPacked)
            continue;
        const uint32_t sibling = Load(data + 5);
        if (sibling != 0) {
            Descend(sibling, frame.Position);
            return false;
        }
    }
    ++walkBucket_;
    return StartBucket();
}
