#include "i18n/LangCtrlUtils.h"

#include "platform/classes/Components.h"

TComponent* FindChildControl(const TComponent* control, const std::string& name)
{
    if (control == nullptr) {
        return nullptr;
    }
    return control->FindChildControl(name);
}
