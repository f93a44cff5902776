#pragma once

#include "OutputRows.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text file: header line, rule line and one line per row, GBK bytes, every
// line ending in CR LF, no byte-order mark. The rows must already be in the
// given layout.
QByteArray TextFileBytes(const OutputRows &rows, OutputLayout layout);

// The workbook templates beside the executable and the column names their
// first row carries.
QString WorkbookTemplateName(OutputLayout layout); // "qmrvz.xls" or "qmrvz2.xls"
QStringList WorkbookHeaders(OutputLayout layout);
void WriteWorkbookTemplate(const QString &path, OutputLayout layout);

// The bytes of the exported workbook: the template's rows, then one row of
// five text cells per output row, each under the template column named for
// it. The rows must already be in the given layout. Throws KavloError when the
// template cannot be read, lacks a column name or the rows would not fit on
// one sheet.
QByteArray WorkbookFileBytes(const QString &templatePath, const OutputRows &rows, OutputLayout layout);
// Writes them at `path` through WriteUserFile; nothing is touched when the
// bytes cannot be made.
void ExportWorkbook(const QString &templatePath, const OutputRows &rows, OutputLayout layout, const QString &path);
