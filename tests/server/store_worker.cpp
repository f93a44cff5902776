// One "computer" of the concurrency test: saves 500 batches of 20 records,
// each with a save key of its own,
// the records named after its tag, modifies its own records, deletes shared scratch
// records that the other computer deletes too, and logs in 200 times.
// Prints how many scratch deletes it won, or the failure.
#include "KavloError.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QDate>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: store_worker LOCATION TAG LOGIN-USERS SCRATCH-IDS\n");
        return 2;
    }
    const QString tag = args.at(2);
    // Logs in as these users in turn.
    const QStringList loginUsers = args.at(3).split(QLatin1Char(','));
    const QStringList scratch = args.at(4).split(QLatin1Char(','));
    try {
        TclsDatabaseUser store(args.at(1));
        int deleted = 0, gone = 0, logins = 0;
        qsizetype nextScratch = 0;
        for (int batch = 0; batch < 500; ++batch) {
            QStringList dates, names, amounts, memos;
            for (int r = 0; r < 20; ++r) {
                dates << QDate(2020, 1, 1).addDays(batch % 366).toString(Qt::ISODate);
                names << QStringLiteral("%1-b%2-r%3").arg(tag).arg(batch).arg(r);
                amounts << QStringLiteral("%1.25").arg(r + 1);
                memos << tag;
            }
            // Each computer's lists have keys of their own: none may keep
            // another's rows out.
            const SaveOutcome saved = store.AddRecord(QStringLiteral("甲"), batch % 2 ? kTypeIncome : kTypeExpense,
                                                      dates, names, amounts, memos, TclsDatabaseUser::NewSaveKey());
            if (saved.stored != 20 || saved.keyWasKnown)
                throw KavloError(QStringLiteral("batch %1 stored %2 rows").arg(batch).arg(saved.stored));
            if (batch % 5 == 0) {
                // Modify one of this batch's records.
                DayTotals days;
                RangeRecords records;
                const QDate day = QDate(2020, 1, 1).addDays(batch % 366);
                store.ListRecordsOfDate(QStringLiteral("甲"), day, day, days, records);
                const int at = records.name.indexOf(QStringLiteral("%1-b%2-r0").arg(tag).arg(batch));
                if (at < 0)
                    throw KavloError(QStringLiteral("batch %1 not found after saving").arg(batch));
                store.UpdateRecord(records.id.at(at), records.name.at(at), QStringLiteral("99"),
                                   QStringLiteral("modified"));
            }
            // Two or three scratch deletes per five batches; the other
            // computer deletes the same ones.
            if (batch % 2 == 0 && nextScratch < scratch.size()) {
                try {
                    store.DeleteRecord(scratch.at(nextScratch++));
                    ++deleted;
                } catch (const KavloError &e) {
                    if (e.cause() != FailureCause::RecordGone)
                        throw;
                    ++gone;
                }
            }
            // 200 logins over the 500 batches.
            if (batch % 5 < 2) {
                if (!store.CheckLogin(loginUsers.at(logins % loginUsers.size()), QStringLiteral("pw")))
                    throw KavloError(QStringLiteral("login %1 refused").arg(logins));
                ++logins;
            }
        }
        std::printf("deleted %d gone %d logins %d\n", deleted, gone, logins);
        return 0;
    } catch (const KavloError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}
