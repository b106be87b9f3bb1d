#pragma once
// Shared fixtures of the export tests: a dataset of awkward values, a scratch folder, and an
// export run that skips the selection window and records what it reports.

#include "GuiTestSupport.h"
#include "MemoryDataSet.h"

#include "export/ExExport.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace exporttest {

// One record of the awkward fixture: TITLE (string), NOTES (memo), AMOUNT (integer); null
// where the optional is empty.
struct AwkwardRecord {
    const char* title;  // null: a null value
    const char* notes;
    int amount;
};

// Quotes, commas, semicolons, markup, braces, line breaks, ANSI characters above 127 and Null.
inline const std::vector<AwkwardRecord>& AwkwardRecords()
{
    static const std::vector<AwkwardRecord> records{
        {"He said \"hi\", then left; ok", "<b>bold</b> & {brace} \\path\r\nsecond line", 42},
        {"Caf\xE9 \xFC\xDF \xA9 \x80 \xFF", "tab\there", -7},
        {nullptr, "a,b;c \"q\" 'single'", 0},
        {"http://example.org/a?b=1&c=2", "plain", 1234567},
    };
    return records;
}

inline std::unique_ptr<TMemoryDataSet> MakeAwkward()
{
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"TITLE", TFieldType::ftString, 40},
                                              {"NOTES", TFieldType::ftMemo},
                                              {"AMOUNT", TFieldType::ftInteger}});
    dataSet->Open();
    for (const AwkwardRecord& record : AwkwardRecords()) {
        dataSet->Append();
        if (record.title != nullptr) {
            dataSet->FieldByName("TITLE")->SetAsString(record.title);
        }
        dataSet->FieldByName("NOTES")->SetAsString(record.notes);
        dataSet->FieldByName("AMOUNT")->SetAsInteger(record.amount);
        dataSet->Post();
    }
    dataSet->First();
    return dataSet;
}

// A dataset of ID and NAME holding records 1..count named "R<n>".
inline std::unique_ptr<TMemoryDataSet> MakeNumbered(int count)
{
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 10}});
    dataSet->Reserve(count);
    for (int i = 1; i <= count; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, "R" + std::to_string(i));
    }
    dataSet->Open();
    return dataSet;
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        TestApplication();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = (std::filesystem::temp_directory_path() /
                 ("zv-export-" + std::to_string(getpid()) + "-" + (info ? std::string(info->name()) : "x")))
                    .string() +
                "/";
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    // ZV_KEEP_EXPORTS keeps the folder for a look at the documents.
    ~ScratchFolder()
    {
        if (std::getenv("ZV_KEEP_EXPORTS") == nullptr) {
            std::filesystem::remove_all(path_);
        }
    }
    const std::string& Path() const noexcept { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Records what the desktop would have been asked to open.
class OpenerRecorder {
public:
    OpenerRecorder()
    {
        SetOpener([this](const std::string& target, const std::string&) {
            opened.push_back(target);
            return true;
        });
    }
    ~OpenerRecorder() { SetOpener(nullptr); }
    std::vector<std::string> opened;
};

// Sets up an export component to run without its selection window: the chosen format and style
// are what the test set; the errors are collected.
inline void Unattended(TExCustomExport& exporter, std::vector<int>& errors)
{
    TestApplication();
    exporter.ShowSelection = [](Tfrm_Selection&) { return true; };
    exporter.OnError = [&errors](TObject*, TExExportError error) { errors.push_back(static_cast<int>(error)); };
    exporter.PixelsPerInch = 96;
}

}  // namespace exporttest
