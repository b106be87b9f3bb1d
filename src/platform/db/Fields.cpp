#include "platform/db/Fields.h"

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/FieldText.h"
#include "platform/rtl/CodePages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace DBConsts;

namespace {

bool InWriteState(TDataSetState state) noexcept
{
    switch (state) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsSetKey:
    case TDataSetState::dsCalcFields:
    case TDataSetState::dsFilter:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsInternalCalc:
        return true;
    default:
        return false;
    }
}

Currency MakeCurrency(int64_t scaled) noexcept
{
    Currency value;
    value.scaled = scaled;
    return value;
}

// Reads a string field's text into `sink(text, length)`, using a stack buffer for the usual
// sizes; the text passes through the dataset's code-page translation when the field asks.
template <typename Sink>
bool ReadText(const TStringField& field, Sink&& sink)
{
    constexpr int StackSize = 256;
    const int size = field.DataSize();
    char stackBuffer[StackSize];
    std::string heapBuffer;
    char* buffer = stackBuffer;
    if (size > StackSize) {
        heapBuffer.assign(static_cast<size_t>(size), '\0');
        buffer = heapBuffer.data();
    }
    if (!field.GetData(buffer)) return false;
    buffer[size - 1] = '\0';
    const size_t length = field.Transliterate()
                              ? static_cast<size_t>(std::max(0, field.DataSet()->TranslateOem(buffer, buffer, false)))
                              : std::strlen(buffer);
    sink(buffer, std::min(length, static_cast<size_t>(size - 1)));
    return true;
}

}  // namespace

const char* FieldTypeName(TFieldType type) noexcept
{
    static constexpr const char* names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD",
        "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic",
        "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString",
        "Largeint", "ADT", "Array", "Reference", "DataSet"};
    const auto index = static_cast<size_t>(type);
    return index < std::size(names) ? names[index] : "Unknown";
}

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField()
{
    if (dataSet_ != nullptr) dataSet_->fields_.Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    if (dataSet_ != nullptr) dataSet_->CheckInactive();
    if (dataSet != nullptr) {
        dataSet->CheckInactive();
        if (!fieldName_.empty() && dataSet->fields_.FindField(fieldName_) != nullptr)
            DatabaseErrorFmt(SDuplicateFieldName, {fieldName_});
    }
    if (dataSet_ != nullptr) dataSet_->fields_.Remove(this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr) dataSet_->fields_.Add(this);
}

void TField::SetFieldName(const std::string& name)
{
    if (dataSet_ != nullptr) {
        dataSet_->CheckInactive();
        const TField* other = dataSet_->fields_.FindField(name);
        if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {name});
    }
    fieldName_ = name;
}

int TField::Index() const { return dataSet_ != nullptr ? dataSet_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int index)
{
    if (dataSet_ == nullptr) return;
    std::vector<TField*>& fields = dataSet_->fields_.fields_;
    const auto from = std::find(fields.begin(), fields.end(), this);
    if (from == fields.end()) return;
    const auto to = fields.begin() + std::clamp<std::ptrdiff_t>(index, 0, static_cast<std::ptrdiff_t>(fields.size()) - 1);
    if (from == to) return;
    if (from < to) std::rotate(from, from + 1, to + 1);
    else std::rotate(to, from, from + 1);
    if (dataSet_->Active()) dataSet_->DataEvent(TDataEvent::deLayoutChange);
}

TAlignment TField::Alignment() const noexcept
{
    if (alignmentAssigned_) return alignment_;
    return IsNumericFieldType(dataType_) ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
}

void TField::SetFieldKind(TFieldKind kind)
{
    if (dataSet_ != nullptr) dataSet_->CheckInactive();
    fieldKind_ = kind;
}

void TField::SetSize(int size)
{
    if (dataSet_ != nullptr) dataSet_->CheckInactive();
    size_ = size;
}

int TField::DataSize() const { return 0; }

int TField::DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }

bool TField::CanModify() const
{
    if (readOnly_ || dataSet_ == nullptr) return false;
    return fieldKind_ != TFieldKind::fkData || dataSet_->CanModify();
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::DataSetMissingError() const { DatabaseErrorFmt(SDataSetMissing, {DisplayName()}); }

// While OnValidate runs, the field reads the value about to be written.
bool TField::ValidatingData(void* buffer) const
{
    if (validateBuffer_ == nullptr) return false;
    if (buffer != nullptr) std::memcpy(buffer, validateBuffer_, static_cast<size_t>(DataSize()));
    return true;
}

void TField::SetData(const void* buffer)
{
    CheckWritable();
    dataSet_->PutFieldData(*this, buffer);
}

bool TField::PutText(const char* text, size_t length, bool translate)
{
    return dataSet_ != nullptr && dataSet_->PutFieldText(*this, text, length, translate);
}

void TField::CheckWritable() const
{
    if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    const TDataSetState state = dataSet_->State();
    if (!InWriteState(state)) DatabaseError(SNotEditing);
    if (readOnly_ && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter)
        DatabaseErrorFmt(SFieldReadOnly, {DisplayName()});
}

void TField::Validate(const void* buffer)
{
    if (!OnValidate || validating_) return;
    validating_ = true;
    validateBuffer_ = buffer;
    try {
        OnValidate(this);
    } catch (...) {
        validating_ = false;
        validateBuffer_ = nullptr;
        throw;
    }
    validating_ = false;
    validateBuffer_ = nullptr;
}

void TField::Change()
{
    if (OnChange) OnChange(this);
}

void TField::AccessError(const char* typeName) const
{
    DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName});
}

void TField::RangeError(const std::string& value, const std::string& min, const std::string& max) const
{
    DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), min, max});
}

std::string TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const std::string&) { AccessError("String"); }
int32_t TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(int32_t) { AccessError("Integer"); }
void TField::SetAsLargeIntValue(int64_t) { AccessError("Largeint"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
Currency TField::GetAsCurrency() const { return MakeCurrency(FieldText::DoubleToCurrency(GetAsFloat())); }
void TField::SetAsCurrencyValue(Currency value) { SetAsFloatValue(value.ToDouble()); }

// ---------------------------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* owner) : TField(owner)
{
    SetDataType(TFieldType::ftString);
    TField::SetSize(20);
}

bool TStringField::GetValueThroughData(std::string& value) const
{
    const bool found = ReadText(*this, [&](const char* text, size_t length) { value.assign(text, length); });
    if (!found) value.clear();
    return found;
}

std::string TStringField::GetAsString() const
{
    std::string value;
    GetValue(value);
    return value;
}

void TStringField::SetAsStringValue(const std::string& value)
{
    const size_t size = static_cast<size_t>(Size());
    const size_t length = strnlen(value.c_str(), size);
    if (PutText(value.c_str(), length, transliterate_)) return;
    constexpr size_t StackSize = 256;
    char stackBuffer[StackSize];
    std::string heapBuffer;
    char* buffer = stackBuffer;
    if (size + 1 > StackSize) {
        heapBuffer.assign(size + 1, '\0');
        buffer = heapBuffer.data();
    }
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    if (transliterate_) DataSet()->TranslateOemInPlace(buffer, length, true);
    SetData(buffer);
}

int32_t TStringField::GetAsInteger() const
{
    const int64_t value = GetAsLargeInt();
    if (value < INT32_MIN || value > INT32_MAX) DatabaseErrorFmt(SNotAnInteger, {GetAsString(), DisplayName()});
    return static_cast<int32_t>(value);
}

void TStringField::SetAsIntegerValue(int32_t value) { SetAsStringValue(FieldText::IntegerToText(value)); }

int64_t TStringField::GetAsLargeInt() const
{
    const std::string text = GetAsString();
    int64_t value = 0;
    if (!FieldText::TextToInteger(text, value)) DatabaseErrorFmt(SNotAnInteger, {text, DisplayName()});
    return value;
}

void TStringField::SetAsLargeIntValue(int64_t value) { SetAsStringValue(FieldText::IntegerToText(value)); }

double TStringField::GetAsFloat() const
{
    const std::string text = GetAsString();
    double value = 0;
    if (!FieldText::TextToFloat(text, value)) DatabaseErrorFmt(SNotAFloat, {text, DisplayName()});
    return value;
}

void TStringField::SetAsFloatValue(double value) { SetAsStringValue(FieldText::FloatToText(value)); }

bool TStringField::GetAsBoolean() const
{
    const std::string text = GetAsString();
    return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsBooleanValue(bool value) { SetAsStringValue(value ? "T" : "F"); }

TDateTime TStringField::GetAsDateTime() const
{
    const std::string text = GetAsString();
    TDateTime value = 0;
    if (!FieldText::TextToDateTime(text, value)) DatabaseErrorFmt(SNotADate, {text, DisplayName()});
    return value;
}

void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsStringValue(FieldText::DateTimeToText(value)); }

// ---------------------------------------------------------------------------------------------
// Integer fields

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(TFieldType::ftInteger); }

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner)
{
    SetDataType(TFieldType::ftSmallint);
    minValue_ = INT16_MIN;
    maxValue_ = INT16_MAX;
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner)
{
    SetDataType(TFieldType::ftWord);
    minValue_ = 0;
    maxValue_ = UINT16_MAX;
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(TFieldType::ftAutoInc); }

int TIntegerField::DataSize() const
{
    return DataType() == TFieldType::ftSmallint || DataType() == TFieldType::ftWord ? 2 : 4;
}

bool TIntegerField::GetValue(int32_t& value) const
{
    switch (DataType()) {
    case TFieldType::ftSmallint: {
        int16_t native = 0;
        if (!GetData(&native)) return false;
        value = native;
        return true;
    }
    case TFieldType::ftWord: {
        uint16_t native = 0;
        if (!GetData(&native)) return false;
        value = native;
        return true;
    }
    default:
        return GetData(&value);
    }
}

int32_t TIntegerField::GetAsInteger() const
{
    int32_t value = 0;
    return GetValue(value) ? value : 0;
}

std::string TIntegerField::GetAsString() const
{
    int32_t value = 0;
    return GetValue(value) ? FieldText::IntegerToText(value) : std::string();
}

void TIntegerField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t parsed = 0;
    if (!FieldText::TextToInteger(value, parsed)) DatabaseErrorFmt(SNotAnInteger, {value, DisplayName()});
    SetAsLargeIntValue(parsed);
}

void TIntegerField::SetAsLargeIntValue(int64_t value)
{
    if (value < minValue_ || value > maxValue_)
        RangeError(FieldText::IntegerToText(value), FieldText::IntegerToText(minValue_), FieldText::IntegerToText(maxValue_));
    SetAsIntegerValue(static_cast<int32_t>(value));
}

void TIntegerField::SetAsIntegerValue(int32_t value)
{
    if (value < minValue_ || value > maxValue_)
        RangeError(FieldText::IntegerToText(value), FieldText::IntegerToText(minValue_), FieldText::IntegerToText(maxValue_));
    switch (DataType()) {
    case TFieldType::ftSmallint: {
        const int16_t native = static_cast<int16_t>(value);
        SetData(&native);
        break;
    }
    case TFieldType::ftWord: {
        const uint16_t native = static_cast<uint16_t>(value);
        SetData(&native);
        break;
    }
    default:
        SetData(&value);
    }
}

void TIntegerField::SetAsFloatValue(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= static_cast<double>(minValue_) && rounded <= static_cast<double>(maxValue_)))
        RangeError(FieldText::FloatToText(value), FieldText::IntegerToText(minValue_), FieldText::IntegerToText(maxValue_));
    SetAsIntegerValue(static_cast<int32_t>(rounded));
}

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(TFieldType::ftLargeint); }

bool TLargeintField::GetValue(int64_t& value) const { return GetData(&value); }

int64_t TLargeintField::GetAsLargeInt() const
{
    int64_t value = 0;
    return GetValue(value) ? value : 0;
}

int32_t TLargeintField::GetAsInteger() const
{
    const int64_t value = GetAsLargeInt();
    if (value < INT32_MIN || value > INT32_MAX)
        RangeError(FieldText::IntegerToText(value), FieldText::IntegerToText(INT32_MIN), FieldText::IntegerToText(INT32_MAX));
    return static_cast<int32_t>(value);
}

std::string TLargeintField::GetAsString() const
{
    int64_t value = 0;
    return GetValue(value) ? FieldText::IntegerToText(value) : std::string();
}

void TLargeintField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t parsed = 0;
    if (!FieldText::TextToInteger(value, parsed)) DatabaseErrorFmt(SNotAnInteger, {value, DisplayName()});
    SetAsLargeIntValue(parsed);
}

void TLargeintField::SetAsLargeIntValue(int64_t value) { SetData(&value); }

void TLargeintField::SetAsFloatValue(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18))
        RangeError(FieldText::FloatToText(value), FieldText::IntegerToText(INT64_MIN), FieldText::IntegerToText(INT64_MAX));
    SetAsLargeIntValue(static_cast<int64_t>(rounded));
}

// ---------------------------------------------------------------------------------------------
// TFloatField, TCurrencyField, TBCDField

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(TFieldType::ftFloat); }

double TFloatField::GetAsFloat() const
{
    double value = 0;
    return GetData(&value) ? value : 0.0;
}

void TFloatField::SetAsFloatValue(double value) { SetData(&value); }

int32_t TFloatField::GetAsInteger() const
{
    const double value = std::nearbyint(GetAsFloat());
    if (!(value >= INT32_MIN && value <= INT32_MAX))
        RangeError(FieldText::FloatToText(value), FieldText::IntegerToText(INT32_MIN), FieldText::IntegerToText(INT32_MAX));
    return static_cast<int32_t>(value);
}

int64_t TFloatField::GetAsLargeInt() const
{
    const double value = std::nearbyint(GetAsFloat());
    if (!(value >= -9.2233720368547758e18 && value < 9.2233720368547758e18))
        RangeError(FieldText::FloatToText(value), FieldText::IntegerToText(INT64_MIN), FieldText::IntegerToText(INT64_MAX));
    return static_cast<int64_t>(value);
}

std::string TFloatField::GetAsString() const
{
    double value = 0;
    return GetData(&value) ? FieldText::FloatToText(value, precision_) : std::string();
}

void TFloatField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    double parsed = 0;
    if (!FieldText::TextToFloat(value, parsed)) DatabaseErrorFmt(SNotAFloat, {value, DisplayName()});
    SetAsFloatValue(parsed);
}

TCurrencyField::TCurrencyField(TComponent* owner) : TNumericField(owner) { SetDataType(TFieldType::ftCurrency); }

Currency TCurrencyField::GetAsCurrency() const
{
    int64_t scaled = 0;
    return MakeCurrency(GetData(&scaled) ? scaled : 0);
}

void TCurrencyField::SetAsCurrencyValue(Currency value) { SetData(&value.scaled); }

void TCurrencyField::SetAsFloatValue(double value)
{
    if (!(std::fabs(value) < 922337203685477.0)) RangeError(FieldText::FloatToText(value), "-922337203685477", "922337203685477");
    SetAsCurrencyValue(MakeCurrency(FieldText::DoubleToCurrency(value)));
}

int32_t TCurrencyField::GetAsInteger() const
{
    const double value = std::nearbyint(GetAsFloat());
    if (!(value >= INT32_MIN && value <= INT32_MAX))
        RangeError(FieldText::FloatToText(value), FieldText::IntegerToText(INT32_MIN), FieldText::IntegerToText(INT32_MAX));
    return static_cast<int32_t>(value);
}

void TCurrencyField::SetAsIntegerValue(int32_t value) { SetAsCurrencyValue(MakeCurrency(int64_t{value} * 10000)); }

std::string TCurrencyField::GetAsString() const
{
    int64_t scaled = 0;
    return GetData(&scaled) ? FieldText::CurrencyToText(scaled) : std::string();
}

void TCurrencyField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    int64_t scaled = 0;
    if (!FieldText::TextToCurrency(value, scaled)) DatabaseErrorFmt(SNotAFloat, {value, DisplayName()});
    SetAsCurrencyValue(MakeCurrency(scaled));
}

TBCDField::TBCDField(TComponent* owner) : TCurrencyField(owner)
{
    SetDataType(TFieldType::ftBCD);
    TField::SetSize(4);
}

// ---------------------------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(TFieldType::ftBoolean); }

void TBooleanField::SetDisplayValues(const std::string& values)
{
    const size_t separator = values.find(';');
    trueText_ = values.substr(0, separator);
    falseText_ = separator == std::string::npos ? std::string() : values.substr(separator + 1);
}

bool TBooleanField::GetAsBoolean() const
{
    int16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBooleanValue(bool value)
{
    const int16_t native = value ? 1 : 0;
    SetData(&native);
}

std::string TBooleanField::GetAsString() const
{
    int16_t value = 0;
    if (!GetData(&value)) return std::string();
    return value != 0 ? trueText_ : falseText_;
}

void TBooleanField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    // A leading part of either text is enough ("T", "fal").
    auto matches = [&value](const std::string& text) {
        return value.size() <= text.size() && AnsiSameText(text.substr(0, value.size()), value);
    };
    if (matches(falseText_)) SetAsBooleanValue(false);
    else if (matches(trueText_)) SetAsBooleanValue(true);
    else DatabaseErrorFmt(SNotABoolean, {value, DisplayName()});
}

int TBooleanField::DefaultDisplayWidth() const
{
    return static_cast<int>(std::max(trueText_.size(), falseText_.size()));
}

// ---------------------------------------------------------------------------------------------
// Date and time fields

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(TFieldType::ftDateTime); }
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(TFieldType::ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(TFieldType::ftTime); }

int TDateTimeField::DataSize() const { return DataType() == TFieldType::ftDateTime ? 8 : 4; }

TDateTime TDateTimeField::GetAsDateTime() const
{
    switch (DataType()) {
    case TFieldType::ftDate: {
        int32_t days = 0;
        return GetData(&days) ? FieldText::NativeDateToDateTime(days) : 0.0;
    }
    case TFieldType::ftTime: {
        int32_t ms = 0;
        return GetData(&ms) ? FieldText::NativeTimeToDateTime(ms) : 0.0;
    }
    default: {
        double stamp = 0;
        return GetData(&stamp) ? FieldText::NativeTimeStampToDateTime(stamp) : 0.0;
    }
    }
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > 2958466.0) DatabaseErrorFmt(SNotADate, {FieldText::FloatToText(value), DisplayName()});
    switch (DataType()) {
    case TFieldType::ftDate: {
        const int32_t days = FieldText::DateTimeToNativeDate(value);
        if (days < 1) DatabaseErrorFmt(SNotADate, {FieldText::FloatToText(value), DisplayName()});
        SetData(&days);
        break;
    }
    case TFieldType::ftTime: {
        const int32_t ms = FieldText::DateTimeToNativeTime(value);
        SetData(&ms);
        break;
    }
    default: {
        const double stamp = FieldText::DateTimeToNativeTimeStamp(value);
        if (stamp < 0) DatabaseErrorFmt(SNotADate, {FieldText::FloatToText(value), DisplayName()});
        SetData(&stamp);
    }
    }
}

std::string TDateTimeField::GetAsString() const
{
    if (IsNull()) return std::string();
    const TDateTime value = GetAsDateTime();
    switch (DataType()) {
    case TFieldType::ftDate: return FieldText::DateToText(value);
    case TFieldType::ftTime: return FieldText::TimeToText(value);
    default: return FieldText::DateTimeToText(value);
    }
}

void TDateTimeField::SetAsStringValue(const std::string& value)
{
    if (value.empty()) {
        Clear();
        return;
    }
    TDateTime parsed = 0;
    if (!FieldText::TextToDateTime(value, parsed)) DatabaseErrorFmt(SNotADate, {value, DisplayName()});
    SetAsDateTimeValue(parsed);
}

// ---------------------------------------------------------------------------------------------
// Byte fields

TBytesField::TBytesField(TComponent* owner) : TField(owner)
{
    SetDataType(TFieldType::ftBytes);
    TField::SetSize(16);
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner) { SetDataType(TFieldType::ftVarBytes); }

int TBytesField::DataSize() const { return DataType() == TFieldType::ftVarBytes ? Size() + 2 : Size(); }

std::string TBytesField::GetAsString() const
{
    std::string buffer(static_cast<size_t>(DataSize()), '\0');
    if (!GetData(buffer.data())) return std::string();
    if (DataType() == TFieldType::ftVarBytes) {
        uint16_t length = 0;
        std::memcpy(&length, buffer.data(), 2);
        return buffer.substr(2, std::min<size_t>(length, static_cast<size_t>(Size())));
    }
    return buffer;
}

void TBytesField::SetAsStringValue(const std::string& value)
{
    std::string buffer(static_cast<size_t>(DataSize()), '\0');
    const size_t length = std::min(value.size(), static_cast<size_t>(Size()));
    if (DataType() == TFieldType::ftVarBytes) {
        const uint16_t stored = static_cast<uint16_t>(length);
        std::memcpy(buffer.data(), &stored, 2);
        std::memcpy(buffer.data() + 2, value.data(), length);
    } else {
        std::memcpy(buffer.data(), value.data(), length);
    }
    SetData(buffer.data());
}

// ---------------------------------------------------------------------------------------------
// Blob and dataset fields

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(TFieldType::ftBlob); }
TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(TFieldType::ftMemo); }
TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(TFieldType::ftGraphic); }
TDataSetField::TDataSetField(TComponent* owner) : TField(owner) { SetDataType(TFieldType::ftDataSet); }

std::string TBlobField::GetText(bool) const { return "(BLOB)"; }

int64_t TBlobField::BlobSize() const
{
    if (DataSet() == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    if (IsNull()) return 0;
    std::unique_ptr<TStream> stream = DataSet()->OpenBlobStream(const_cast<TBlobField&>(*this), TBlobStreamMode::bmRead);
    return stream ? stream->Size() : 0;
}

std::string TBlobField::GetAsString() const
{
    if (DataSet() == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    std::unique_ptr<TStream> stream = DataSet()->OpenBlobStream(const_cast<TBlobField&>(*this), TBlobStreamMode::bmRead);
    std::string contents;
    if (!stream) return contents;
    const int64_t size = stream->Size();
    if (size <= 0) return contents;
    contents.resize(static_cast<size_t>(size));
    stream->SetPosition(0);
    const int64_t read = stream->Read(contents.data(), size);
    contents.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
    return contents;
}

void TBlobField::SetAsStringValue(const std::string& value)
{
    CheckWritable();
    std::unique_ptr<TStream> stream = DataSet()->OpenBlobStream(*this, TBlobStreamMode::bmWrite);
    if (!stream) AccessError("String");
    if (!value.empty()) stream->WriteBuffer(value.data(), static_cast<int64_t>(value.size()));
    DataSet()->CommitBlobStream(*stream);
}

std::string TMemoField::GetText(bool displayText) const
{
    if (displayText) return IsNull() ? "(memo)" : "(MEMO)";
    return GetAsString();
}

// ---------------------------------------------------------------------------------------------

TField* CreateFieldOfType(TFieldType type, TComponent* owner, const std::string& fieldName)
{
    TField* field = nullptr;
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: field = new TStringField(owner); break;
    case TFieldType::ftSmallint: field = new TSmallintField(owner); break;
    case TFieldType::ftInteger: field = new TIntegerField(owner); break;
    case TFieldType::ftWord: field = new TWordField(owner); break;
    case TFieldType::ftAutoInc: field = new TAutoIncField(owner); break;
    case TFieldType::ftLargeint: field = new TLargeintField(owner); break;
    case TFieldType::ftBoolean: field = new TBooleanField(owner); break;
    case TFieldType::ftFloat: field = new TFloatField(owner); break;
    case TFieldType::ftCurrency: field = new TCurrencyField(owner); break;
    case TFieldType::ftBCD: field = new TBCDField(owner); break;
    case TFieldType::ftDate: field = new TDateField(owner); break;
    case TFieldType::ftTime: field = new TTimeField(owner); break;
    case TFieldType::ftDateTime: field = new TDateTimeField(owner); break;
    case TFieldType::ftBytes: field = new TBytesField(owner); break;
    case TFieldType::ftVarBytes: field = new TVarBytesField(owner); break;
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo: field = new TMemoField(owner); break;
    case TFieldType::ftGraphic: field = new TGraphicField(owner); break;
    case TFieldType::ftBlob:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary: field = new TBlobField(owner); break;
    case TFieldType::ftDataSet: field = new TDataSetField(owner); break;
    default: DatabaseErrorFmt(SFieldTypeNotSupported, {fieldName});
    }
    field->SetDataType(type);
    field->SetFieldName(fieldName);
    return field;
}

// ---------------------------------------------------------------------------------------------
// TFields

TField* TFields::Fields(int index) const
{
    if (index < 0 || index >= Count()) throw EListError(FormatDBMessage(SListIndexError, {std::to_string(index)}));
    return fields_[static_cast<size_t>(index)];
}

TField* TFields::FindField(const std::string& name) const
{
    for (TField* field : fields_)
        if (AnsiSameText(field->FieldName(), name)) return field;
    return nullptr;
}

TField* TFields::FieldByName(const std::string& name) const
{
    TField* field = FindField(name);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name});
    return field;
}

TField* TFields::FieldByNumber(int fieldNo) const
{
    for (TField* field : fields_)
        if (field->FieldNo() == fieldNo) return field;
    return nullptr;
}

int TFields::IndexOf(const TField* field) const
{
    const auto it = std::find(fields_.begin(), fields_.end(), field);
    return it == fields_.end() ? -1 : static_cast<int>(it - fields_.begin());
}

void TFields::Add(TField* field) { fields_.push_back(field); }

void TFields::Remove(TField* field)
{
    fields_.erase(std::remove(fields_.begin(), fields_.end(), field), fields_.end());
}
