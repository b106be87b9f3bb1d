#pragma once
// Window: the main window, Tmainfrm.
// Binding of the main window's handler methods into the handler table the form reader uses:
// each runs inside the window's handler guard.

#include "app/Unit1.h"
#include "platform/classes/FormReader.h"

#include <functional>

template <class... Args>
void BindMainHandler(THandlerTable& handlers, Tmainfrm* form, const char* name, void (Tmainfrm::*method)(Args...))
{
    handlers.Add(name, std::function<void(Args...)>([form, method](Args... args) {
                     form->RunHandler([&] { (form->*method)(args...); });
                 }));
}
