// One "computer" logging in: finds the user's due occurrences and saves them
// at once, as 完成 on both entry panels would. Prints what it stored.
#include "DueOccurrences.h"
#include "KavloError.h"
#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: recur_worker LOCATION USERS TODAY\n");
        return 2;
    }
    try {
        TclsDatabaseUser store(args.at(1));
        const QDate today = QDate::fromString(args.at(3), Qt::ISODate);
        int stored = 0, already = 0, retries = 0;
        for (const QString &user : args.at(2).split(QLatin1Char(','))) {
            const QList<DueOccurrence> due = FindDueOccurrences(store, user, today);
            for (const QString &type : {kTypeExpense, kTypeIncome}) {
                QStringList dates, names, amounts, memos, identities;
                for (const DueOccurrence &o : due) {
                    if (o.recordType != type)
                        continue;
                    dates << o.date.toString(Qt::ISODate);
                    names << o.name;
                    amounts << o.amount;
                    memos << o.memo;
                    identities << o.identity;
                }
                if (dates.isEmpty())
                    continue;
                // A save that failed keeps its rows and key on the panel, and
                // the user presses 完成 again: done here once.
                const QString key = TclsDatabaseUser::NewSaveKey();
                SaveOutcome outcome;
                try {
                    outcome = store.AddRecord(user, type, dates, names, amounts, memos, identities, key);
                } catch (const KavloError &e) {
                    std::fprintf(stderr, "saved again after: %s\n", e.message().toUtf8().constData());
                    ++retries;
                    outcome = store.AddRecord(user, type, dates, names, amounts, memos, identities, key);
                }
                stored += outcome.stored;
                already += outcome.alreadyStored;
            }
        }
        std::printf("stored %d already %d retries %d\n", stored, already, retries);
        return 0;
    } catch (const KavloError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}
