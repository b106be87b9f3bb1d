#pragma once
// An independent check of a whole NTX file, read from its bytes without the engine: every page
// is either in the tree (reached once) or on the free list, every slot table is a permutation of
// the item places, keys keep the tree order (bytes, then record number), and for a balanced tree
// every leaf lies at the same depth and every page but the root is at least half full.

#include "NtxFixture.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

struct TNtxFileCheck {
    std::vector<TNtxItem> Items;  // in tree order
    std::string Fault;            // empty when sound
    int TreePages = 0;
    int FreePages = 0;
    // Inner pages whose first child link is empty (left by deletion without rebalancing). The
    // Perl reader takes a page whose first link is empty for a leaf and misses its subtrees.
    int EmptyFirstLinks = 0;
};

class TNtxFileChecker {
public:
    TNtxFileChecker(const std::vector<uint8_t>& file, bool balanced) : file_(file), balanced_(balanced) {}

    TNtxFileCheck Run()
    {
        if (file_.size() < 2048 || file_.size() % 1024 != 0)
            return Failed("file size " + std::to_string(file_.size()));
        const uint8_t* h = file_.data();
        if (Get16(h + 2) > 65531)
            return Failed("version " + std::to_string(Get16(h + 2)) + " marks an unfinished update");
        root_ = Get32(h + 4);
        keySize_ = Get16(h + 14);
        itemSize_ = Get16(h + 12);
        capacity_ = Get16(h + 18);
        half_ = Get16(h + 20);
        descend_ = h[280] != 0;
        pages_ = file_.size() / 1024 - 1;
        seen_.assign(pages_, false);
        if (!Walk(root_, 0, std::nullopt, std::nullopt))
            return result_;
        for (uint32_t page = Get32(h + 8); page != 0;) {
            if (!Mark(page))
                return result_;
            const uint8_t* p = Page(page);
            if (Get16(p) != 0)
                return Failed("free page " + std::to_string(page) + " holds keys");
            ++result_.FreePages;
            page = Get32(p + Get16(p + 2));
        }
        for (size_t i = 0; i < pages_; ++i)
            if (!seen_[i])
                return Failed("page " + std::to_string((i + 1) * 1024) + " is neither in the tree nor free");
        return result_;
    }

private:
    static uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
    static uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }
    const uint8_t* Page(uint32_t offset) const { return file_.data() + offset; }

    TNtxFileCheck Failed(const std::string& fault)
    {
        if (result_.Fault.empty())
            result_.Fault = fault;
        return result_;
    }

    bool Fail(const std::string& fault)
    {
        Failed(fault);
        return false;
    }

    bool Mark(uint32_t page)
    {
        if (page < 1024 || page % 1024 != 0 || page / 1024 - 1 >= pages_) {
            Failed("page offset " + std::to_string(page) + " outside the file");
            return false;
        }
        if (seen_[page / 1024 - 1]) {
            Failed("page " + std::to_string(page) + " met twice");
            return false;
        }
        seen_[page / 1024 - 1] = true;
        return true;
    }

    int Compare(const TNtxItem& a, const TNtxItem& b) const
    {
        int c = std::memcmp(a.Key.data(), b.Key.data(), static_cast<size_t>(keySize_));
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        if (descend_)
            c = -c;
        if (c != 0)
            return c;
        return a.RecNo < b.RecNo ? -1 : (a.RecNo > b.RecNo ? 1 : 0);
    }

    bool Walk(uint32_t page, int depth, const std::optional<TNtxItem>& low, const std::optional<TNtxItem>& high)
    {
        if (!Mark(page))
            return false;
        const uint8_t* p = Page(page);
        const int count = static_cast<int>(Get16(p));
        const std::string name = "page " + std::to_string(page);
        if (count > capacity_)
            return Fail(name + " count " + std::to_string(count));
        std::vector<bool> places(static_cast<size_t>(capacity_) + 1, false);
        const int area = 2 * capacity_ + 4;
        for (int i = 0; i <= capacity_; ++i) {
            const int slot = static_cast<int>(Get16(p + 2 + 2 * i));
            const int place = (slot - area) / itemSize_;
            if (slot < area || (slot - area) % itemSize_ != 0 || place > capacity_ || places[static_cast<size_t>(place)])
                return Fail(name + " slot table is no permutation");
            places[static_cast<size_t>(place)] = true;
        }
        auto item = [&](int i) { return p + Get16(p + 2 + 2 * i); };
        if (balanced_ && page != root_ && count < half_)
            return Fail(name + " holds " + std::to_string(count) + " keys, below half page");
        const bool leaf = Get32(item(0)) == 0;
        if (leaf)
            for (int i = 1; i <= count; ++i)
                if (Get32(item(i)) != 0) {
                    ++result_.EmptyFirstLinks;
                    break;
                }
        if (balanced_)
            for (int i = 0; i <= count; ++i)
                if ((Get32(item(i)) == 0) != leaf)
                    return Fail(name + " mixes children and empty links");
        if (balanced_ && leaf) {
            if (leafDepth_ < 0)
                leafDepth_ = depth;
            else if (leafDepth_ != depth)
                return Fail(name + " is a leaf at depth " + std::to_string(depth));
        }
        if (!balanced_ && page != root_ && count == 0 && leaf)
            return Fail(name + " is empty but linked");
        std::optional<TNtxItem> before = low;
        for (int i = 0; i <= count; ++i) {
            std::optional<TNtxItem> current;
            if (i < count)
                current = TNtxItem{std::string(reinterpret_cast<const char*>(item(i) + 8), static_cast<size_t>(keySize_)),
                                   Get32(item(i) + 4)};
            const std::optional<TNtxItem>& upper = i < count ? current : high;
            const uint32_t child = Get32(item(i));
            if (child != 0 && !Walk(child, depth + 1, before, upper))
                return false;
            if (!current)
                break;
            if ((before && Compare(*before, *current) >= 0) || (high && Compare(*current, *high) >= 0))
                return Fail(name + " keys out of order at slot " + std::to_string(i));
            result_.Items.push_back(*current);
            before = current;
        }
        ++result_.TreePages;
        return true;
    }

    const std::vector<uint8_t>& file_;
    bool balanced_;
    uint32_t root_ = 0;
    int keySize_ = 0;
    int itemSize_ = 0;
    int capacity_ = 0;
    int half_ = 0;
    bool descend_ = false;
    size_t pages_ = 0;
    std::vector<bool> seen_;
    int leafDepth_ = -1;
    TNtxFileCheck result_;
};

inline TNtxFileCheck CheckNtxFile(const std::vector<uint8_t>& file, bool balanced)
{
    return TNtxFileChecker(file, balanced).Run();
}
