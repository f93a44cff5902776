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

QString ErrorReportText(const KavloError &error)
{
    QStringList parts;
    const QString sentence = CauseSentence(error.cause());
    if (!sentence.isEmpty())
        parts << sentence;
    if (!error.path().isEmpty())
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
