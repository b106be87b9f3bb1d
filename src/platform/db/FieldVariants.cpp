// Variant access to field values: the variant type follows the field's data type.

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

Variant TField::AsVariant() const
{
    if (IsNull()) return Variant::Null();
    switch (dataType_) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc: return Variant(GetAsInteger());
    case TFieldType::ftLargeint: return Variant(GetAsLargeInt());
    case TFieldType::ftBoolean: return Variant(GetAsBoolean());
    case TFieldType::ftFloat: return Variant(GetAsFloat());
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: return Variant(GetAsCurrency());
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: return Variant::FromDateTime(GetAsDateTime());
    default: return Variant(GetAsString());
    }
}

void TField::SetAsVariant(const Variant& value)
{
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    switch (value.VarType()) {
    case TVarType::varBoolean: SetAsBooleanValue(value.AsBoolean()); break;
    case TVarType::varInteger: SetAsIntegerValue(value.AsInteger()); break;
    case TVarType::varInt64: SetAsLargeIntValue(value.AsInt64()); break;
    case TVarType::varDouble: SetAsFloatValue(value.AsDouble()); break;
    case TVarType::varCurrency: SetAsCurrencyValue(value.AsCurrency()); break;
    case TVarType::varDate: SetAsDateTimeValue(value.AsDateTime()); break;
    default: SetAsStringValue(value.AsString()); break;
    }
}
