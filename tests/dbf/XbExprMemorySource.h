#pragma once
// A table held in memory for the expression tests, the fuzz target and the benchmark: fields
// described like the engine describes DBF fields, records of Variant values, one current record.
// Character values are stored padded to the field length, as the table file holds them.

#include "dbf/XbDBFExprFieldSource.h"
#include "platform/rtl/CodePages.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TXbExprMemorySource : public IXbExprFieldSource {
public:
    // Adds a field from its table type letter (C, N, D, L, M), length and decimals.
    void AddField(std::string name, char letter, int length, int decimals = 0)
    {
        TXbExprFieldInfo info;
        info.Name = std::move(name);
        info.TypeLetter = letter;
        info.Length = length;
        info.Decimals = decimals;
        info.KeySize = length;
        switch (letter) {
        case 'C':
            info.DataType = TFieldType::ftString;
            info.Size = length;
            break;
        case 'N':
            info.DataType = decimals > 0 ? TFieldType::ftFloat
                                         : (length >= 10 ? TFieldType::ftLargeint : TFieldType::ftInteger);
            break;
        case 'D':
            info.DataType = TFieldType::ftDate;
            info.Length = info.KeySize = 8;
            break;
        case 'L':
            info.DataType = TFieldType::ftBoolean;
            info.Length = info.KeySize = 1;
            break;
        default:
            info.DataType = TFieldType::ftMemo;
            info.Length = info.KeySize = 10;
            break;
        }
        fields_.push_back(std::move(info));
    }

    // Appends a record; a Null value is a blank field. Character values are padded.
    void AddRecord(std::vector<Variant> values)
    {
        values.resize(fields_.size(), Variant::Null());
        for (size_t i = 0; i < fields_.size(); ++i) {
            if (fields_[i].TypeLetter == 'C') {
                std::string text = values[i].IsNull() ? std::string() : values[i].AsString();
                text.resize(static_cast<size_t>(fields_[i].Length), ' ');
                values[i] = Variant(std::move(text));
            }
        }
        records_.push_back(std::move(values));
    }

    void SetRecord(size_t index) { current_ = index; }
    size_t RecordCount() const { return records_.size(); }

    int FindField(std::string_view name) const override
    {
        for (size_t i = 0; i < fields_.size(); ++i)
            if (SameText(fields_[i].Name, name))
                return static_cast<int>(i);
        return -1;
    }

    const TXbExprFieldInfo& FieldInfo(int field) const override { return fields_.at(static_cast<size_t>(field)); }

    Variant FieldValue(int field, bool keepTrailingBlanks) override
    {
        const Variant& value = records_.at(current_).at(static_cast<size_t>(field));
        if (fields_[static_cast<size_t>(field)].TypeLetter != 'C' || keepTrailingBlanks)
            return value;
        const std::string& text = value.AsString();
        size_t end = text.find_last_not_of(' ');
        if (end == std::string::npos)
            return Variant::Null();
        return Variant(text.substr(0, end + 1));
    }

    bool FieldIsNull(int field) override
    {
        const Variant& value = records_.at(current_).at(static_cast<size_t>(field));
        if (fields_[static_cast<size_t>(field)].TypeLetter == 'C')
            return value.AsString().find_first_not_of(' ') == std::string::npos;
        return value.IsNull();
    }

private:
    std::vector<TXbExprFieldInfo> fields_;
    std::vector<std::vector<Variant>> records_;
    size_t current_ = 0;
};
