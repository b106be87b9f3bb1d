#include "app/MailLink.h"

#include "platform/rtl/CodePages.h"

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

}  // namespace

std::string EncodeMailLinkValue(const std::string& text)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    const std::string utf8 = AnsiToUtf8(text);
    std::string encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHexDigits[byte >> 4];
            encoded += kHexDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string MailToLink(const std::string& address, const std::string& subject, const std::string& body)
{
    return "mailto:" + address + "?subject=" + EncodeMailLinkValue(subject) + "&body=" + EncodeMailLinkValue(body);
}
