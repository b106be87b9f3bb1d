#pragma once
// The table and index fixtures the NTX tests share: a people table (name, amount, birth date)
// with its keys, NTX files built from those keys, and a table component opened with an index.

#include "../XbDBFTableBuilder.h"
#include "../XbDBFTestSupport.h"
#include "NtxFixture.h"

#include "dbf/XbDBFNTX.h"
#include "dbf/index/XbNTXIndex.h"
#include "dbf/index/XbNTXRegistration.h"

#include <memory>
#include <string>
#include <vector>

struct TPerson {
    std::string Name;   // C 10
    double Amount;      // N 8.2
    std::string Born;   // D, YYYYMMDD
    bool Deleted = false;
};

// Thirty people with repeated names and amounts, negative amounts and a deleted record.
inline const std::vector<TPerson>& People()
{
    static const std::vector<TPerson> people = [] {
        const char* names[] = {"Miller", "Adams", "Zimmer", "Baker", "Miller", "Young", "Carter", "Adams",
                               "Nolan", "Baker", "Evans", "Miller", "Irwin", "Kent", "Adams", "Quinn",
                               "Ross", "Lee", "Fox", "Hart", "Dunn", "Gray", "Owen", "Park",
                               "Stone", "Todd", "Upton", "Vance", "Wolfe", "Xu"};
        std::vector<TPerson> list;
        for (int i = 0; i < 30; ++i) {
            const double amount = ((i * 37) % 23 - 11) * 1.25;
            char born[16];
            std::snprintf(born, sizeof born, "19%02d%02d%02d", 40 + (i * 7) % 50, 1 + (i * 5) % 12, 1 + (i * 11) % 28);
            list.push_back({names[i], amount, born, i == 13});
        }
        return list;
    }();
    return people;
}

inline std::vector<uint8_t> PeopleTable(const std::vector<TPerson>& people = People())
{
    TTestTable table({{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}, {"BORN", 'D', 8}});
    for (const TPerson& person : people) {
        char amount[16];
        std::snprintf(amount, sizeof amount, "%8.2f", person.Amount);
        table.Add({person.Name, amount, person.Born}, person.Deleted);
    }
    return table.Bytes();
}

enum class TPeopleKey { Name, Amount, Born };

// The key text of a person under each key expression ("NAME", "AMOUNT", "BORN").
inline std::string PersonKey(const TPerson& person, TPeopleKey key)
{
    switch (key) {
    case TPeopleKey::Name: {
        std::string name = person.Name;
        name.resize(10, ' ');
        return name;
    }
    case TPeopleKey::Amount: return NumericKeyText(person.Amount, 8, 2);
    case TPeopleKey::Born: return person.Born;
    }
    return {};
}

inline const char* KeyExpressionOf(TPeopleKey key)
{
    switch (key) {
    case TPeopleKey::Name: return "NAME";
    case TPeopleKey::Amount: return "AMOUNT";
    case TPeopleKey::Born: return "BORN";
    }
    return "";
}

// Every person's key with its record number, in tree order.
inline std::vector<TNtxItem> PeopleItems(TPeopleKey key, bool descend, const std::vector<TPerson>& people = People())
{
    std::vector<TNtxItem> items;
    for (size_t i = 0; i < people.size(); ++i)
        items.push_back({PersonKey(people[i], key), static_cast<uint32_t>(i + 1)});
    SortNtxItems(items, descend);
    return items;
}

inline TNtxOptions PeopleIndexOptions(TPeopleKey key, bool descend, int fill)
{
    TNtxOptions options;
    options.KeySize = key == TPeopleKey::Name ? 10 : 8;
    options.KeyExpression = KeyExpressionOf(key);
    options.Decimals = key == TPeopleKey::Amount ? 2 : 0;
    options.Descend = descend;
    options.Fill = fill;
    return options;
}

// A table component on a scratch table file with one NTX index, opened with the index active.
class TIndexedTable {
public:
    TIndexedTable(const std::string& tableFile, const std::string& indexFile, uint32_t accessMode = 0x10,
                  int bufferSize = 4096)
        : table(std::make_unique<TXbDBFNTX>(nullptr))
    {
        RegisterDBFIndexClasses();
        table->DBFFileName = tableFile;
        table->AccessMode().SetAccessMode(accessMode);
        table->BufferSize = bufferSize;
        index = static_cast<TXbNTXIndex*>(table->Indexes().Add());
        index->SetNTXFileName(indexFile);
        index->SetActive(true);
    }

    void Open() { table->Open(); }

    // The record numbers the table shows from First to Eof.
    std::vector<uint32_t> Forward()
    {
        std::vector<uint32_t> numbers;
        table->First();
        while (!table->Eof()) {
            numbers.push_back(static_cast<uint32_t>(table->RecNo()));
            table->Next();
        }
        return numbers;
    }

    // The record numbers from Last to Bof, in the order met.
    std::vector<uint32_t> Backward()
    {
        std::vector<uint32_t> numbers;
        table->Last();
        while (!table->Bof()) {
            numbers.push_back(static_cast<uint32_t>(table->RecNo()));
            table->Prior();
        }
        return numbers;
    }

    std::unique_ptr<TXbDBFNTX> table;
    TXbNTXIndex* index = nullptr;
};

inline std::vector<uint32_t> RecNos(const std::vector<TNtxItem>& items)
{
    std::vector<uint32_t> numbers;
    for (const TNtxItem& item : items)
        numbers.push_back(item.RecNo);
    return numbers;
}
