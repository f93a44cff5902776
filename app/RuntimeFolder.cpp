#include "RuntimeFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

bool PrepareRuntimeFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT)
            return false;
        if (mkdir(native.constData(), 0700) != 0)
            return false;
        // Created by someone else between the two calls: check it as found.
        if (lstat(native.constData(), &info) != 0)
            return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return false;
    if ((info.st_mode & 0777) != 0700 && chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

void EnsureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    // The name Qt itself falls back to, so locks and sockets stay where they
    // would be anyway.
    const struct passwd *user = getpwuid(geteuid());
    const QString name = user ? QFile::decodeName(user->pw_name) : QString::number(geteuid());
    const QString path = QDir::tempPath() + QStringLiteral("/runtime-") + name;
    if (PrepareRuntimeFolder(path))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
}
