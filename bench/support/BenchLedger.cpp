#include "BenchLedger.h"

void UseOffscreenUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

BenchLedger::BenchLedger() : m_path(m_dir.filePath(QStringLiteral("qmrvz.sjk")))
{
    TclsDatabaseUser::CreateDatabaseFile(m_path);
    fields.g_strUserName = QStringLiteral("张三");
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(m_path);
}

void BenchLedger::addExpenseSeries(int count, const QDate &start, const QDate &end)
{
    const int dayCount = int(start.daysTo(end)) + 1;
    QStringList dates, names, amounts, memos;
    for (int i = 0; i < count; ++i) {
        dates.append(start.addDays(i % dayCount).toString(Qt::ISODate));
        names.append(QStringLiteral("午饭%1").arg(i % 37));
        amounts.append(QString::number(1 + i % 500) + QStringLiteral(".25"));
        memos.append(QStringLiteral("备注 memo %1").arg(i));
    }
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeExpense, dates, names, amounts, memos);
}
