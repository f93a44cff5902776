#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// The real program started as separate processes (offscreen), each test with
// a program folder and a runtime folder of its own.
class TestTwoCopies : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void secondCopyEndsAtOnce();
    void lockOfKilledCopyDoesNotBlock();
    void plantedLockDoesNotStopTheStart_data();
    void plantedLockDoesNotStopTheStart();
    void startsQuietlyWithoutRuntimeFolder();

private:
    void start(QProcess &process, const QProcessEnvironment &changes = {}, const QStringList &unset = {});
    QString lockFile() const { return m_runtime->filePath(QStringLiteral("QMRVZ_OneCopyMutex")); }
    QString serverSocket() const { return m_runtime->filePath(QStringLiteral("Kavlo-ddeServer")); }
    qint64 lockHolder() const;

    std::unique_ptr<QTemporaryDir> m_program;
    std::unique_ptr<QTemporaryDir> m_runtime;
    QList<QProcess *> m_started;
};

void TestTwoCopies::init()
{
    m_program = std::make_unique<QTemporaryDir>();
    m_runtime = std::make_unique<QTemporaryDir>();
    QFile::setPermissions(m_runtime->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString built = ProgramDir() + QStringLiteral("/kavlo");
    QVERIFY2(QFile::exists(built), qPrintable(built));
    QVERIFY(QFile::copy(built, m_program->filePath(QStringLiteral("kavlo"))));
    QVERIFY(QDir(m_program->path()).mkdir(QStringLiteral("Database")));
    TclsDatabaseUser::CreateDatabaseFile(m_program->filePath(QStringLiteral("Database/qmrvz.sjk")));
}

void TestTwoCopies::cleanup()
{
    for (QProcess *process : m_started) {
        process->kill();
        process->waitForFinished(5000);
        delete process;
    }
    m_started.clear();
}

void TestTwoCopies::start(QProcess &process, const QProcessEnvironment &changes, const QStringList &unset)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    env.insert(changes);
    for (const QString &name : unset)
        env.remove(name);
    process.setProcessEnvironment(env);
    process.setProgram(m_program->filePath(QStringLiteral("kavlo")));
    process.start();
    QVERIFY(process.waitForStarted(5000));
}

qint64 TestTwoCopies::lockHolder() const
{
    QFile file(lockFile());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readLine().trimmed().toLongLong();
}

void TestTwoCopies::secondCopyEndsAtOnce()
{
    auto *first = m_started.emplace_back(new QProcess);
    start(*first);
    // The first copy is at its login dialog once its channel is listening.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(serverSocket()), 10000);
    QCOMPARE(lockHolder(), first->processId());

    auto *second = m_started.emplace_back(new QProcess);
    start(*second);
    QVERIFY(second->waitForFinished(5000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // The first copy carries on, still holding the lock.
    QTest::qWait(200);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(lockHolder(), first->processId());
}

void TestTwoCopies::lockOfKilledCopyDoesNotBlock()
{
    auto *killed = m_started.emplace_back(new QProcess);
    start(*killed);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(serverSocket()), 10000);
    killed->kill();
    QVERIFY(killed->waitForFinished(5000));
    // It left both its lock and its socket behind.
    QVERIFY(QFile::exists(lockFile()));
    QVERIFY(QFile::exists(serverSocket()));

    auto *next = m_started.emplace_back(new QProcess);
    start(*next);
    QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), next->processId(), 10000);
    QTest::qWait(300);
    QCOMPARE(next->state(), QProcess::Running);

    // And it serves the channel again: a further copy ends at once.
    auto *third = m_started.emplace_back(new QProcess);
    start(*third);
    QVERIFY(third->waitForFinished(5000));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
}

// A lock another local user left where a copy once looked for it (the
// temporary folder, or a runtime folder that is not this user's own 0700
// one) never makes Kavlo end: it starts with its lock in its cache folder.
void TestTwoCopies::plantedLockDoesNotStopTheStart_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::newRow("runtime folder unset, Qt's fallback of another user") << "unset";
    QTest::newRow("runtime folder 0755") << "0755";
    QTest::newRow("runtime folder of another user") << "foreign";
}

void TestTwoCopies::plantedLockDoesNotStopTheStart()
{
    QFETCH(QString, runtime);
    if (geteuid() != 0 && runtime != "0755")
        QSKIP("only root can give a folder to another user");
    QTemporaryDir root;
    const QString temp = root.filePath("tmp"), cache = root.filePath("cache"), run = root.filePath("run");
    QVERIFY(QDir().mkpath(temp) && QDir().mkpath(cache) && QDir().mkpath(run));
    for (const QString &folder : {temp, run})
        QVERIFY(PlantHeldLock(folder + "/QMRVZ_OneCopyMutex"));
    // Qt's own fallback when the variable is unset, made by another user.
    const QByteArray qtFallback =
        QFile::encodeName(temp + "/runtime-" + qEnvironmentVariable("USER", "root"));
    QVERIFY(QDir().mkdir(QString::fromLocal8Bit(qtFallback)));
    QCOMPARE(::chmod(run.toLocal8Bit().constData(), runtime == "0755" ? 0755 : 0700), 0);
    if (geteuid() == 0) {
        QCOMPARE(::chown(qtFallback.constData(), 12345, 12345), 0);
        if (runtime == "foreign")
            QCOMPARE(::chown(QFile::encodeName(run).constData(), 12345, 12345), 0);
    }

    QProcessEnvironment changes;
    changes.insert("TMPDIR", temp);
    changes.insert("XDG_CACHE_HOME", cache);
    changes.insert("XDG_RUNTIME_DIR", run);
    auto *copy = m_started.emplace_back(new QProcess);
    start(*copy, changes, runtime == "unset" ? QStringList{"XDG_RUNTIME_DIR"} : QStringList{});

    const QString ownLock = cache + "/kavlo/QMRVZ_OneCopyMutex";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(cache + "/kavlo/Kavlo-ddeServer"), 10000);
    QFile lock(ownLock);
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readLine().trimmed().toLongLong(), copy->processId());
    QCOMPARE(copy->state(), QProcess::Running);
    // Without a runtime folder, starting says nothing about one (Qt warns
    // about a folder that is set but unfit, and rightly so).
    if (runtime == "unset")
        QVERIFY2(!copy->readAllStandardError().contains("QStandardPaths"), "warned about the runtime folder");
}

void TestTwoCopies::startsQuietlyWithoutRuntimeFolder()
{
    // As root on a console: no XDG_RUNTIME_DIR. The temp folder is the
    // test's own, so the runtime folder made there can be looked at.
    QTemporaryDir tmp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    auto *process = m_started.emplace_back(new QProcess);
    process->setProcessEnvironment(env);
    process->setProgram(m_program->filePath(QStringLiteral("kavlo")));
    process->start();
    QVERIFY(process->waitForStarted(5000));
    // Up to its login dialog, where it waits.
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(tmp.path()).entryList({QStringLiteral("runtime-*")}, QDir::Dirs).isEmpty(), 10000);
    QTest::qWait(1500);
    QCOMPARE(process->state(), QProcess::Running);
    process->kill();
    QVERIFY(process->waitForFinished(5000));
    const QString errors = QString::fromLocal8Bit(process->readAllStandardError());
    QVERIFY2(!errors.contains(QStringLiteral("XDG_RUNTIME_DIR")), qPrintable(errors));
    const QString runtime = tmp.filePath(QDir(tmp.path()).entryList({QStringLiteral("runtime-*")}, QDir::Dirs).value(0));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(runtime) & others, QFileDevice::Permissions());
}

QTEST_GUILESS_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
