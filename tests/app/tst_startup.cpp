#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QProcess>
#include <QtTest>


// The real program as a console and a desktop start it: the options it
// answers without a window system, what it says when there is none, and its
// first start from a package layout (a prefix tree made here: bin/kavlo with
// share/kavlo/ beside it).
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void console_data();
    void console();

    void firstStartFromPackage_data();
    void firstStartFromPackage();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    // An X display number nothing listens on.
    static QString unusedDisplay();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_running;
};

void TestStartup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("runtime")));
    QFile::setPermissions(path(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestStartup::cleanup()
{
    if (m_running) {
        m_running->kill();
        m_running->waitForFinished(5000);
        m_running.reset();
    }
    m_dir.reset();
}

QString TestStartup::unusedDisplay()
{
    for (int n = 97; n < 200; ++n)
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return QStringLiteral(":%1").arg(n);
    return QString();
}

void TestStartup::console_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment"); // NAME=value, "@display" for a display nobody serves
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");         // texts standard output holds
    QTest::addColumn<QStringList>("err");         // the lines of standard error, as parts they hold

    const QStringList noSession{QStringLiteral("Kavlo 需要桌面会话：没有设置 DISPLAY 或 WAYLAND_DISPLAY"),
                                QStringLiteral("Kavlo needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set")};
    const QStringList help{QStringLiteral("Usage: kavlo [--help] [--version]"), QStringLiteral("用法"),
                           QStringLiteral("@ledger")};
    QTest::newRow("--version") << QStringList{"--version"} << QStringList{} << 0
                               << QStringList{QStringLiteral("Kavlo 1.0 (Qt 6.")} << QStringList{};
    QTest::newRow("--help") << QStringList{"--help"} << QStringList{} << 0 << help << QStringList{};
    QTest::newRow("-h") << QStringList{"-h"} << QStringList{} << 0 << help << QStringList{};
    QTest::newRow("--help after Qt's options") << QStringList{"-style", "fusion", "--help"} << QStringList{} << 0
                                               << help << QStringList{};
    QTest::newRow("--version, display not answering")
        << QStringList{"--version"} << QStringList{"DISPLAY=@display"} << 0 << QStringList{QStringLiteral("Kavlo 1.0")}
        << QStringList{};
    QTest::newRow("no session") << QStringList{} << QStringList{} << 1 << QStringList{} << noSession;
    QTest::newRow("X11 asked for, Wayland there")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"} << 1 << QStringList{}
        << noSession;
    QTest::newRow("display not answering")
        << QStringList{} << QStringList{"DISPLAY=@display"} << 1 << QStringList{}
        << QStringList{QStringLiteral("Kavlo 需要桌面会话：无法连接显示 @display"),
                       QStringLiteral("Kavlo needs a desktop session: cannot connect to display @display")};
    QTest::newRow("-display not answering")
        << QStringList{"-display", "@display"} << QStringList{"DISPLAY=:0"} << 1 << QStringList{}
        << QStringList{QStringLiteral("无法连接显示 @display"), QStringLiteral("cannot connect to display @display")};
}

void TestStartup::console()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);
    const QString display = unusedDisplay();
    QVERIFY(!display.isEmpty());
    const QString ledger = ProgramDir() + QStringLiteral("/Database/qmrvz.sjk");
    auto fill = [&](QStringList list) {
        for (QString &item : list)
            item.replace(QStringLiteral("@display"), display).replace(QStringLiteral("@ledger"), ledger);
        return list;
    };

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    for (const QString &setting : fill(environment))
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(ProgramDir() + QStringLiteral("/kavlo"), fill(arguments));
    QVERIFY(process.waitForFinished(20000));
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(stdErr));
    for (const QString &text : fill(out))
        QVERIFY2(stdOut.contains(text), qPrintable(QStringLiteral("'%1' not in:\n%2").arg(text, stdOut)));
    const QStringList lines = stdErr.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), err.size());
    const QStringList wanted = fill(err);
    for (int i = 0; i < wanted.size(); ++i)
        QVERIFY2(lines.at(i).contains(wanted.at(i)), qPrintable(lines.at(i)));
    // Ended before anything else: no single-copy lock was taken.
    QCOMPARE(QDir(path(QStringLiteral("runtime"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

void TestStartup::firstStartFromPackage_data()
{
    QTest::addColumn<bool>("viaHome");      // XDG_DATA_HOME unset: the data folder is under HOME
    QTest::addColumn<bool>("ledgerBefore"); // the user has a ledger already
    QTest::newRow("XDG_DATA_HOME") << false << false;
    QTest::newRow("under HOME") << true << false;
    QTest::newRow("existing ledger") << false << true;
}

void TestStartup::firstStartFromPackage()
{
    QFETCH(bool, viaHome);
    QFETCH(bool, ledgerBefore);
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(QStringLiteral("usr/bin")));
    QVERIFY(root.mkpath(QStringLiteral("usr/share/kavlo")));
    QVERIFY(QFile::copy(ProgramDir() + QStringLiteral("/kavlo"), path(QStringLiteral("usr/bin/kavlo"))));
    const QString shipped = path(QStringLiteral("usr/share/kavlo/qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(shipped);
    QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    const QString data = viaHome ? path(QStringLiteral("home/.local/share/kavlo/Database"))
                                 : path(QStringLiteral("xdg/kavlo/Database"));
    const QString ledger = data + QStringLiteral("/qmrvz.sjk");
    QByteArray before;
    if (ledgerBefore) {
        QVERIFY(root.mkpath(data));
        TclsDatabaseUser::CreateDatabaseFile(ledger);
        QVERIFY(TclsDatabaseUser(ledger).CreateUser(QStringLiteral("李四"), QStringLiteral("pw")));
        before = FileBytes(ledger);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    if (viaHome)
        env.remove(QStringLiteral("XDG_DATA_HOME"));
    else
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("xdg")));
    m_running = std::make_unique<QProcess>();
    m_running->setProcessEnvironment(env);
    m_running->setProcessChannelMode(QProcess::ForwardedChannels);
    m_running->start(path(QStringLiteral("usr/bin/kavlo")), QStringList{});
    QVERIFY(m_running->waitForStarted(5000));
    // The command channel listens once the ledger is ready and the login
    // dialog comes up.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(path(QStringLiteral("runtime/Kavlo-ddeServer"))), 15000);
    QCOMPARE(m_running->state(), QProcess::Running);

    QCOMPARE(FileMode(data), 0700);
    if (ledgerBefore) {
        QCOMPARE(FileBytes(ledger), before);
    } else {
        QCOMPARE(FileMode(ledger), 0600);
        QCOMPARE(FileBytes(ledger), FileBytes(shipped));
    }
    // Nothing was put beside the programs.
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("usr/bin/Database"))));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
