#include "unt_clsOneCopy.h"

#include "KavloError.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
void setMode(const QString &path, mode_t mode)
{
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}
mode_t modeOf(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}
} // namespace

// The single-instance lock and the command channel, in a runtime folder of
// the test's own so a running Kavlo is never disturbed.
class TestOneCopy : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void commandLines_data();
    void commandLines();
    void secondLockIsRefusedUntilFirstEnds();
    void commandReachesServer_data();
    void commandReachesServer();
    void leftoverSocketDoesNotBlockListening();
    void nobodyListeningIsReported();
    void oversizedCommandIsDropped();
    void folderChoice_data();
    void folderChoice();

private:
    QTemporaryDir m_runtime;
};

void TestOneCopy::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    QVERIFY(OneCopyMutexPath().startsWith(m_runtime.path()));
    QVERIFY(DdeServerName().contains(QStringLiteral("Kavlo")));
    QVERIFY(DdeServerName().contains(QStringLiteral("ddeServer")));
}

void TestOneCopy::commandLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("show with zero") << QByteArray("show\0", 5) << QStringList{"show"};
    QTest::newRow("no zero") << QByteArray("show") << QStringList{"show"};
    QTest::newRow("after zero ignored") << QByteArray("show\0junk", 9) << QStringList{"show"};
    QTest::newRow("crlf lines") << QByteArray("show\r\nmore\0", 11) << QStringList{"show", "more"};
    QTest::newRow("lf lines") << QByteArray("a\nb") << QStringList{"a", "b"};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("only zero") << QByteArray("\0", 1) << QStringList{};
    QTest::newRow("chinese") << QByteArray("显示") << QStringList{QStringLiteral("显示")};
}

void TestOneCopy::commandLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitCommandLines(data), lines);
}

void TestOneCopy::secondLockIsRefusedUntilFirstEnds()
{
    {
        TclsOneCopyMutex first;
        QVERIFY(first.Acquire());
        TclsOneCopyMutex second;
        QVERIFY(!second.Acquire());
    }
    TclsOneCopyMutex third;
    QVERIFY(third.Acquire());
}

void TestOneCopy::commandReachesServer_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("show") << "show" << QStringList{"show"};
    QTest::newRow("two lines") << "show\nmore" << QStringList{"show", "more"};
    QTest::newRow("blanks kept for the handler") << " show " << QStringList{" show "};
}

void TestOneCopy::commandReachesServer()
{
    QFETCH(QString, command);
    QFETCH(QStringList, lines);
    TclsDdeServer server;
    QList<QStringList> received;
    server.OnExecuteMacro = [&](const QStringList &l) { received.append(l); };
    QVERIFY(server.Listen());
    QVERIFY(SendDdeCommand(command));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first(), lines);
    // One command, delivered once even after the sender hangs up.
    QTest::qWait(50);
    QCOMPARE(received.size(), 1);
}

void TestOneCopy::leftoverSocketDoesNotBlockListening()
{
    // A copy that was killed leaves its socket file behind.
    QFile leftover(DdeServerName());
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    TclsDdeServer server;
    int received = 0;
    server.OnExecuteMacro = [&](const QStringList &) { ++received; };
    QVERIFY(server.Listen());
    QVERIFY(SendDdeCommand(QStringLiteral("show")));
    QTRY_COMPARE(received, 1);
}

void TestOneCopy::nobodyListeningIsReported()
{
    QFile::remove(DdeServerName());
    QVERIFY(!SendDdeCommand(QStringLiteral("show"), 500));
}

void TestOneCopy::oversizedCommandIsDropped()
{
    TclsDdeServer server;
    int received = 0;
    server.OnExecuteMacro = [&](const QStringList &) { ++received; };
    QVERIFY(server.Listen());
    QVERIFY(SendDdeCommand(QString(10000, QLatin1Char('x'))));
    QTest::qWait(200);
    QCOMPARE(received, 0);
    // The server keeps serving after dropping it.
    QVERIFY(SendDdeCommand(QStringLiteral("show")));
    QTRY_COMPARE(received, 1);
}

// Only a folder of this user's own, mode 0700, holds the lock and the socket;
// one that fails the check is passed over for the next candidate, and when
// none is safe the lock says so instead of pretending another copy runs.
void TestOneCopy::folderChoice_data()
{
    QTest::addColumn<QString>("runtime"); // how $XDG_RUNTIME_DIR is
    QTest::addColumn<QString>("cache");   // how the cache's kavlo folder is
    QTest::addColumn<QString>("temp");    // how the temporary kavlo-<uid> folder is
    QTest::addColumn<QString>("chosen");  // runtime, cache, temp or none
    const char *rows[][5] = {
        {"runtime folder used", "0700", "missing", "missing", "runtime"},
        {"runtime folder unset", "unset", "missing", "missing", "cache"},
        {"runtime folder 0755", "0755", "missing", "missing", "cache"},
        {"runtime folder a link", "link", "missing", "missing", "cache"},
        {"runtime folder missing", "missing", "missing", "missing", "cache"},
        {"runtime folder of another user", "foreign", "0700", "missing", "cache"},
        {"cache folder 0750", "0755", "0750", "missing", "temp"},
        {"cache folder of another user", "unset", "foreign", "0700", "temp"},
        {"temp folder of another user", "unset", "0777", "foreign", "none"},
        {"nothing safe", "0755", "0755", "0755", "none"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[1] << row[2] << row[3] << row[4];
}

void TestOneCopy::folderChoice()
{
    QFETCH(QString, runtime);
    QFETCH(QString, cache);
    QFETCH(QString, temp);
    QFETCH(QString, chosen);
    if ((runtime + cache + temp).contains("foreign") && geteuid() != 0)
        QSKIP("only root can give a folder to another user");
    // Qt's own runtime-folder lookup warns when the variable is unset; the
    // program never asks it.
    QTest::failOnWarning(QRegularExpression("QStandardPaths"));

    QTemporaryDir root;
    const QString runtimeDir = root.filePath("run"), cacheHome = root.filePath("cache"),
                  tempDir = root.filePath("tmp");
    QVERIFY(QDir().mkpath(cacheHome) && QDir().mkpath(tempDir));
    const QString cacheDir = cacheHome + "/kavlo",
                  tempKavlo = tempDir + QStringLiteral("/kavlo-%1").arg(geteuid());
    auto prepare = [&](const QString &path, const QString &how) {
        if (how == "missing" || how == "unset")
            return;
        if (how == "link") {
            QVERIFY(QDir().mkdir(root.filePath("elsewhere")));
            setMode(root.filePath("elsewhere"), 0700);
            QVERIFY(QFile::link(root.filePath("elsewhere"), path));
            return;
        }
        QVERIFY(QDir().mkdir(path));
        setMode(path, how == "foreign" ? 0700 : mode_t(how.toUInt(nullptr, 8)));
        if (how == "0700")
            return;
        // A folder that fails the check holds a lock that looks held.
        QVERIFY(PlantHeldLock(path + "/QMRVZ_OneCopyMutex"));
        if (how == "foreign")
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 12345, 12345), 0);
    };
    prepare(runtimeDir, runtime);
    prepare(cacheDir, cache);
    prepare(tempKavlo, temp);

    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime == "unset")
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
    qputenv("TMPDIR", QFile::encodeName(tempDir));
    auto restore = qScopeGuard([&] {
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        qunsetenv("XDG_CACHE_HOME");
        qunsetenv("TMPDIR");
    });

    QStringList refusals;
    const QString folder = OneCopyFolder(&refusals);
    const QHash<QString, QString> folders{
        {"runtime", runtimeDir}, {"cache", cacheDir}, {"temp", tempKavlo}, {"none", ""}};
    QCOMPARE(folder, folders.value(chosen));
    const int expectedRefusals = chosen == "runtime" ? 0 : chosen == "cache" ? 1 : chosen == "temp" ? 2 : 3;
    QCOMPARE(refusals.size(), expectedRefusals - (runtime == "unset" ? 1 : 0));
    TclsOneCopyMutex mutex;
    if (chosen == "none") {
        QVERIFY(OneCopyMutexPath().isEmpty());
        QVERIFY(!SendDdeCommand("show", 100));
        QVERIFY_THROWS_EXCEPTION(KavloError, mutex.Acquire());
        TclsDdeServer server;
        QVERIFY(!server.Listen());
        return;
    }
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(OneCopyMutexPath(), folder + "/QMRVZ_OneCopyMutex");
    QVERIFY(mutex.Acquire());
    TclsDdeServer server;
    int received = 0;
    server.OnExecuteMacro = [&](const QStringList &) { ++received; };
    QVERIFY(server.Listen());
    QVERIFY(SendDdeCommand("show"));
    QTRY_COMPARE(received, 1);
}

QTEST_MAIN(TestOneCopy)
#include "tst_onecopy.moc"
