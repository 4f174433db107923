// The one exception type of the core: a failure with a message a user can read.
#pragma once

#include <QString>
#include <stdexcept>

namespace veltra {

/// A failure reported by the core. The message names the file, line, field or
/// position concerned; front ends show it as it is (message box, stderr).
class VeltraError : public std::runtime_error
{
public:
    explicit VeltraError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

/// A failing floating-point operation (division by zero, invalid operation,
/// overflow). Raised after any partial output is already in place.
class FloatingPointError : public VeltraError
{
public:
    using VeltraError::VeltraError;
};

} // namespace veltra
