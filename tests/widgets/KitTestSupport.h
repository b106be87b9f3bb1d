#pragma once
// The main form of the kit's window tests: made once through the application, which owns it for
// the rest of the run.

#include "GuiTestSupport.h"

inline TCustomForm& TestMainForm()
{
    TApplication& application = TestApplication();
    if (application.MainForm() == nullptr) {
        TForm* form = nullptr;
        application.CreateForm(form);
        form->SetBounds(100, 50, 640, 480);
    }
    return *application.MainForm();
}
