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

void BenchLedger::addHouseholdMonths(const QDate &first, int months)
{
    struct Batch {
        QStringList dates, names, amounts, memos;
        void add(const QDate &day, const QString &name, double amount, const QString &memo = QString())
        {
            dates << day.toString(Qt::ISODate);
            names << name;
            amounts << QString::number(amount, 'f', 2);
            memos << memo;
        }
    } out, in;
    for (int m = 0; m < months; ++m) {
        const QDate month = first.addMonths(m);
        out.add(month, QStringLiteral("房租"), 2200, QStringLiteral("交给房东"));
        out.add(month.addDays(4), QStringLiteral("煤气费"), 86.5 + 12 * (m % 3), QStringLiteral("Gas bill 燃气"));
        out.add(month.addDays(5), QStringLiteral("电费"), 120 + 15 * (m % 4));
        out.add(month.addDays(6), QStringLiteral("手机费"), 58);
        out.add(month.addDays(11), QStringLiteral("订阅报章杂志"), 12, QStringLiteral("晚报"));
        out.add(month.addDays(19), QStringLiteral("停车过路等"), 15);
        if (m % 2 == 0)
            out.add(month.addDays(14), QStringLiteral("书籍及音像"), 95, QStringLiteral("儿童绘本"));
        if (m % 3 == 1)
            out.add(month.addDays(21), QStringLiteral("医疗药品费"), 230, QStringLiteral("感冒药"));
        for (int day = 0; day < month.daysInMonth(); ++day) {
            const QDate date = month.addDays(day);
            out.add(date, QStringLiteral("买菜"), 28 + (day * 7 + m * 3) % 25);
            if (day % 7 == 5)
                out.add(date, QStringLiteral("外出就餐"), 120 + (day * 13) % 60, QStringLiteral("周末"));
            if (day % 3 == 0)
                out.add(date, QStringLiteral("公共交通费"), 6);
        }
        in.add(month.addDays(9), QStringLiteral("工资"), 8600, QStringLiteral("本月工资"));
        if (m % 3 == 2)
            in.add(month.addDays(24), QStringLiteral("奖金"), 3000, QStringLiteral("季度奖"));
        in.add(month.addDays(27), QStringLiteral("其他收入"), 35.5, QStringLiteral("银行利息"));
    }
    TclsDatabaseUser &store = *fields.g_objDatabaseUser;
    store.AddRecord(fields.g_strUserName, kTypeExpense, out.dates, out.names, out.amounts, out.memos);
    store.AddRecord(fields.g_strUserName, kTypeIncome, in.dates, in.names, in.amounts, in.memos);
}

void BenchLedger::addMixedSeries(int count, const QDate &start, const QDate &end)
{
    const qint64 dayCount = start.daysTo(end) + 1;
    constexpr int kBatch = 20000;
    QStringList dates[2], names[2], amounts[2], memos[2];
    auto flush = [&](int type) {
        fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, type == 0 ? kTypeExpense : kTypeIncome,
                                            dates[type], names[type], amounts[type], memos[type]);
        for (QStringList *list : {&dates[type], &names[type], &amounts[type], &memos[type]})
            list->clear();
    };
    for (int i = 0; i < count; ++i) {
        const int type = (i % 5 == 4) ? 1 : 0;
        dates[type] << start.addDays(qint64(i) * dayCount / count).toString(Qt::ISODate);
        names[type] << (type == 0 ? QStringLiteral("早饭%1").arg(i % 33) : QStringLiteral("工资%1").arg(i % 9));
        amounts[type] << QString::number(1 + (i % 997) / 10.0, 'f', 2);
        memos[type] << QStringLiteral("备注%1 Note").arg(i);
        if (dates[type].size() == kBatch)
            flush(type);
    }
    for (int type : {0, 1})
        if (!dates[type].isEmpty())
            flush(type);
}
