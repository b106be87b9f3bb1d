#pragma once
// Builds dBASE III table images byte by byte for the engine tests: fields of type C, N, D, L
// and records given as the exact field texts.

#include <cstdint>
#include <string>
#include <vector>

struct TTestField {
    std::string Name;
    char Type;
    int Length;
    int Decimals = 0;
};

class TTestTable {
public:
    explicit TTestTable(std::vector<TTestField> fields) : fields_(std::move(fields))
    {
        recordSize_ = 1;
        for (const TTestField& field : fields_)
            recordSize_ += field.Length;
    }

    // Values are the field texts; each is padded with blanks (or cut) to the field length.
    void Add(const std::vector<std::string>& values, bool deleted = false)
    {
        std::string record(deleted ? "*" : " ");
        for (size_t i = 0; i < fields_.size(); ++i) {
            std::string value = i < values.size() ? values[i] : std::string();
            value.resize(static_cast<size_t>(fields_[i].Length), ' ');
            record += value;
        }
        records_.push_back(record);
    }

    int RecordSize() const { return recordSize_; }
    int HeaderSize() const { return static_cast<int>(32 + 32 * fields_.size() + 1); }

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> bytes(32, 0);
        bytes[0] = 0x03;
        bytes[1] = 126;
        bytes[2] = 3;
        bytes[3] = 5;
        const uint32_t count = static_cast<uint32_t>(records_.size());
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = static_cast<uint8_t>(count >> (8 * i));
        const int headerSize = HeaderSize();
        bytes[8] = static_cast<uint8_t>(headerSize);
        bytes[9] = static_cast<uint8_t>(headerSize >> 8);
        bytes[10] = static_cast<uint8_t>(recordSize_);
        bytes[11] = static_cast<uint8_t>(recordSize_ >> 8);
        for (const TTestField& field : fields_) {
            std::vector<uint8_t> descriptor(32, 0);
            for (size_t i = 0; i < field.Name.size() && i < 10; ++i)
                descriptor[i] = static_cast<uint8_t>(field.Name[i]);
            descriptor[11] = static_cast<uint8_t>(field.Type);
            descriptor[16] = static_cast<uint8_t>(field.Length);
            descriptor[17] = static_cast<uint8_t>(field.Type == 'C' ? field.Length >> 8 : field.Decimals);
            bytes.insert(bytes.end(), descriptor.begin(), descriptor.end());
        }
        bytes.push_back(0x0D);
        for (const std::string& record : records_)
            bytes.insert(bytes.end(), record.begin(), record.end());
        bytes.push_back(0x1A);
        return bytes;
    }

private:
    std::vector<TTestField> fields_;
    std::vector<std::string> records_;
    int recordSize_ = 0;
};
