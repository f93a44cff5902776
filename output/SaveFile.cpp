#include "SaveFile.h"

#include "KavloError.h"

#include <QDir>
#include <QSaveFile>

void SaveFileWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    auto fail = [&](const QString &reason) {
        throw KavloError(QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), reason));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the destructor then removes the temporary file
        fail(reason);
    }
    if (!file.commit())
        fail(file.errorString());
}
