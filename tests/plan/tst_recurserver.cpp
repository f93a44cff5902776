// Two computers sharing a ledger server log in at the same moment and save
// what is due: each occurrence is stored once. Runs inside a throwaway
// cluster (on-server.sh); without one it fails rather than skips.
#include "Recurrence.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <QtTest>

namespace {
QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

RecurringEntry entry(const QString &type, const QString &name, RecurrenceRule rule, const char *first)
{
    RecurringEntry e;
    e.recordType = type;
    e.name = name;
    e.amount = QStringLiteral("10.00");
    e.rule = rule;
    e.first = day(first);
    return e;
}
} // namespace

class TestRecurServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(TestingOnServer(), "needs the server: run through on-server.sh"); }

    void twoComputersStoreEachOccurrenceOnce()
    {
        TempDatabase db;
        TclsDatabaseUser store(db.path());
        const QDate today = day("2025-03-31");
        // Users whose entries both computers save at once; several, so the
        // two runs overlap on some of them however they are scheduled.
        QStringList users;
        int expected = 0;
        for (int u = 0; u < 8; ++u) {
            const QString user = QStringLiteral("用户%1").arg(u);
            users << user;
            store.CreateUser(user, QStringLiteral("pw"));
            const QList<RecurringEntry> entries = {
                entry(kTypeExpense, QStringLiteral("房租"), {RepeatKind::Monthly, 31, 1}, "2024-01-31"),
                entry(kTypeExpense, QStringLiteral("菜"), {RepeatKind::Weekly, 6, 1}, "2024-06-01"),
                entry(kTypeIncome, QStringLiteral("年金"), {RepeatKind::Yearly, 29, 2}, "2020-02-29"),
            };
            for (const RecurringEntry &e : entries) {
                store.SaveRecurringEntry(user, e);
                expected += int(OccurrenceDates(e, e.first, today).size());
            }
        }
        const QString worker = QCoreApplication::applicationDirPath() + QStringLiteral("/recur_worker");
        QList<QProcess *> computers;
        for (int c = 0; c < 2; ++c) {
            auto *p = new QProcess(this);
            // In opposite orders, so they meet in the middle.
            QStringList order = users;
            if (c == 1)
                std::reverse(order.begin(), order.end());
            p->start(worker, {db.path(), order.join(QLatin1Char(',')), today.toString(Qt::ISODate)});
            computers << p;
        }
        int stored = 0;
        for (QProcess *p : computers) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
            const QList<QByteArray> words = p->readAllStandardOutput().trimmed().split(' ');
            QCOMPARE(words.size(), 6);
            stored += words.at(1).toInt();
            if (words.at(5) != "0")
                qInfo("saves that met the other computer's rows and were sent again: %s", words.at(5).constData());
        }
        QCOMPARE(stored, expected);

        // In the ledger: each occurrence once, and nothing more due.
        int records = 0;
        for (const QString &user : users) {
            DayTotals days;
            RangeRecords found;
            store.ListRecordsOfDate(user, day("2020-01-01"), today, days, found);
            QSet<QString> seen;
            for (int i = 0; i < found.size(); ++i) {
                const QString key = found.date[i] + found.name[i];
                QVERIFY2(!seen.contains(key), qPrintable(key));
                seen.insert(key);
            }
            records += found.size();
        }
        QCOMPARE(records, expected);

        QProcess again;
        again.start(worker, {db.path(), users.join(QLatin1Char(',')), today.toString(Qt::ISODate)});
        QVERIFY(again.waitForFinished(120000));
        QCOMPARE(again.readAllStandardOutput().trimmed(), QByteArray("stored 0 already 0 retries 0"));
    }
};

QTEST_GUILESS_MAIN(TestRecurServer)
#include "tst_recurserver.moc"
