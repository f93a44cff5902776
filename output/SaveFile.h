#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes to a temporary file beside the target and renames it into
// place, so a failure leaves any old file whole and no half-written file
// behind. Throws KavloError with the file system's own message.
void SaveFileWhole(const QString &path, const QByteArray &bytes);
