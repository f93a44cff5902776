#include "FileLimit.h"
#include "KavloError.h"
#include "SafeFileWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.flush());
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

mode_t modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// What a failed write threw, in one line the child can hand back.
QByteArray describe(const KavloError &error)
{
    return QByteArray::number(int(error.cause())) + '\n' + error.path().toUtf8() + '\n' +
           error.message().toUtf8();
}

QByteArray describeWrite(const QString &path, const QByteArray &contents)
{
    try {
        WriteUserFile(path, contents);
    } catch (const KavloError &error) {
        return describe(error);
    }
    return "written";
}

QByteArray expected(FailureCause cause, const QString &path, int error)
{
    return describe(KavloError(QString::fromLocal8Bit(std::strerror(error)), cause, path));
}

} // namespace

class TestSafeFileWriter : public QObject
{
    Q_OBJECT

private slots:
    // A full disk (EFBIG past the file-size limit) fails the write whatever
    // the size: below 16 KB the bytes never left a buffered writer's buffer,
    // above it they were partly written. The old file stays, no temporary.
    void fullDisk_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<long>("limit");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("small, new file") << 3000 << 1000L << false;
        QTest::newRow("small, overwrite") << 3000 << 1000L << true;
        QTest::newRow("nothing fits, overwrite") << 10 << 0L << true;
        QTest::newRow("large, new file") << (1 << 20) << 256L * 1024 << false;
        QTest::newRow("large, overwrite") << (1 << 20) << 256L * 1024 << true;
    }
    void fullDisk()
    {
        QFETCH(int, size);
        QFETCH(long, limit);
        QFETCH(bool, overwrite);
        QTemporaryDir dir;
        const QString path = dir.filePath("report.txt");
        const QByteArray old = "the old report\r\n";
        if (overwrite)
            writeFile(path, old);

        const QByteArray contents(size, 'r');
        const QByteArray result = RunWithFileSizeLimit(limit, [&] { return describeWrite(path, contents); });

        QCOMPARE(result, expected(FailureCause::DiskFull, path, EFBIG));
        QCOMPARE(entries(dir.path()), overwrite ? QStringList{"report.txt"} : QStringList{});
        if (overwrite)
            QCOMPARE(readAll(path), old);
    }

    // The real thing where the machine allows it (root, mounts permitted): a
    // small file system filled up, and the same made read-only.
    void mountedFileSystem_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("error");
        QTest::newRow("full") << false << int(FailureCause::DiskFull) << ENOSPC;
        QTest::newRow("read-only") << true << int(FailureCause::ReadOnly) << EROFS;
    }
    void mountedFileSystem()
    {
        QFETCH(bool, readOnly);
        QFETCH(int, cause);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QByteArray point = QFile::encodeName(dir.path());
        if (geteuid() != 0 || ::mount("tmpfs", point.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no small file system can be mounted here; the full-disk cases stand in");
        auto unmount = qScopeGuard([&] { ::umount2(point.constData(), MNT_DETACH); });
        const QString path = dir.filePath("report.txt");
        const QByteArray old = "the old report\r\n";
        writeFile(path, old);
        if (readOnly) {
            QCOMPARE(::mount(nullptr, point.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        } else {
            QFile filler(dir.filePath("filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        const QStringList before = entries(dir.path());

        QCOMPARE(describeWrite(path, QByteArray(3000, 'n')), expected(FailureCause(cause), path, error));
        QCOMPARE(readAll(path), old);
        QCOMPARE(entries(dir.path()), before);
    }

    void writes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("size");
        QTest::newRow("new file") << "a.txt" << QByteArray() << 100;
        QTest::newRow("empty file") << "a.txt" << QByteArray() << 0;
        QTest::newRow("overwrite with less") << "a.txt" << QByteArray(50000, 'o') << 10;
        QTest::newRow("overwrite with more") << "a.txt" << QByteArray("old") << 300000;
        // No temporary name derived from the target: it would not fit.
        QTest::newRow("the longest name") << QString(255, 'n') << QByteArray("old") << 10;
    }
    void writes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, old);
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!old.isEmpty())
            writeFile(path, old);
        QByteArray contents(size, 0);
        for (int i = 0; i < size; ++i)
            contents[i] = char(i * 7);
        WriteUserFile(path, contents);
        QCOMPARE(readAll(path), contents);
        QCOMPARE(entries(dir.path()), QStringList{name});
    }

    // A new file gets what the user's umask allows; a replaced one keeps its
    // own mode, never loosened nor tightened.
    void modes()
    {
        QTemporaryDir dir;
        const mode_t mask = ::umask(022);
        WriteUserFile(dir.filePath("new"), "x");
        ::umask(mask);
        QCOMPARE(modeOf(dir.filePath("new")), mode_t(0644));

        const QString kept = dir.filePath("kept");
        writeFile(kept, "old");
        QVERIFY(::chmod(QFile::encodeName(kept).constData(), 0640) == 0);
        WriteUserFile(kept, "new");
        QCOMPARE(modeOf(kept), mode_t(0640));
    }

    // Through a link the file it points to is replaced and the link stays.
    void followsLink()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("real"));
        const QString real = dir.filePath("real/r.txt");
        writeFile(real, "old");
        QVERIFY(QFile::link(real, dir.filePath("link.txt")));
        WriteUserFile(dir.filePath("link.txt"), "new");
        QCOMPARE(readAll(real), QByteArray("new"));
        QVERIFY(QFileInfo(dir.filePath("link.txt")).isSymLink());
        QCOMPARE(entries(dir.filePath("real")), QStringList{"r.txt"});
    }

    void failures_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("error");
        QTest::newRow("missing folder") << "missing" << int(FailureCause::Missing) << ENOENT;
        QTest::newRow("a file where the folder should be")
            << "file-folder" << int(FailureCause::Missing) << ENOTDIR;
        QTest::newRow("a folder in the file's place") << "folder" << int(FailureCause::Unknown) << EISDIR;
        QTest::newRow("read-only folder") << "read-only" << int(FailureCause::NoPermission) << EACCES;
    }
    void failures()
    {
        QFETCH(QString, how);
        QFETCH(int, cause);
        QFETCH(int, error);
        QTemporaryDir dir;
        QString path;
        if (how == "missing") {
            path = dir.filePath("no/such/x.txt");
        } else if (how == "file-folder") {
            writeFile(dir.filePath("plain"), "p");
            path = dir.filePath("plain/x.txt");
        } else if (how == "folder") {
            path = dir.filePath("x.txt");
            QVERIFY(QDir(dir.path()).mkdir("x.txt"));
            writeFile(dir.filePath("x.txt/inside"), "kept");
        } else {
            if (geteuid() == 0)
                QSKIP("file permissions do not bind root; the full-disk cases cover root");
            path = dir.filePath("x.txt");
            writeFile(path, "old");
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
        const QStringList before = entries(dir.path());

        const QByteArray result = describeWrite(path, "new contents");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(result, expected(FailureCause(cause), path, error));
        QCOMPARE(entries(dir.path()), before);
        if (how == "folder")
            QCOMPARE(readAll(dir.filePath("x.txt/inside")), QByteArray("kept"));
        if (how == "read-only")
            QCOMPARE(readAll(path), QByteArray("old"));
    }

    void failureText()
    {
        const KavloError full(QStringLiteral("File too large"), FailureCause::DiskFull,
                              QStringLiteral("/home/a/r.txt"));
        QCOMPARE(FileWriteFailureText(QStringLiteral("导出"), full),
                 QStringLiteral("导出失败：磁盘空间不足。\r\n\r\n/home/a/r.txt\r\n\r\nFile too large"));
    }
};

QTEST_MAIN(TestSafeFileWriter)
#include "tst_SafeFileWriter.moc"
