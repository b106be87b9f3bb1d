#include "dbf/index/XbNTXBag.h"

#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFUtil.h"
#include "dbf/index/XbNTXBuffers.h"
#include "platform/rtl/Exceptions.h"

#include <vector>

namespace {

uint16_t SignatureOf(TCLIPPER_VERSION version)
{
    return version == TCLIPPER_VERSION::v520 || version == TCLIPPER_VERSION::v530 ? 7 : 6;
}

}  // namespace

// ---- TXbNTXOrder

TXbNTXOrder::TXbNTXOrder(TCollection& collection) : TXbDBFOrder(collection)
{
    if (collection.Count() > 0)
        throw Exception("TXbNTXOrder.Create: NTX bag can not content more then one order!");
}

void TXbNTXOrder::CreateOrderFile()
{
    TXbDBFIndexBag* bag = Bag();
    TXbSmartDBF* table = bag != nullptr ? bag->Table() : nullptr;
    if (bag == nullptr || !bag->Stream().IsOpen())
        throw Exception("TXbNTXOrder.CreateOrderFile: Index file is not open!");
    TXbNTXHeader header;
    header.Signature = SignatureOf(ClipperVer);
    int keySize = 0;
    int decimals = 0;
    header.KeyExpression = KeyExpresion;
    header.ForExpression = ForExpresion;
    if (OnCreateIndex) {
        OnCreateIndex(nullptr, keySize, decimals, header.KeyExpression, header.ForExpression);
    } else {
        if (table == nullptr || !table->IsTableOpen())
            throw Exception("TXbNTXOrder.CreateOrderFile: Create index only on active DataSet");
        TXbDBFExprParser parser(&table->ExprFieldSource());
        parser.ParseExpression(KeyExpresion);
        parser.SetKeyMode(true);
        keySize = static_cast<int>(parser.KeyStringOfResult().size());
        decimals = parser.GetResultDecimals();
    }
    if (keySize < 1 || keySize > kNTXMaxKeySize)
        throw Exception("TXbNTXOrder.CreateOrderFile: Key length " + std::to_string(keySize) + " of " +
                        NTXQuoted(header.KeyExpression) + " is outside 1.." + std::to_string(kNTXMaxKeySize) + "!");
    header.SetKeySize(keySize);
    header.Decimals = static_cast<uint16_t>(decimals);
    header.Unique = Unique;
    header.Descend = Desc;
    header.OrderName = Name.substr(0, kNTXOrderNameSize);
    WriteNTXHeader(header, headerImage_.data());

    const TXbNTXGeometry geometry = TXbNTXGeometry::Of(header);
    std::vector<uint8_t> root(kNTXPageSize);
    TXbNTXPage(root.data(), geometry).Initialize();
    if (table != nullptr && table->Crypt().Active())
        table->Crypt().Encrypt(kNTXPageSize, root.data(), kNTXPageSize);
    TProxyStream& stream = bag->Stream();
    if (!NTXWriteAt(stream, 0, headerImage_.data(), kNTXHeaderSize) ||
        !NTXWriteAt(stream, kNTXHeaderSize, root.data(), kNTXPageSize) || !stream.Truncate())
        throw Exception("TXbNTXOrder.CreateOrderFile: Write error " + NTXQuoted(stream.FileName));
}

// ---- TXbNTXBag

TXbNTXBag::TXbNTXBag(TCollection& collection) : TXbDBFIndexBag(collection)
{
    SetOrderClass(CollectionItemClassOf<TXbNTXOrder>("TXbNTXOrder"));
}

TXbNTXOrder* TXbNTXBag::FirstOrder() noexcept
{
    return Orders().Count() > 0 ? static_cast<TXbNTXOrder*>(&Orders().OrderAt(0)) : nullptr;
}

void TXbNTXBag::PrepareStream(const char* operation)
{
    if (StorageType == TProxyStreamType::pstOuterStream && OuterStream == nullptr)
        throw Exception(std::string(operation) + ": StorageType = pstOuterStream but OuterStream = nil!");
    TProxyStream& stream = Stream();
    stream.CloseStream();
    stream.FileName = StorageType == TProxyStreamType::pstFile ? XbFindFileIgnoringCase(IndexFileName()) : IndexFileName();
    stream.ProxyStreamType = StorageType;
    stream.SetOuterStream(OuterStream);
    if (TXbSmartDBF* table = Table()) {
        stream.AccessMode().SetAccessMode(table->AccessMode().AccessMode());
        stream.OnLockEvent = table->OnOuterStreamLock;
        stream.OnUnlockEvent = table->OnOuterStreamUnlock;
    }
}

bool TXbNTXBag::CreateBag()
{
    PrepareStream("TXbNTXBag.CreateBag");
    Stream().FileName = IndexFileName();
    Stream().CreateProxyStream();
    return Stream().IsOpen();
}

bool TXbNTXBag::Open()
{
    PrepareStream("TXbNTXBag.Open");
    TProxyStream& stream = Stream();
    stream.OpenStream();
    if (!stream.IsOpen())
        throw Exception("TXbNTXBag.Open: Open error " + NTXQuoted(IndexFileName()));
    try {
        if (Orders().Count() == 0)
            Orders().Add();
        TXbNTXOrder& order = *FirstOrder();
        auto& image = order.HeaderImage();
        image.fill(0);
        // A file shorter than its header reads as zeros, which no signature check accepts.
        const int64_t got = NTXReadAt(stream, 0, image.data(), kNTXHeaderSize);
        if (got < kNTXHeaderSize)
            image.fill(0);
        const TXbNTXHeader header = ReadNTXHeader(image.data());
        const bool named = !header.OrderName.empty() && !NTXHasControlCharacter(header.OrderName);
        order.Name = named ? header.OrderName : XbFileStem(IndexFileName());
        order.KeyExpresion = header.KeyExpression;
        order.ForExpresion = header.ForExpression;
        order.Unique = header.Unique;
        order.Desc = header.Descend;
    } catch (...) {
        stream.CloseStream();
        throw;
    }
    return true;
}

bool TXbNTXBag::IsOpen() const { return Stream().IsOpen(); }

void TXbNTXBag::CloseBag() noexcept { Stream().CloseStream(); }
