#include "LedgerFiles.h"

#include "KavloError.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what, int error, const QString &path)
{
    throw KavloError(QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error))),
                     CauseOfErrno(error), path);
}

} // namespace

void TightenToOwner(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        fail("stat", errno, path);
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) == 0)
        return;
    if (::chmod(name.constData(), st.st_mode & 07700) != 0)
        fail("chmod", errno, path);
}

void MakePrivateFolder(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(absolute).isDir()) {
        TightenToOwner(absolute);
        return;
    }
    const QString parent = QFileInfo(absolute).absolutePath();
    if (parent != absolute && !QFileInfo(parent).isDir() && !QDir().mkpath(parent))
        throw KavloError(QStringLiteral("cannot make the folder"), FailureCause::Unknown, parent);
    const QByteArray name = QFile::encodeName(absolute);
    if (::mkdir(name.constData(), 0700) != 0) {
        const int error = errno;
        if (error == EEXIST && QFileInfo(absolute).isDir()) {
            TightenToOwner(absolute); // made meanwhile
            return;
        }
        fail("mkdir", error == EEXIST ? ENOTDIR : error, absolute);
    }
    // The umask may have taken owner bits too; the folder must be usable.
    if (::chmod(name.constData(), 0700) != 0)
        fail("chmod", errno, absolute);
}

void CreatePrivateFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("open", errno, path);
    const int changed = ::fchmod(fd, 0600);
    const int changeError = errno;
    ::close(fd);
    if (changed != 0) {
        ::unlink(name.constData());
        fail("fchmod", changeError, path);
    }
}

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

void writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail("write", errno, path);
        }
        data += written;
        left -= written;
    }
}

} // namespace

bool CopyToNewPrivateFile(const QString &source, const QString &target)
{
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw KavloError(in.errorString(), in.error() == QFileDevice::OpenError && !in.exists() ? FailureCause::Missing
                                                                                              : FailureCause::Unknown,
                         source);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw KavloError(in.errorString(), FailureCause::Unknown, source);

    // Beside the target, so the link stays within one file system; a
    // leftover of an interrupted copy is replaced.
    const QString partial = target + QStringLiteral(".part");
    const QByteArray partialName = QFile::encodeName(partial);
    ::unlink(partialName.constData());
    CreatePrivateFile(partial);
    try {
        Descriptor out;
        out.fd = ::open(partialName.constData(), O_WRONLY | O_CLOEXEC);
        if (out.fd < 0)
            fail("open", errno, partial);
        writeAll(out.fd, bytes, partial);
        if (::fsync(out.fd) != 0)
            fail("fsync", errno, partial);
        const int fd = out.fd;
        out.fd = -1;
        if (::close(fd) != 0)
            fail("close", errno, partial);
        // link() refuses an existing name, where rename() would replace it.
        if (::link(partialName.constData(), QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            if (error != EEXIST)
                fail("link", error, target);
            ::unlink(partialName.constData());
            return false;
        }
    } catch (...) {
        ::unlink(partialName.constData());
        throw;
    }
    ::unlink(partialName.constData());
    return true;
}
