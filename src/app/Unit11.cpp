#include "app/Unit11.h"

#include "app/EditorSupport.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "i18n/LangKit.h"
#include "platform/classes/FormReader.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <array>
#include <charconv>

Tsettingsfrm* settingsfrm = nullptr;

namespace {

// Messages.
constexpr int kTestFailed = 35;
constexpr int kTestSuccessful = 36;
constexpr int kHasBeenSet = 37;
constexpr int kDateChecked = 38;
constexpr int kDateUnchecked = 39;

// The attachments folder test shows this text itself rather than message 36.
constexpr const char* kAttachmentTestSuccessful = "Test successful  ";

constexpr int kDefaultBackupFrequency = 20;

std::string Message(int number)
{
    return mainfrm != nullptr ? mainfrm->Message(number) : std::string();
}

void InformationBox(const std::string& text)
{
    MessageDlg(text, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
}

void ErrorBox(const std::string& text)
{
    MessageDlg(text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

template <class T>
T* FindControl(const TComponent& form, const std::string& name)
{
    return FindFormControl<T>(form, "Tsettingsfrm", name.c_str());
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Tsettingsfrm::Tsettingsfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    pages = FindControl<TPageControl>(*this, "pages");
    completedstatus = FindControl<TComboBox>(*this, "completedstatus");
    newstatus = FindControl<TComboBox>(*this, "newstatus");
    approvedstatus = FindControl<TComboBox>(*this, "approvedstatus");
    qanewstatus = FindControl<TComboBox>(*this, "qanewstatus");
    requiredqasteps = FindControl<TCheckBox>(*this, "requiredqasteps");
    autoqalevel = FindControl<TCheckBox>(*this, "autoqalevel");
    backups = FindControl<TCheckBox>(*this, "backups");
    autoticket = FindControl<TCheckBox>(*this, "autoticket");
    hidequickstart = FindControl<TCheckBox>(*this, "hidequickstart");
    hidesub = FindControl<TCheckBox>(*this, "hidesub");
    hideworktime = FindControl<TCheckBox>(*this, "hideworktime");
    hidecontact = FindControl<TCheckBox>(*this, "hidecontact");
    hidelists = FindControl<TCheckBox>(*this, "hidelists");
    hidechangelog = FindControl<TCheckBox>(*this, "hidechangelog");
    hidecode = FindControl<TCheckBox>(*this, "hidecode");
    freezerecord = FindControl<TCheckBox>(*this, "freezerecord");
    confirmexit = FindControl<TCheckBox>(*this, "confirmexit");
    checkupdate = FindControl<TCheckBox>(*this, "checkupdate");
    setmanifest = FindControl<TCheckBox>(*this, "setmanifest");
    hidehints = FindControl<TCheckBox>(*this, "hidehints");
    usedversion = FindControl<TCheckBox>(*this, "usedversion");
    localitem = FindControl<TCheckBox>(*this, "localitem");
    backupfrequency = FindControl<TEdit>(*this, "backupfrequency");
    idflag = FindControl<TEdit>(*this, "idflag");
    colorbtn = FindControl<TKitButton>(*this, "colorbtn");
    langbtn = FindControl<TButton>(*this, "langbtn");
    conn = FindControl<TRadioGroup>(*this, "conn");
    dbaselocation = FindControl<TEdit>(*this, "dbaselocation");
    backuplocation = FindControl<TEdit>(*this, "backuplocation");
    attachmentlocation = FindControl<TEdit>(*this, "attachmentlocation");
    definedbbtn1 = FindControl<TButton>(*this, "definedbbtn1");
    definedbbtn2 = FindControl<TButton>(*this, "definedbbtn2");
    definedbbtn3 = FindControl<TButton>(*this, "definedbbtn3");
    testbtn = FindControl<TKitButton>(*this, "testbtn");
    testpopup = FindControl<TPopupMenu>(*this, "testpopup");
    checkdate = FindControl<TDateTimePicker>(*this, "checkdate");
    chechstatebtn = FindControl<TButton>(*this, "chechstatebtn");
    for (int i = 0; i < 3; ++i) {
        DirDlg[i] = FindControl<TKitDirDlg>(*this, "DirDlg" + std::to_string(i + 1));
        BrowseDlg[i] = FindControl<TKitBrowseDlg>(*this, "BrowseDlg" + std::to_string(i + 1));
    }
    backcolor = FindControl<TColorDialog>(*this, "backcolor");
    language = FindControl<TOpenDialog>(*this, "language");
}

Tsettingsfrm::~Tsettingsfrm()
{
    DoDestroy();
    if (settingsfrm == this) {
        settingsfrm = nullptr;
    }
}

void Tsettingsfrm::RegisterClass()
{
    RegisterLangKitClasses();
    RegisterKitDialogClasses();
    RegisterKitButtonClasses();
    using F = Tsettingsfrm;
    TClassRegistration<F, TForm>("Tsettingsfrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("connClick", &F::connClick)
        .Handler("definedbbtn1Click", &F::definedbbtn1Click)
        .Handler("definedbbtn2Click", &F::definedbbtn2Click)
        .Handler("definedbbtn3Click", &F::definedbbtn3Click)
        .Handler("colorbtnClick", &F::colorbtnClick)
        .Handler("langbtnClick", &F::langbtnClick)
        .Handler("TestAttachmentsFolder1Click", &F::TestAttachmentsFolder1Click)
        .Handler("TestBackupFolder1Click", &F::TestBackupFolder1Click)
        .Handler("TestPRODUCTDatabase1Click", &F::TestPRODUCTDatabase1Click)
        .Handler("TestTICKETDatabase1Click", &F::TestTICKETDatabase1Click)
        .Handler("TestSUBTICKETDatabase1Click", &F::TestSUBTICKETDatabase1Click)
        .Handler("TestCONTACTDatabase1Click", &F::TestCONTACTDatabase1Click)
        .Handler("TestWORKTIMEDatabase1Click", &F::TestWORKTIMEDatabase1Click)
        .Handler("TestLISTDatabase1Click", &F::TestLISTDatabase1Click)
        .Handler("TestCODEDatabase1Click", &F::TestCODEDatabase1Click)
        .Handler("chechstatebtnClick", &F::chechstatebtnClick)
        .Handler("checkdateChange", &F::checkdateChange)
        .Handler("setmanifestClick", &F::setmanifestClick);
}

// ---------------------------------------------------------------------------------------------
// Show, OK, Cancel

void Tsettingsfrm::FormShow(TObject*)
{
    auto show = [this] {
        pages->SetActivePage(pages->Pages(0));
        checkdate->SetDate(Date());
        checkdate->SetChecked(true);
        if (mainfrm != nullptr && mainfrm->listdb != nullptr && mainfrm->listdb->Active() && SettingsIni != nullptr) {
            for (TComboBox* combo : {completedstatus, newstatus, approvedstatus, qanewstatus}) {
                ClearItemsKeepText(*combo);
            }
            const std::array<std::pair<TListKind, TComboBox*>, 4> lists = {{
                {TListKind::Status, completedstatus},
                {TListKind::Status, newstatus},
                {TListKind::ApprovalStatus, approvedstatus},
                {TListKind::Action, qanewstatus},
            }};
            FillListCombos(*mainfrm->listdb, ReadSetting(*SettingsIni, Setting::UseLocalListItem), lists);
        }
        if (SettingsIni == nullptr) {
            return;
        }
        const TIniFile& ini = *SettingsIni;
        completedstatus->SetText(ReadSetting(ini, Setting::Closed));
        newstatus->SetText(ReadSetting(ini, Setting::New));
        approvedstatus->SetText(ReadSetting(ini, Setting::Approved));
        qanewstatus->SetText(ReadSetting(ini, Setting::QANew));
        const std::pair<TCheckBox*, const TBooleanSetting*> switches[] = {
            {requiredqasteps, &Setting::QASteps},    {autoqalevel, &Setting::AutoQALevel},
            {backups, &Setting::SetBackup},          {autoticket, &Setting::AutoHistory},
            {hidequickstart, &Setting::HideQuickStart}, {hidesub, &Setting::HideSubTicket},
            {hideworktime, &Setting::HideWorkTime},  {hidecontact, &Setting::HideContacts},
            {hidelists, &Setting::HideLists},        {hidechangelog, &Setting::HideChangeLog},
            {hidecode, &Setting::HideCode},          {freezerecord, &Setting::RecordFreeze},
            {confirmexit, &Setting::AskExit},        {checkupdate, &Setting::CheckUpdate},
            {setmanifest, &Setting::UseManifest},    {hidehints, &Setting::HideHints},
            {usedversion, &Setting::UseOnlyOpenVersion}, {localitem, &Setting::UseLocalListItem},
        };
        for (const auto& [box, key] : switches) {
            box->SetChecked(ReadSetting(ini, *key));
        }
        backupfrequency->SetText(ReadSetting(ini, Setting::BackupFreqText));
        idflag->SetText(ReadSetting(ini, Setting::IDFlag));
        colorbtn->ButtonLayout().SetArrowColor(StringToColor(ReadSetting(ini, Setting::GridColor)));
        // The radio item first: its click handler must not overwrite the stored locations.
        const int connection = ReadSetting(ini, Setting::Connection);
        const TNotifyEvent onClick = conn->OnClick;
        conn->OnClick = nullptr;
        conn->SetItemIndex(connection >= 0 && connection <= 2 ? connection : 0);
        conn->OnClick = onClick;
        dbaselocation->SetText(ReadSetting(ini, Setting::DbaseLoc));
        backuplocation->SetText(ReadSetting(ini, Setting::BackupLoc));
        attachmentlocation->SetText(ReadSetting(ini, Setting::AttachLoc));
        for (TButton* define : {definedbbtn1, definedbbtn2, definedbbtn3}) {
            define->SetEnabled(connection != 0);
        }
    };
    if (Application != nullptr) {
        Application->Guarded(show, this);
    } else {
        show();
    }
}

std::optional<int> Tsettingsfrm::BackupFrequency() const
{
    const std::string text = backupfrequency->Text();
    if (text.empty()) {
        return kDefaultBackupFrequency;
    }
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1) {
        return std::nullopt;
    }
    return value;
}

void Tsettingsfrm::btn_okClick(TObject*)
{
    // Every value is checked before the first key is written: a refused value writes nothing.
    const std::optional<int> frequency = BackupFrequency();
    if (!frequency) {
        ErrorBox("Backup frequency (application starts): \"" + backupfrequency->Text() +
                 "\" is not a whole number of 1 or more.");
        if (backupfrequency->CanFocus()) {
            backupfrequency->SetFocus();
        }
        return;
    }
    if (SettingsIni != nullptr) {
        TIniFile& ini = *SettingsIni;
        WriteSetting(ini, Setting::Closed, completedstatus->Text());
        WriteSetting(ini, Setting::New, newstatus->Text());
        WriteSetting(ini, Setting::Approved, approvedstatus->Text());
        WriteSetting(ini, Setting::QANew, qanewstatus->Text());
        const std::pair<const TBooleanSetting*, TCheckBox*> switches[] = {
            {&Setting::QASteps, requiredqasteps},    {&Setting::AutoQALevel, autoqalevel},
            {&Setting::SetBackup, backups},          {&Setting::AutoHistory, autoticket},
            {&Setting::HideQuickStart, hidequickstart}, {&Setting::HideSubTicket, hidesub},
            {&Setting::HideWorkTime, hideworktime},  {&Setting::HideContacts, hidecontact},
            {&Setting::HideLists, hidelists},        {&Setting::HideChangeLog, hidechangelog},
            {&Setting::HideCode, hidecode},          {&Setting::RecordFreeze, freezerecord},
            {&Setting::AskExit, confirmexit},        {&Setting::CheckUpdate, checkupdate},
            {&Setting::UseManifest, setmanifest},    {&Setting::HideHints, hidehints},
            {&Setting::UseOnlyOpenVersion, usedversion}, {&Setting::UseLocalListItem, localitem},
        };
        for (const auto& [key, box] : switches) {
            WriteSetting(ini, *key, box->Checked());
        }
        if (mainfrm != nullptr) {
            mainfrm->ApplyHiddenTabs();
        }
        WriteSetting(ini, Setting::BackupFreq, *frequency);
        WriteSetting(ini, Setting::IDFlag, idflag->Text());
        WriteSetting(ini, Setting::DbaseLoc, dbaselocation->Text());
        WriteSetting(ini, Setting::BackupLoc, backuplocation->Text());
        WriteSetting(ini, Setting::AttachLoc, attachmentlocation->Text());
        WriteSetting(ini, Setting::Connection, conn->ItemIndex() < 0 ? 0 : conn->ItemIndex());
    }
    SetModalResult(TModalResult::mrOk);
}

void Tsettingsfrm::btn_cancelClick(TObject*)
{
    SetModalResult(TModalResult::mrCancel);
}

// ---------------------------------------------------------------------------------------------
// Database and folder locations

void Tsettingsfrm::connClick(TObject*)
{
    auto change = [this] {
        const std::string programFolder = ApplicationFolder();
        if (conn->ItemIndex() == 0) {
            const bool tables = FileExists(MapStoredPath(MapStoredPath(programFolder, "databases"), "Tickets.dbf"));
            dbaselocation->SetText(tables ? "databases" : "");
            definedbbtn1->SetEnabled(!tables);
            const bool backup = DirectoryExists(MapStoredPath(programFolder, "backup"));
            backuplocation->SetText(backup ? "backup" : "");
            definedbbtn2->SetEnabled(!backup);
            const bool attachments = DirectoryExists(MapStoredPath(programFolder, "attachments"));
            attachmentlocation->SetText(attachments ? "attachments" : "");
            definedbbtn3->SetEnabled(!attachments);
        } else {
            for (TEdit* box : {dbaselocation, backuplocation, attachmentlocation}) {
                box->SetText("");
            }
            for (TButton* define : {definedbbtn1, definedbbtn2, definedbbtn3}) {
                define->SetEnabled(true);
            }
        }
    };
    if (Application != nullptr) {
        Application->Guarded(change, this);
    } else {
        change();
    }
}

void Tsettingsfrm::Define(int index, TEdit& box, TButton& button, const char* defaultFolder)
{
    if (conn->ItemIndex() == 1) {
        DirDlg[index]->InitialDir = MapStoredPath(ApplicationFolder(), defaultFolder);
        if (DirDlg[index]->Execute()) {
            box.SetText(DirDlg[index]->Path);
            button.SetEnabled(true);
        }
    } else if (conn->ItemIndex() == 2) {
        if (BrowseDlg[index]->Execute()) {
            box.SetText(BrowseDlg[index]->SelectedFolder());
            button.SetEnabled(true);
        }
    }
}

void Tsettingsfrm::definedbbtn1Click(TObject*) { Define(0, *dbaselocation, *definedbbtn1, "databases"); }
void Tsettingsfrm::definedbbtn2Click(TObject*) { Define(1, *backuplocation, *definedbbtn2, "backup"); }
void Tsettingsfrm::definedbbtn3Click(TObject*) { Define(2, *attachmentlocation, *definedbbtn3, "attachments"); }

std::string Tsettingsfrm::Location(const TEdit& box) const
{
    if (conn->ItemIndex() != 0) {
        return box.Text();
    }
    return ApplicationFolder() + box.Text();
}

void Tsettingsfrm::TestFolder(const TEdit& box, bool fixedSuccessText)
{
    const std::string location = Location(box);
    if (DirectoryExists(location)) {
        InformationBox((fixedSuccessText ? std::string(kAttachmentTestSuccessful) : Message(kTestSuccessful)) + location);
    } else {
        ErrorBox(Message(kTestFailed) + location);
    }
}

void Tsettingsfrm::TestTable(const char* fileName)
{
    const std::string location = Location(*dbaselocation);
    const std::string shown = location + "/" + fileName;
    const std::string file = location.empty() ? std::string() : MapStoredPath(location, fileName);
    if (!file.empty() && FileExists(file)) {
        InformationBox(Message(kTestSuccessful) + shown);
    } else {
        ErrorBox(Message(kTestFailed) + shown);
    }
}

void Tsettingsfrm::TestAttachmentsFolder1Click(TObject*) { TestFolder(*attachmentlocation, true); }
void Tsettingsfrm::TestBackupFolder1Click(TObject*) { TestFolder(*backuplocation, false); }
void Tsettingsfrm::TestPRODUCTDatabase1Click(TObject*) { TestTable("product.dbf"); }
void Tsettingsfrm::TestTICKETDatabase1Click(TObject*) { TestTable("Tickets.dbf"); }
void Tsettingsfrm::TestSUBTICKETDatabase1Click(TObject*) { TestTable("Subtickets.dbf"); }
void Tsettingsfrm::TestCONTACTDatabase1Click(TObject*) { TestTable("Contacts.dbf"); }
void Tsettingsfrm::TestWORKTIMEDatabase1Click(TObject*) { TestTable("Worktime.dbf"); }
void Tsettingsfrm::TestLISTDatabase1Click(TObject*) { TestTable("Lists.dbf"); }
void Tsettingsfrm::TestCODEDatabase1Click(TObject*) { TestTable("Code.dbf"); }

// ---------------------------------------------------------------------------------------------
// Grid colour and language, written at once

void Tsettingsfrm::colorbtnClick(TObject*)
{
    if (SettingsIni == nullptr) {
        return;
    }
    backcolor->Color = StringToColor(ReadSetting(*SettingsIni, Setting::GridColor));
    if (!backcolor->Execute()) {
        return;
    }
    const std::string name = ColorToString(backcolor->Color);
    WriteSetting(*SettingsIni, Setting::GridColor, name);
    colorbtn->ButtonLayout().SetArrowColor(backcolor->Color);
    if (mainfrm != nullptr) {
        for (TDBGrid* grid : {mainfrm->productgrid, mainfrm->maingrid, mainfrm->subgrid, mainfrm->listgrid,
                              mainfrm->contactgrid, mainfrm->workgrid, mainfrm->codegrid}) {
            if (grid != nullptr) {
                grid->SetColor(backcolor->Color);
            }
        }
    }
    InformationBox(name + Message(kHasBeenSet));
}

void Tsettingsfrm::langbtnClick(TObject*)
{
    if (SettingsIni == nullptr || mainfrm == nullptr) {
        return;
    }
    const std::string folder = Tmainfrm::LanguageFolder();
    language->InitialDir = folder;
    if (!language->Execute()) {
        return;
    }
    const std::string name = ExtractFileName(language->FileName);
    if (FileExists(language->FileName)) {
        WriteSetting(*SettingsIni, Setting::Language, name);
    }
    const std::string messagesName = (name.size() > 4 ? name.substr(0, name.size() - 4) : std::string()) + ".mes";
    WriteSetting(*SettingsIni, Setting::LanguageMes, messagesName);
    // Every open window is translated at once, and the message table follows.
    mainfrm->SelectLanguageFromSettings();
    mainfrm->LoadMessageFile(MapStoredPath(folder, messagesName));
    InformationBox(name + Message(kHasBeenSet));
}

// ---------------------------------------------------------------------------------------------
// The date-picker workaround

void Tsettingsfrm::chechstatebtnClick(TObject*)
{
    InformationBox(Message(checkdate->Checked() ? kDateChecked : kDateUnchecked));
}

void Tsettingsfrm::checkdateChange(TObject*)
{
    if (setmanifest->Checked()) {
        checkdate->SetChecked(!checkdate->Checked());
    }
}

void Tsettingsfrm::setmanifestClick(TObject*)
{
    checkdate->SetChecked(true);
}
