#include "TrackerBenchSupport.h"

#include "app/Unit1.h"
#include "app/tables/EmptyDatabase.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/System.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

TApplication& BenchApplication(const char* programName)
{
    static int argc = 1;
    static std::string name;
    static char* argv[] = {nullptr, nullptr};
    static TApplication* application = [programName] {
        name = programName;
        argv[0] = name.data();
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new TApplication(argc, argv);
    }();
    return *application;
}

int TicketFieldOffset(TTicketField field)
{
    int offset = 1;
    const auto fields = TrackerTableLayout(TTrackerTable::Tickets).Fields;
    for (int i = 0; i < static_cast<int>(field); ++i) {
        offset += fields[static_cast<size_t>(i)].Width;
    }
    return offset;
}

std::string MakeBenchProgramFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zentivor-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    const std::filesystem::path folder = pattern;
    for (const char* name : {"backup", "attachments", "language"}) {
        std::filesystem::create_directories(folder / name);
    }
    std::filesystem::copy_file(std::string(ZV_SOURCE_DIR) + "/resources/language/English.mes",
                               folder / "language" / "English.mes");
    MakeEmptyDatabase((folder / "databases").string());
    TIniFile ini((folder / "Ovralun.ini").string());
    ini.WriteString("Settings", "OpenSite", "1");
    return folder.string();
}

void AppendRecords(const std::string& fileName, int count, const std::function<void(TDataSet&, int)>& fill)
{
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, false);
    table.DBFFileName = fileName;
    table.Open();
    for (int i = 0; i < count; ++i) {
        table.Append();
        fill(table, i);
        table.Post();
    }
    table.Close();
}

void FillTickets(const std::string& fileName, int count, const std::function<void(std::string&, int)>& fill)
{
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, false);
    table.DBFFileName = fileName;
    table.Open();
    const int headerSize = table.HeaderSize();
    const int recordSize = table.RecordSize();
    table.Close();
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(headerSize);
    for (int i = 1; i <= count; ++i) {
        std::string record(static_cast<size_t>(recordSize), ' ');
        fill(record, i);
        file.write(record.data(), recordSize);
    }
    file.put('\x1A');
    const uint32_t stored = static_cast<uint32_t>(count);
    const char bytes[4] = {static_cast<char>(stored & 0xFF), static_cast<char>((stored >> 8) & 0xFF),
                           static_cast<char>((stored >> 16) & 0xFF), static_cast<char>((stored >> 24) & 0xFF)};
    file.seekp(4);
    file.write(bytes, 4);
}

TBenchProgram::TBenchProgram(std::string folder) : folder_(std::move(folder))
{
    SetApplicationFolder(folder_);
    SetOpener([](const std::string&, const std::string&) { return true; });
}

TBenchProgram::~TBenchProgram()
{
    SetOpener(nullptr);
    SetApplicationFolder("");
    std::filesystem::remove_all(folder_);
}

namespace {

// Removes a benchmark's folder when the process ends.
struct TFolderRemover {
    std::string folder;
    ~TFolderRemover()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

}  // namespace

const std::string& TicketsWithSubjectsFolder(int count, const std::function<std::string(int)>& subject)
{
    static const std::string folder = [&] {
        const std::string made = MakeBenchProgramFolder();
        const int idOffset = TicketFieldOffset(TTicketField::TICKETID);
        const int subjectOffset = TicketFieldOffset(TTicketField::SUBJECT);
        FillTickets((std::filesystem::path(made) / "databases" / "Tickets.dbf").string(), count,
                    [&](std::string& record, int i) {
                        const std::string id = "#QZ#" + std::to_string(i);
                        const std::string text = subject(i);
                        record.replace(static_cast<size_t>(idOffset), id.size(), id);
                        record.replace(static_cast<size_t>(subjectOffset), text.size(), text);
                    });
        return made;
    }();
    static const TFolderRemover remover{folder};
    return folder;
}
