#include "KavloError.h"
#include "LedgerConnection.h"
#include "ProgramPlaces.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

#include <sys/stat.h>

// Which layout a folder is, where its files are, and the first start of a
// package install, on real folders and files.
class TestProgramPlaces : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void dataHome_data();
    void dataHome();
    void serverConfOfPackageInstall();

    void firstStart_data();
    void firstStart();
    void existingLedgerIsKept();
    void linkInPlaceOfLedgerIsNotFollowed();
    void missingShippedLedger();
    void programFolderIsLeftAlone();

private:
    // A prefix tree as the package installs it: bin/ and share/kavlo/ with
    // the shipped ledger.
    QString makePackageTree();
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_savedDataHome;
    QByteArray m_savedHome;
    mode_t m_savedUmask = 022;
};

void TestProgramPlaces::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_savedDataHome = qgetenv("XDG_DATA_HOME");
    m_savedHome = qgetenv("HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
    m_savedUmask = ::umask(022);
}

void TestProgramPlaces::cleanup()
{
    ::umask(m_savedUmask);
    if (m_savedDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    qputenv("HOME", m_savedHome);
    m_dir.reset();
}

QString TestProgramPlaces::makePackageTree()
{
    QDir(m_dir->path()).mkpath(QStringLiteral("usr/bin"));
    QDir(m_dir->path()).mkpath(QStringLiteral("usr/share/kavlo"));
    TclsDatabaseUser::CreateDatabaseFile(path(QStringLiteral("usr/share/kavlo/qmrvz.sjk")));
    QFile::setPermissions(path(QStringLiteral("usr/share/kavlo/qmrvz.sjk")),
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return path(QStringLiteral("usr/bin"));
}

void TestProgramPlaces::layout_data()
{
    QTest::addColumn<QString>("executables");
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<bool>("packaged");

    const QStringList shipped{QStringLiteral("share/kavlo/qmrvz.sjk")};
    QTest::newRow("program folder") << "Kavlo" << QStringList{QStringLiteral("Kavlo/Database/")} << false;
    QTest::newRow("folder without Database") << "Kavlo" << QStringList{} << false;
    QTest::newRow("package prefix") << "bin" << shipped << true;
    QTest::newRow("bin without the shipped ledger") << "bin" << QStringList{QStringLiteral("share/kavlo/")} << false;
    QTest::newRow("bin holding a program folder") << "bin" << (QStringList(shipped) << QStringLiteral("bin/Database/")) << false;
    QTest::newRow("shipped ledger beside another folder") << "Kavlo" << shipped << false;
}

void TestProgramPlaces::layout()
{
    QFETCH(QString, executables);
    QFETCH(QStringList, made);
    QFETCH(bool, packaged);
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(executables));
    for (const QString &item : made) {
        if (item.endsWith(QLatin1Char('/'))) {
            QVERIFY(root.mkpath(item));
        } else {
            QVERIFY(root.mkpath(QFileInfo(item).path()));
            TclsDatabaseUser::CreateDatabaseFile(path(item));
        }
    }

    const ProgramPlaces places = ProgramPlacesOf(path(executables));
    QCOMPARE(places.packaged, packaged);
    if (packaged) {
        QCOMPARE(places.programFiles, path(QStringLiteral("share/kavlo")));
        QCOMPARE(places.ledgerPath(), path(QStringLiteral("data/kavlo/Database/qmrvz.sjk")));
        QCOMPARE(places.emptyLedgerPath(), path(QStringLiteral("share/kavlo/qmrvz.sjk")));
    } else {
        const QString database = path(executables + QStringLiteral("/Database"));
        QCOMPARE(places.programFiles, database);
        QCOMPARE(places.ledgerPath(), database + QStringLiteral("/qmrvz.sjk"));
        QCOMPARE(places.serverConfPath(), database + QStringLiteral("/server.conf"));
        // The store's own answer for the program's folder agrees.
        QCOMPARE(TclsDatabaseUser::ProgramLedger(path(executables)).text(), places.ledgerPath());
    }
}

void TestProgramPlaces::dataHome_data()
{
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QString>("expected"); // relative to the test folder

    QTest::newRow("XDG_DATA_HOME") << QByteArray("/xdg/") << "xdg/kavlo/Database";
    QTest::newRow("unset") << QByteArray() << "home/.local/share/kavlo/Database";
    QTest::newRow("empty") << QByteArray("") << "home/.local/share/kavlo/Database";
    // The base directory rules say to ignore a relative path.
    QTest::newRow("relative") << QByteArray("xdg") << "home/.local/share/kavlo/Database";
}

void TestProgramPlaces::dataHome()
{
    QFETCH(QByteArray, dataHome);
    QFETCH(QString, expected);
    const QString bin = makePackageTree();
    qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
    if (dataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else if (dataHome.startsWith('/'))
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path()) + dataHome);
    else
        qputenv("XDG_DATA_HOME", dataHome);
    QCOMPARE(ProgramPlacesOf(bin).dataFolder, path(expected));
}

void TestProgramPlaces::serverConfOfPackageInstall()
{
    const QString bin = makePackageTree();
    QCOMPARE(TclsDatabaseUser::ProgramLedger(bin).text(), path(QStringLiteral("data/kavlo/Database/qmrvz.sjk")));
    // A server.conf beside the user's ledger chooses the server, as it does
    // in a program folder.
    QVERIFY(QDir().mkpath(path(QStringLiteral("data/kavlo/Database"))));
    QFile conf(TclsDatabaseUser::ServerConfPath(bin));
    QCOMPARE(conf.fileName(), path(QStringLiteral("data/kavlo/Database/server.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("# family ledger\nhost=ledger.home dbname=kavlo\n");
    conf.close();
    const LedgerLocation location = TclsDatabaseUser::ProgramLedger(bin);
    QVERIFY(location.isServer());
    QVERIFY2(location.describe().contains(QStringLiteral("ledger.home")), qPrintable(location.describe()));
}

void TestProgramPlaces::firstStart_data()
{
    QTest::addColumn<int>("umaskBits");
    QTest::addColumn<bool>("looseFolderFirst");
    QTest::newRow("umask 022") << 022 << false;
    QTest::newRow("umask 000") << 0 << false;
    QTest::newRow("umask 077") << 077 << false;
    QTest::newRow("folder left open by someone") << 022 << true;
}

void TestProgramPlaces::firstStart()
{
    QFETCH(int, umaskBits);
    QFETCH(bool, looseFolderFirst);
    const ProgramPlaces places = ProgramPlacesOf(makePackageTree());
    QVERIFY(places.packaged);
    if (looseFolderFirst) {
        QVERIFY(QDir().mkpath(places.dataFolder));
        QVERIFY(::chmod(QFile::encodeName(places.dataFolder).constData(), 0755) == 0);
    }
    // A leftover of a start that was cut off does not stand in the way.
    QVERIFY(QDir().mkpath(places.dataFolder));
    QFile leftover(places.ledgerPath() + QStringLiteral(".part"));
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("half");
    leftover.close();
    if (!looseFolderFirst)
        QVERIFY(::chmod(QFile::encodeName(places.dataFolder).constData(), 0700) == 0);
    ::umask(mode_t(umaskBits));

    QVERIFY(PrepareUserLedger(places));
    QCOMPARE(FileMode(places.dataFolder), 0700);
    QCOMPARE(FileMode(places.ledgerPath()), 0600);
    QCOMPARE(FileBytes(places.ledgerPath()), FileBytes(places.emptyLedgerPath()));
    QVERIFY(!QFileInfo::exists(leftover.fileName()));
    // It is a ledger the store opens.
    TclsDatabaseUser store(places.ledgerPath());
    QVERIFY(store.GetUserNames().isEmpty());
}

void TestProgramPlaces::existingLedgerIsKept()
{
    const ProgramPlaces places = ProgramPlacesOf(makePackageTree());
    QVERIFY(PrepareUserLedger(places));
    {
        TclsDatabaseUser store(places.ledgerPath());
        QVERIFY(store.CreateUser(QStringLiteral("张三"), QStringLiteral("pw")));
    }
    ::chmod(QFile::encodeName(places.ledgerPath()).constData(), 0400);
    const QByteArray before = FileBytes(places.ledgerPath());

    QVERIFY(!PrepareUserLedger(places));
    QCOMPARE(FileBytes(places.ledgerPath()), before);
    QCOMPARE(FileMode(places.ledgerPath()), 0400);
    QCOMPARE(TclsDatabaseUser(places.ledgerPath()).GetUserNames(), QStringList{QStringLiteral("张三")});
}

void TestProgramPlaces::linkInPlaceOfLedgerIsNotFollowed()
{
    const ProgramPlaces places = ProgramPlacesOf(makePackageTree());
    QVERIFY(QDir().mkpath(places.dataFolder));
    const QString elsewhere = path(QStringLiteral("elsewhere.sjk"));
    QVERIFY(QFile::link(elsewhere, places.ledgerPath()));

    QVERIFY(!PrepareUserLedger(places));
    QVERIFY(!QFileInfo::exists(elsewhere));
    QVERIFY(QFileInfo(places.ledgerPath()).isSymLink());
}

void TestProgramPlaces::missingShippedLedger()
{
    const ProgramPlaces places = ProgramPlacesOf(makePackageTree());
    QVERIFY(QFile::remove(places.emptyLedgerPath()));
    try {
        PrepareUserLedger(places);
        QFAIL("a missing shipped ledger was not reported");
    } catch (const KavloError &error) {
        QCOMPARE(error.path(), places.emptyLedgerPath());
    }
    QVERIFY(!QFileInfo::exists(places.ledgerPath()));
    QVERIFY(!QFileInfo::exists(places.ledgerPath() + QStringLiteral(".part")));
}

void TestProgramPlaces::programFolderIsLeftAlone()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Kavlo/Database")));
    const ProgramPlaces places = ProgramPlacesOf(path(QStringLiteral("Kavlo")));
    QVERIFY(!PrepareUserLedger(places));
    QVERIFY(!QFileInfo::exists(places.ledgerPath()));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("data"))));
}

QTEST_GUILESS_MAIN(TestProgramPlaces)
#include "tst_programplaces.moc"
