#pragma once
// What the expression parser needs to know about a table: the fields by name, their types and
// sizes, and their values in the current record. The table engine implements this interface;
// tests and the fuzz target use small in-memory sources.

#include "platform/db/DBTypes.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Parser options: bit 0 extended syntax (arithmetic and functions), bit 1 aggregate expression,
// bit 2 default expression. Every caller of this system passes poExtSyntax alone.
enum class TParserOption : unsigned { poExtSyntax = 1, poAggregate = 2, poDefaultExpr = 4 };
using TParserOptions = unsigned;

// The description of one field as the parser sees it.
struct TXbExprFieldInfo {
    std::string Name;                           // as stored in the table
    TFieldType DataType = TFieldType::ftUnknown;
    char TypeLetter = 'C';                      // the table's field type letter (C, N, D, L, M, ...)
    int32_t Size = 0;                           // the dataset field's data size (text length for C)
    int32_t Length = 0;                         // the field definition's length (key width)
    int32_t Decimals = 0;                       // the field definition's decimals
    int32_t KeySize = 0;                        // bytes the field takes in a key
};

class IXbExprFieldSource {
public:
    virtual ~IXbExprFieldSource() = default;

    // Position of the field with this name, letter case ignored; -1 when there is none.
    virtual int FindField(std::string_view name) const = 0;
    virtual const TXbExprFieldInfo& FieldInfo(int field) const = 0;

    // The field's value in the current record: Null when the field is blank. Character fields
    // lose their trailing blanks unless keepTrailingBlanks is set (key evaluation sets it).
    virtual Variant FieldValue(int field, bool keepTrailingBlanks) = 0;
    // Whether the field is null (blank) in the current record.
    virtual bool FieldIsNull(int field) = 0;
};
