// Locate and Lookup of the DBF table: through an index that covers every key field, otherwise
// by reading the table file block by block and comparing field values record by record.

#include "dbf/XbDBFDataSet.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace {

bool IsNullOrEmpty(const Variant& value) { return value.IsNull() || value.IsEmpty(); }

// The value as a 64-bit integer, converted from its text when it is not a whole number;
// nothing when it does not convert.
std::optional<int64_t> LargeIntValue(const Variant& value)
{
    switch (value.VarType()) {
    case TVarType::varEmpty:
    case TVarType::varNull: return std::nullopt;
    case TVarType::varInteger:
    case TVarType::varInt64:
    case TVarType::varBoolean: return value.AsInt64();
    default: break;
    }
    try {
        return StrToInt64(Trim(value.AsString()));
    } catch (const Exception&) {
        return std::nullopt;
    }
}

// Converts a value for a numeric comparison; a value that does not convert counts as null.
template <class T, class F>
T NumberOr(const Variant& value, T fallback, F convert)
{
    if (IsNullOrEmpty(value))
        return fallback;
    try {
        return convert(value);
    } catch (const Exception&) {
        return fallback;
    }
}

}  // namespace

// Whether the field of the record under test equals the value, by the rules of its type.
static bool FieldEqualsValue(const TField& field, const Variant& value, TLocateOptions options, bool trim)
{
    switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString: {
        std::string fieldText = field.IsNull() ? std::string() : field.AsString();
        std::string valueText = IsNullOrEmpty(value) ? std::string() : value.AsString();
        if (trim) {
            fieldText = Trim(fieldText);
            valueText = Trim(valueText);
        }
        const bool caseInsensitive = options.Contains(TLocateOption::loCaseInsensitive);
        if (options.Contains(TLocateOption::loPartialKey)) {
            if (caseInsensitive) {
                fieldText = AnsiUpperCase(fieldText);
                valueText = AnsiUpperCase(valueText);
            }
            return fieldText.compare(0, valueText.size(), valueText) == 0;
        }
        return caseInsensitive ? AnsiCompareText(fieldText, valueText) == 0
                               : AnsiCompareStr(fieldText, valueText) == 0;
    }
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
    case TFieldType::ftWord: {
        const int64_t fieldValue = field.IsNull() ? 0 : field.AsLargeInt();
        return fieldValue == NumberOr<int64_t>(value, 0, [](const Variant& v) { return v.AsInt64(); });
    }
    case TFieldType::ftBoolean: {
        const bool fieldValue = !field.IsNull() && field.AsBoolean();
        return fieldValue == NumberOr<bool>(value, false, [](const Variant& v) { return v.AsBoolean(); });
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
        const double fieldValue = field.IsNull() ? 0.0 : field.AsFloat();
        return fieldValue == NumberOr<double>(value, 0.0, [](const Variant& v) { return v.AsDouble(); });
    }
    case TFieldType::ftLargeint: {
        const std::optional<int64_t> fieldValue =
            field.IsNull() ? std::nullopt : std::optional<int64_t>(field.AsLargeInt());
        return fieldValue == LargeIntValue(value);
    }
    default:
        // Other types compare as variants.
        return field.AsVariant() == value;
    }
}

uint32_t TXbSmartDBF::LocateRecord(const std::string& keyFields, const Variant& keyValues, TLocateOptions options,
                                   bool scanOnly, uint32_t startRecNo)
{
    CheckActive();
    if (!scanOnly) {
        if (TIndexes* indexes = IndexCollection()) {
            int covered = 0;
            int count = 0;
            TIndex* index = indexes->BestIndexFor(keyFields, covered, count);
            if (index != nullptr && covered > 0 && covered == count)
                return index->SeekFieldValues(keyFields, keyValues, options.Contains(TLocateOption::loPartialKey),
                                              false);
        }
    }

    // Nothing can equal a missing value.
    if (IsNullOrEmpty(keyValues))
        return 0;
    std::vector<Variant> values;
    if (keyValues.IsArray()) {
        values = keyValues.Elements();
        for (const Variant& value : values)
            if (IsNullOrEmpty(value))
                return 0;
    } else {
        values.push_back(keyValues);
    }
    std::vector<TField*> fields;
    for (const std::string& name : SplitFieldNames(keyFields))
        fields.push_back(FieldByName(name));
    if (fields.empty() || fields.size() != values.size())
        throw EDatabaseError("TXbSmartDBF.LocateRecord: " + std::to_string(fields.size()) + " key fields but " +
                             std::to_string(values.size()) + " key values!");

    const int perBlock = recordSize_ > 0 ? BufferSize / recordSize_ : 0;
    if (perBlock <= 0)
        throw EDatabaseError("TXbSmartDBF.LocateRecord: Record size too large");

    std::vector<uint8_t> block(static_cast<size_t>(perBlock) * static_cast<size_t>(recordSize_));
    TRecordBuffer record = scratchRecord_.Data();
    TRecordBuffer previousForced = forcedRecord_;
    uint32_t recNo = startRecNo == 0 ? 1 : startRecNo;
    uint32_t found = 0;
    try {
        while (found == 0) {
            const int64_t offset = headerSize_ + static_cast<int64_t>(recNo - 1) * recordSize_;
            if (tableStream_->SeekTo(offset, 0) != offset)
                break;
            const int64_t got = tableStream_->ReadBlock(block.data(), static_cast<int64_t>(block.size()));
            const int read = got > 0 ? static_cast<int>(got / recordSize_) : 0;
            if (read == 0)
                break;
            DecipherRecords(block.data(), recNo, read);
            for (int i = 0; i < read && found == 0; ++i, ++recNo) {
                std::memcpy(record, block.data() + static_cast<size_t>(i) * recordSize_,
                            static_cast<size_t>(recordSize_));
                std::memcpy(record + recordSize_, &recNo, 4);
                record[recordSize_ + 4] = 0;
                record[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
                forcedRecord_ = record;
                if (!RecordAccepted(record, Filtered()))
                    continue;
                bool equal = true;
                for (size_t f = 0; f < fields.size() && equal; ++f)
                    equal = FieldEqualsValue(*fields[f], values[f], options, TrimInLocate);
                if (equal)
                    found = recNo;
            }
            if (read < perBlock)
                break;
        }
    } catch (...) {
        forcedRecord_ = previousForced;
        throw;
    }
    forcedRecord_ = previousForced;
    return found;
}

bool TXbSmartDBF::LocateAndPosition(const std::string& keyFields, const Variant& keyValues, TLocateOptions options)
{
    const uint32_t recNo = LocateRecord(keyFields, keyValues, options, false, 1);
    if (recNo == 0)
        return false;
    CursorPosChanged();
    DoBeforeScroll();
    WindowReadAround(recNo);
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
    return true;
}

Variant TXbSmartDBF::FetchLookupValues(const std::string& keyFields, const Variant& keyValues,
                                       const std::string& resultFields)
{
    const uint32_t recNo = LocateRecord(keyFields, keyValues, LookupOptions, false, 1);
    if (recNo == 0)
        return Variant::Null();
    TRecordBuffer record = scratchRecord_.Data();
    if (!ReadRecordInto(recNo, record))
        return Variant::Null();
    TRecordBuffer previousForced = forcedRecord_;
    forcedRecord_ = record;
    Variant result;
    try {
        if (CalcFieldsSize() > 0)
            GetCalcFields(record);
        const std::vector<std::string> names = SplitFieldNames(resultFields);
        if (names.size() == 1) {
            result = FieldByName(names[0])->AsVariant();
        } else {
            std::vector<Variant> values;
            for (const std::string& name : names)
                values.push_back(FieldByName(name)->AsVariant());
            result = Variant::Array(std::move(values));
        }
    } catch (...) {
        forcedRecord_ = previousForced;
        throw;
    }
    forcedRecord_ = previousForced;
    return result;
}
