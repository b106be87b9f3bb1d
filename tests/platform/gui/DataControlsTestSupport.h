#pragma once
// Shared fixture of the data-aware control tests: a form with a data source over the
// in-memory test dataset of the dataset framework.

#include "GuiTestSupport.h"

#include "../db/MemoryDataSet.h"

#include "platform/db/DataSource.h"
#include "platform/gui/DataControlsRegistration.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// ID (integer), NAME (string of 10) and NOTES (memo); records 1..count named "R<n>".
inline std::unique_ptr<TMemoryDataSet> MakeRecords(int count, bool withMemo = false)
{
    std::vector<MemoryFieldSpec> specs{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 10}};
    if (withMemo) specs.push_back({"NOTES", TFieldType::ftMemo});
    auto dataSet = std::make_unique<TMemoryDataSet>(nullptr, specs);
    dataSet->Reserve(count);
    for (int i = 1; i <= count; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, "R" + std::to_string(i));
    }
    return dataSet;
}

class DataControlsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        RegisterDataControlClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("form");
        form->SetBounds(10, 10, 480, 360);
        source = new TDataSource(form.get());
        source->SetName("source");
    }

    void TearDown() override
    {
        form.reset();
        dataSet.reset();
    }

    void OpenRecords(int count, bool withMemo = false)
    {
        dataSet = MakeRecords(count, withMemo);
        dataSet->Open();
        source->SetDataSet(dataSet.get());
    }

    template <class T>
    T* Make(const std::string& name)
    {
        auto* control = new T(form.get());
        control->SetName(name);
        control->SetParent(form.get());
        return control;
    }

    std::unique_ptr<TForm> form;
    std::unique_ptr<TMemoryDataSet> dataSet;
    TDataSource* source = nullptr;
};
