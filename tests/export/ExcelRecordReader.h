#pragma once
// A small reader of the worksheet record stream for the tests: splits the bytes into records
// and reads the cell records back into row, column, attribute bytes and value.

#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct TExcelRecord {
    uint16_t Type = 0;
    std::string Data;

    uint8_t Byte(size_t offset) const { return static_cast<uint8_t>(Data.at(offset)); }
    uint16_t Word(size_t offset) const { return static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8)); }
    double Double(size_t offset) const
    {
        if (offset + 8 > Data.size())
            throw std::out_of_range("double past the record end");
        double value = 0;
        std::memcpy(&value, Data.data() + offset, 8);
        return value;
    }
};

// Raises std::runtime_error when a record runs past the end of the stream.
inline std::vector<TExcelRecord> ReadExcelRecords(const std::string& bytes)
{
    std::vector<TExcelRecord> records;
    size_t position = 0;
    while (position < bytes.size()) {
        if (position + 4 > bytes.size())
            throw std::runtime_error("truncated record head");
        TExcelRecord record;
        record.Type = static_cast<uint16_t>(static_cast<uint8_t>(bytes[position]) | (static_cast<uint8_t>(bytes[position + 1]) << 8));
        const size_t length = static_cast<uint8_t>(bytes[position + 2]) | (static_cast<uint8_t>(bytes[position + 3]) << 8);
        position += 4;
        if (position + length > bytes.size())
            throw std::runtime_error("record data past the end of the stream");
        record.Data = bytes.substr(position, length);
        position += length;
        records.push_back(std::move(record));
    }
    return records;
}

// A cell record read back: zero-based position, the three attribute bytes and its value.
struct TExcelCell {
    uint16_t Type = 0;
    uint16_t Row = 0;
    uint16_t Column = 0;
    uint8_t Attributes[3] = {0, 0, 0};
    std::string Text;   // LABEL
    double Number = 0;  // INTEGER, NUMBER
    uint8_t Value = 0;  // BOOLERR
    bool IsError = false;
};

inline bool IsExcelCellRecord(uint16_t type) { return type >= 0x0001 && type <= 0x0005; }

inline TExcelCell ReadExcelCell(const TExcelRecord& record)
{
    TExcelCell cell;
    cell.Type = record.Type;
    cell.Row = record.Word(0);
    cell.Column = record.Word(2);
    for (int i = 0; i < 3; ++i)
        cell.Attributes[i] = record.Byte(4 + static_cast<size_t>(i));
    switch (record.Type) {
    case 0x0002:
        cell.Number = record.Word(7);
        break;
    case 0x0003:
        cell.Number = record.Double(7);
        break;
    case 0x0004: {
        const size_t length = record.Byte(7);
        if (record.Data.size() != 8 + length)
            throw std::runtime_error("LABEL length does not match its record");
        cell.Text = record.Data.substr(8, length);
        break;
    }
    case 0x0005:
        cell.Value = record.Byte(7);
        cell.IsError = record.Byte(8) != 0;
        break;
    default:
        break;
    }
    return cell;
}

inline std::vector<TExcelCell> ReadExcelCells(const std::string& bytes)
{
    std::vector<TExcelCell> cells;
    for (const TExcelRecord& record : ReadExcelRecords(bytes))
        if (IsExcelCellRecord(record.Type))
            cells.push_back(ReadExcelCell(record));
    return cells;
}
