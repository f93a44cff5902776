// The report lists and the preview on a large ledger: 200,000 records of each
// of two users over ten years. Every case runs in a child process of its own,
// so each gets its own peak memory (VmHWM), once with the lists the program
// uses (a table model over the store's lists) and once with the item-based
// lists they replaced (EarlierPaths.h); the figures are printed side by side.
//
//   bench_browse            fills the ledger, runs every case, prints the table
//   bench_browse CASE IMPL DATABASE   one case in this process (used by the above)
//   bench_browse --ledger DATABASE    only writes the ledger (user 张三, password
//                           "1"), to try the program itself on it

#include "BrowsePanel.h"
#include "EarlierPaths.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "RangeRows.h"
#include "ReportCommands.h"
#include "ReportPreview.h"
#include "ReportTable.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmPreview.h"
#include "unt_frmShowRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <malloc.h>

namespace {
constexpr int kRecordsPerUser = 200000;
constexpr int kBusyDayRecords = 200;
constexpr int kBatch = 20000;
constexpr int kRunsBefore = 3;
constexpr int kRunsNow = 5;

const QString kUser = QStringLiteral("张三");
const QDate kStart(2008, 1, 1);
const QDate kEnd = kStart.addYears(10).addDays(-1); // 3,653 days, end inclusive
const QDate kBusyDay(2013, 6, 15);
const QDate kYearStart(2013, 1, 1);
const QDate kYearEnd(2013, 12, 31);

// kRecordsPerUser records of one user from start to end: kBusyDayRecords of
// them on busyDay, the rest spread evenly, expenses and income mixed.
void FillLedger(TclsDatabaseUser &store, const QString &user)
{
    const qint64 dayCount = kStart.daysTo(kEnd) + 1;
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
        QDate day = i < spread ? kStart.addDays(qint64(i) * dayCount / spread) : kBusyDay;
        if (i < spread && day == kBusyDay)
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

double CpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall time and the process's processor time: on a machine shared with other
// work the second shows what the case itself costs.
class Stopwatch
{
public:
    void start()
    {
        m_wall.start();
        m_cpu = CpuNow();
    }
    double ms() const { return Milliseconds(m_wall); }
    double cpuMs() const { return CpuNow() - m_cpu; }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// A field of /proc/self/status in kB.
long StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// What the process still holds: freed memory is handed back first, so the
// figure is what is in use, not what the allocator keeps for later.
long HeldKb()
{
    malloc_trim(0);
    return StatusKb("VmRSS");
}

// What a child reports: the case's time, its peak, what it still holds once
// the window has closed, and a check figure (rows shown).
struct Figures {
    double ms = 0;
    double cpuMs = 0;
    double worstMs = 0; // worst single step where a case has steps
    double storeMs = 0; // the store's share of ms
    long peakKb = 0;
    long afterKb = 0;
    int rows = 0;
};

void Paint(QWidget *widget)
{
    widget->repaint();
    QApplication::processEvents();
}

// The daily listing of ten years: query, window, first paint; then End and
// page by page back up to measure scrolling.
Figures Listing(TclsDatabaseUser &store, bool items)
{
    Figures f;
    Stopwatch timer;
    auto scroll = [&](QAbstractItemView *list) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        Paint(list->viewport());
        for (int i = 0; i < 30; ++i) {
            Stopwatch step;
            step.start();
            QTest::keyClick(list, Qt::Key_PageUp);
            Paint(list->viewport());
            f.worstMs = std::max(f.worstMs, step.ms());
        }
    };
    if (items) {
        timer.start();
        DayTotals days;
        RangeRecords records;
        store.ListRecordsOfDate(kUser, kStart, kEnd, days, records);
        f.storeMs = timer.ms();
        {
            ItemShowRecord dialog;
            dialog.showRecords(records);
            dialog.show();
            Paint(&dialog);
            f.ms = timer.ms();
            f.cpuMs = timer.cpuMs();
            f.rows = dialog.list()->topLevelItemCount();
            scroll(dialog.list());
        }
        // The old handler's lists lived until it returned.
    } else {
        timer.start();
        DayTotals days;
        RangeRows records;
        store.ListRecordsOfDate(kUser, kStart, kEnd, days, records);
        f.storeMs = timer.ms();
        TfrmShowRecord dialog;
        dialog.ShowRecords(kStart, kEnd, days, std::move(records));
        dialog.show();
        Paint(&dialog);
        f.ms = timer.ms();
        f.cpuMs = timer.cpuMs();
        auto *list = dialog.findChild<ReportTable *>(QStringLiteral("lvwList"));
        f.rows = list->tableModel()->rowCount();
        scroll(list);
    }
    QApplication::processEvents();
    f.afterKb = HeldKb();
    return f;
}

enum class ThenDo { Nothing, SwitchDays, OpenListing };

// View over ten years (query, per-day rows, the end date's records, paint);
// then the switch from quiet days to the busy one, worst of five, or the
// daily listing of the same range while the panel holds its range.
Figures View(TclsDatabaseUser &store, bool items, ThenDo then)
{
    Figures f;
    Stopwatch timer;
    const int busyRow = int(kStart.daysTo(kBusyDay));
    MainWindowFields fields;
    fields.g_strUserName = kUser;
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(store.databasePath());
    std::function<void(int)> selectDay;
    std::function<int()> detailRows;
    std::unique_ptr<QWidget> shown;
    if (items) {
        auto lists = std::make_unique<ItemBrowseLists>();
        lists->show();
        QApplication::processEvents();
        timer.start();
        lists->view(store, kUser, kStart, kEnd);
        Paint(lists.get());
        f.ms = timer.ms();
        f.cpuMs = timer.cpuMs();
        f.rows = lists->days()->topLevelItemCount();
        ItemBrowseLists *raw = lists.get();
        selectDay = [raw](int row) { raw->selectDay(row); };
        detailRows = [raw] { return raw->details()->topLevelItemCount(); };
        shown = std::move(lists);
    } else {
        auto panel = std::make_unique<BrowsePanel>(fields);
        panel->show();
        QApplication::processEvents();
        panel->setRange(kStart, kEnd);
        timer.start();
        panel->ViewClick();
        Paint(panel.get());
        f.ms = timer.ms();
        f.cpuMs = timer.cpuMs();
        auto *days = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List1"));
        auto *details = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List2"));
        f.rows = days->tableModel()->rowCount();
        selectDay = [days](int row) { days->selectRow(row); };
        detailRows = [details] { return details->tableModel()->rowCount(); };
        shown = std::move(panel);
    }
    if (then == ThenDo::OpenListing)
        f = Listing(store, items);
    if (then == ThenDo::SwitchDays) {
        f.ms = 0;
        f.cpuMs = 0;
        for (int run = 0; run < 5; ++run) {
            selectDay(run);
            Paint(shown.get());
            timer.start();
            selectDay(busyRow);
            Paint(shown.get());
            f.ms = std::max(f.ms, timer.ms());
            f.cpuMs = std::max(f.cpuMs, timer.cpuMs());
        }
        f.rows = detailRows();
    }
    shown.reset();
    QApplication::processEvents();
    f.afterKb = HeldKb();
    return f;
}

// The print preview of one year, from the menu command to its first page
// drawn. The old way kept the run's pages until the next run.
Figures Preview(TclsDatabaseUser &store, bool items)
{
    Figures f;
    MainWindowFields fields;
    fields.g_strUserName = kUser;
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(store.databasePath());
    OutputCommands output(fields, nullptr);
    auto commands = std::make_unique<ReportCommands>(fields, output, nullptr);
    Stopwatch timer;
    QTimer::singleShot(0, [&] {
        auto *preview = qobject_cast<TfrmPreview *>(QApplication::activeModalWidget());
        if (!preview)
            return;
        preview->QRPreview1->pageWidget()->grab();
        f.ms = timer.ms();
        f.cpuMs = timer.cpuMs();
        f.rows = preview->QRPreview1->pageCount();
        preview->close();
    });
    EarlierPreviewRun earlier;
    timer.start();
    if (items)
        EarlierPreview(output, kYearStart, kYearEnd, earlier);
    else
        commands->Preview(kYearStart, kYearEnd, OutputLayout::I);
    QApplication::processEvents();
    f.afterKb = HeldKb();
    return f;
}

int RunCase(const QString &name, const QString &impl, const QString &database)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char arg0[] = "bench_browse";
    char *argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);
    TclsDatabaseUser store(database);
    const bool items = impl == QLatin1String("before");
    Figures f;
    if (name == QLatin1String("listing"))
        f = Listing(store, items);
    else if (name == QLatin1String("view"))
        f = View(store, items, ThenDo::Nothing);
    else if (name == QLatin1String("switch"))
        f = View(store, items, ThenDo::SwitchDays);
    else if (name == QLatin1String("viewlisting"))
        f = View(store, items, ThenDo::OpenListing);
    else if (name == QLatin1String("preview"))
        f = Preview(store, items);
    else
        return 2;
    f.peakKb = StatusKb("VmHWM");
    for (const MessageBox::Shown &box : MessageBox::shown())
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(box.text));
    std::printf("%.2f %.2f %.2f %.2f %ld %ld %d\n", f.ms, f.cpuMs, f.worstMs, f.storeMs, f.peakKb, f.afterKb,
                f.rows);
    return MessageBox::shown().isEmpty() ? 0 : 1;
}

// Runs one case `runs` times in fresh processes; medians, and the best and
// worst time of the runs.
bool Measure(const QString &program, const QString &name, const QString &impl, const QString &database,
             int runCount, Figures &median, Figures &best, Figures &worst)
{
    QList<Figures> runs;
    for (int run = 0; run < runCount; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {name, impl, database});
        if (!child.waitForFinished(300000) || child.exitCode() != 0) {
            std::printf("%s/%s failed (exit %d)\n", qPrintable(name), qPrintable(impl), child.exitCode());
            return false;
        }
        const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 7)
            return false;
        runs.append({parts[0].toDouble(), parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble(),
                     parts[4].toLong(), parts[5].toLong(), parts[6].toInt()});
    }
    auto middle = [&](auto field) {
        std::sort(runs.begin(), runs.end(), [&](const Figures &a, const Figures &b) { return field(a) < field(b); });
        return field(runs[runCount / 2]);
    };
    best = worst = runs.first();
    for (const Figures &run : runs) {
        best.ms = std::min(best.ms, run.ms);
        best.cpuMs = std::min(best.cpuMs, run.cpuMs);
        best.worstMs = std::min(best.worstMs, run.worstMs);
        worst.ms = std::max(worst.ms, run.ms);
        worst.cpuMs = std::max(worst.cpuMs, run.cpuMs);
        worst.worstMs = std::max(worst.worstMs, run.worstMs);
    }
    median.ms = middle([](const Figures &x) { return x.ms; });
    median.cpuMs = middle([](const Figures &x) { return x.cpuMs; });
    median.worstMs = middle([](const Figures &x) { return x.worstMs; });
    median.storeMs = middle([](const Figures &x) { return x.storeMs; });
    median.peakKb = middle([](const Figures &x) { return x.peakKb; });
    median.afterKb = middle([](const Figures &x) { return x.afterKb; });
    median.rows = runs[0].rows;
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc == 4)
        return RunCase(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                       QString::fromLocal8Bit(argv[3]));

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const bool ledgerOnly = argc == 3 && argv[1] == QByteArray("--ledger");
    const QString path = ledgerOnly ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(path);
    {
        TclsDatabaseUser store(path);
        store.CreateUser(kUser, QStringLiteral("1"));
        QElapsedTimer timer;
        timer.start();
        FillLedger(store, kUser);
        FillLedger(store, QStringLiteral("李四"));
        std::printf("fill: %d records of each of 2 users over %lld days in %.0f ms\n", kRecordsPerUser,
                    kStart.daysTo(kEnd) + 1, Milliseconds(timer));
    }
    if (ledgerOnly)
        return 0;
    std::printf("before: median of %d runs; now: best of %d runs (spread: worst minus best), every run in a "
                "process of its own\n\n",
                kRunsBefore, kRunsNow);

    struct Case {
        const char *name;
        const char *title;
        double targetMs;
        double targetMb; // 0: no memory target
    };
    const Case cases[] = {{"listing", "daily listing, 10 years", 400, 150},
                          {"view", "View, 10 years", 350, 100},
                          {"switch", "switch to a busy day", 10, 0},
                          {"viewlisting", "listing after a View", 400, 150},
                          {"preview", "preview, 1 year", 400, 150}};
    std::printf("before: item-based lists, pages kept until the next run; now: the table model\n");
    std::printf("(both on the same store, so the store's share is the same in both)\n");
    std::printf("wall and cpu: elapsed and processor time; after: memory in use once the window has closed\n\n");
    std::printf("%-24s %6s | %-27s | %-45s | %s\n", "", "", "before", "now", "");
    std::printf("%-24s %6s | %8s %8s %8s | %8s %8s %8s %8s %8s | %s\n", "", "rows", "wall ms", "cpu ms", "peak MB",
                "wall ms", "spread", "cpu ms", "peak MB", "after MB", "targets");
    auto line = [](const char *title, const QString &rows, const Figures &old, const Figures &now, double spread,
                   const QString &tail) {
        std::printf("%-24s %6s | %8.1f %8.1f %8.1f | %8.1f %8.1f %8.1f %8.1f %8.1f | %s\n", title, qPrintable(rows),
                    old.ms, old.cpuMs, old.peakKb / 1024.0, now.ms, spread, now.cpuMs, now.peakKb / 1024.0,
                    now.afterKb / 1024.0, qPrintable(tail));
    };
    auto step = [](const char *title, double old, double now, double spread) {
        std::printf("%-24s %6s | %8.1f %17s | %8.1f %8.1f %26s |\n", title, "", old, "", now, spread, "");
    };
    bool ok = true;
    for (const Case &c : cases) {
        Figures old, oldBest, oldWorst, median, now, worst;
        if (!Measure(QCoreApplication::applicationFilePath(), QLatin1String(c.name), QStringLiteral("before"), path,
                     kRunsBefore, old, oldBest, oldWorst) ||
            !Measure(QCoreApplication::applicationFilePath(), QLatin1String(c.name), QStringLiteral("now"), path,
                     kRunsNow, median, now, worst)) {
            ok = false;
            continue;
        }
        now.peakKb = median.peakKb;
        now.afterKb = median.afterKb;
        now.storeMs = median.storeMs;
        now.rows = median.rows;
        const bool memoryMet = c.targetMb == 0 || now.peakKb / 1024.0 <= c.targetMb;
        QString tail = c.targetMb > 0 ? QStringLiteral("<= %1 ms, <= %2 MB").arg(c.targetMs).arg(c.targetMb)
                                      : QStringLiteral("<= %1 ms").arg(c.targetMs);
        if (!memoryMet)
            tail += QStringLiteral(", memory MISSED");
        if (now.ms > c.targetMs)
            tail += now.cpuMs <= c.targetMs ? QStringLiteral(", time MISSED (cpu within)")
                                            : QStringLiteral(", time MISSED");
        line(c.title, QString::number(now.rows), old, now, worst.ms - now.ms, tail);
        if (c.name == QByteArray("listing")) {
            step("  of which the store", old.storeMs, now.storeMs, 0);
            step("  Page Up, worst repaint", old.worstMs, now.worstMs, worst.worstMs - now.worstMs);
        }
    }
    return ok ? 0 : 1;
}
