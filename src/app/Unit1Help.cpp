// The main window's Help menu and the tool-bar buttons "Email", "Website" and "Bug": the updater
// and problem-report programs beside the executable, mail links to support, the maker's web
// pages and the readme. Nothing here waits for what it starts, and what the desktop makes of a
// link or document is its own business; only a missing program or readme is reported.
#include "app/MailLink.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/Unit1HandlerBinding.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

const char* const kMakerForum = "https://www.quandrel.example/forum/";
const char* const kMakerOtherProducts = "https://www.quandrel.example/products/";
const char* const kSupportMailAddress = "support@quandrel.example";

namespace {

constexpr const char* kUpdaterFileName = "ZEZIvuredizOriruri.exe";
constexpr const char* kProblemReportFileName = "onlinereg.exe";
constexpr const char* kReadmeFileName = "Readme.txt";
constexpr int kFileNotFound = 27;

}  // namespace

void Tmainfrm::CheckforUpdates1Click(TObject*)
{
    const std::string updater = MapStoredPath(ApplicationFolder(), kUpdaterFileName);
    if (FileExists(updater)) {
        StartProgram(updater, "/CHECK");
    } else {
        ShowErrorBox(MissingUpdaterMessage());
    }
}

void Tmainfrm::SendBugReport1Click(TObject*)
{
    const std::string program = MapStoredPath(ApplicationFolder(), kProblemReportFileName);
    if (!FileExists(program)) {
        ShowErrorBox("Missing onlinereg.exe file!");
        return;
    }
    // The problem-report program opens at the page this key names.
    if (OnlineIni != nullptr) {
        WriteSetting(*OnlineIni, Setting::OnlineStartPage, 1);
    }
    StartProgram(program, std::string());
}

void Tmainfrm::btn_bugClick(TObject* sender) { SendBugReport1Click(sender); }

void Tmainfrm::OpenSupportMail(const std::string& subject)
{
    ShellOpen(MailToLink(kSupportMailAddress, subject, std::string()));
}

void Tmainfrm::SendEmail1Click(TObject*)
{
    OpenSupportMail("Zentivor [" + aboutdlg->Version + "] - e-mail support");
}

void Tmainfrm::ApplicationtoBetaTester1Click(TObject*)
{
    OpenSupportMail("Zentivor [" + aboutdlg->Version + "] - application to tester");
}

void Tmainfrm::VisitHomePage1Click(TObject*) { ShellOpen(kMakerWebSite); }

void Tmainfrm::Forum1Click(TObject*) { ShellOpen(kMakerForum); }

void Tmainfrm::OtherProducts1Click(TObject*) { ShellOpen(kMakerOtherProducts); }

void Tmainfrm::OpenReadmefile1Click(TObject*)
{
    const std::string readme = MapStoredPath(ApplicationFolder(), kReadmeFileName);
    if (FileExists(readme)) {
        ShellOpen(readme);
    } else {
        ShowErrorBox(Message(kFileNotFound));
    }
}

void Tmainfrm::BindHelpHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "CheckforUpdates1Click", &Tmainfrm::CheckforUpdates1Click);
    BindMainHandler(handlers, this, "SendBugReport1Click", &Tmainfrm::SendBugReport1Click);
    BindMainHandler(handlers, this, "btn_bugClick", &Tmainfrm::btn_bugClick);
    BindMainHandler(handlers, this, "SendEmail1Click", &Tmainfrm::SendEmail1Click);
    BindMainHandler(handlers, this, "ApplicationtoBetaTester1Click", &Tmainfrm::ApplicationtoBetaTester1Click);
    BindMainHandler(handlers, this, "VisitHomePage1Click", &Tmainfrm::VisitHomePage1Click);
    BindMainHandler(handlers, this, "Forum1Click", &Tmainfrm::Forum1Click);
    BindMainHandler(handlers, this, "OpenReadmefile1Click", &Tmainfrm::OpenReadmefile1Click);
    BindMainHandler(handlers, this, "OtherProducts1Click", &Tmainfrm::OtherProducts1Click);
}
