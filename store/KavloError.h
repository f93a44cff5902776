#pragma once

#include <QString>
#include <stdexcept>

// A failure of the database, the workbook engine, the file system or the
// printer. It carries the engine's own message so the user sees what really
// went wrong; the application's top-level report shows it and carries on.
class KavloError : public std::runtime_error
{
public:
    explicit KavloError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};
