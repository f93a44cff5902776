#pragma once

#include "AmountText.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

#include <time.h>

// The best of several runs of work, in milliseconds.
inline double bestOf(int runs, const std::function<void()> &work)
{
    double best = 1e100;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// Elapsed and processor time of several runs of work, in milliseconds: on a
// machine shared with other work the processor time shows what the work
// itself costs, and the spread how much the load moved the figures.
struct RunFigures {
    double best = 1e100, worst = 0, bestCpu = 1e100, worstCpu = 0;
    double spread() const { return worst - best; }
};

inline double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

inline RunFigures measureRuns(int runs, const std::function<void()> &work)
{
    RunFigures f;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpu = ProcessCpuMs();
        timer.start();
        work();
        const double wall = timer.nsecsElapsed() / 1e6;
        const double used = ProcessCpuMs() - cpu;
        f.best = std::min(f.best, wall);
        f.worst = std::max(f.worst, wall);
        f.bestCpu = std::min(f.bestCpu, used);
        f.worstCpu = std::max(f.worstCpu, used);
    }
    return f;
}

// Fills a ledger the way the store benchmarks measure it: count records of
// one user spread evenly over days from first, one in five an income, item
// names from the default lists, two memos in three.
inline void FillBenchRecords(TclsDatabaseUser &store, const QString &user, const QDate &first, int days, int count)
{
    const QStringList outNames = TclsDatabaseUser::SplitLines(
        Gbk::decode(TclsDatabaseUser::LoadResourceText(QStringLiteral("OUT_TXT"))));
    const QStringList inNames =
        TclsDatabaseUser::SplitLines(Gbk::decode(TclsDatabaseUser::LoadResourceText(QStringLiteral("IN_TXT"))));
    const int batch = 10000;
    for (int done = 0; done < count; done += batch) {
        QStringList dates[2], names[2], amounts[2], memos[2];
        for (int i = done; i < std::min(count, done + batch); ++i) {
            const int kind = (i % 5 == 0) ? 1 : 0;
            dates[kind] << first.addDays(qint64(i) * days / count).toString(Qt::ISODate);
            names[kind] << (kind ? inNames.at(i % inNames.size()) : outNames.at(i % outNames.size()));
            amounts[kind] << FormatAmount(1 + (i * 37 % 100000) / 100.0);
            memos[kind] << ((i % 3 == 0) ? QString() : QStringLiteral("备注%1 memo").arg(i % 500));
        }
        store.AddRecord(user, kTypeExpense, dates[0], names[0], amounts[0], memos[0]);
        store.AddRecord(user, kTypeIncome, dates[1], names[1], amounts[1], memos[1]);
    }
}

// The batch the AddRecord figure saves: 1,000 lunches on one day.
struct LunchBatch {
    QStringList dates, names, amounts, memos;
    LunchBatch()
    {
        for (int i = 0; i < 1000; ++i) {
            dates << QStringLiteral("2030-01-01");
            names << QStringLiteral("午饭");
            amounts << QStringLiteral("12.50");
            memos << QStringLiteral("bench");
        }
    }
};
