#pragma once

#include <QString>
#include <exception>

// The framework's exception family. Every exception that crosses from the module to the host
// derives from Exception; the classes are exported from the framework library so that a throw in
// the module is caught by type in the host.
class Exception : public std::exception
{
public:
    explicit Exception(QString message);
    ~Exception() override;

    const QString &Message() const { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};

// The silent abort: it unwinds like any exception, and the top-level handler ignores it.
class EAbort : public Exception
{
public:
    EAbort();
    explicit EAbort(QString message);
};

// A text that does not convert to the asked type.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// Errors raised by datasets and fields.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// Where an exception goes that an event handler raised and nothing above can propagate (the
// reconcile handler of a client dataset). The application object of the widgets framework puts its
// own handler here when it is created; until then the message is written as a warning. EAbort is
// silent either way.
extern void (*ApplicationHandleException)(std::exception_ptr error);
void HandleApplicationException(std::exception_ptr error);

// Raises EAbort("Operation aborted").
[[noreturn]] void Abort();

// Decimal integer conversion: optional leading blanks, an optional sign, then decimal digits that fit
// in 32 bits. Anything else raises EConvertError "'<text>' no es un número entero válido".
int StrToInt(const QString &text);
