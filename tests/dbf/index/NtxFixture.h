#pragma once
// A small writer of NTX files for the index tests and benchmarks: it lays given keys (already in
// tree order) into a B-tree bottom-up, page by page, with the header the engine reads. It is kept
// apart from the engine's own code on purpose, so that the reader is checked against an
// independent writer (and both against an outside reader).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

struct TNtxItem {
    std::string Key;  // exactly the key size
    uint32_t RecNo = 0;
};

struct TNtxOptions {
    int KeySize = 10;
    std::string KeyExpression;
    std::string ForExpression;
    std::string OrderName;
    bool Unique = false;
    bool Descend = false;
    uint16_t Signature = 6;
    uint16_t Version = 1;
    uint16_t Decimals = 0;
    // Keys per page while building (0: the page capacity); small values give deep trees.
    int Fill = 0;
    // Items lie in the item area in reverse slot order, so only the slot table gives the order.
    bool ReverseItemArea = false;
    // Enciphers a page in place (context: its file offset) before it is written.
    std::function<void(uint32_t offset, uint8_t* page)> Encipher;
};

namespace ntx_fixture {

inline void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline int ItemsPerPage(int itemSize) { return (1020 - itemSize) / (itemSize + 2); }

}  // namespace ntx_fixture

inline int NtxCapacity(int keySize)
{
    const int n = ntx_fixture::ItemsPerPage(keySize + 8);
    return n - n % 2;
}

// Sorts items into the tree order of a plain index: keys byte by byte (reversed for a descending
// index), equal keys by record number.
inline void SortNtxItems(std::vector<TNtxItem>& items, bool descend)
{
    std::stable_sort(items.begin(), items.end(), [descend](const TNtxItem& a, const TNtxItem& b) {
        const int c = std::memcmp(a.Key.data(), b.Key.data(), std::min(a.Key.size(), b.Key.size()));
        if (c != 0)
            return descend ? c > 0 : c < 0;
        return a.RecNo < b.RecNo;
    });
}

// The NTX file holding `items`, which must be in tree order.
inline std::vector<uint8_t> BuildNtx(const TNtxOptions& options, const std::vector<TNtxItem>& items)
{
    using namespace ntx_fixture;
    const int itemSize = options.KeySize + 8;
    const int n = ItemsPerPage(itemSize);
    const int capacity = n - n % 2;
    // At least two keys a page, so that no page but an empty root is left without keys.
    const int fill = std::max(2, options.Fill > 0 ? std::min(options.Fill, capacity) : capacity);
    std::vector<uint8_t> file(1024, 0);

    struct TEntry {
        std::string Key;
        uint32_t RecNo;
        uint32_t Child;  // left child
    };
    auto writePage = [&](const std::vector<TEntry>& entries, size_t first, size_t count, uint32_t rightmost) {
        const uint32_t offset = static_cast<uint32_t>(file.size());
        std::vector<uint8_t> page(1024, 0);
        Put16(page.data(), static_cast<uint32_t>(count));
        const int area = 2 * capacity + 4;
        for (int slot = 0; slot <= capacity; ++slot) {
            const int place = options.ReverseItemArea ? capacity - slot : slot;
            Put16(page.data() + 2 + 2 * slot, static_cast<uint32_t>(area + place * itemSize));
        }
        auto item = [&](size_t slot) {
            const uint8_t* s = page.data() + 2 + 2 * slot;
            return page.data() + (s[0] | (s[1] << 8));
        };
        for (size_t i = 0; i < count; ++i) {
            const TEntry& entry = entries[first + i];
            uint8_t* p = item(i);
            Put32(p, entry.Child);
            Put32(p + 4, entry.RecNo);
            std::memcpy(p + 8, entry.Key.data(), static_cast<size_t>(options.KeySize));
        }
        Put32(item(count), rightmost);
        if (options.Encipher)
            options.Encipher(offset, page.data());
        file.insert(file.end(), page.begin(), page.end());
        return offset;
    };

    std::vector<TEntry> entries;
    for (const TNtxItem& item : items) {
        std::string key = item.Key;
        key.resize(static_cast<size_t>(options.KeySize), ' ');
        entries.push_back({key, item.RecNo, 0});
    }
    uint32_t last = 0;
    uint32_t root = 0;
    for (;;) {
        const size_t k = entries.size();
        const size_t pages = (k + 1 + static_cast<size_t>(fill)) / static_cast<size_t>(fill + 1);
        if (pages <= 1) {
            root = writePage(entries, 0, k, last);
            break;
        }
        // Every page but the last is followed by one separator that moves up.
        const size_t keys = k - (pages - 1);
        std::vector<TEntry> separators;
        size_t at = 0;
        for (size_t i = 0; i < pages; ++i) {
            const size_t count = keys / pages + (i < keys % pages ? 1 : 0);
            const uint32_t rightmost = at + count < k ? entries[at + count].Child : last;
            const uint32_t page = writePage(entries, at, count, rightmost);
            at += count;
            if (i + 1 < pages) {
                TEntry separator = entries[at++];
                separator.Child = page;
                separators.push_back(separator);
            } else {
                last = page;
            }
        }
        entries = std::move(separators);
    }

    uint8_t* h = file.data();
    Put16(h, options.Signature);
    Put16(h + 2, options.Version);
    Put32(h + 4, root);
    Put32(h + 8, 0);
    Put16(h + 12, static_cast<uint32_t>(itemSize));
    Put16(h + 14, static_cast<uint32_t>(options.KeySize));
    Put16(h + 16, options.Decimals);
    Put16(h + 18, static_cast<uint32_t>(capacity));
    Put16(h + 20, static_cast<uint32_t>(n / 2));
    std::memcpy(h + 22, options.KeyExpression.data(), std::min<size_t>(options.KeyExpression.size(), 255));
    h[278] = options.Unique ? 1 : 0;
    h[280] = options.Descend ? 1 : 0;
    std::memcpy(h + 282, options.ForExpression.data(), std::min<size_t>(options.ForExpression.size(), 255));
    std::memcpy(h + 538, options.OrderName.data(), std::min<size_t>(options.OrderName.size(), 8));
    return file;
}

// The key text of a number in `width` positions with `decimals` decimals, as index keys hold it:
// zero-padded, and for a negative number every character c turned into 92 - c (the point kept).
inline std::string NumericKeyText(double value, int width, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%0*.*f", width, decimals, value < 0 ? -value : value);
    std::string key = text;
    if (value < 0)
        for (char& c : key)
            if (c != '.')
                c = static_cast<char>(92 - c);
    return key;
}
