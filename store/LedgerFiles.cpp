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
