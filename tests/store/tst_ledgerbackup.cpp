#include "FileLimit.h"
#include "KavloError.h"
#include "LedgerBackup.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kUser = QStringLiteral("张三");
const QDate kDay(2026, 12, 9);

uint modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? uint(st.st_mode & 07777) : 0xffffffffu;
}

QStringList recordNames(const QString &path)
{
    DayTotals days;
    RangeRecords records;
    TclsDatabaseUser(path).ListRecordsOfDate(kUser, QDate(2007, 1, 1), QDate(2007, 12, 31), days, records);
    return records.name;
}

// A ledger in Database/ as installed, with a user and a few hundred records.
struct Ledger {
    QTemporaryDir dir;
    QString path;
    Ledger()
    {
        QDir(dir.path()).mkdir(QStringLiteral("Database"));
        path = dir.filePath(QStringLiteral("Database/qmrvz.sjk"));
        TclsDatabaseUser::CreateDatabaseFile(path);
        TclsDatabaseUser store(path);
        store.CreateUser(kUser, QStringLiteral("pw"));
        QStringList dates, names, amounts, memos;
        for (int i = 0; i < 500; ++i) {
            dates << QDate(2007, 1, 1).addDays(i % 365).toString(Qt::ISODate);
            names << QStringLiteral("项目%1").arg(i);
            amounts << QStringLiteral("1.5");
            memos << QString(30, QChar(u'备'));
        }
        store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos);
    }
    QStringList folderEntries() const
    {
        return QDir(LedgerBackup::Folder(path)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

class TestLedgerBackup : public QObject
{
    Q_OBJECT
private slots:
    void backupIsAPrivateWholeLedger();
    void keepsTheNewestFourteen();
    void failedBackupLeavesNothingBehind_data();
    void failedBackupLeavesNothingBehind();
    void runnerReportsOnItsOwnThread();
};

void TestLedgerBackup::backupIsAPrivateWholeLedger()
{
    Ledger ledger;
    QVERIFY(LedgerBackup::MakeDaily(ledger.path, kDay));
    const QString backup = ledger.dir.filePath(QStringLiteral("Database/Backup/qmrvz-2026-12-09.sjk"));
    QCOMPARE(LedgerBackup::PathFor(ledger.path, kDay), backup);
    QCOMPARE(modeOf(backup), 0600u);
    QCOMPARE(modeOf(LedgerBackup::Folder(ledger.path)), 0700u);
    QCOMPARE(ledger.folderEntries(), QStringList{QStringLiteral("qmrvz-2026-12-09.sjk")});
    // The copy is a ledger in its own right: restoring it is copying it back.
    QCOMPARE(recordNames(backup), recordNames(ledger.path));
    QCOMPARE(recordNames(backup).size(), 500);
    QVERIFY(TclsDatabaseUser(backup).CheckLogin(kUser, QStringLiteral("pw")));

    // A later login the same day leaves the day's backup as it was.
    TclsDatabaseUser(ledger.path).DeleteUser(kUser, QStringLiteral("pw"));
    QVERIFY(!LedgerBackup::MakeDaily(ledger.path, kDay));
    QCOMPARE(recordNames(backup).size(), 500);
}

void TestLedgerBackup::keepsTheNewestFourteen()
{
    Ledger ledger;
    // Made in any order (a clock set back), the newest by date are kept.
    QList<QDate> days;
    for (int i = 0; i < 16; ++i)
        days << kDay.addDays(i % 2 ? i : -i);
    for (const QDate &day : days)
        QVERIFY(LedgerBackup::MakeDaily(ledger.path, day));
    QFile other(LedgerBackup::Folder(ledger.path) + QStringLiteral("/notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QVERIFY(LedgerBackup::MakeDaily(ledger.path, kDay.addDays(100)));

    std::sort(days.begin(), days.end());
    days << kDay.addDays(100);
    QStringList expected;
    for (int i = days.size() - 1; i >= days.size() - 14; --i)
        expected << LedgerBackup::PathFor(ledger.path, days.at(i));
    QCOMPARE(LedgerBackup::List(ledger.path), expected);
    QVERIFY(other.exists()); // not a backup: never removed
}

void TestLedgerBackup::failedBackupLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<int>("cause");
    QTest::newRow("disk full") << "full" << int(FailureCause::DiskFull);
    QTest::newRow("a file where the folder goes") << "file" << int(FailureCause::Unknown);
    QTest::newRow("damaged ledger") << "damaged" << int(FailureCause::NotALedger);
}

void TestLedgerBackup::failedBackupLeavesNothingBehind()
{
    QFETCH(QString, obstacle);
    QFETCH(int, cause);
    Ledger ledger;
    if (obstacle == QLatin1String("file")) {
        QFile blocker(LedgerBackup::Folder(ledger.path));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(blocker.write("keep") == 4);
        blocker.close();
        QVERIFY(QFile::setPermissions(blocker.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    } else if (obstacle == QLatin1String("damaged")) {
        QFile file(ledger.path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(QByteArray(16, '\x5a')), 16); // the engine's signature
    }
    const QByteArray before = [&] {
        QFile file(ledger.path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    const QByteArray outcome = RunWithFileSizeLimit(obstacle == QLatin1String("full") ? 64 * 1024 : 1L << 40, [&] {
        try {
            LedgerBackup::MakeDaily(ledger.path, kDay);
        } catch (const KavloError &e) {
            return QByteArray::number(int(e.cause())) + ' ' + e.message().toUtf8();
        }
        return QByteArray("made");
    });
    QVERIFY2(outcome.startsWith(QByteArray::number(cause) + ' '), outcome.constData());

    QVERIFY(!QFileInfo::exists(LedgerBackup::PathFor(ledger.path, kDay)));
    if (obstacle == QLatin1String("file")) {
        // The thing in the way is left exactly as it was.
        QCOMPARE(modeOf(LedgerBackup::Folder(ledger.path)), 0604u);
    } else {
        QCOMPARE(ledger.folderEntries(), QStringList()); // no partial copy
    }
    QFile file(ledger.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestLedgerBackup::runnerReportsOnItsOwnThread()
{
    Ledger ledger;
    std::optional<KavloError> failure = KavloError(QStringLiteral("not called"));
    std::thread::id thread;
    {
        LedgerBackup::Runner runner;
        runner.start(ledger.path, kDay, [&](const std::optional<KavloError> &result) {
            failure = result;
            thread = std::this_thread::get_id();
        });
    } // waits for the backup
    QVERIFY(!failure);
    QVERIFY(thread != std::this_thread::get_id());
    QVERIFY(QFileInfo::exists(LedgerBackup::PathFor(ledger.path, kDay)));

    // A missing ledger is a failure the runner hands over, not one it throws.
    LedgerBackup::Runner runner;
    runner.start(ledger.dir.filePath(QStringLiteral("none.sjk")), kDay,
                 [&](const std::optional<KavloError> &result) { failure = result; });
    runner.wait();
    QVERIFY(failure);
    QCOMPARE(failure->cause(), FailureCause::Missing);
}

QTEST_GUILESS_MAIN(TestLedgerBackup)
#include "tst_ledgerbackup.moc"
