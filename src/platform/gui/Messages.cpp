#include "platform/gui/Messages.h"

#include "platform/rtl/CodePages.h"

#include <unordered_map>

unsigned RegisterWindowMessage(const std::string& name)
{
    static std::unordered_map<std::string, unsigned> messages;
    const std::string key = AnsiUpperCase(name);
    auto found = messages.find(key);
    if (found != messages.end()) {
        return found->second;
    }
    const auto number = static_cast<unsigned>(0xC000 + messages.size());
    messages.emplace(key, number);
    return number;
}
