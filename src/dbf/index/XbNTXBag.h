#pragma once
// The NTX index file as the table's index definitions know it: a bag (one NTX file) with its
// single order, which holds the 1024-byte header image of the file.

#include "dbf/XbDBFIndexes.h"
#include "dbf/index/XbNTXFormat.h"

#include <array>
#include <cstdint>

class TXbNTXOrder : public TXbDBFOrder {
public:
    // A second order in an NTX bag raises "TXbNTXOrder.Create: NTX bag can not content more then
    // one order!".
    explicit TXbNTXOrder(TCollection& collection);
    const char* ClassName() const noexcept override { return "TXbNTXOrder"; }

    std::array<uint8_t, kNTXHeaderSize>& HeaderImage() noexcept { return headerImage_; }
    const std::array<uint8_t, kNTXHeaderSize>& HeaderImage() const noexcept { return headerImage_; }

    // Writes a new index file into the bag's open stream: the header (key size and decimals
    // from OnCreateIndex, or from the key expression evaluated on the table's current record)
    // and one empty root page; the file ends after it.
    void CreateOrderFile() override;

private:
    std::array<uint8_t, kNTXHeaderSize> headerImage_{};
};

class TXbNTXBag : public TXbDBFIndexBag {
public:
    explicit TXbNTXBag(TCollection& collection);
    const char* ClassName() const noexcept override { return "TXbNTXBag"; }

    // Creates the file (empty); whether it is open.
    bool CreateBag() override;
    // Opens the file and reads its header into the first order (made when the bag has none):
    // the order's name (the header's, else the file name), expressions and flags. Raises
    // "TXbNTXBag.Open: Open error" with the file name when the file cannot be opened.
    bool Open() override;
    bool IsOpen() const override;
    void CloseBag() noexcept override;

    TXbNTXOrder* FirstOrder() noexcept;

private:
    // The stream takes the file, the table's access mode, the storage type, the outer stream and
    // the table's stream lock events.
    void PrepareStream(const char* operation);
};
