#include "app/ZentivorMain.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "app/Unit7.h"
#include "app/Unit6.h"
#include "app/Unit8.h"
#include "app/Unit9.h"
#include "app/Unit10.h"
#include "app/Unit11.h"
#include "app/Unit12.h"
#include "app/Unit13.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/System.h"

#include <memory>

namespace {

constexpr const char* kInstanceName = "Zentivor";
constexpr const char* kApplicationTitle = "Zentivor";

}  // namespace

void CreateApplicationWindows(TApplication& application)
{
    application.CreateForm(mainfrm);
    application.CreateForm(mainissuefrm);
    application.CreateForm(subissuefrm);
    application.CreateForm(codefrm);
    application.CreateForm(productfrm);
    application.CreateForm(listfrm);
    application.CreateForm(contactfrm);
    application.CreateForm(workfrm);
    application.CreateForm(settingsfrm);
    application.CreateForm(ownerfrm);
    application.CreateForm(filterfrm);
}

int ZentivorMain(int argc, char** argv)
{
    // A second start while the program runs ends here, without a word and without a window.
    TSingleInstance instance(kInstanceName);
    if (!instance.Acquired()) {
        return 0;
    }
    int argumentCount = argc;
    TApplication application(argumentCount, argv);
    try {
        std::unique_ptr<Tsplashfrm> splash;
        try {
            splash = std::make_unique<Tsplashfrm>(nullptr);
            splash->Show();
            splash->Repaint();
            application.ProcessMessages();
        } catch (const Exception&) {
            splash.reset();  // a start without its splash window is still a start
        }
        application.SetTitle(kApplicationTitle);
        CreateApplicationWindows(application);
        // The splash window goes here, also when a window could not be created.
    } catch (const Exception& error) {
        application.ShowException(error);
        return 0;
    }
    application.Run();
    return 0;
}
