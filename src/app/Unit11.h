#pragma once
// Window: the settings window, Tsettingsfrm.
// The modal dialog in which the user edits "Ovralun.ini": every key is read into its control
// when the window is shown and written back on OK (after every value was checked, so a refused
// value writes nothing). The grid colour and the language take effect, and are written, at once
// from their own buttons; the tab switches at OK. The Database and Folder page chooses how the
// three data folders are given (relative to the program, local or network folders), picks them
// with the folder dialogs and tests that each folder and table is there.

#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitCustomButton.h"
#include "widgets/KitFolderDialogs.h"

#include <optional>
#include <string>

class Tsettingsfrm : public TForm {
public:
    explicit Tsettingsfrm(TComponent* owner);
    ~Tsettingsfrm() override;
    const char* ClassName() const noexcept override { return "Tsettingsfrm"; }
    static void RegisterClass();

    // ---- controls
    TPageControl* pages = nullptr;
    TComboBox* completedstatus = nullptr;
    TComboBox* newstatus = nullptr;
    TComboBox* approvedstatus = nullptr;
    TComboBox* qanewstatus = nullptr;
    TCheckBox* requiredqasteps = nullptr;
    TCheckBox* autoqalevel = nullptr;
    TCheckBox* backups = nullptr;
    TCheckBox* autoticket = nullptr;
    TCheckBox* hidequickstart = nullptr;
    TCheckBox* hidesub = nullptr;
    TCheckBox* hideworktime = nullptr;
    TCheckBox* hidecontact = nullptr;
    TCheckBox* hidelists = nullptr;
    TCheckBox* hidechangelog = nullptr;
    TCheckBox* hidecode = nullptr;
    TCheckBox* freezerecord = nullptr;
    TCheckBox* confirmexit = nullptr;
    TCheckBox* checkupdate = nullptr;
    TCheckBox* setmanifest = nullptr;
    TCheckBox* hidehints = nullptr;
    TCheckBox* usedversion = nullptr;
    TCheckBox* localitem = nullptr;
    TEdit* backupfrequency = nullptr;
    TEdit* idflag = nullptr;
    TKitButton* colorbtn = nullptr;  // its layout arrow shows the grid colour
    TButton* langbtn = nullptr;
    TRadioGroup* conn = nullptr;
    TEdit* dbaselocation = nullptr;
    TEdit* backuplocation = nullptr;
    TEdit* attachmentlocation = nullptr;
    TButton* definedbbtn1 = nullptr;
    TButton* definedbbtn2 = nullptr;
    TButton* definedbbtn3 = nullptr;
    TKitButton* testbtn = nullptr;  // drops testpopup down
    TPopupMenu* testpopup = nullptr;
    TDateTimePicker* checkdate = nullptr;
    TButton* chechstatebtn = nullptr;
    TKitDirDlg* DirDlg[3] = {};
    TKitBrowseDlg* BrowseDlg[3] = {};
    TColorDialog* backcolor = nullptr;
    TOpenDialog* language = nullptr;

    // ---- handlers
    void FormShow(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void connClick(TObject* sender);
    void definedbbtn1Click(TObject* sender);
    void definedbbtn2Click(TObject* sender);
    void definedbbtn3Click(TObject* sender);
    void colorbtnClick(TObject* sender);
    void langbtnClick(TObject* sender);
    void TestAttachmentsFolder1Click(TObject* sender);
    void TestBackupFolder1Click(TObject* sender);
    void TestPRODUCTDatabase1Click(TObject* sender);
    void TestTICKETDatabase1Click(TObject* sender);
    void TestSUBTICKETDatabase1Click(TObject* sender);
    void TestCONTACTDatabase1Click(TObject* sender);
    void TestWORKTIMEDatabase1Click(TObject* sender);
    void TestLISTDatabase1Click(TObject* sender);
    void TestCODEDatabase1Click(TObject* sender);
    void chechstatebtnClick(TObject* sender);
    void checkdateChange(TObject* sender);
    void setmanifestClick(TObject* sender);

    // The backup frequency the box gives: 20 when it is empty; none when it is no whole number
    // of 1 or more.
    std::optional<int> BackupFrequency() const;

private:
    // The folder a location box stands for: the box text with a local or network connection,
    // else the program folder followed by it.
    std::string Location(const TEdit& box) const;
    void TestFolder(const TEdit& box, bool fixedSuccessText);
    void TestTable(const char* fileName);
    void Define(int index, TEdit& box, TButton& button, const char* defaultFolder);
};

extern Tsettingsfrm* settingsfrm;
