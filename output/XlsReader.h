#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The cells of one worksheet of an Excel 97-2003 workbook, read with FreeXL:
// one list per row, every cell as text (empty for an empty cell). Throws
// KavloError when the file cannot be read or has no such sheet.
QList<QStringList> ReadXlsSheet(const QString &path, const QString &sheetName = QStringLiteral("Sheet1"));

// The cells of the first worksheet, whatever its name, the same way.
QList<QStringList> ReadXlsFirstSheet(const QString &path);
