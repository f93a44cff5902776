#include "XlsCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

QList<QStringList> ReadWithXlrd(const QString &path)
{
    static const char *script = R"(
import json, sys, xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_name('Sheet1')
rows = [['' if c.ctype == xlrd.XL_CELL_EMPTY else str(c.value) for c in sheet.row(r)] for r in range(sheet.nrows)]
sys.stdout.write(json.dumps(rows))
)";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script), path});
    QList<QStringList> rows;
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        qWarning().noquote() << "xlrd failed:" << python.readAllStandardError();
        return rows;
    }
    const QJsonArray array = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    for (const QJsonValue &row : array) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells.append(cell.toString());
        rows.append(cells);
    }
    return rows;
}
