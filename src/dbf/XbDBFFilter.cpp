// The table filter: the Filter text parsed by the expression parser and evaluated for each
// record the acceptance test looks at. The table is the parser's field source: field values
// come straight from the record under test.

#include "dbf/XbDBFDataSet.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"

#include <cstring>

namespace {

constexpr int64_t kDayMilliseconds = 86400000;
constexpr int32_t kDateNumberOfDayZero = 693594;

}  // namespace

// The parser's field source over a table.
class TXbDBFTableFieldSource : public IXbExprFieldSource {
public:
    explicit TXbDBFTableFieldSource(TXbSmartDBF& table) : table_(table) {}
    int FindField(std::string_view name) const override { return table_.ExprFindField(name); }
    const TXbExprFieldInfo& FieldInfo(int field) const override { return table_.ExprFieldInfo(field); }
    Variant FieldValue(int field, bool keepTrailingBlanks) override
    {
        return table_.ExprFieldValue(field, keepTrailingBlanks);
    }
    bool FieldIsNull(int field) override { return table_.ExprFieldIsNull(field); }

private:
    TXbSmartDBF& table_;
};

std::unique_ptr<IXbExprFieldSource> MakeTableFieldSource(TXbSmartDBF& table)
{
    return std::make_unique<TXbDBFTableFieldSource>(table);
}

void TXbSmartDBF::BuildExprFields()
{
    exprFields_.clear();
    exprFields_.reserve(fieldMap_.size());
    for (const TXbFieldAccess& access : fieldMap_) {
        TXbExprFieldInfo info;
        info.Name = access.Def->Name();
        info.DataType = access.DataType;
        info.TypeLetter = access.Type;
        info.Size = access.DataType == TFieldType::ftString || access.DataType == TFieldType::ftFixedChar
                        ? access.Length
                        : access.Storage;
        info.Length = access.Length;
        info.Decimals = access.Decimals;
        info.KeySize = access.Length;
        exprFields_.push_back(std::move(info));
    }
}

int TXbSmartDBF::ExprFindField(std::string_view name) const
{
    for (size_t i = 0; i < exprFields_.size(); ++i)
        if (SameText(exprFields_[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

const TXbExprFieldInfo& TXbSmartDBF::ExprFieldInfo(int field) const
{
    return exprFields_.at(static_cast<size_t>(field));
}

bool TXbSmartDBF::ExprFieldIsNull(int field)
{
    const uint8_t* record = ActiveRecordBuffer();
    if (record == nullptr || field < 0 || field >= static_cast<int>(fieldMap_.size()))
        return true;
    return !ReadFieldValue(fieldMap_[static_cast<size_t>(field)], record, nullptr, 0);
}

Variant TXbSmartDBF::ExprFieldValue(int field, bool keepTrailingBlanks)
{
    const uint8_t* record = ActiveRecordBuffer();
    if (record == nullptr || field < 0 || field >= static_cast<int>(fieldMap_.size()))
        return Variant::Null();
    const TXbFieldAccess& access = fieldMap_[static_cast<size_t>(field)];
    if (access.Type == 'C' && access.DataType == TFieldType::ftString) {
        if (access.NullOffset >= 0 && (record[access.NullOffset] & access.NullMask) != 0)
            return Variant::Null();
        const char* text = reinterpret_cast<const char*>(record + access.Offset);
        size_t length = static_cast<size_t>(access.Length);
        if (!keepTrailingBlanks) {
            while (length > 0 && text[length - 1] == ' ')
                --length;
            if (length == 0)
                return Variant::Null();
        }
        std::string value(text, length);
        if (OEM)
            OemToAnsiBuff(value.data(), value.size());
        return Variant(std::move(value));
    }
    if (access.FastKind == 2) {
        int32_t number;
        if (!ReadFieldValue(access, record, &number, sizeof number))
            return Variant::Null();
        return Variant(static_cast<int>(number));
    }
    union {
        int16_t i16;
        uint16_t u16;
        int32_t i32;
        int64_t i64;
        double f64;
        char text[256];
    } value{};
    const bool textual = access.DataType == TFieldType::ftString || access.DataType == TFieldType::ftFixedChar;
    if (textual && access.Length >= static_cast<int>(sizeof value.text)) {
        std::string text(static_cast<size_t>(access.Length) + 1, '\0');
        if (!ReadFieldValue(access, record, text.data(), static_cast<int>(text.size())))
            return Variant::Null();
        text.resize(std::strlen(text.c_str()));
        if (OEM)
            OemToAnsiBuff(text.data(), text.size());
        return Variant(std::move(text));
    }
    if (!ReadFieldValue(access, record, &value, sizeof value))
        return Variant::Null();
    switch (access.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: {
        std::string text(value.text);
        if (!keepTrailingBlanks)
            text.erase(text.find_last_not_of(' ') + 1);
        if (OEM)
            OemToAnsiBuff(text.data(), text.size());
        return Variant(std::move(text));
    }
    case TFieldType::ftSmallint: return Variant(static_cast<int>(value.i16));
    case TFieldType::ftWord: return Variant(static_cast<int>(value.u16));
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc: return Variant(static_cast<int>(value.i32));
    case TFieldType::ftLargeint: return Variant(value.i64);
    case TFieldType::ftFloat: return Variant(value.f64);
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: {
        Currency currency;
        currency.scaled = value.i64;
        return Variant(currency);
    }
    case TFieldType::ftBoolean: return Variant(value.i16 != 0);
    case TFieldType::ftDate: return Variant::FromDateTime(static_cast<double>(value.i32 - kDateNumberOfDayZero));
    case TFieldType::ftTime: return Variant::FromDateTime(static_cast<double>(value.i32) / kDayMilliseconds);
    case TFieldType::ftDateTime:
        return Variant::FromDateTime(
            MillisecondsToDateTime(static_cast<int64_t>(value.f64) - kDateNumberOfDayZero * kDayMilliseconds));
    default: return Variant::Null();
    }
}

void TXbSmartDBF::PrepareFilter()
{
    filterReady_ = false;
    compiledFilter_.Clear();
    if (Filter().empty())
        return;
    filterParser_->SetFilterExpression(Filter(), FilterOptions());
    compiledFilter_.Compile(*filterParser_, fieldMap_);
    filterReady_ = true;
}

void TXbSmartDBF::ReleaseFilter() noexcept
{
    filterReady_ = false;
    compiledFilter_.Clear();
}

bool TXbSmartDBF::FilterReady() const noexcept { return filterReady_ && !Filter().empty(); }

bool TXbSmartDBF::EvaluateFilter()
{
    if (compiledFilter_.Compiled()) {
        if (const uint8_t* record = ActiveRecordBuffer())
            return compiledFilter_.Accepts(record, OEM, TrimCType);
    }
    const Variant result = filterParser_->Evaluate();
    return result.VarType() == TVarType::varBoolean && result.AsBoolean();
}
