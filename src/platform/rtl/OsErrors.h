#pragma once
// Texts for operating-system errors (errno values) and the exception that carries them.

#include <string>

// The system's text for an error number, without a trailing full stop or line end.
std::string SysErrorMessage(int errorCode);

// The block that messages about failed system calls end with:
// CR LF "####> OS info" CR LF "Error code: <n>" CR LF "Error message: <text>".
std::string OsErrorInfo(int errorCode);

// Raises EOSError "System Error.  Code: <n>." CR LF "<text>" for the given error number
// (for 0: "A call to an OS function failed").
[[noreturn]] void RaiseOSError(int errorCode);
// The same for the calling thread's current errno.
[[noreturn]] void RaiseLastOSError();
