#pragma once

#include <QString>
#include <stdexcept>

// What went wrong, as far as the program can tell from the engine's answer.
// The top-level report turns it into a Chinese sentence the user can act on
// and shows the engine's own message beneath it.
enum class FailureCause {
    Unknown,
    NotALedger,        // not a ledger file, or damaged
    Missing,           // the ledger file is not there
    InUse,             // locked by another program
    DiskFull,
    NoPermission,      // no permission to write
    ReadOnly,          // read-only file, folder or mount
    ServerUnreachable, // the ledger server cannot be reached
    ConnectionLost,    // the server closed the connection mid-operation
    RecordGone,        // the record was deleted meanwhile (shared ledger)
    // The connection broke after the commit was sent and the server could
    // not be asked afterwards: the write may have taken effect. A save keeps
    // its pending list and key, so sending it again is harmless.
    OutcomeUnknown,
};

// Causes that stop a write but leave the ledger readable.
inline bool IsWriteRefusal(FailureCause cause)
{
    return cause == FailureCause::ReadOnly || cause == FailureCause::NoPermission ||
           cause == FailureCause::DiskFull || cause == FailureCause::InUse;
}

// A failure of the database, the workbook engine, the file system or the
// printer. It carries the engine's own message so the user sees what really
// went wrong; the application's top-level report shows it and carries on.
class KavloError : public std::runtime_error
{
public:
    explicit KavloError(const QString &message, FailureCause cause = FailureCause::Unknown,
                        const QString &path = QString())
        : std::runtime_error(message.toStdString()), m_message(message), m_cause(cause), m_path(path)
    {
    }
    QString message() const { return m_message; }
    FailureCause cause() const { return m_cause; }
    // The file or server the failure concerns; empty when none applies.
    QString path() const { return m_path; }

private:
    QString m_message;
    FailureCause m_cause;
    QString m_path;
};
