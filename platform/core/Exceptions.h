#pragma once
// Exceptions carry the system's own message texts (UTF-8) and the class name
// that scripts show as ExceptionClassName.

#include <exception>
#include <memory>
#include <new>
#include <string>

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    void setMessage(std::string message) { message_ = std::move(message); }

    virtual const char* className() const noexcept { return "Exception"; }
    // Copies the exception with its dynamic type, so a caught error can be
    // stored and raised again later.
    virtual std::unique_ptr<Exception> clone() const { return std::make_unique<Exception>(*this); }
    [[noreturn]] virtual void raise() const { throw *this; }

private:
    std::string message_;
};

// What a user is told of an exception: its message; memory that ran out
// says so, where std::bad_alloc names only its class.
inline std::string ExceptionText(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "Out of memory";
    return e.what();
}

#define DORVAK_DECLARE_EXCEPTION(Name, Base)                                              \
    class Name : public Base {                                                            \
    public:                                                                               \
        using Base::Base;                                                                 \
        const char* className() const noexcept override { return #Name; }                 \
        std::unique_ptr<Exception> clone() const override { return std::make_unique<Name>(*this); } \
        [[noreturn]] void raise() const override { throw *this; }                         \
    };

// Silent abort: callers stop what they do, the default handler shows nothing.
DORVAK_DECLARE_EXCEPTION(EAbort, Exception)
DORVAK_DECLARE_EXCEPTION(EConvertError, Exception)
DORVAK_DECLARE_EXCEPTION(EVariantError, Exception)
DORVAK_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
DORVAK_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
DORVAK_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
DORVAK_DECLARE_EXCEPTION(EMathError, Exception)
DORVAK_DECLARE_EXCEPTION(EZeroDivide, EMathError)
DORVAK_DECLARE_EXCEPTION(EInvalidOp, EMathError)
DORVAK_DECLARE_EXCEPTION(EOverflow, EMathError)
DORVAK_DECLARE_EXCEPTION(EUnderflow, EMathError)
DORVAK_DECLARE_EXCEPTION(EIntError, Exception)
DORVAK_DECLARE_EXCEPTION(EDivByZero, EIntError)
DORVAK_DECLARE_EXCEPTION(ERangeError, EIntError)
DORVAK_DECLARE_EXCEPTION(EIntOverflow, EIntError)
DORVAK_DECLARE_EXCEPTION(EInvalidCast, Exception)
DORVAK_DECLARE_EXCEPTION(EInvalidPointer, Exception)
DORVAK_DECLARE_EXCEPTION(EInvalidOperation, Exception)
DORVAK_DECLARE_EXCEPTION(EListError, Exception)
DORVAK_DECLARE_EXCEPTION(EStringListError, EListError)
DORVAK_DECLARE_EXCEPTION(EComponentError, Exception)
DORVAK_DECLARE_EXCEPTION(EStreamError, Exception)
DORVAK_DECLARE_EXCEPTION(EFCreateError, EStreamError)
DORVAK_DECLARE_EXCEPTION(EFOpenError, EStreamError)
DORVAK_DECLARE_EXCEPTION(EReadError, EStreamError)
DORVAK_DECLARE_EXCEPTION(EWriteError, EStreamError)
DORVAK_DECLARE_EXCEPTION(EInOutError, Exception)
DORVAK_DECLARE_EXCEPTION(EOleError, Exception)
DORVAK_DECLARE_EXCEPTION(EPropertyError, Exception)
DORVAK_DECLARE_EXCEPTION(EClassNotFound, Exception)
DORVAK_DECLARE_EXCEPTION(EObjectReferenceError, Exception)

// The class name of any exception: ours report their own, others "Exception".
inline const char* ExceptionClassName(const std::exception& e) noexcept
{
    if (auto* own = dynamic_cast<const Exception*>(&e)) return own->className();
    return "Exception";
}
