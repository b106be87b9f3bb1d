// The NTX file format (header and page layout, the size formulas, the checks that refuse damaged
// headers and pages), the collation weights and the page cache.
#include "dbf/XbDBFCollation.h"
#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFPrx.h"
#include "dbf/index/XbNTXBuffers.h"
#include "dbf/index/XbNTXFormat.h"
#include "platform/rtl/Exceptions.h"
#include "NtxTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(XbNTXFormat, CapacityAndHalfPageOfKeySizes)
{
    const struct {
        int keySize, capacity, halfPage;
    } cases[] = {{1, 90, 45}, {4, 72, 36}, {8, 54, 27}, {10, 50, 25}, {12, 44, 22}, {20, 32, 16},
                 {30, 24, 12}, {50, 16, 8},  {100, 8, 4},  {250, 2, 1},  {330, 2, 1}, {331, 0, 0}};
    for (const auto& c : cases) {
        TXbNTXHeader header;
        header.SetKeySize(c.keySize);
        EXPECT_EQ(header.ItemSize, c.keySize + 8);
        EXPECT_EQ(header.Capacity, c.capacity) << "key size " << c.keySize;
        EXPECT_EQ(header.HalfPage, c.halfPage) << "key size " << c.keySize;
    }
    // Every allowed key size gives a page that fits.
    for (int keySize = 1; keySize <= kNTXMaxKeySize; ++keySize) {
        const int itemSize = keySize + 8;
        const int capacity = NTXCapacity(itemSize);
        ASSERT_GE(capacity, 2) << keySize;
        EXPECT_LE(2 + 2 * (capacity + 1) + (capacity + 1) * itemSize, kNTXPageSize) << keySize;
    }
}

TEST(XbNTXFormat, HeaderRoundTripAndFieldLimits)
{
    TXbNTXHeader header;
    header.Signature = 7;
    header.Version = 65531;
    header.Root = 5120;
    header.FreePage = 3072;
    header.SetKeySize(12);
    header.Decimals = 2;
    header.KeyExpression = "UPPER(NAME)+DTOS(BORN)";
    header.ForExpression = std::string(300, 'F');  // longer than the field
    header.Unique = true;
    header.Descend = true;
    header.OrderName = "CUSTOMERS";  // nine characters: eight are kept
    uint8_t image[kNTXHeaderSize];
    std::memset(image, 0xEE, sizeof image);
    WriteNTXHeader(header, image);
    EXPECT_EQ(image[279], 0);
    EXPECT_EQ(image[281], 0);
    EXPECT_EQ(image[kNTXForExpressionOffset + 255], 0);
    EXPECT_EQ(image[1023], 0);

    const TXbNTXHeader back = ReadNTXHeader(image);
    EXPECT_EQ(back.Signature, 7);
    EXPECT_EQ(back.Version, 65531);
    EXPECT_EQ(back.Root, 5120u);
    EXPECT_EQ(back.FreePage, 3072u);
    EXPECT_EQ(back.ItemSize, 20);
    EXPECT_EQ(back.Capacity, 44);
    EXPECT_EQ(back.HalfPage, 22);
    EXPECT_EQ(back.Decimals, 2);
    EXPECT_EQ(back.KeyExpression, "UPPER(NAME)+DTOS(BORN)");
    EXPECT_EQ(back.ForExpression, std::string(255, 'F'));
    EXPECT_TRUE(back.Unique);
    EXPECT_TRUE(back.Descend);
    EXPECT_EQ(back.OrderName, "CUSTOMER");

    // Any non-zero flag byte counts; the version wraps after 65531.
    image[kNTXUniqueOffset] = 0x80;
    image[kNTXDescendOffset] = 0;
    EXPECT_TRUE(ReadNTXHeader(image).Unique);
    EXPECT_FALSE(ReadNTXHeader(image).Descend);
    EXPECT_EQ(NTXNextVersion(65530), 65531);
    EXPECT_EQ(NTXNextVersion(65531), 0);
}

TEST(XbNTXFormat, DamagedHeadersAreRefused)
{
    TXbNTXHeader sound;
    sound.SetKeySize(10);
    ASSERT_EQ(CheckNTXHeader(sound, 2048), "");
    const struct {
        const char* what;
        std::function<void(TXbNTXHeader&)> damage;
        uint64_t fileSize;
        const char* fault;
    } cases[] = {
        {"key size 0", [](TXbNTXHeader& h) { h.SetKeySize(0); }, 2048, "key size 0"},
        {"key too long", [](TXbNTXHeader& h) { h.SetKeySize(331); }, 2048, "key size 331"},
        {"item size", [](TXbNTXHeader& h) { h.ItemSize = 12; }, 2048, "item size 12"},
        {"capacity", [](TXbNTXHeader& h) { h.Capacity = 60; }, 2048, "capacity 60"},
        {"half page", [](TXbNTXHeader& h) { h.HalfPage = 30; }, 2048, "half page 30"},
        {"root in the header", [](TXbNTXHeader& h) { h.Root = 0; }, 2048, "root page 0"},
        {"root not on a page", [](TXbNTXHeader& h) { h.Root = 1500; }, 4096, "root page 1500"},
        {"root past the end", [](TXbNTXHeader& h) { h.Root = 2048; }, 2048, "root page 2048"},
        {"free page past the end", [](TXbNTXHeader& h) { h.FreePage = 9216; }, 2048, "free page 9216"},
    };
    for (const auto& c : cases) {
        TXbNTXHeader header = sound;
        c.damage(header);
        EXPECT_NE(CheckNTXHeader(header, c.fileSize).find(c.fault), std::string::npos) << c.what;
    }
}

TEST(XbNTXFormat, DamagedPagesAreRefused)
{
    TXbNTXHeader header;
    header.SetKeySize(8);
    const TXbNTXGeometry geometry = TXbNTXGeometry::Of(header);
    auto freshPage = [&] {
        std::vector<uint8_t> page(kNTXPageSize);
        TXbNTXPage view(page.data(), geometry);
        view.Initialize();
        view.SetCount(2);
        view.SetRecNo(0, 1);
        view.SetRecNo(1, 2);
        view.SetChild(2, 2048);
        return page;
    };
    {
        std::vector<uint8_t> page = freshPage();
        EXPECT_EQ(CheckNTXPage(page.data(), geometry, 3072), "");
        // A fresh page: slot i at item i of the area that follows the slot table.
        TXbNTXPage view(page.data(), geometry);
        EXPECT_EQ(view.Slot(0), 2 * 54 + 4);
        EXPECT_EQ(view.Slot(54), 2 * 54 + 4 + 54 * 16);
    }
    const struct {
        const char* what;
        std::function<void(TXbNTXPage&)> damage;
        const char* fault;
    } cases[] = {
        {"count", [](TXbNTXPage& p) { p.SetCount(55); }, "key count 55 above the page capacity 54"},
        {"slot in the slot table", [](TXbNTXPage& p) { p.SetSlot(1, 40); }, "slot 1 at offset 40"},
        {"slot past the page", [](TXbNTXPage& p) { p.SetSlot(0, 1020); }, "slot 0 at offset 1020"},
        {"shared slot", [](TXbNTXPage& p) { p.SetSlot(2, p.Slot(0)); }, "two slots"},
        {"child past the end", [](TXbNTXPage& p) { p.SetChild(2, 3072); }, "child page 3072"},
        {"child off a page", [](TXbNTXPage& p) { p.SetChild(0, 1030); }, "child page 1030"},
        {"record number 0", [](TXbNTXPage& p) { p.SetRecNo(1, 0); }, "record number 0"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> page = freshPage();
        TXbNTXPage view(page.data(), geometry);
        c.damage(view);
        EXPECT_NE(CheckNTXPage(page.data(), geometry, 3072).find(c.fault), std::string::npos) << c.what;
    }
}

TEST(XbCollation, BuiltInTablesKeepTheStatedRows)
{
    const uint8_t* german = XbBuiltInCollationWeights(TXbCollationTypes::cltGermanCollation);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german['A'], 65);
    EXPECT_EQ(german['B'], 67);
    EXPECT_EQ(german['a'], 100);
    EXPECT_EQ(german['b'], 102);
    EXPECT_EQ(german[0x84], 101);  // a umlaut between a and b
    const uint8_t* russian = XbBuiltInCollationWeights(TXbCollationTypes::cltClipper501Rus);
    EXPECT_EQ(russian['A'], 56);
    EXPECT_EQ(russian['a'], 82);
    const uint8_t* portuguese = XbBuiltInCollationWeights(TXbCollationTypes::cltPortugueseCollation);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(portuguese[b], b);
    EXPECT_EQ(XbBuiltInCollationWeights(TXbCollationTypes::cltNone), nullptr);
    EXPECT_EQ(XbBuiltInCollationWeights(TXbCollationTypes::cltCustom), nullptr);
    EXPECT_EQ(XbBuiltInCollationWeights(static_cast<TXbCollationTypes>(40)), nullptr);
    // Every derived table gives each byte its own weight, and digits and complemented digits
    // keep their order (numeric keys stay sorted under any collation).
    for (int type = static_cast<int>(TXbCollationTypes::cltClipper501Rus);
         type <= static_cast<int>(TXbCollationTypes::cltHungarian852Collation); ++type) {
        const uint8_t* weights = XbBuiltInCollationWeights(static_cast<TXbCollationTypes>(type));
        ASSERT_NE(weights, nullptr) << type;
        std::vector<bool> seen(256);
        for (int b = 0; b < 256; ++b)
            seen[weights[b]] = true;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256) << type;
        const std::string digits = "#$%&'()*+,0123456789";  // complemented digits, then digits
        for (size_t i = 1; i < digits.size(); ++i)
            EXPECT_LT(weights[static_cast<uint8_t>(digits[i - 1])], weights[static_cast<uint8_t>(digits[i])])
                << type << " " << digits[i];
    }
}

TEST(XbCollation, CustomSequences)
{
    const struct {
        std::string sequence;
        std::vector<std::pair<int, int>> weights;  // byte, weight
    } cases[] = {
        {"5;4;3", {{0, 5}, {1, 4}, {2, 2}, {3, 3}}},  // text after the last ";" is ignored
        {"7;x;9;", {{0, 7}, {1, 1}, {2, 9}, {3, 3}}},  // a piece that is no number keeps identity
        {"", {{0, 0}, {255, 255}}},
        {TXbCollation::IdentitySequence(), {{0, 0}, {65, 65}, {255, 255}}},
    };
    for (const auto& c : cases) {
        const TXbCollationWeights weights = XbCustomCollationWeights(c.sequence);
        for (auto [byte, weight] : c.weights)
            EXPECT_EQ(weights[static_cast<size_t>(byte)], weight) << c.sequence.substr(0, 20) << " byte " << byte;
    }
    // Positions beyond 255 wrap to byte 0.
    std::string wrapping;
    for (int i = 0; i < 256; ++i)
        wrapping += "1;";
    wrapping += "9;";
    EXPECT_EQ(XbCustomCollationWeights(wrapping)[0], 9);
    EXPECT_EQ(XbCustomCollationWeights(wrapping)[1], 1);
}

// A file of `pages` pages after the header, page p filled with the byte p.
class TCacheFile {
public:
    explicit TCacheFile(int pages)
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(kNTXHeaderSize + pages * kNTXPageSize));
        for (int p = 0; p < pages; ++p)
            std::memset(bytes.data() + kNTXHeaderSize + p * kNTXPageSize, p + 1, kNTXPageSize);
        WriteWholeFile(path_, bytes);
        stream.FileName = path_;
        stream.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
        stream.OpenStream();
    }
    std::vector<uint8_t> Bytes() const { return ReadWholeFile(path_); }

    TProxyStream stream;

private:
    TScratchFolder folder_;
    std::string path_ = folder_.File("cache.ntx");
};

TEST(XbNTXBuffers, BlocksAreFoundByOffset)
{
    TCacheFile file(12);
    TXbNTXBuffers cache;
    cache.Attach(&file.stream, nullptr);
    cache.SetPagesPerBlock(4);
    // The page at 5120 lives in the block starting at 4096, as its second page.
    TXbNTXNode& node = cache.GetNTXBuffer(5120, true);
    EXPECT_EQ(node.Block->StartOffset(), 4096u);
    EXPECT_EQ(node.IndexInBlock, 1);
    EXPECT_EQ(node.Data()[0], 5);  // page 5 of the file (the header is page 0)
    cache.Release(node);
    // Pages of one block cost one read; blocks stay sorted by start.
    for (uint32_t offset : {4096u, 6144u, 7168u, 1024u, 12288u, 9216u})
        cache.Release(cache.GetNTXBuffer(offset, true));
    EXPECT_EQ(cache.BlockReads(), 4);
    ASSERT_EQ(cache.BlockCount(), 4);
    for (int i = 1; i < cache.BlockCount(); ++i)
        EXPECT_LT(cache.BlockAt(i - 1).StartOffset(), cache.BlockAt(i).StartOffset());
    // A page appended at the end is not read.
    TXbNTXNode& fresh = cache.GetNTXBuffer(13312, false);
    EXPECT_EQ(fresh.Data()[0], 0);
    cache.Release(fresh);
}

TEST(XbNTXBuffers, DirtyPagesAreWrittenAsOneRun)
{
    TCacheFile file(8);
    TXbNTXBuffers cache;
    cache.Attach(&file.stream, nullptr);
    cache.SetPagesPerBlock(4);
    // Pages 1 to 4 of the file form the block at 4096 (pages 4..7); change all four in memory
    // and mark only the second and the fourth dirty.
    for (uint32_t offset : {4096u, 5120u, 6144u, 7168u}) {
        TXbNTXPageRef page(cache, offset);
        std::memset(page.Data(), 0xAB, kNTXPageSize);
    }
    cache.MarkDirty(5120);
    cache.MarkDirty(7168);
    cache.FlushAll();
    const std::vector<uint8_t> bytes = file.Bytes();
    EXPECT_EQ(bytes[4096], 4) << "a clean page before the run is not written";
    EXPECT_EQ(bytes[5120], 0xAB);
    EXPECT_EQ(bytes[6144], 0xAB) << "a clean page inside the run is written with it";
    EXPECT_EQ(bytes[7168], 0xAB);
    EXPECT_FALSE(cache.BlockAt(0).HasDirtyPage());
}

TEST(XbNTXBuffers, LimitedCacheEvictsTheLeastUsedUnpinnedBlock)
{
    TCacheFile file(12);
    TXbNTXBuffers cache;
    cache.Attach(&file.stream, nullptr);
    cache.SetPagesPerBlock(1);
    cache.LimitType = TXbLimitBuffersType::lbtLimited;
    cache.BlockLimit = 2;
    for (int i = 0; i < 3; ++i)
        cache.Release(cache.GetNTXBuffer(1024, true));
    cache.Release(cache.GetNTXBuffer(2048, true));
    {
        // A dirty page of the victim is written before its block takes other pages.
        TXbNTXPageRef page(cache, 2048);
        page.Data()[0] = 0x77;
        cache.MarkDirty(2048);
    }
    cache.Release(cache.GetNTXBuffer(3072, true));
    ASSERT_EQ(cache.BlockCount(), 2);
    EXPECT_EQ(cache.BlockAt(0).StartOffset(), 1024u) << "the block used three times stays";
    EXPECT_EQ(cache.BlockAt(1).StartOffset(), 3072u);
    EXPECT_EQ(file.Bytes()[2048], 0x77);

    // Every block pinned at the limit: the request fails with the cache's message.
    TXbNTXPageRef first(cache, 1024);
    TXbNTXPageRef second(cache, 3072);
    try {
        cache.GetNTXBuffer(4096, true);
        FAIL() << "no free block";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "TXbNTXBuffers.GetNTXBuffer: There is no enough free NTX page buffers! Increase "
                                   "LimitPages property.");
    }
    // The minimum the index keeps for its tree depth lifts a limit set too small.
    cache.MinimumBlocks = 3;
    TXbNTXPageRef third(cache, 4096);
    EXPECT_EQ(cache.BlockCount(), 3);
}

TEST(XbNTXBuffers, AutomaticLimitFollowsTheTableSize)
{
    TXbNTXBuffers cache;
    const struct {
        int64_t records;
        int halfPage;
        int blocks;
    } cases[] = {{10000, 27, 9}, {0, 27, 9}, {1000000, 27, 12}, {10000, 1, 51}, {10000, 45, 9}};
    for (const auto& c : cases) {
        TXbLimitIndexPages limits;
        limits.PagesPerBuffer = 8;
        cache.ApplyLimits(limits, c.halfPage, c.records);
        EXPECT_EQ(cache.BlockLimit, c.blocks) << c.records << " records, half page " << c.halfPage;
        EXPECT_EQ(limits.LimitBuffers, c.blocks) << "written back";
        EXPECT_EQ(cache.PagesPerBlock(), 8);
    }
    TXbLimitIndexPages limits;
    limits.PagesPerBuffer = 9999;
    cache.ApplyLimits(limits, 27, 0);
    EXPECT_EQ(cache.PagesPerBlock(), 510);
}

TEST(XbNTXBuffers, PagesAreEncipheredOnDiskOnly)
{
    TCacheFile file(4);
    TXbDBFCrypt crypt;
    crypt.OnEncrypt = [](TObject*, uint32_t context, void* buffer, int32_t size) {
        for (int32_t i = 0; i < size; ++i)
            static_cast<uint8_t*>(buffer)[i] ^= static_cast<uint8_t>(context >> 10);
    };
    crypt.OnDecrypt = crypt.OnEncrypt;
    crypt.SetActive(true);
    TXbNTXBuffers cache;
    cache.Attach(&file.stream, &crypt);
    {
        TXbNTXPageRef page(cache, 2048);
        EXPECT_EQ(page.Data()[0], 2 ^ 2) << "deciphered with the page offset as context";
        page.Data()[0] = 0x40;
        cache.MarkDirty(2048);
    }
    cache.FlushAll();
    EXPECT_EQ(file.Bytes()[2048], 0x40 ^ 2);
    TXbNTXPageRef page(cache, 2048);
    EXPECT_EQ(page.Data()[0], 0x40) << "the cached page stays plain after the write";
}

}  // namespace
