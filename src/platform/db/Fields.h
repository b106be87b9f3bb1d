#pragma once
// Fields of a dataset: TField and its typed subclasses, and TFields, the dataset's field list.
//
// A field reads and writes its value through its dataset (TDataSet::FetchFieldData and
// PutFieldData) in the field's native buffer format. The native formats are:
//
//   ftString, ftFixedChar   Size + 1 bytes: the ANSI text, NUL-terminated
//   ftSmallint              int16_t
//   ftWord                  uint16_t
//   ftInteger, ftAutoInc    int32_t
//   ftLargeint              int64_t
//   ftBoolean               int16_t: 0 false, any other value true
//   ftFloat                 double
//   ftCurrency, ftBCD       int64_t: the value times 10,000 (the Currency type)
//   ftDate                  int32_t: days counted so that 0001-01-01 is day 1
//                           (1899-12-30, TDateTime day 0, is day 693594)
//   ftTime                  int32_t: milliseconds since midnight
//   ftDateTime              double: whole milliseconds, days counted as for ftDate
//                           (0001-01-01 00:00 is 86400000)
//   ftBytes                 Size bytes
//   ftVarBytes              uint16_t length, then Size bytes
//   ftMemo, ftBlob, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftDataSet:
//                           no native value (DataSize 0); FetchFieldData with a null buffer
//                           answers whether the field holds a value, the contents go through
//                           TDataSet::OpenBlobStream
//
// Calculated fields live in the calculated area of a record buffer, each at its Offset(), in
// the same native format (CalcFieldsSize() bytes in all).

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet
};

// The type's name as messages give it ("String", "Integer", ...).
const char* FieldTypeName(TFieldType type) noexcept;

// Families of field types.
constexpr bool IsTextFieldType(TFieldType t) noexcept
{
    return t == TFieldType::ftString || t == TFieldType::ftFixedChar || t == TFieldType::ftWideString;
}
constexpr bool IsNumericFieldType(TFieldType t) noexcept
{
    switch (t) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
        return true;
    default:
        return false;
    }
}
constexpr bool IsDateFieldType(TFieldType t) noexcept
{
    return t == TFieldType::ftDate || t == TFieldType::ftTime || t == TFieldType::ftDateTime;
}
constexpr bool IsBlobFieldType(TFieldType t) noexcept
{
    switch (t) {
    case TFieldType::ftBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
        return true;
    default:
        return false;
    }
}

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// The outcome of a dataset's direct text read (TDataSet::FetchFieldText).
enum class TFieldTextFetch { tfUnsupported, tfNull, tfText };

using TFieldNotifyEvent = std::function<void(TField* sender)>;

class TField : public TComponent {
public:
    explicit TField(TComponent* owner);
    ~TField() override;
    const char* ClassName() const noexcept override { return "TField"; }

    TDataSet* DataSet() const noexcept { return dataSet_; }
    // Adds the field to the dataset's field list (and removes it from the previous one).
    // Raises when the dataset is open.
    void SetDataSet(TDataSet* dataSet);

    const std::string& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const std::string& name);
    // Position of the field's definition, from 1; 0 for fields that are not data fields.
    int FieldNo() const noexcept { return fieldNo_; }
    // Position in the dataset's field list, or -1.
    int Index() const;
    // Moves the field to that position of the list (clamped to the list); the data-aware
    // controls of an open dataset hear of it as a layout change.
    void SetIndex(int index);
    TFieldType DataType() const noexcept { return dataType_; }
    TFieldKind FieldKind() const noexcept { return fieldKind_; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const noexcept { return fieldKind_ == TFieldKind::fkCalculated; }
    int Size() const noexcept { return size_; }
    virtual void SetSize(int size);
    // Bytes of the native value.
    virtual int DataSize() const;
    // Position of a calculated field inside the calculated area of a record buffer.
    int Offset() const noexcept { return offset_; }
    virtual bool IsBlob() const noexcept { return false; }

    std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }
    // The name messages use: the display label, else the field name.
    std::string DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    // The alignment set, else numbers to the right and everything else to the left.
    TAlignment Alignment() const noexcept;
    void SetAlignment(TAlignment value) noexcept
    {
        alignment_ = value;
        alignmentAssigned_ = true;
    }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool Required() const noexcept { return required_; }
    void SetRequired(bool value) { required_ = value; }
    bool CanModify() const;

    // Value access. A null field reads as "", 0, false or day 0.
    bool IsNull() const;
    void Clear() { SetData(nullptr); }
    std::string AsString() const { return GetAsString(); }
    void SetAsString(const std::string& value) { SetAsStringValue(value); }
    int32_t AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(int32_t value) { SetAsIntegerValue(value); }
    int64_t AsLargeInt() const { return GetAsLargeInt(); }
    void SetAsLargeInt(int64_t value) { SetAsLargeIntValue(value); }
    double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(double value) { SetAsFloatValue(value); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
    Currency AsCurrency() const { return GetAsCurrency(); }
    void SetAsCurrency(Currency value) { SetAsCurrencyValue(value); }
    // Null for a null field, else the value in the variant type that suits the field.
    Variant AsVariant() const;
    void SetAsVariant(const Variant& value);
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // The text shown in a control, and the text an edit control starts with.
    std::string DisplayText() const { return GetText(true); }
    std::string Text() const { return GetText(false); }
    void SetText(const std::string& text) { SetAsString(text); }

    // The native value. GetData returns false for a null field; a null buffer only asks.
    // Inline (defined after TDataSet in DataSet.h): a scan reads every field of every record.
    inline bool GetData(void* buffer) const;
    // Writes the native value (null buffer: null). Raises "Dataset not in edit or insert mode"
    // outside the write states and "Field '%s' cannot be modified" for a read-only field.
    void SetData(const void* buffer);
    // Runs OnValidate with `buffer` as the field's value; dataset classes call it in
    // PutFieldData before they write.
    void Validate(const void* buffer);

    TFieldNotifyEvent OnValidate;
    TFieldNotifyEvent OnChange;

protected:
    void SetDataType(TFieldType type) { dataType_ = type; }
    virtual std::string GetAsString() const;
    virtual void SetAsStringValue(const std::string& value);
    virtual int32_t GetAsInteger() const;
    virtual void SetAsIntegerValue(int32_t value);
    virtual int64_t GetAsLargeInt() const { return GetAsInteger(); }
    virtual void SetAsLargeIntValue(int64_t value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloatValue(double value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBooleanValue(bool value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTimeValue(TDateTime value);
    virtual Currency GetAsCurrency() const;
    virtual void SetAsCurrencyValue(Currency value);
    virtual std::string GetText(bool displayText) const { return GetAsString(); }
    virtual int DefaultDisplayWidth() const { return 10; }
    [[noreturn]] void AccessError(const char* typeName) const;
    // The dataset's direct text read into `value`; tfUnsupported while OnValidate looks at a
    // value that is not yet written.
    inline TFieldTextFetch FetchText(std::string& value, bool translate) const;
    // The dataset's direct text write (TDataSet::PutFieldText); false when it has none for the
    // field now, and the text goes through SetData.
    bool PutText(const char* text, size_t length, bool translate);
    // Raises unless the field may be written in the dataset's present state.
    void CheckWritable() const;
    [[noreturn]] void RangeError(const std::string& value, const std::string& min, const std::string& max) const;

private:
    [[noreturn]] void DataSetMissingError() const;
    bool ValidatingData(void* buffer) const;
    friend class TDataSet;
    friend class TFields;
    friend TField* CreateFieldOfType(TFieldType type, TComponent* owner, const std::string& fieldName);
    void Change();

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    std::string displayLabel_;
    TFieldType dataType_ = TFieldType::ftUnknown;
    TFieldKind fieldKind_ = TFieldKind::fkData;
    int fieldNo_ = 0;
    int size_ = 0;
    int offset_ = 0;
    int displayWidth_ = 0;
    bool visible_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool alignmentAssigned_ = false;
    bool readOnly_ = false;
    bool required_ = false;
    bool validating_ = false;
    const void* validateBuffer_ = nullptr;
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TStringField"; }
    int DataSize() const override { return Size() + 1; }
    // Text passes through the dataset's TranslateOem on the way in and out.
    bool Transliterate() const noexcept { return transliterate_; }
    void SetTransliterate(bool value) { transliterate_ = value; }
    // Reads the text into `value`, reusing its storage; false for null.
    bool GetValue(std::string& value) const
    {
        switch (FetchText(value, transliterate_)) {
        case TFieldTextFetch::tfText: return true;
        case TFieldTextFetch::tfNull: value.clear(); return false;
        case TFieldTextFetch::tfUnsupported: break;
        }
        return GetValueThroughData(value);
    }

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    int64_t GetAsLargeInt() const override;
    void SetAsLargeIntValue(int64_t value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
    int DefaultDisplayWidth() const override { return Size(); }

private:
    // The text through the native buffer, for datasets without a direct text read.
    bool GetValueThroughData(std::string& value) const;

    bool transliterate_ = true;
};

class TNumericField : public TField {
public:
    using TField::TField;
    const char* ClassName() const noexcept override { return "TNumericField"; }
};

// ftInteger (int32), ftSmallint (int16), ftWord (uint16) and ftAutoInc (int32).
class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TIntegerField"; }
    int DataSize() const override;
    bool GetValue(int32_t& value) const;

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    void SetAsLargeIntValue(int64_t value) override;
    double GetAsFloat() const override { return GetAsInteger(); }
    void SetAsFloatValue(double value) override;
    int DefaultDisplayWidth() const override { return 11; }
    int64_t minValue_ = INT32_MIN;
    int64_t maxValue_ = INT32_MAX;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSmallintField"; }
};

class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TWordField"; }
};

class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TAutoIncField"; }
};

class TLargeintField : public TNumericField {
public:
    explicit TLargeintField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TLargeintField"; }
    int DataSize() const override { return 8; }
    bool GetValue(int64_t& value) const;

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override { SetAsLargeIntValue(value); }
    int64_t GetAsLargeInt() const override;
    void SetAsLargeIntValue(int64_t value) override;
    double GetAsFloat() const override { return static_cast<double>(GetAsLargeInt()); }
    void SetAsFloatValue(double value) override;
    int DefaultDisplayWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TFloatField"; }
    int DataSize() const override { return 8; }
    // Significant digits of the text form (default 15).
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int value) { precision_ = value < 2 ? 2 : (value > 15 ? 15 : value); }

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override { SetAsFloatValue(value); }
    int64_t GetAsLargeInt() const override;
    void SetAsLargeIntValue(int64_t value) override { SetAsFloatValue(static_cast<double>(value)); }
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    void SetAsCurrencyValue(Currency value) override { SetAsFloatValue(value.ToDouble()); }
    int DefaultDisplayWidth() const override { return 10; }

private:
    int precision_ = 15;
};

// ftCurrency and ftBCD: fixed-point values with four decimals.
class TCurrencyField : public TNumericField {
public:
    explicit TCurrencyField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TCurrencyField"; }
    int DataSize() const override { return 8; }

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int32_t GetAsInteger() const override;
    void SetAsIntegerValue(int32_t value) override;
    double GetAsFloat() const override { return GetAsCurrency().ToDouble(); }
    void SetAsFloatValue(double value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrencyValue(Currency value) override;
    int DefaultDisplayWidth() const override { return 10; }
};

class TBCDField : public TCurrencyField {
public:
    explicit TBCDField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TBCDField"; }
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int value) { precision_ = value; }

private:
    int precision_ = 0;
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TBooleanField"; }
    int DataSize() const override { return 2; }
    // "TrueText;FalseText", default "True;False".
    std::string DisplayValues() const { return trueText_ + ";" + falseText_; }
    void SetDisplayValues(const std::string& values);

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    int32_t GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
    void SetAsIntegerValue(int32_t value) override { SetAsBooleanValue(value != 0); }
    int DefaultDisplayWidth() const override;

private:
    std::string trueText_ = "True";
    std::string falseText_ = "False";
};

// ftDateTime; TDateField and TTimeField keep only the date or the time of day.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDateTimeField"; }
    int DataSize() const override;

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
    int DefaultDisplayWidth() const override { return 18; }
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDateField"; }

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TTimeField"; }

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

// ftBytes (Size bytes) and ftVarBytes (16-bit length and Size bytes); the text form is the bytes.
class TBytesField : public TField {
public:
    explicit TBytesField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TBytesField"; }
    int DataSize() const override;

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    int DefaultDisplayWidth() const override { return Size() * 2; }
};

class TVarBytesField : public TBytesField {
public:
    explicit TVarBytesField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TVarBytesField"; }
};

// Fields whose contents live outside the record; read and written through blob streams.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TBlobField"; }
    int DataSize() const override { return 0; }
    bool IsBlob() const noexcept override { return true; }
    // Bytes of the contents.
    int64_t BlobSize() const;

protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& value) override;
    std::string GetText(bool displayText) const override;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TMemoField"; }

protected:
    std::string GetText(bool displayText) const override;
};

class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TGraphicField"; }
};

// A field that holds a nested dataset; the nested dataset opens through the field.
class TDataSetField : public TField {
public:
    explicit TDataSetField(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDataSetField"; }
    int DataSize() const override { return 0; }
    TDataSet* NestedDataSet() const noexcept { return nestedDataSet_; }
    void SetNestedDataSet(TDataSet* dataSet) { nestedDataSet_ = dataSet; }

protected:
    std::string GetText(bool displayText) const override { return "(DATASET)"; }

private:
    TDataSet* nestedDataSet_ = nullptr;
};

// Creates the field class for a data type, owned by `owner`; raises for unsupported types.
TField* CreateFieldOfType(TFieldType type, TComponent* owner, const std::string& fieldName);

// The fields of a dataset, by position and by name. The list does not own its fields.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const noexcept { return static_cast<int>(fields_.size()); }
    // Raises EListError "List index out of bounds (%d)" for a position outside the list.
    TField* Fields(int index) const;
    TField& operator[](int index) const { return *Fields(index); }
    TField* FindField(const std::string& name) const;
    TField* FieldByName(const std::string& name) const;  // raises "Field '%s' not found"
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* field) const;
    TDataSet* DataSet() const noexcept { return dataSet_; }
    std::vector<TField*>::const_iterator begin() const { return fields_.begin(); }
    std::vector<TField*>::const_iterator end() const { return fields_.end(); }

private:
    friend class TDataSet;
    friend class TField;
    void Add(TField* field);
    void Remove(TField* field);

    TDataSet* dataSet_;
    std::vector<TField*> fields_;
};

// The inline definitions of the field reads need the whole dataset class.
#include "platform/db/DataSet.h"
