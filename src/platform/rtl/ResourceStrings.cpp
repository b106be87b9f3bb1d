#include "platform/rtl/ResourceStrings.h"

#include <memory>
#include <mutex>

namespace {

std::mutex loaderMutex;
std::shared_ptr<const TResourceStringLoader> currentLoader;

std::shared_ptr<const TResourceStringLoader> Loader()
{
    std::lock_guard lock(loaderMutex);
    return currentLoader;
}

}  // namespace

void SetResourceStringLoader(TResourceStringLoader loader)
{
    std::shared_ptr<const TResourceStringLoader> next;
    if (loader) {
        next = std::make_shared<const TResourceStringLoader>(std::move(loader));
    }
    std::lock_guard lock(loaderMutex);
    currentLoader = std::move(next);
}

bool HasResourceStringLoader()
{
    return Loader() != nullptr;
}

std::string LoadResString(int id, std::string_view builtIn)
{
    // The loader runs outside the lock: it may take locks of its own, and may even replace
    // itself.
    if (auto loader = Loader()) {
        if (std::optional<std::string> text = (*loader)(id)) {
            return *text;
        }
    }
    return std::string(builtIn);
}
