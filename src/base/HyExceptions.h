// The program's exception family. Each carries the text the user is shown; an I/O error also carries
// the platform error code that the error table turns into text.
#pragma once

#include <QString>
#include <exception>

namespace hy::base {

class Exception : public std::exception {
public:
    explicit Exception(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }
    const QString& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A failed open, seek, read or write; ErrorCode is the program's platform error code.
class EInOutError : public Exception {
public:
    EInOutError(QString message, int errorCode)
        : Exception(std::move(message))
        , m_errorCode(errorCode)
    {
    }
    int ErrorCode() const noexcept { return m_errorCode; }

private:
    int m_errorCode;
};

class EOutOfMemory : public Exception {
public:
    using Exception::Exception;
};

class EInvalidPointer : public Exception {
public:
    using Exception::Exception;
};

// Root of the viewer control family's exceptions.
class EHvException : public Exception {
public:
    using Exception::Exception;
};

class EViewerError : public EHvException {
public:
    using EHvException::EHvException;
};

class ERegionTooLarge : public EViewerError {
public:
    ERegionTooLarge()
        : EViewerError(QStringLiteral("Region is too large (> 64 MiB)"))
    {
    }
};

} // namespace hy::base
