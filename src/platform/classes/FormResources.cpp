#include "platform/classes/FormResources.h"

#include "platform/rtl/CodePages.h"

const TFormResource* FindFormResource(std::string_view name)
{
    for (const TFormResource& resource : FormResources()) {
        if (SameText(resource.name, name)) {
            return &resource;
        }
    }
    return nullptr;
}
