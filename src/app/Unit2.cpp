#include "app/Unit2.h"

#include "gif/GIFPicture.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/GuiRegistration.h"

void Tsplashfrm::RegisterClass()
{
    RegisterWindowClasses();
    // Two of the window's pictures are GIF files.
    RegisterGIFPicture();
    static const bool registered = [] {
        TClassRegistration<Tsplashfrm, TForm>("Tsplashfrm");
        return true;
    }();
    (void)registered;
}

Tsplashfrm::Tsplashfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
}

Tsplashfrm::~Tsplashfrm()
{
    DoDestroy();
}
