// Times the browse panel on a large ledger: a View over ten years and the
// switch to a busy day. Prints one line per figure with its target.

#include "BrowsePanel.h"
#include "MessageBox.h"
#include "unt_clsDatabaseUser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kRecordsPerUser = 200000;
constexpr int kBusyDayRecords = 200;
constexpr int kBatch = 20000;

// kRecordsPerUser records of one user from start to end: kBusyDayRecords of
// them on busyDay, the rest spread evenly, expenses and income mixed.
void FillLedger(TclsDatabaseUser &store, const QString &user, const QDate &start, const QDate &end,
                const QDate &busyDay)
{
    const qint64 dayCount = start.daysTo(end) + 1;
    const int spread = kRecordsPerUser - kBusyDayRecords;
    QStringList dates[2], names[2], amounts[2], memos[2];
    auto flush = [&](int type) {
        store.AddRecord(user, type == 0 ? kTypeExpense : kTypeIncome, dates[type], names[type], amounts[type],
                        memos[type]);
        dates[type].clear();
        names[type].clear();
        amounts[type].clear();
        memos[type].clear();
    };
    for (int i = 0; i < kRecordsPerUser; ++i) {
        QDate day = i < spread ? start.addDays(qint64(i) * dayCount / spread) : busyDay;
        if (i < spread && day == busyDay)
            day = day.addDays(1); // the busy day gets exactly its own records
        const int type = (i % 5 == 4) ? 1 : 0;
        dates[type] << day.toString(Qt::ISODate);
        names[type] << (type == 0 ? QStringLiteral("早饭%1").arg(i % 33) : QStringLiteral("工资%1").arg(i % 9));
        amounts[type] << QString::number(1 + (i % 997) / 10.0, 'f', 2);
        memos[type] << QStringLiteral("备注%1").arg(i);
        if (dates[type].size() == kBatch)
            flush(type);
    }
    for (int type : {0, 1})
        if (!dates[type].isEmpty())
            flush(type);
}

double Milliseconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(path);
    TclsDatabaseUser store(path);

    const QDate start(2008, 1, 1);
    const QDate end = start.addYears(10).addDays(-1); // 3,653 days, end inclusive
    const QDate busyDay(2013, 6, 15);
    QElapsedTimer timer;
    timer.start();
    FillLedger(store, QStringLiteral("张三"), start, end, busyDay);
    FillLedger(store, QStringLiteral("李四"), start, end, busyDay);
    std::printf("fill: %d records of each of 2 users in %.0f ms (no target)\n", kRecordsPerUser,
                Milliseconds(timer));

    MainWindowFields fields;
    fields.g_strUserName = QStringLiteral("张三");
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(path);
    BrowsePanel panel(fields);
    panel.show();
    QApplication::processEvents();
    auto *days = panel.findChild<QTreeWidget *>(QStringLiteral("lvwInAndOut_List1"));
    auto *details = panel.findChild<QTreeWidget *>(QStringLiteral("lvwInAndOut_List2"));
    const int busyRow = int(start.daysTo(busyDay));

    // View, best of three runs (the first also warms the file cache).
    double view = 1e9;
    for (int run = 0; run < 3; ++run) {
        panel.setRange(start, end);
        timer.start();
        panel.ViewClick();
        QApplication::processEvents(); // painting included
        view = std::min(view, Milliseconds(timer));
    }
    std::printf("view over 10 years (%d days, %s): %.0f ms (target <= 1500 ms)\n", days->topLevelItemCount(),
                qPrintable(panel.findChild<QLabel *>(QStringLiteral("lblInAndOut_OutMoney1"))->text()), view);

    // The store's share of the View, for comparison.
    double query = 1e9;
    for (int run = 0; run < 3; ++run) {
        DayTotals dayTotals;
        RangeRecords records;
        timer.start();
        fields.g_objDatabaseUser->ListRecordsOfDate(fields.g_strUserName, start, end, dayTotals, records);
        query = std::min(query, Milliseconds(timer));
    }
    std::printf("  of which the store's ListRecordsOfDate: %.0f ms (no target)\n", query);

    // Switching from a quiet day to the busy one, worst of five.
    double worstSwitch = 0;
    for (int run = 0; run < 5; ++run) {
        days->setCurrentItem(days->topLevelItem(run));
        QApplication::processEvents();
        timer.start();
        days->setCurrentItem(days->topLevelItem(busyRow));
        QApplication::processEvents();
        worstSwitch = std::max(worstSwitch, Milliseconds(timer));
    }
    std::printf("switch to a day with %d records: %.1f ms (target <= 50 ms)\n", details->topLevelItemCount(),
                worstSwitch);

    for (const MessageBox::Shown &box : MessageBox::shown())
        std::printf("unexpected message: %s\n", qPrintable(box.text));
    const bool ok = MessageBox::shown().isEmpty() && days->topLevelItemCount() == 3653 &&
                    details->topLevelItemCount() >= kBusyDayRecords;
    return ok ? 0 : 1;
}
