#include "platform/gui/GuiBootstrap.h"

#include "platform/gui/Forms.h"

int RunMinimalApplication(int argc, char** argv, const char* title)
{
    int argumentCount = argc;
    TApplication application(argumentCount, argv);
    application.SetTitle(title);
    TForm* mainForm = nullptr;
    application.CreateForm(mainForm);
    mainForm->SetCaption(title);
    mainForm->SetBounds(0, 0, 940, 740);
    application.Run();
    return 0;
}
