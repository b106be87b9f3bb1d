#include "TicketEditorSupport.h"

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/System.h"

#include <array>
#include <cstdio>
#include <fstream>

#include <cstdlib>
#include <filesystem>

TTempFolder::TTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zv ticket XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

TTempFolder::~TTempFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string BuiltInMessage(int number)
{
    static const std::map<int, std::string> texts = {
        {3, "Are you sure?"},
        {28, " open subticket(s) linked to this project can be found! Do you want to continue?"},
        {29, "Email address is not found! Email has not been sent."},
        {30, "Quality Requirement is not fulfilled!"},
        {31, "Closure check failed (incorrect closure status) and can not be confirmed!"},
        {32, "PLEASE CHECK THIS ENTRY BECAUSE IT HAS NOT PASSED THE QUALITY CONTROL!"},
        {54, "Quality Requirement is not fulfilled!"},
        {55, "QA control stopped at investigation phase. Check the previous steps, assigned person data and save this record again!"},
        {56, "QA control stopped at resolution phase. Check the previous steps, assigned person data and save this record again!"},
        {57, "QA control stopped at verification phase. Check the previous steps, assigned person data and save this record again!!"},
        {58, "QA control stopped at approval phase. Check the previous steps, assigned person data and save this record again!"},
        {59, "Approval check failed (incorrect approval status) and can not be confirmed!"},
        {60, "QA control stopped at completion phase. Check the previous steps, assigned person data and save this record again!"},
    };
    const auto found = texts.find(number);
    return found != texts.end() ? found->second : "message " + std::to_string(number);
}

std::unique_ptr<TMemoryDataSet> MakeTrackerMemoryTable(TTrackerTable table)
{
    std::vector<MemoryFieldSpec> specs;
    for (const TTrackerField& field : TrackerTableLayout(table).Fields) {
        switch (field.Type) {
            case 'C': specs.push_back({field.Name, TFieldType::ftString, field.Width}); break;
            case 'M': specs.push_back({field.Name, TFieldType::ftMemo}); break;
            case 'D': specs.push_back({field.Name, TFieldType::ftDate}); break;
            case 'L': specs.push_back({field.Name, TFieldType::ftBoolean}); break;
            default:
                specs.push_back({field.Name, field.Decimals > 0 ? TFieldType::ftFloat : TFieldType::ftInteger});
                break;
        }
    }
    auto result = std::make_unique<TMemoryDataSet>(nullptr, specs);
    result->Open();
    return result;
}

TOpenerLog::TOpenerLog()
{
    SetOpener([this](const std::string& target, const std::string&) {
        Targets.push_back(target);
        return true;
    });
}

TOpenerLog::~TOpenerLog()
{
    SetOpener({});
}

void TicketEditorFixture::SetUp()
{
    ini = std::make_unique<TIniFile>(folder.File("Ovralun.ini"));
    tickets = MakeTrackerMemoryTable(TTrackerTable::Tickets);
    lists = MakeTrackerMemoryTable(TTrackerTable::Lists);
    contacts = MakeTrackerMemoryTable(TTrackerTable::Contacts);
    editor = std::make_unique<Tmainissuefrm>(nullptr);
    dialogs = std::make_unique<TDialogScript>();
    TTicketEditorHost& host = editor->Host;
    host.ListTable = lists.get();
    host.ContactTable = contacts.get();
    host.SettingsIni = ini.get();
    host.Message = BuiltInMessage;
    host.CurrentUserName = [] { return std::string("tester"); };
    host.AttachmentFolder = [this] { return folder.File("attachments"); };
    host.ProgramVersion = [] { return std::string("1.0.0.0"); };
    host.OpenSubTicketText = [this] { return openSubTickets; };
    host.CountOpenTickets = [this] { ++countOpenTicketsCalls; };
    UseTicketTable(tickets.get());
}

void TicketEditorFixture::TearDown()
{
    dialogs.reset();
    editor.reset();
}

void TicketEditorFixture::UseTicketTable(TDataSet* table)
{
    editor->Host.TicketTable = table;
}

void TicketEditorFixture::AddListItem(TListKind kind, const std::string& item, const std::string& localItem)
{
    lists->Append();
    lists->Fields().Fields(static_cast<int>(TListField::LISTID))->SetAsInteger(static_cast<int>(kind));
    lists->Fields().Fields(static_cast<int>(TListField::LISTNAME))->SetAsString(ListKindName(kind));
    lists->Fields().Fields(static_cast<int>(TListField::LISTITEM))->SetAsString(item);
    lists->Fields().Fields(static_cast<int>(TListField::LOCALITEM))->SetAsString(localItem);
    lists->Post();
}

void TicketEditorFixture::AddContact(const std::string& name, const std::string& email)
{
    contacts->Append();
    contacts->Fields().Fields(static_cast<int>(TContactField::NAME))->SetAsString(name);
    contacts->Fields().Fields(static_cast<int>(TContactField::EMAIL))->SetAsString(email);
    contacts->Post();
}

void TicketEditorFixture::BlankTicket()
{
    TTicketCommandHost host;
    host.TicketTable = editor->Host.TicketTable;
    host.SettingsIni = ini.get();
    host.Message = BuiltInMessage;
    host.ActiveProductName = [] { return std::string("Tracker"); };
    ASSERT_TRUE(PrepareNewTicket(*editor, host));
    editor->cb_version->SetText("1.0");
}

std::vector<std::string> TicketEditorFixture::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const TDialogRecord& record : dialogs->Records()) {
        texts.push_back(record.Text);
    }
    return texts;
}

void CreateTrackerTable(const std::string& fileName, TTrackerTable table)
{
    TXbSmartDBF dbf(nullptr);
    dbf.DBFFileName = fileName;
    dbf.SetDbfVersion(xBaseVersion::xBaseIII);
    dbf.SetLobBlockSize(512);
    for (const TTrackerField& field : TrackerTableLayout(table).Fields) {
        dbf.DBFFieldDefs().Add(field.Name, field.Type, field.Width, field.Decimals);
    }
    dbf.CreateTable();
}

std::unique_ptr<TXbSmartDBF> OpenTrackerTable(const std::string& fileName)
{
    auto table = std::make_unique<TXbSmartDBF>(nullptr);
    table->DBFFileName = fileName;
    table->AccessMode().SetAccessMode(0x12);  // read-write, exclusive
    table->TrimCType = true;
    table->FastPostRecord = true;
    table->SetSetDeleted(true);
    table->Open();
    return table;
}

std::string RunPython(const std::string& script, bool& ok)
{
    TTempFolder scratch;
    const std::string scriptFile = scratch.File("script.py");
    std::ofstream(scriptFile, std::ios::binary) << script;
    std::string output;
    ok = false;
    FILE* pipe = ::popen(("/usr/bin/python3 '" + scriptFile + "' 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    ok = ::pclose(pipe) == 0;
    return output;
}

bool HavePythonModule(const char* module)
{
    bool ok = false;
    RunPython(std::string("import ") + module + "\n", ok);
    return ok;
}
