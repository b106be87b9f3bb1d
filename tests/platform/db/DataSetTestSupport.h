#pragma once
// Shared fixtures of the dataset framework tests.

#include "MemoryDataSet.h"

#include "platform/db/DataSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A dataset of ID (integer) and NAME (string of 10), holding records 1..count named "R<n>".
inline std::unique_ptr<TMemoryDataSet> MakePeople(int count)
{
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 10}});
    for (int i = 1; i <= count; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, "R" + std::to_string(i));
    }
    return dataSet;
}

// The IDs of the records a scan from First to Eof visits.
inline std::vector<int> ScanIds(TDataSet& dataSet)
{
    std::vector<int> ids;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) ids.push_back(dataSet.Fields()[0].AsInteger());
    return ids;
}

// Runs `action` and returns the message of the EDatabaseError it raises ("" when none).
template <typename Action>
std::string DatabaseErrorOf(Action&& action)
{
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.Message();
    }
    return std::string();
}
