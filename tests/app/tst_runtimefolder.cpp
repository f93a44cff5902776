#include "RuntimeFolder.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// The runtime folder the program prepares when the session names none.
class TestRuntimeFolder : public QObject
{
    Q_OBJECT
private slots:
    void prepare_data();
    void prepare();
    void setVariableIsLeftAlone();
};

namespace {
int Mode(const QString &path)
{
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
} // namespace

void TestRuntimeFolder::prepare_data()
{
    QTest::addColumn<QString>("found");
    QTest::addColumn<bool>("fit");
    QTest::newRow("missing: made") << "missing" << true;
    QTest::newRow("own, closed") << "0700" << true;
    QTest::newRow("own, open to others: closed") << "0755" << true;
    QTest::newRow("a link to a folder") << "link" << false;
    QTest::newRow("a file") << "file" << false;
    QTest::newRow("another user's") << "foreign" << false;
}

void TestRuntimeFolder::prepare()
{
    QFETCH(QString, found);
    QFETCH(bool, fit);
    QTemporaryDir base;
    const QString path = base.filePath(QStringLiteral("runtime-me"));
    const QString elsewhere = base.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkdir(elsewhere));
    QVERIFY(chmod(QFile::encodeName(elsewhere).constData(), 0755) == 0);
    if (found == QLatin1String("0700") || found == QLatin1String("0755") || found == QLatin1String("foreign")) {
        QVERIFY(QDir().mkdir(path));
        QVERIFY(chmod(QFile::encodeName(path).constData(), found == QLatin1String("0755") ? 0755 : 0700) == 0);
    }
    if (found == QLatin1String("foreign")) {
        if (geteuid() != 0)
            QSKIP("giving a folder to another user needs root");
        QVERIFY(chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    }
    if (found == QLatin1String("link"))
        QVERIFY(QFile::link(elsewhere, path));
    if (found == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QCOMPARE(PrepareRuntimeFolder(path), fit);
    if (fit) {
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(Mode(path), 0700);
    }
    // Whatever is found unfit is left exactly as it was, and so is what a
    // link points to.
    QCOMPARE(Mode(elsewhere), 0755);
    if (found == QLatin1String("foreign"))
        QCOMPARE(Mode(path), 0700);
}

void TestRuntimeFolder::setVariableIsLeftAlone()
{
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qputenv("XDG_RUNTIME_DIR", "/somewhere/else");
    EnsureRuntimeFolder();
    QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), QByteArray("/somewhere/else"));
    QVERIFY(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    qunsetenv("XDG_RUNTIME_DIR");
    EnsureRuntimeFolder();
    const QString made = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    QVERIFY(made.startsWith(tmp.path() + QStringLiteral("/runtime-")));
    QCOMPARE(Mode(made), 0700);
}

QTEST_GUILESS_MAIN(TestRuntimeFolder)
#include "tst_runtimefolder.moc"
