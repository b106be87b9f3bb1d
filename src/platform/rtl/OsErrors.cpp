#include "platform/rtl/OsErrors.h"

#include "platform/rtl/Exceptions.h"

#include <cerrno>
#include <cstring>

std::string SysErrorMessage(int errorCode)
{
    char buffer[256] = {};
    // The GNU strerror_r returns the text, which may or may not be the buffer.
    std::string text = strerror_r(errorCode, buffer, sizeof buffer);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

std::string OsErrorInfo(int errorCode)
{
    return "\r\n####> OS info\r\nError code: " + std::to_string(errorCode) +
           "\r\nError message: " + SysErrorMessage(errorCode);
}

void RaiseOSError(int errorCode)
{
    if (errorCode == 0)
        throw EOSError("A call to an OS function failed");
    throw EOSError("System Error.  Code: " + std::to_string(errorCode) + ".\r\n" +
                   SysErrorMessage(errorCode));
}

void RaiseLastOSError()
{
    RaiseOSError(errno);
}
