#include "unt_clsOneCopy.h"

#include <QTemporaryDir>
#include <QtTest>

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

QTEST_MAIN(TestOneCopy)
#include "tst_onecopy.moc"
