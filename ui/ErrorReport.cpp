#include "ErrorReport.h"

#include "KavloError.h"
#include "MessageBox.h"

#include <QDir>

QString CauseSentence(FailureCause cause)
{
    switch (cause) {
    case FailureCause::NotALedger:
        return QStringLiteral("这个文件不是Kavlo账本，或者已经损坏。");
    case FailureCause::Missing:
        return QStringLiteral("账本文件不存在。");
    case FailureCause::InUse:
        return QStringLiteral("账本正被另一个程序使用，请稍后再试。");
    case FailureCause::DiskFull:
        return QStringLiteral("磁盘空间不足，不能保存。");
    case FailureCause::NoPermission:
        return QStringLiteral("账本是只读的，不能保存：没有写入账本文件或其文件夹的权限。");
    case FailureCause::ReadOnly:
        return QStringLiteral("账本是只读的，不能保存：账本所在的磁盘或文件被设为只读。");
    default:
        return QString();
    }
}

namespace {
// A ledger server's own refusals: the file sentences would send the user
// looking for a file that is not on this computer.
QString ServerCauseSentence(FailureCause cause)
{
    switch (cause) {
    case FailureCause::NotALedger:
        return QStringLiteral("服务器上的数据库里没有账本：请先运行 kavlo-server init 或 kavlo-server copy-local。");
    case FailureCause::Missing:
        return QStringLiteral("账本服务器上没有这个数据库。");
    case FailureCause::NoPermission:
        return QStringLiteral("账本服务器不允许这个用户写入账本，不能保存。");
    case FailureCause::ReadOnly:
        return QStringLiteral("账本服务器只允许读取（例如只读的备用服务器），不能保存。");
    case FailureCause::ServerUnreachable:
    case FailureCause::ConnectionLost:
    case FailureCause::RecordGone:
        return QString(); // the message itself says it
    default:
        return CauseSentence(cause);
    }
}
} // namespace

QString ErrorReportText(const KavloError &error)
{
    QStringList parts;
    // Nothing is known to have failed: the message says so in its first
    // words, before anything that reads like a failure.
    if (error.cause() == FailureCause::OutcomeUnknown)
        return error.message() + QStringLiteral("\r\n\r\n服务器：") + error.path();
    // Failures of a file carry its absolute path; those of a server carry
    // "host:port/database".
    const bool server = !error.path().isEmpty() && !QDir::isAbsolutePath(error.path());
    const QString sentence = server ? ServerCauseSentence(error.cause()) : CauseSentence(error.cause());
    if (!sentence.isEmpty())
        parts << sentence;
    if (server)
        parts << QStringLiteral("服务器：") + error.path();
    else if (!error.path().isEmpty())
        parts << QStringLiteral("文件：") + QDir::toNativeSeparators(error.path());
    parts << error.message();
    return parts.join(QStringLiteral("\r\n\r\n"));
}

void ReportError(QWidget *parent, const std::exception &error)
{
    if (auto *kavlo = dynamic_cast<const KavloError *>(&error))
        MessageBox::error(parent, ErrorReportText(*kavlo));
    else
        MessageBox::error(parent, QString::fromLocal8Bit(error.what()));
}

void ReportUnknownError(QWidget *parent) { MessageBox::error(parent, QStringLiteral("Unknown error")); }
