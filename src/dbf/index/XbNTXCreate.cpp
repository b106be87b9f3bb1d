// Index builds: the common start (checks, header, key and FOR evaluation on a scan buffer, the
// comparison), the scan of the table in chunks, and the write into a new file beside the index
// file that replaces it only when complete.

#include "dbf/index/XbNTXCreate.h"

#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFParser.h"
#include "dbf/XbDBFUtil.h"
#include "dbf/index/XbNTXBag.h"
#include "dbf/index/XbNTXIndex.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TempFiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace {

uint16_t SignatureOf(TCLIPPER_VERSION version)
{
    return version == TCLIPPER_VERSION::v520 || version == TCLIPPER_VERSION::v530 ? 7 : 6;
}

int HashBitsOf(TXbHashTypeForTreeSorters type)
{
    switch (type) {
    case TXbHashTypeForTreeSorters::httsDefault: return 8;
    case TXbHashTypeForTreeSorters::htts1: return 1;
    case TXbHashTypeForTreeSorters::htts2: return 2;
    case TXbHashTypeForTreeSorters::htts4: return 4;
    case TXbHashTypeForTreeSorters::htts8: return 8;
    case TXbHashTypeForTreeSorters::htts16: return 16;
    }
    return 8;
}

int MaxBitsOf(TXbMaxBitsInHashCode bits)
{
    switch (bits) {
    case TXbMaxBitsInHashCode::mbhc8: return 8;
    case TXbMaxBitsInHashCode::mbhc16: return 16;
    case TXbMaxBitsInHashCode::mbhc24: return 24;
    case TXbMaxBitsInHashCode::mbhc32: return 32;
    }
    return 32;
}

// The page cache of an insertion build.
constexpr int kBuildCacheBytes = 64 * 1024 * 1024;

// How many keys ahead a batch insertion asks for the leaf page of a key.
constexpr int32_t kInsertLookahead = 8;

// Pages the compact build writes at once into its temporary files.
constexpr int kTempPagesPerWrite = 32;

// A temporary file removed when this goes, unless it was handed on.
struct TTempFile {
    std::string Name;
    ~TTempFile()
    {
        if (!Name.empty()) {
            std::error_code ignored;
            std::filesystem::remove(Name, ignored);
        }
    }
};

std::string FolderOf(const std::string& fileName)
{
    const std::string folder = std::filesystem::path(fileName).parent_path().string();
    return folder;
}

}  // namespace

void NTXPlaceNewFile(TXbDBFIndexBag& bag, const std::string& newFile, const std::string& operation)
{
    auto fail = [&](const std::string& what) { throw Exception("TXbNTXIndex." + operation + ": " + what); };
    if (bag.StorageType == TProxyStreamType::pstFile) {
        std::string target = bag.IndexFileName();
        const std::string existing = XbFindFileIgnoringCase(target);
        if (!existing.empty())
            target = existing;
        std::error_code error;
        std::filesystem::rename(newFile, target, error);
        if (error)
            fail("Can not rename file " + NTXQuoted(newFile) + " to " + NTXQuoted(target) + " ! " + error.message());
        return;
    }
    const bool loaded = bag.Open() && bag.Stream().LoadFromFile(newFile);
    bag.CloseBag();
    if (!loaded)
        fail("Write error " + NTXQuoted(bag.IndexFileName()));
}

// Everything one build shares, from its checks to the renaming of the new file.
struct TXbNTXIndexBuilder::TScan {
    TXbNTXIndex& Index;
    TXbSmartDBF& Table;
    std::string Operation;
    TXbNTXHeader Header;
    TXbNTXKeyCompare Compare;
    TXbSorterCharCompare CharCompare;
    // The comparison orders keys as their bytes do, or by an injective weight table.
    bool BytewiseOrder = true;
    bool CallerCompare = false;
    std::unique_ptr<TXbDBFExprParser> KeyParser;
    std::unique_ptr<TXbDBFExprParser> ForParser;
    int32_t LastHash = 0;
    TXbDBFBlock ScanBuffer;
    TRecordBuffer SavedRecord = nullptr;
    bool Swapped = false;
    bool WasOpen = false;
    std::array<uint8_t, 256> Weights{};
    bool Weighted = false;
    // The new file while it is written.
    TProxyStream* Output = nullptr;
    std::string OutputName;
    // Undoes what a build did to the index before the old file is opened again.
    std::function<void()> OnFailure;

    TScan(TXbNTXIndex& index, TXbSmartDBF& table, const char* operation)
        : Index(index), Table(table), Operation(operation)
    {
    }
    ~TScan()
    {
        if (Swapped)
            Table.SwapForcedRecord(SavedRecord);
    }
    [[noreturn]] void Fail(const std::string& what) const { throw Exception("TXbNTXIndex." + Operation + ": " + what); }
};

void TXbNTXIndexBuilder::Build(const char* operation, bool activate, bool sorterNeedsHash,
                               const std::function<void(TScan& scan)>& prepare,
                               const std::function<void(TScan& scan, const uint8_t* key, uint32_t recNo)>& collect,
                               const std::function<void(TScan& scan, TProxyStream& output)>& write,
                               const TSource* source, std::string* handOver)
{
    TXbSmartDBF* table = index_.Table();
    if (table == nullptr || !table->IsTableOpen())
        throw Exception(std::string("TXbNTXIndex.") + operation + ": Create index only on active DataSet");
    TScan scan(index_, *table, operation);
    const int recordSize = table->RecordSize();
    if (recordSize > table->BufferSize || recordSize <= 0)
        scan.Fail("Record size too lage");

    // The header from the index: its file's values while open, else its own properties.
    TXbNTXHeader& header = scan.Header;
    header.Signature = SignatureOf(index_.ClipperVer);
    header.KeyExpression = index_.KeyExpresion();
    header.ForExpression = index_.ForExpresion();
    header.Unique = index_.Unique();
    header.Descend = index_.Desc();
    header.OrderName = index_.IsOpen() ? index_.header_.OrderName : index_.Order().substr(0, kNTXOrderNameSize);
    scan.WasOpen = index_.IsOpen();

    // The scan buffer, blank, is the record key and FOR expressions read.
    scan.ScanBuffer = TXbDBFBlock("TXbNTXIndex.Scan", static_cast<size_t>(table->BufferSize));
    std::memset(scan.ScanBuffer.Data(), ' ', scan.ScanBuffer.Size());
    scan.SavedRecord = table->SwapForcedRecord(scan.ScanBuffer.Data());
    scan.Swapped = true;

    int keySize = 0;
    int decimals = 0;
    if (!index_.OnEvaluteKey) {
        scan.KeyParser = std::make_unique<TXbDBFExprParser>(&table->ExprFieldSource());
        scan.KeyParser->ParseExpression(header.KeyExpression);
        scan.KeyParser->SetKeyMode(true);
    }
    if (index_.OnCreateIndex) {
        index_.OnCreateIndex(&index_, keySize, decimals, header.KeyExpression, header.ForExpression);
    } else if (scan.KeyParser) {
        keySize = static_cast<int>(scan.KeyParser->KeyStringOfResult().size());
        decimals = scan.KeyParser->GetResultDecimals();
    } else {
        std::string key;
        index_.OnEvaluteKey(&index_, key);
        keySize = static_cast<int>(key.size());
    }
    if (keySize < 1 || keySize > kNTXMaxKeySize)
        scan.Fail("Key length " + std::to_string(keySize) + " of " + NTXQuoted(header.KeyExpression) +
                  " is outside 1.." + std::to_string(kNTXMaxKeySize) + "!");
    header.SetKeySize(keySize);
    header.Decimals = static_cast<uint16_t>(decimals);
    if (!header.ForExpression.empty() && !index_.OnEvaluteFor) {
        scan.ForParser = std::make_unique<TXbDBFExprParser>(&table->ExprFieldSource());
        scan.ForParser->ParseExpression(header.ForExpression);
    }

    // The comparison of stored keys: the caller's, the collation's weights, or bytes up to a
    // zero byte; negated for a descending index.
    if (scan.WasOpen)
        index_.CloseForRebuild();
    index_.SetCollationType(true);
    const uint8_t* weights = index_.CollationWeights();
    if (weights != nullptr) {
        scan.Weighted = true;
        const bool storedIsOem = index_.KeyTranslate && table->OEM;
        std::array<bool, 256> seen{};
        bool injective = true;
        for (int b = 0; b < 256; ++b) {
            char c = static_cast<char>(b);
            if (!storedIsOem)
                AnsiToOemBuff(&c, 1);
            const uint8_t weight = weights[static_cast<uint8_t>(c)];
            scan.Weights[static_cast<size_t>(b)] = weight;
            injective = injective && !seen[weight];
            seen[weight] = true;
        }
        scan.BytewiseOrder = injective;
    }
    const bool descend = header.Descend;
    TXbNTXIndex* index = &index_;
    if (index_.OnCompareKeys) {
        scan.CallerCompare = true;
        scan.BytewiseOrder = false;
        scan.Compare = [index, keySize, descend](const uint8_t* a, const uint8_t* b) {
            int result = 0;
            index->OnCompareKeys(index, reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b), keySize,
                                 result);
            return descend ? -result : result;
        };
    } else if (scan.Weighted) {
        const std::array<uint8_t, 256> table256 = scan.Weights;
        scan.Compare = [table256, keySize, descend](const uint8_t* a, const uint8_t* b) {
            for (int i = 0; i < keySize; ++i) {
                const int wa = table256[a[i]];
                const int wb = table256[b[i]];
                if (wa != wb)
                    return descend ? wb - wa : wa - wb;
            }
            return 0;
        };
        scan.CharCompare = [table256, descend](uint8_t a, uint8_t b) {
            const int result = static_cast<int>(table256[a]) - static_cast<int>(table256[b]);
            return descend ? -result : result;
        };
    } else {
        scan.Compare = [keySize, descend](const uint8_t* a, const uint8_t* b) {
            for (int i = 0; i < keySize; ++i) {
                if (a[i] != b[i])
                    return descend ? static_cast<int>(b[i]) - a[i] : static_cast<int>(a[i]) - b[i];
                if (a[i] == 0)
                    break;
            }
            return 0;
        };
        if (descend)
            scan.CharCompare = [](uint8_t a, uint8_t b) { return static_cast<int>(b) - static_cast<int>(a); };
    }
    (void)sorterNeedsHash;

    // The new file: beside the index file, renamed over it at the end.
    TXbNTXBag* bag = static_cast<TXbNTXBag*>(index_.DefineBag());
    const bool fileBacked = bag->StorageType == TProxyStreamType::pstFile;
    std::string target = bag->IndexFileName();
    if (fileBacked) {
        const std::string existing = XbFindFileIgnoringCase(target);
        if (!existing.empty())
            target = existing;
    }
    TTempFile newFile;
    newFile.Name = MakeTempFileName(fileBacked ? FolderOf(target) : std::string("SYSTEM_TMP_PATH"));
    if (newFile.Name.empty())
        scan.Fail("Create error " + NTXQuoted(target));
    TProxyStream output;
    output.FileName = newFile.Name;
    output.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
    if (!output.CreateProxyStream())
        scan.Fail("Create error " + NTXQuoted(newFile.Name) + output.ErrorInfo());

    scan.Output = &output;
    scan.OutputName = newFile.Name;
    try {
        prepare(scan);
        // The records in chunks of BufferSize bytes, deleted ones too.
        const int perChunk = table->BufferSize / recordSize;
        const uint32_t records =
            source != nullptr ? source->Records : static_cast<uint32_t>(std::max(0, table->CountRecords()));
        TProxyStream& tableStream = source != nullptr ? *source->Stream : table->TableStream();
        std::string key;
        uint32_t recNo = 0;
        while (recNo < records) {
            const uint32_t wanted = std::min<uint32_t>(static_cast<uint32_t>(perChunk), records - recNo);
            const int64_t at = table->HeaderSize() + static_cast<int64_t>(recNo) * recordSize;
            const int64_t bytes = static_cast<int64_t>(wanted) * recordSize;
            const int64_t got = tableStream.SeekTo(at, 0) == at ? tableStream.ReadBlock(scan.ScanBuffer.Data(), bytes) : -1;
            const uint32_t read = got > 0 ? static_cast<uint32_t>(got / recordSize) : 0;
            if (read == 0)
                break;
            for (uint32_t i = 0; i < read; ++i) {
                ++recNo;
                uint8_t* record = scan.ScanBuffer.Data() + static_cast<size_t>(i) * recordSize;
                if (table->Crypt().Active())
                    table->Crypt().Decrypt(recNo, record, recordSize);
                table->SwapForcedRecord(record);
                if (index_.OnEvaluteFor || scan.ForParser) {
                    bool accepted = true;
                    if (index_.OnEvaluteFor) {
                        index_.OnEvaluteFor(&index_, accepted);
                    } else {
                        const Variant value = scan.ForParser->Evaluate();
                        accepted = !value.IsNull() && value.AsBoolean();
                    }
                    if (!accepted)
                        continue;
                }
                if (index_.OnEvaluteKey) {
                    key.clear();
                    index_.OnEvaluteKey(&index_, key);
                    scan.LastHash = 0;
                } else {
                    key = scan.KeyParser->KeyStringOfResult();
                    scan.LastHash = scan.KeyParser->LastHash();
                }
                key.resize(static_cast<size_t>(keySize), ' ');
                // Stored form: the same rule as for every key added later.
                const std::string stored = index_.StoredKey(key);
                collect(scan, reinterpret_cast<const uint8_t*>(stored.data()), recNo);
            }
            if (read < wanted)
                break;
        }
        table->SwapForcedRecord(scan.ScanBuffer.Data());
        write(scan, output);
        output.CloseStream();

        if (handOver != nullptr) {
            *handOver = newFile.Name;
            newFile.Name.clear();
        } else {
            NTXPlaceNewFile(*bag, newFile.Name, scan.Operation);
            if (fileBacked)
                newFile.Name.clear();
        }
    } catch (...) {
        output.CloseStream();
        if (scan.OnFailure)
            scan.OnFailure();
        if (scan.WasOpen) {
            try {
                index_.Open();
            } catch (...) {
                // The old file stays as it was; opening it again is the caller's next try.
            }
        }
        throw;
    }
    table->SwapForcedRecord(scan.SavedRecord);
    scan.Swapped = false;
    if (handOver != nullptr) {
        // The old file serves until the new one takes its place. One that an update left
        // damaged does not open again: it stays closed, to be replaced.
        if (scan.WasOpen) {
            try {
                index_.Open();
            } catch (const Exception&) {
            }
        }
        return;
    }
    index_.Open();
    if (activate)
        index_.SetActive(true);
}

namespace {

// Writes the items in order; under Unique an item whose key equals the one before is dropped
// (a byte trie orders keys that a collation weighs alike by their bytes, so equal keys need
// not be neighbours in record order).
class TOrderedWriter {
public:
    TOrderedWriter(TXbNTXCompactIndex& writer, const TXbNTXKeyCompare& compare, bool unique, int keySize)
        : writer_(writer), compare_(compare), unique_(unique), previous_(static_cast<size_t>(keySize))
    {
    }
    void Add(const uint8_t* key, uint32_t recNo)
    {
        if (unique_ && hasPrevious_ && compare_(previous_.data(), key) == 0)
            return;
        std::memcpy(previous_.data(), key, previous_.size());
        hasPrevious_ = true;
        writer_.AddItem(key, recNo);
    }

private:
    TXbNTXCompactIndex& writer_;
    const TXbNTXKeyCompare& compare_;
    bool unique_;
    std::vector<uint8_t> previous_;
    bool hasPrevious_ = false;
};

// The plain order of stored keys: by bytes, up to the first byte where they differ or a zero
// byte both share (what follows it does not count).
inline int PlainKeyCompare(const uint8_t* a, const uint8_t* b, int keySize) noexcept
{
    for (int i = 0; i < keySize; ++i) {
        if (a[i] != b[i])
            return static_cast<int>(a[i]) - b[i];
        if (a[i] == 0)
            break;
    }
    return 0;
}

// Runs `body` with the build's comparison of two stored keys in a form the compiler can inline
// into the loops that call it millions of times: the plain order either way as a plain
// function, collations and the caller's comparison through the build's own.
template <class Body>
void WithKeyCompare(const TXbNTXKeyCompare& compare, bool plain, bool descend, int keySize, Body&& body)
{
    if (plain && !descend)
        body([keySize](const uint8_t* a, const uint8_t* b) { return PlainKeyCompare(a, b, keySize); });
    else if (plain)
        body([keySize](const uint8_t* a, const uint8_t* b) { return PlainKeyCompare(b, a, keySize); });
    else
        body([&compare](const uint8_t* a, const uint8_t* b) { return compare(a, b); });
}

}  // namespace

TXbNTXIndexBuilder::TXbNTXIndexBuilder(TXbNTXIndex& index)
    : HashTypeForTreeSorters(index.HashTypeForTreeSorters), MaxBitsInHashCode(index.MaxBitsInHashCode), index_(index)
{
}

TXbSorterSettings TXbNTXIndexBuilder::SorterSettings(TScan& scan, uint32_t capacity) const
{
    TXbSorterSettings settings;
    settings.Capacity = capacity;
    settings.KeySize = scan.Header.KeySize;
    settings.Unique = scan.Header.Unique;
    settings.KeyCompareMethod = [compare = scan.Compare](const uint8_t* a, const uint8_t* b, int) {
        return compare(a, b);
    };
    settings.CharCompareMethod = scan.CharCompare;
    settings.KeysEndAtZero = !scan.CallerCompare && !scan.Weighted;
    if (!scan.CallerCompare) {
        // Four bytes (or their weights) as the comparison reads them: past a zero byte the plain
        // comparison stops, so those bytes count as zero; a descending index reverses the order.
        const int keySize = scan.Header.KeySize;
        const bool descend = scan.Header.Descend;
        const bool weighted = scan.Weighted;
        const std::array<uint8_t, 256> weights = scan.Weights;
        settings.KeyPrefixMethod = [keySize, descend, weighted, weights](const uint8_t* key, int from) {
            bool stopped = false;
            for (int i = 0; i < from && !weighted; ++i)
                stopped = stopped || key[i] == 0;
            uint32_t prefix = 0;
            for (int i = from; i < from + 4; ++i) {
                uint32_t value = 0;
                if (i < keySize && !stopped) {
                    value = weighted ? weights[key[i]] : key[i];
                    stopped = !weighted && key[i] == 0;
                }
                prefix = prefix << 8 | value;
            }
            return descend ? ~prefix : prefix;
        };
    }
    if (HashTypeForTreeSorters != TXbHashTypeForTreeSorters::httsDefault) {
        settings.HashBits = static_cast<uint8_t>(HashBitsOf(HashTypeForTreeSorters));
        settings.MaxBitsInHashCode = static_cast<uint8_t>(MaxBitsOf(MaxBitsInHashCode));
        // The item hash of the key just evaluated (items are added right after it).
        settings.HashMethod = [&scan](const uint8_t*) { return scan.LastHash; };
        // Hash codes grow with the key only in byte order.
        settings.BucketsHoldKeyRanges = !scan.Weighted && !scan.CallerCompare;
    } else {
        settings.BucketsHoldKeyRanges = scan.BytewiseOrder;
    }
    return settings;
}

void TXbNTXIndexBuilder::CreateIndexUsingSorter(const TXbSorterClass* sorterClass, bool activate)
{
    UsingSorter("CreateIndexUsingSorter", sorterClass, activate, nullptr, nullptr);
}

std::string TXbNTXIndexBuilder::BuildForPack(TProxyStream& packedTable, uint32_t records)
{
    // The eight-way merge keeps the memory of the build within OuterSorterProperties.
    const TSource source{&packedTable, records};
    std::string newFile;
    UsingSorter("Pack", &XbMerge8PathSorterClass, false, &source, &newFile);
    return newFile;
}

void TXbNTXIndexBuilder::UsingSorter(const char* operation, const TXbSorterClass* sorterClass, bool activate,
                                     const TSource* source, std::string* handOver)
{
    if (sorterClass == nullptr)
        throw Exception(std::string("TXbNTXIndex.") + operation + ": Sorter object is null!");
    std::unique_ptr<TXbSorterAbstract> sorter;
    std::unique_ptr<TProxyStream> tempStream;
    TTempFile tempFile;
    std::vector<uint8_t> item;
    Build(
        operation, activate, true,
        [&](TScan& scan) {
            if (sorterClass == &XbTrieTreeSorterClass && scan.CallerCompare)
                scan.Fail("TXbTrieTreeSorter can not sort by OnCompareKeys!");
            const uint32_t records =
                source != nullptr ? source->Records : static_cast<uint32_t>(std::max(0, scan.Table.CountRecords()));
            TXbSorterSettings settings = SorterSettings(scan, records);
            if (sorterClass->Outer) {
                const TXbOuterSorterProperties& outer = scan.Index.OuterSorterProperties();
                tempFile.Name = MakeTempFileName(outer.TmpPath.empty() ? std::string("SYSTEM_TMP_PATH") : outer.TmpPath);
                tempStream = std::make_unique<TProxyStream>();
                tempStream->FileName = tempFile.Name;
                tempStream->AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
                if (tempFile.Name.empty() || !tempStream->CreateProxyStream())
                    scan.Fail("Create error " + NTXQuoted(tempFile.Name));
                settings.TempStream = tempStream.get();
                settings.BufferSize = outer.BufferSize;
                settings.ItemsPerInnerSorter = outer.SortItemPerInnerSorter;
            }
            sorter = sorterClass->Create(settings);
            if (!sorter)
                scan.Fail("Sorter object is null!");
            item.assign(static_cast<size_t>(scan.Header.KeySize) + 8, 0);
        },
        [&](TScan& scan, const uint8_t* key, uint32_t recNo) {
            XbMakeSortItem(item.data(), recNo, key, scan.Header.KeySize);
            sorter->AddItem(item.data());
        },
        [&](TScan& scan, TProxyStream& output) {
            sorter->Sort();
            TXbNTXCompactIndex writer(output, scan.Header, &scan.Table.GetCrypt(),
                                      scan.Index.LimitPages().PagesPerBuffer);
            TOrderedWriter ordered(writer, scan.Compare, scan.Header.Unique, scan.Header.KeySize);
            for (bool end = sorter->FirstSortItem(); !end; end = sorter->NextSortItem()) {
                const uint8_t* current = sorter->CurrentSortItem();
                ordered.Add(current + 8, XbSortItemRecNo(current));
            }
            writer.Finish();
            sorter.reset();
            if (tempStream)
                tempStream->CloseStream();
        },
        source, handOver);
}

void TXbNTXIndexBuilder::CreateCompactIndex(int blockBufferSize, bool activate, bool tempInIndexFolder)
{
    std::vector<uint8_t> block;
    int capacity = 0;
    int count = 0;
    int itemArea = 0;
    int keySize = 0;
    std::string folder;
    std::vector<std::unique_ptr<TXbNTXIndexIterator>> runs;

    // With the engine's own comparison (a consistent order) the keys of a block are stored as
    // they come, each in the item the first unused slot names, and the slots are sorted (equal
    // keys by record number, which grows with the arrival) once every slot is used; under Unique
    // the later items of an equal key then give their slots back, and the block takes keys until
    // it holds as many distinct ones as it has slots. The block holds the keys that inserting
    // every key at its place would give it, in the same order, without moving half the slot
    // table for every key.
    bool sortWhenFull = false;
    bool unsorted = false;
    // Under Unique, the slots before this one are sorted (and their keys distinct) already.
    int sortedCount = 0;
    auto itemAt = [&](int slot) { return block.data() + TXbNTXPage::Load16(block.data() + 2 + 2 * slot); };
    auto sortSlots = [&](TScan& scan) {
        unsorted = false;
        auto* first = block.data() + 2;
        std::vector<uint16_t> slots(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            slots[static_cast<size_t>(i)] = TXbNTXPage::Load16(first + 2 * i);
        const uint8_t* data = block.data();
        size_t kept = slots.size();
        WithKeyCompare(scan.Compare, !scan.Weighted, scan.Header.Descend, keySize, [&](auto compare) {
            auto less = [&](uint16_t a, uint16_t b) {
                const int result = compare(data + a + 4, data + b + 4);
                return result != 0 ? result < 0 : TXbNTXPage::Load32(data + a) < TXbNTXPage::Load32(data + b);
            };
            const auto sortedEnd = slots.begin() + static_cast<std::ptrdiff_t>(std::min(sortedCount, count));
            std::sort(sortedEnd, slots.end(), less);
            std::inplace_merge(slots.begin(), sortedEnd, slots.end(), less);
            if (scan.Header.Unique && !slots.empty()) {
                // The first item of every key stays; the slots of the others follow the kept
                // ones, unused.
                std::vector<uint16_t> unused;
                uint16_t previous = slots[0];
                kept = 1;
                for (size_t i = 1; i < slots.size(); ++i) {
                    const uint16_t slot = slots[i];
                    if (compare(data + previous + 4, data + slot + 4) == 0)
                        unused.push_back(slot);
                    else
                        slots[kept++] = slot;
                    previous = slot;
                }
                std::copy(unused.begin(), unused.end(), slots.begin() + static_cast<std::ptrdiff_t>(kept));
            }
        });
        for (int i = 0; i < count; ++i)
            TXbNTXPage::Store16(first + 2 * i, slots[static_cast<size_t>(i)]);
        count = static_cast<int>(kept);
        sortedCount = count;
    };
    auto flushBlock = [&](TScan& scan) {
        if (count == 0)
            return;
        if (unsorted)
            sortSlots(scan);
        TXbNTXPage::Store16(block.data(), static_cast<uint16_t>(count));
        TTempFile file;
        file.Name = MakeTempFileName(folder);
        TProxyStream stream;
        stream.FileName = file.Name;
        stream.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
        if (file.Name.empty() || !stream.CreateProxyStream() ||
            stream.WriteBlock(block.data(), static_cast<int64_t>(block.size())) != static_cast<int64_t>(block.size()))
            scan.Fail("Create error " + NTXQuoted(file.Name) + stream.ErrorInfo());
        stream.CloseStream();
        runs.push_back(std::make_unique<TXbNTXBlockIterator>(file.Name, keySize));
        file.Name.clear();
        count = 0;
        sortedCount = 0;
        for (int i = 0; i <= capacity; ++i)
            TXbNTXPage::Store16(block.data() + 2 + 2 * i, static_cast<uint16_t>(itemArea + i * (keySize + 4)));
    };

    Build(
        "CreateCompactIndex", activate, false,
        [&](TScan& scan) {
            keySize = scan.Header.KeySize;
            int slots = (blockBufferSize - keySize - 8) / (keySize + 6);
            if (slots % 2 != 0)
                --slots;
            if (slots > 65535)
                scan.Fail("BlockBufferSize too large!");
            if (slots < 2)
                scan.Fail("BlockBufferSize " + std::to_string(blockBufferSize) + " holds fewer than two keys!");
            capacity = slots;
            itemArea = 2 + 2 * (capacity + 1);
            block.assign(static_cast<size_t>(blockBufferSize), 0);
            folder = tempInIndexFolder ? FolderOf(scan.Index.NTXFileName()) : std::string("SYSTEM_TMP_PATH");
            for (int i = 0; i <= capacity; ++i)
                TXbNTXPage::Store16(block.data() + 2 + 2 * i, static_cast<uint16_t>(itemArea + i * (keySize + 4)));
            sortWhenFull = !scan.CallerCompare;
        },
        [&](TScan& scan, const uint8_t* key, uint32_t recNo) {
            if (sortWhenFull) {
                uint8_t* place = itemAt(count);
                TXbNTXPage::Store32(place, recNo);
                std::memcpy(place + 4, key, static_cast<size_t>(keySize));
                unsorted = true;
                if (++count == capacity) {
                    if (scan.Header.Unique)
                        sortSlots(scan);
                    if (count == capacity)
                        flushBlock(scan);
                }
                return;
            }
            // Binary search: the first slot whose item sorts after the new one (equal keys by
            // record number); under Unique an equal key already there keeps its place.
            int lo = 0;
            int hi = count;
            while (lo < hi) {
                const int middle = (lo + hi) / 2;
                const uint8_t* other = itemAt(middle);
                int result = scan.Compare(other + 4, key);
                if (result == 0) {
                    if (scan.Header.Unique)
                        return;
                    result = TXbNTXPage::Load32(other) < recNo ? -1 : 1;
                }
                if (result < 0)
                    lo = middle + 1;
                else
                    hi = middle;
            }
            if (scan.Header.Unique) {
                if ((lo > 0 && scan.Compare(itemAt(lo - 1) + 4, key) == 0) ||
                    (lo < count && scan.Compare(itemAt(lo) + 4, key) == 0))
                    return;
            }
            // The free item is the one the slot after the last names.
            uint8_t* slots = block.data() + 2;
            const uint16_t freeItem = TXbNTXPage::Load16(slots + 2 * count);
            std::memmove(slots + 2 * (lo + 1), slots + 2 * lo, static_cast<size_t>(count - lo) * 2);
            TXbNTXPage::Store16(slots + 2 * lo, freeItem);
            uint8_t* place = block.data() + freeItem;
            TXbNTXPage::Store32(place, recNo);
            std::memcpy(place + 4, key, static_cast<size_t>(keySize));
            if (++count == capacity)
                flushBlock(scan);
        },
        [&](TScan& scan, TProxyStream& output) {
            flushBlock(scan);
            const TXbNTXKeyCompare& compare = scan.Compare;
            const bool unique = scan.Header.Unique;
            auto copyInto = [&](TXbNTXIndexIterator& source, TXbNTXCompactIndex& writer) {
                for (source.Open(); !source.Eof(); source.Next())
                    writer.AddItem(source.Key(), source.RecNo());
                source.Close();
            };
            auto mergeInto = [&](TXbNTXIndexIterator& first, TXbNTXIndexIterator& second, TXbNTXCompactIndex& writer) {
                first.Open();
                second.Open();
                WithKeyCompare(compare, !scan.Weighted && !scan.CallerCompare, scan.Header.Descend, keySize,
                               [&](auto compareKeys) {
                    while (!first.Eof() && !second.Eof()) {
                        const int result = compareKeys(first.Key(), second.Key());
                        // Equal keys: the lower record number first, and alone under Unique.
                        const bool firstLower = first.RecNo() < second.RecNo();
                        if (result == 0 && unique) {
                            (firstLower ? second : first).Next();
                            continue;
                        }
                        TXbNTXIndexIterator& take = result < 0 || (result == 0 && firstLower) ? first : second;
                        writer.AddItem(take.Key(), take.RecNo());
                        take.Next();
                    }
                });
                for (TXbNTXIndexIterator* rest : {&first, &second})
                    for (; !rest->Eof(); rest->Next())
                        writer.AddItem(rest->Key(), rest->RecNo());
                first.Close();
                second.Close();
            };
            TXbDBFCrypt* crypt = &scan.Table.GetCrypt();
            const int pagesPerBuffer = scan.Index.LimitPages().PagesPerBuffer;
            if (runs.empty()) {
                TXbNTXCompactIndex writer(output, scan.Header, crypt, pagesPerBuffer);
                writer.Finish();
                return;
            }
            if (runs.size() == 1) {
                TXbNTXCompactIndex writer(output, scan.Header, crypt, pagesPerBuffer);
                copyInto(*runs[0], writer);
                writer.Finish();
                return;
            }
            for (size_t i = 0;; i += 2) {
                if (runs.size() - i < 3) {
                    TXbNTXCompactIndex writer(output, scan.Header, crypt, pagesPerBuffer);
                    mergeInto(*runs[i], *runs[i + 1], writer);
                    writer.Finish();
                    break;
                }
                TTempFile merged;
                merged.Name = MakeTempFileName(folder);
                if (merged.Name.empty())
                    scan.Fail("Create error " + NTXQuoted(folder));
                {
                    TXbNTXCompactIndex writer(merged.Name, scan.Header, nullptr,
                                              std::max(pagesPerBuffer, kTempPagesPerWrite));
                    mergeInto(*runs[i], *runs[i + 1], writer);
                    writer.Finish();
                }
                runs.push_back(std::make_unique<TXbNTXIterator>(merged.Name));
                merged.Name.clear();
                runs[i].reset();
                runs[i + 1].reset();
            }
        });
}

void TXbNTXIndexBuilder::CreateIndex(bool activate, int bufferBytes)
{
    std::unique_ptr<TXbSorterAbstract> sorter;
    std::vector<uint8_t> item;
    TXbDBFIndexBag* bag = nullptr;
    std::string savedFileName;
    bool redirected = false;
    auto restore = [&]() noexcept {
        index_.CloseIndex();
        if (redirected)
            bag->SetIndexFileName(savedFileName);
        redirected = false;
    };
    // Inserts the sorted batch into the tree; under Unique a key the tree holds already is left out.
    auto drain = [&](TScan& scan) {
        sorter->Sort();
        std::string stored(static_cast<size_t>(scan.Header.KeySize), ' ');
        // The sort array holds the batch in the walk's order. The leaf of the key 2 x
        // kInsertLookahead places ahead is found (its cache entry asked for), and the page of the
        // one kInsertLookahead places ahead asked for, while this one goes in: the leaves of
        // sorted keys lie all over the tree, and the waits for memory then overlap.
        // The key then goes straight into that leaf when it still lies among the keys of the
        // leaf's parent.
        std::array<uint32_t, 2 * kInsertLookahead> leaves{};
        std::array<uint32_t, 2 * kInsertLookahead> parents{};
        const int32_t sorted = sorter->Count();
        int32_t position = 0;
        auto locate = [&](int32_t at) {
            const uint8_t* ahead = sorter->GetPSortItem(static_cast<int32_t>(sorter->GetSortArray(at)));
            const size_t ring = static_cast<size_t>(at % (2 * kInsertLookahead));
            leaves[ring] = index_.LocateInsertionLeaf(reinterpret_cast<const char*>(ahead + 8), XbSortItemRecNo(ahead),
                                                      parents[ring]);
        };
        for (int32_t at = 0; at < std::min(sorted, 2 * kInsertLookahead); ++at)
            locate(at);
        for (bool end = sorter->FirstSortItem(); !end; end = sorter->NextSortItem(), ++position) {
            const size_t here = static_cast<size_t>(position % (2 * kInsertLookahead));
            const uint32_t leaf = position < sorted ? leaves[here] : 0;
            const uint32_t parent = position < sorted ? parents[here] : 0;
            if (position + kInsertLookahead < sorted)
                index_.PrefetchPage(leaves[static_cast<size_t>((position + kInsertLookahead) % (2 * kInsertLookahead))]);
            if (position + 2 * kInsertLookahead < sorted)
                locate(position + 2 * kInsertLookahead);
            const uint8_t* current = sorter->CurrentSortItem();
            stored.assign(reinterpret_cast<const char*>(current + 8), stored.size());
            if (scan.Header.Unique && index_.FindExact(stored, false))
                continue;
            index_.AddItemUnder(leaf, parent, stored, XbSortItemRecNo(current));
        }
        sorter->Clear();
    };
    Build(
        "CreateIndex", activate, true,
        [&](TScan& scan) {
            scan.OnFailure = restore;
            // The new file starts as an empty index, which the index opens and fills.
            {
                TXbNTXCompactIndex empty(*scan.Output, scan.Header, &scan.Table.GetCrypt());
                empty.Finish();
            }
            scan.Output->CloseStream();
            bag = index_.DefineBag();
            savedFileName = bag->IndexFileName();
            bag->SetIndexFileName(scan.OutputName);
            redirected = true;
            index_.Open();
            index_.BeginReindex();
            // The batches go into the tree all over it: with the few blocks of the automatic
            // limit nearly every insertion would write a page out and read another in. The
            // build keeps up to kBuildCacheBytes of pages instead; the index opens with its
            // own limits again afterwards.
            TXbNTXBuffers& cache = index_.Cache();
            const int buildBlocks = kBuildCacheBytes / (cache.PagesPerBlock() * kNTXPageSize);
            if (cache.LimitType != TXbLimitBuffersType::lbtUnlimited && cache.BlockLimit < buildBlocks) {
                cache.LimitType = TXbLimitBuffersType::lbtLimited;
                cache.BlockLimit = buildBlocks;
            }
            const int itemSize = scan.Header.KeySize + 8;
            const uint32_t capacity = static_cast<uint32_t>(std::max(1, bufferBytes / itemSize));
            sorter = XbRedBlackTreeSorterClass.Create(SorterSettings(scan, capacity));
            item.assign(static_cast<size_t>(itemSize), 0);
        },
        [&](TScan& scan, const uint8_t* key, uint32_t recNo) {
            XbMakeSortItem(item.data(), recNo, key, scan.Header.KeySize);
            sorter->AddItem(item.data());
            if (static_cast<uint32_t>(sorter->Count()) >= sorter->Capacity())
                drain(scan);
        },
        [&](TScan& scan, TProxyStream&) {
            drain(scan);
            index_.EndReindex();
            if (index_.Damaged())
                scan.Fail("Write error " + NTXQuoted(scan.OutputName));
            restore();
        });
}

// ---- the index's entries

void TXbNTXIndex::SetCreateNow(bool value)
{
    if (value)
        CreateIndex(true, 65536);
}

void TXbNTXIndex::CreateIndex(bool activate, int bufferBytes)
{
    TXbNTXIndexBuilder(*this).CreateIndex(activate, bufferBytes);
}

void TXbNTXIndex::CreateIndexUsingSorter(const TXbSorterClass* sorterClass, bool activate)
{
    TXbNTXIndexBuilder(*this).CreateIndexUsingSorter(sorterClass, activate);
}

void TXbNTXIndex::CreateCompactIndex(int blockBufferSize, bool activate, bool tempInIndexFolder)
{
    TXbNTXIndexBuilder(*this).CreateCompactIndex(blockBufferSize, activate, tempInIndexFolder);
}

void TXbNTXIndex::Reindex(bool activate)
{
    CreateIndex(activate, 65536);
}

int32_t TXbNTXIndex::KeyHash(const std::string& key)
{
    const TVarType type = keyParser_ ? keyParser_->LastResultType() : TVarType::varString;
    return NTXKeyHash(key, type, header_.Decimals);
}
