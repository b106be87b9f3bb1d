#pragma once
// Window: the splash window, Tsplashfrm.
// The splash window shown while the program starts: a borderless white window centred on the
// screen with the program's picture, its name and two small GIF badges. It has no behaviour of
// its own.

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

class Tsplashfrm : public TForm {
public:
    explicit Tsplashfrm(TComponent* owner);
    ~Tsplashfrm() override;
    const char* ClassName() const noexcept override { return "Tsplashfrm"; }
    static void RegisterClass();
};
