#pragma once

#include <QByteArray>
#include <QString>

class KavloError;

// Writes a file the user asked for (an export, and any file written for the
// user later) so that it is either complete or not there at all: the bytes go
// to a temporary file beside the target, every write, the flush to the disk
// (fsync) and the close are checked, and only then is the temporary renamed
// over the target. On any failure the old file is left exactly as it was, the
// temporary is removed and KavloError is thrown with the cause (DiskFull,
// NoPermission, ReadOnly, Missing or Unknown), the target's full path and the
// system's own text as its message.
//
// Buffered writers cannot be trusted for this: QFile::write() counts bytes it
// merely buffered, and QSaveFile::commit() in Qt 6.4 reports success after its
// final flush failed on a full disk, replacing the old file with an empty one.
void WriteUserFile(const QString &path, const QByteArray &contents);

// The message for a failed user-file write: "<action>失败：<what went wrong>",
// then the file's full path and the system's own text, each after a blank
// line. `action` names the command, for example "导出".
QString FileWriteFailureText(const QString &action, const KavloError &error);
