#include "SafeFileWriter.h"

#include "KavloError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FailureCause causeOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return FailureCause::DiskFull;
    case EACCES:
    case EPERM:
        return FailureCause::NoPermission;
    case EROFS:
        return FailureCause::ReadOnly;
    case ENOENT:
    case ENOTDIR:
        return FailureCause::Missing;
    default:
        return FailureCause::Unknown;
    }
}

[[noreturn]] void fail(int error, const QString &path)
{
    throw KavloError(QString::fromLocal8Bit(std::strerror(error)), causeOf(error),
                     QDir::toNativeSeparators(path));
}

// The temporary file: created beside the target (a rename only replaces
// within one file system) under a short name of its own, so even the longest
// target name leaves room for it. Removed by the destructor unless renamed.
class TemporaryFile
{
public:
    explicit TemporaryFile(const QString &folder)
        : m_name(QFile::encodeName(QDir(folder).filePath(QStringLiteral(".kavlo-XXXXXX"))))
    {
        m_fd = mkostemp(m_name.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            m_name.clear();
        }
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int fd() const { return m_fd; }
    int error() const { return m_error; }
    const char *name() const { return m_name.constData(); }

    // Closing can be the first moment a file system reports a lost write.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    void keep() { m_name.clear(); }

private:
    QByteArray m_name;
    int m_fd = -1;
    int m_error = 0;
};

int writeAll(int fd, const QByteArray &contents)
{
    const char *data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
    }
    return 0;
}

// The mode a new file gets from the user's umask, or the replaced file's own,
// so overwriting never loosens nor tightens what the user had.
mode_t modeFor(const QByteArray &target)
{
    struct stat info;
    if (::stat(target.constData(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void WriteUserFile(const QString &path, const QByteArray &contents)
{
    // A link is followed, so the file it points to is replaced, not the link.
    const QFileInfo info(path);
    const QString shown = info.absoluteFilePath();
    const QString targetPath =
        info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray target = QFile::encodeName(targetPath);
    const QString folder = QFileInfo(targetPath).absolutePath();

    TemporaryFile temporary(folder);
    if (temporary.fd() < 0)
        fail(temporary.error(), shown);
    // File systems without modes (a FAT memory stick) refuse this; the file
    // then keeps the temporary's private mode, and the export still works.
    (void)::fchmod(temporary.fd(), modeFor(target));
    if (const int error = writeAll(temporary.fd(), contents))
        fail(error, shown);
    if (::fsync(temporary.fd()) != 0)
        fail(errno, shown);
    if (temporary.close() != 0)
        fail(errno, shown);
    if (::rename(temporary.name(), target.constData()) != 0)
        fail(errno, shown);
    temporary.keep();

    // The new name itself must reach the disk too, or a power cut could bring
    // back the old file. Folders on some file systems cannot be synced
    // (EINVAL); the data is on the disk then all the same.
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        fail(errno, shown);
    const int synced = ::fsync(dir);
    const int syncError = errno;
    ::close(dir);
    if (synced != 0 && syncError != EINVAL)
        fail(syncError, shown);
}

QString FileWriteFailureText(const QString &action, const KavloError &error)
{
    QString what;
    switch (error.cause()) {
    case FailureCause::DiskFull:
        what = QStringLiteral("磁盘空间不足。");
        break;
    case FailureCause::NoPermission:
        what = QStringLiteral("没有写入该位置的权限。");
        break;
    case FailureCause::ReadOnly:
        what = QStringLiteral("该位置是只读的。");
        break;
    case FailureCause::Missing:
        what = QStringLiteral("文件夹不存在。");
        break;
    default:
        what = QStringLiteral("无法写入文件。");
        break;
    }
    return action + QStringLiteral("失败：") + what + QStringLiteral("\r\n\r\n") + error.path() +
           QStringLiteral("\r\n\r\n") + error.message();
}
