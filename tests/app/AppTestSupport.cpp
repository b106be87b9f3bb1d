#include "AppTestSupport.h"

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

void FillTable(const std::string& path, TTrackerTable kind, const std::vector<TRow>& rows)
{
    const TTrackerTableLayout& layout = TrackerTableLayout(kind);
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, layout.Enciphered);
    table.DBFFileName = path;
    table.Open();
    for (const TRow& row : rows) {
        table.Append();
        for (const auto& [position, text] : row) {
            TField* field = table.Fields().Fields(position);
            switch (layout.Fields[static_cast<size_t>(position)].Type) {
            case 'L':
                field->SetAsBoolean(text == "T");
                break;
            case 'D':
                field->SetAsDateTime(EncodeDate(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                                                std::stoi(text.substr(8, 2))));
                break;
            case 'N':
                field->SetAsFloat(StrToFloat(text));
                break;
            default:
                field->SetAsString(text);
            }
        }
        table.Post();
    }
    table.Close();
}

void ProgramFolderTest::SetUp()
{
    TestApplication().ResetTerminated();
    std::string pattern = (std::filesystem::temp_directory_path() / "zentivor-app-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    SetApplicationFolder(folder_.string());
    std::filesystem::create_directories(folder_ / "language");
    std::filesystem::copy_file(std::string(ZV_SOURCE_DIR) + "/resources/language/English.mes",
                               folder_ / "language" / "English.mes");
    SetOpener([this](const std::string& target, const std::string& parameters) {
        opened_.push_back({target, parameters});
        return true;
    });
    SetVersionExRecord(std::nullopt);
    script_ = std::make_unique<TDialogScript>();
}

void ProgramFolderTest::TearDown()
{
    window_.reset();
    script_.reset();
    SetOpener(nullptr);
    SetVersionExRecord(std::nullopt);
    SetApplicationFolder("");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> ProgramFolderTest::Balloons() const
{
    std::vector<std::string> texts;
    for (const TRecordingTrayShell::Call& call : tray_.Calls) {
        if (call.Message == NIM_MODIFY && (call.Data.uFlags & NIF_INFO) != 0) {
            texts.push_back(call.Data.szInfo);
        }
    }
    return texts;
}

void ProgramFolderTest::MakeDataFolders()
{
    for (const char* name : {"databases", "backup", "attachments"}) {
        std::filesystem::create_directories(folder_ / name);
    }
}

void ProgramFolderTest::MakeTables(const std::vector<std::string>& fileNames)
{
    std::filesystem::create_directories(folder_ / "databases");
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        bool wanted = false;
        for (const std::string& name : fileNames) {
            wanted = wanted || name == layout.FileName;
        }
        if (!wanted) {
            continue;
        }
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, layout.Enciphered);
        table.DBFFileName = PathOf(std::string("databases/") + layout.FileName);
        for (const TTrackerField& field : layout.Fields) {
            table.DBFFieldDefs().Add(field.Name, field.Type, field.Width, field.Decimals);
        }
        table.CreateTable();
    }
}

void ProgramFolderTest::MakeAllTables()
{
    std::vector<std::string> names;
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        names.emplace_back(layout.FileName);
    }
    MakeTables(names);
}

std::string ProgramFolderTest::ReadFile(const std::string& name) const
{
    std::ifstream file(PathOf(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void ProgramFolderTest::WriteFile(const std::string& name, const std::string& text) const
{
    std::ofstream file(PathOf(name), std::ios::binary);
    file << text;
}

Tmainfrm& ProgramFolderTest::Start()
{
    window_ = std::make_unique<Tmainfrm>(nullptr);
    return *window_;
}

void ProgramFolderTest::PostStart()
{
    window_->startuptimer->OnTimer(window_->startuptimer);
}

void ProgramFolderTest::CloseWindow()
{
    window_->Close();
}

std::vector<std::string> ProgramFolderTest::Boxes() const
{
    std::vector<std::string> texts;
    for (const TDialogRecord& record : script_->Records()) {
        texts.push_back(record.Text);
    }
    return texts;
}
