#pragma once
// The exception classes of the runtime layer. Every error the system raises is an Exception;
// its ClassName() is what the catch-all error box shows before ": " and the message.

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    ~Exception() override = default;

    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const char* what() const noexcept override { return message_.c_str(); }

    // "ClassName: message", the text of the catch-all error box.
    std::string DisplayText() const { return std::string(ClassName()) + ": " + message_; }

private:
    std::string message_;
};

// Declares an exception class that reports its own name.
#define ZV_DECLARE_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                             \
    public:                                                                \
        using Base::Base;                                                  \
        const char* ClassName() const noexcept override { return #Name; } \
    }

ZV_DECLARE_EXCEPTION(EAbort, Exception);
ZV_DECLARE_EXCEPTION(EConvertError, Exception);
ZV_DECLARE_EXCEPTION(EVariantError, Exception);
ZV_DECLARE_EXCEPTION(EListError, Exception);
ZV_DECLARE_EXCEPTION(EStringListError, Exception);
ZV_DECLARE_EXCEPTION(EInOutError, Exception);
ZV_DECLARE_EXCEPTION(EOSError, Exception);
ZV_DECLARE_EXCEPTION(EStreamError, Exception);
ZV_DECLARE_EXCEPTION(EFCreateError, EStreamError);
ZV_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ZV_DECLARE_EXCEPTION(EReadError, EStreamError);
ZV_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZV_DECLARE_EXCEPTION(EIntOverflow, Exception);
ZV_DECLARE_EXCEPTION(EZeroDivide, Exception);
ZV_DECLARE_EXCEPTION(EInvalidOp, Exception);
ZV_DECLARE_EXCEPTION(EOverflow, Exception);
ZV_DECLARE_EXCEPTION(EOutOfMemory, Exception);
ZV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ZV_DECLARE_EXCEPTION(EInvalidPointer, Exception);
ZV_DECLARE_EXCEPTION(EIniFileException, Exception);
ZV_DECLARE_EXCEPTION(EPropertyError, Exception);
ZV_DECLARE_EXCEPTION(EClassNotFound, Exception);
ZV_DECLARE_EXCEPTION(EComponentError, Exception);
ZV_DECLARE_EXCEPTION(EParserError, Exception);
// The dataset framework's error; the engine and the expression parser raise it too.
ZV_DECLARE_EXCEPTION(EDatabaseError, Exception);
// The picture classes' errors, declared here so that picture codecs without windows raise them.
ZV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
ZV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
ZV_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
