#include "app/Unit2.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/GuiRegistration.h"

void Tsplashfrm::RegisterClass()
{
    RegisterWindowClasses();
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
