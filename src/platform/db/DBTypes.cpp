#include "platform/db/DBTypes.h"

std::string FormatDBMessage(const char* format, std::initializer_list<std::string> args)
{
    std::string result;
    auto next = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next != args.end()) result += *next++;
            ++p;
        } else {
            result += *p;
        }
    }
    return result;
}

void DatabaseError(const std::string& message)
{
    throw EDatabaseError(message);
}

void DatabaseErrorFmt(const char* format, std::initializer_list<std::string> args)
{
    throw EDatabaseError(FormatDBMessage(format, args));
}
