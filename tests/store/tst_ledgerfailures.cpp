// Ledgers that cannot be written or read, on real files: what the store
// does, what the user reads, and that nothing is lost.
//
// File modes do not bind root, so when started as root the program prepares
// the situations only root can make (another user's file, a read-only mount)
// and runs the tests in a child that has given up root for "nobody".
#include "EntryPanel.h"
#include "FileLimit.h"
#include "ErrorReport.h"
#include "KavloError.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmLogin.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <sqlite3.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

const QString kUser = QStringLiteral("张三");
const QString kPassword = QStringLiteral("pw");
const QDate kDay(2007, 3, 5);

// Users 张三 and 李四 (张三 last created, so first in the list), two records
// and the default lists.
void fillLedger(const QString &path)
{
    TclsDatabaseUser store(path);
    store.CreateUser(QStringLiteral("李四"), QStringLiteral("x"));
    store.CreateUser(kUser, kPassword);
    store.AddRecord(kUser, kTypeExpense, {"2007-03-05", "2007-03-05"}, {"早饭", "午饭"}, {"10", "5"}, {"", "m"});
}

// Situations prepared by root before the tests give root up: folder paths
// holding a filled ledger "qmrvz.sjk", empty when not available.
QString g_otherUsersLedger; // root's 0644 file in root's 0755 folder
QString g_readOnlyMount;    // a tmpfs remounted read-only

QString prepareOtherUsersLedger()
{
    char name[] = "/tmp/kavlo-other-XXXXXX";
    if (!::mkdtemp(name))
        return QString();
    const QString folder = QString::fromLocal8Bit(name);
    ::chmod(name, 0755);
    const QString path = folder + QStringLiteral("/qmrvz.sjk");
    TclsDatabaseUser::CreateDatabaseFile(path);
    fillLedger(path);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    return folder;
}

QString prepareReadOnlyMount()
{
    char name[] = "/tmp/kavlo-romount-XXXXXX";
    if (!::mkdtemp(name))
        return QString();
    if (::mount("tmpfs", name, "tmpfs", 0, "size=4m,mode=0755") != 0) {
        ::rmdir(name);
        return QString();
    }
    const QString folder = QString::fromLocal8Bit(name);
    const QString path = folder + QStringLiteral("/qmrvz.sjk");
    TclsDatabaseUser::CreateDatabaseFile(path);
    fillLedger(path);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    if (::mount(nullptr, name, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        ::umount(name);
        ::rmdir(name);
        return QString();
    }
    return folder;
}

class RawDb
{
public:
    explicit RawDb(const QString &path) { sqlite3_open(path.toUtf8().constData(), &m_db); }
    ~RawDb() { sqlite3_close(m_db); }
    int exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db = nullptr;
};

// The ledger's contents, as a reader sees them.
QString snapshot(const QString &path)
{
    TclsDatabaseUser store(path);
    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, kDay, kDay, days, records);
    const ProgramNameLists lists = store.LoadProgramNames(kUser);
    return QStringList{store.GetUserNames().join(u','), records.name.join(u','), records.amount.join(u','),
                       records.memo.join(u','), QString::number(lists.expense.size())}
        .join(u'|');
}

// Runs `operation`, which must fail; returns the failure.
KavloError failureOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const KavloError &e) {
        return e;
    }
    return KavloError(QStringLiteral("did not fail"), FailureCause::Unknown);
}

// Gives a ledger made read-only by a change of mode its mode back.
using Undo = std::function<void()>;

} // namespace

Q_DECLARE_METATYPE(FailureCause)

class TestLedgerFailures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }
    void readOnlyLedgerReadsAndRefusesWrites_data();
    void readOnlyLedgerReadsAndRefusesWrites();
    void loginAndSaveOnReadOnlyLedger();
    void unusableFilesNameTheirCause_data();
    void unusableFilesNameTheirCause();
    void lockedLedgerIsInUse();
    void fullDiskIsDiskFull();

private:
    // The ledger of the row: a path to a filled ledger made read-only.
    QString readOnlyLedger(const QString &situation, QTemporaryDir &dir, Undo &undo);
};

QString TestLedgerFailures::readOnlyLedger(const QString &situation, QTemporaryDir &dir, Undo &undo)
{
    if (situation == QLatin1String("read-only mount"))
        return g_readOnlyMount.isEmpty() ? QString() : g_readOnlyMount + QStringLiteral("/qmrvz.sjk");
    if (::geteuid() == 0)
        return QString(); // modes do not bind root (root could not be given up)
    if (situation == QLatin1String("other user"))
        return g_otherUsersLedger.isEmpty() ? QString() : g_otherUsersLedger + QStringLiteral("/qmrvz.sjk");
    const QString path = dir.filePath(QStringLiteral("qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(path);
    fillLedger(path);
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(dir.path());
    if (situation == QLatin1String("read-only file")) {
        ::chmod(file.constData(), 0400);
        undo = [file] { ::chmod(file.constData(), 0600); };
    } else if (situation == QLatin1String("read-only folder")) {
        ::chmod(folder.constData(), 0500);
        undo = [folder] { ::chmod(folder.constData(), 0700); };
    }
    return path;
}

void TestLedgerFailures::readOnlyLedgerReadsAndRefusesWrites_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<FailureCause>("cause");
    QTest::addColumn<QString>("sentence");
    const QString noPermission = QStringLiteral("账本是只读的，不能保存：没有写入账本文件或其文件夹的权限。");
    QTest::newRow("read-only file") << "read-only file" << FailureCause::NoPermission << noPermission;
    // The folder is where the engine makes its journal.
    QTest::newRow("read-only folder") << "read-only folder" << FailureCause::NoPermission << noPermission;
    QTest::newRow("another user's file") << "other user" << FailureCause::NoPermission << noPermission;
    QTest::newRow("read-only mount") << "read-only mount" << FailureCause::ReadOnly
                                     << QStringLiteral("账本是只读的，不能保存：账本所在的磁盘或文件被设为只读。");
}

void TestLedgerFailures::readOnlyLedgerReadsAndRefusesWrites()
{
    QFETCH(QString, situation);
    QFETCH(FailureCause, cause);
    QFETCH(QString, sentence);
    QTemporaryDir dir;
    Undo undo;
    const QString path = readOnlyLedger(situation, dir, undo);
    if (path.isEmpty())
        QSKIP("this situation cannot be made here (it needs root to prepare and a user to run as)");
    const auto cleanup = qScopeGuard([&] {
        if (undo)
            undo();
    });
    const QString before = snapshot(path);
    TclsDatabaseUser store(path);

    // Logging in works; the list order simply stays.
    QVERIFY(store.CheckLogin(QStringLiteral("李四"), QStringLiteral("x")));
    QVERIFY(!store.CheckLogin(QStringLiteral("李四"), kPassword));
    QCOMPARE(store.GetUserNames(), (QStringList{kUser, QStringLiteral("李四")}));
    ProgramTotals totals;
    store.GetProgramTotals(kUser, kTypeExpense, kDay, kDay, totals);
    QCOMPARE(totals.name, (QStringList{QStringLiteral("早饭"), QStringLiteral("午饭")}));

    DayTotals days;
    RangeRecords records;
    store.ListRecordsOfDate(kUser, kDay, kDay, days, records);
    const QString id = records.id.first();
    const std::function<void()> writes[] = {
        [&] { store.AddRecord(kUser, kTypeExpense, {"2007-03-05"}, {"晚饭"}, {"1"}, {""}); },
        [&] { store.UpdateRecord(id, QStringLiteral("改"), "2", "m"); },
        [&] { store.DeleteRecord(id); },
        [&] { store.CreateUser(QStringLiteral("王五"), kPassword); },
        [&] { store.ChangePassword(kUser, kPassword, QStringLiteral("new")); },
        [&] { store.DeleteUser(kUser, kPassword); },
        [&] { store.SaveProgramNames(kUser, kKindExpenseNames, QStringLiteral("a")); },
    };
    for (const auto &write : writes) {
        const KavloError e = failureOf(write);
        QCOMPARE(e.cause(), cause);
        QCOMPARE(e.path(), path);
        QVERIFY2(ErrorReportText(e).startsWith(sentence), qPrintable(ErrorReportText(e)));
    }
    QCOMPARE(snapshot(path), before);
}

void TestLedgerFailures::loginAndSaveOnReadOnlyLedger()
{
    QTemporaryDir dir;
    Undo undo;
    const QString path = readOnlyLedger(QStringLiteral("read-only folder"), dir, undo);
    if (path.isEmpty())
        QSKIP("modes do not bind root");
    const auto cleanup = qScopeGuard([&] { undo(); });
    {
        TfrmLogin login(nullptr, path);
        login.show();
        QCOMPARE(login.cboUserName->currentText(), kUser);
        login.edtPassword->setText(kPassword);
        login.btnOK->click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // Saving pending rows says why it cannot, once, and keeps every row.
    MainWindowFields fields;
    fields.g_strUserName = kUser;
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(path);
    QWidget window;
    auto *panel = new EntryPanel(EntryPanel::Expense, fields, &window);
    panel->setDate(kDay);
    for (const char *name : {"晚饭", "夜宵"}) {
        panel->findChild<QComboBox *>(QStringLiteral("cboOut_Name"))->setEditText(QString::fromUtf8(name));
        panel->findChild<QLineEdit *>(QStringLiteral("edtOut_Money"))->setText(QStringLiteral("3"));
        panel->AddClick();
    }
    QCOMPARE(panel->pendingCount(), 2);
    const QString before = snapshot(path);
    panel->FinishClick();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Error);
    const QString text = MessageBox::shown().first().text;
    QVERIFY2(text.startsWith(QStringLiteral("账本是只读的，不能保存")), qPrintable(text));
    QVERIFY(text.contains(path));
    QCOMPARE(panel->pendingCount(), 2);
    QCOMPARE(snapshot(path), before);

    // Once the folder can be written again, the same rows are saved once.
    undo();
    undo = [] {};
    MessageBox::clearShown();
    panel->FinishClick();
    QCOMPARE(panel->pendingCount(), 0);
    DayTotals days;
    RangeRecords records;
    TclsDatabaseUser(path).ListRecordsOfDate(kUser, kDay, kDay, days, records);
    QCOMPARE(records.name, (QStringList{"早饭", "午饭", "晚饭", "夜宵"}));
}

void TestLedgerFailures::unusableFilesNameTheirCause_data()
{
    QTest::addColumn<QByteArray>("content"); // "missing": no file at all
    QTest::addColumn<FailureCause>("cause");
    QTest::addColumn<QString>("sentence");
    const QString notALedger = QStringLiteral("这个文件不是Kavlo账本，或者已经损坏。");
    QByteArray noise(8192, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) & 0xff);
    QTest::newRow("missing") << QByteArray("missing") << FailureCause::Missing << QStringLiteral("账本文件不存在。");
    QTest::newRow("zero length") << QByteArray() << FailureCause::NotALedger << notALedger;
    QTest::newRow("another program's database") << QByteArray("foreign") << FailureCause::NotALedger << notALedger;
    QTest::newRow("noise") << noise << FailureCause::NotALedger << notALedger;
    QTest::newRow("cut short") << QByteArray("truncated") << FailureCause::NotALedger << notALedger;
}

void TestLedgerFailures::unusableFilesNameTheirCause()
{
    QFETCH(QByteArray, content);
    QFETCH(FailureCause, cause);
    QFETCH(QString, sentence);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("qmrvz.sjk"));
    if (content == "foreign") {
        RawDb(path).exec("create table Accounts (name text); insert into Accounts values ('x')");
    } else if (content == "truncated") {
        TclsDatabaseUser::CreateDatabaseFile(path);
        QStringList dates, names, amounts, memos;
        for (int i = 0; i < 3000; ++i) {
            dates << QStringLiteral("2007-03-05");
            names << QStringLiteral("项目%1").arg(i);
            amounts << QStringLiteral("1");
            memos << QString(40, QChar(u'备'));
        }
        TclsDatabaseUser(path).AddRecord(kUser, kTypeExpense, dates, names, amounts, memos);
        QVERIFY(::truncate(QFile::encodeName(path).constData(), QFileInfo(path).size() / 2) == 0);
    } else if (content != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    TclsDatabaseUser store(path);
    DayTotals days;
    RangeRecords records;
    const std::function<void()> operations[] = {
        [&] { store.ListRecordsOfDate(kUser, kDay, kDay, days, records); },
        [&] { store.CheckLogin(kUser, kPassword); },
        [&] { store.CreateUser(kUser, kPassword); },
    };
    // A cut-short file may still hold the users whole; its records are not.
    const int count = content == "truncated" ? 1 : 3;
    for (int i = 0; i < count; ++i) {
        const KavloError e = failureOf(operations[i]);
        QCOMPARE(e.cause(), cause);
        QCOMPARE(e.path(), path);
        const QString text = ErrorReportText(e);
        QVERIFY2(text.startsWith(sentence + QStringLiteral("\r\n\r\n文件：") + path + QStringLiteral("\r\n\r\n")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("no such table")), qPrintable(text));
    }
    QCOMPARE(QFileInfo::exists(path), content != "missing"); // never created
    if (content.isEmpty())
        QCOMPARE(QFileInfo(path).size(), 0); // nothing written into it either
}

void TestLedgerFailures::lockedLedgerIsInUse()
{
    TempDatabase db;
    fillLedger(db.path());
    RawDb holder(db.path());
    QCOMPARE(holder.exec("begin exclusive"), SQLITE_OK);
    TclsDatabaseUser store(db.path());
    const KavloError e = failureOf([&] { store.GetUserNames(); });
    QCOMPARE(e.cause(), FailureCause::InUse);
    QVERIFY2(ErrorReportText(e).startsWith(QStringLiteral("账本正被另一个程序使用，请稍后再试。")),
             qPrintable(ErrorReportText(e)));
    QVERIFY(ErrorReportText(e).contains(QStringLiteral("locked")));
    holder.exec("rollback");
    QVERIFY(store.CheckLogin(kUser, kPassword));
}

void TestLedgerFailures::fullDiskIsDiskFull()
{
    TempDatabase db;
    fillLedger(db.path());
    const QString before = snapshot(db.path());
    const long limit = long(QFileInfo(db.path()).size()) + 4096;
    // A child whose files cannot grow past the limit meets EFBIG as on a
    // full disk.
    const QByteArray outcome = RunWithFileSizeLimit(limit, [&] {
        TclsDatabaseUser store(db.path());
        QStringList dates, names, amounts, memos;
        for (int i = 0; i < 2000; ++i) {
            dates << QStringLiteral("2007-03-05");
            names << QStringLiteral("项目%1").arg(i);
            amounts << QStringLiteral("1");
            memos << QString(40, QChar(u'备'));
        }
        const KavloError e = failureOf([&] { store.AddRecord(kUser, kTypeExpense, dates, names, amounts, memos); });
        // Logging in needs no room: it still works.
        const bool login = store.CheckLogin(kUser, kPassword);
        return QByteArray::number(int(e.cause())) + ' ' + (login ? "login" : "no login") + ' ' +
               ErrorReportText(e).toUtf8();
    });
    QVERIFY2(outcome.startsWith(QByteArray::number(int(FailureCause::DiskFull)) + " login "), outcome.constData());
    QVERIFY(outcome.contains("磁盘空间不足，不能保存。"));
    QCOMPARE(snapshot(db.path()), before);
}

int main(int argc, char **argv)
{
    if (::geteuid() != 0) {
        QApplication app(argc, argv);
        TestLedgerFailures test;
        return QTest::qExec(&test, argc, argv);
    }
    g_otherUsersLedger = prepareOtherUsersLedger();
    g_readOnlyMount = prepareReadOnlyMount();
    const pid_t child = ::fork();
    if (child == 0) {
        // The nobody account of Debian.
        const gid_t gid = 65534;
        if (::setgroups(1, &gid) != 0 || ::setgid(gid) != 0 || ::setuid(65534) != 0 || ::geteuid() == 0)
            std::fprintf(stderr, "cannot give up root: the situations that need it are skipped\n");
        ::_exit([&] {
            QApplication app(argc, argv);
            TestLedgerFailures test;
            return QTest::qExec(&test, argc, argv);
        }());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!g_readOnlyMount.isEmpty()) {
        ::umount(QFile::encodeName(g_readOnlyMount).constData());
        ::rmdir(QFile::encodeName(g_readOnlyMount).constData());
    }
    if (!g_otherUsersLedger.isEmpty())
        QDir(g_otherUsersLedger).removeRecursively();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

#include "tst_ledgerfailures.moc"
