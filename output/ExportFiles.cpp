#include "ExportFiles.h"

#include "Biff8Writer.h"
#include "KavloError.h"
#include "SafeFileWriter.h"
#include "TextCodec.h"
#include "XlsReader.h"

QByteArray TextFileBytes(const OutputRows &rows, OutputLayout layout)
{
    static const QByteArray crlf("\r\n");
    QByteArray bytes;
    bytes.reserve((rows.size() + 2) * 122);
    bytes += HeaderLine(layout) + crlf;
    bytes += RuleLine() + crlf;
    for (int i = 0; i < rows.size(); ++i)
        bytes += RowLine(rows, i, layout) + crlf;
    return bytes;
}

QString WorkbookTemplateName(OutputLayout layout)
{
    return layout == OutputLayout::I ? QStringLiteral("qmrvz.xls") : QStringLiteral("qmrvz2.xls");
}

QStringList WorkbookHeaders(OutputLayout layout)
{
    if (layout == OutputLayout::I)
        return {QStringLiteral("日期"), QStringLiteral("类别"), QStringLiteral("项目"), QStringLiteral("金额"),
                QStringLiteral("备注")};
    return {QStringLiteral("日期"), QStringLiteral("项目"), QStringLiteral("收入"), QStringLiteral("支出"),
            QStringLiteral("备注")};
}

void WriteWorkbookTemplate(const QString &path, OutputLayout layout)
{
    Biff8Writer writer;
    const QStringList headers = WorkbookHeaders(layout);
    for (int c = 0; c < headers.size(); ++c)
        writer.setCell(0, c, headers.at(c));
    writer.save(path);
}

QByteArray WorkbookFileBytes(const QString &templatePath, const OutputRows &rows, OutputLayout layout)
{
    const QList<QStringList> templateRows = ReadXlsSheet(templatePath);

    // Each value goes under the column its name heads in the template's first row.
    const QStringList headers = WorkbookHeaders(layout);
    const QStringList firstRow = templateRows.value(0);
    int columnOf[5];
    for (int k = 0; k < headers.size(); ++k) {
        columnOf[k] = -1;
        for (int c = 0; c < firstRow.size() && columnOf[k] < 0; ++c)
            if (TrimBlanks(firstRow.at(c)) == headers.at(k))
                columnOf[k] = c;
        if (columnOf[k] < 0)
            throw KavloError(QStringLiteral("模板 %1 的 Sheet1 第一行中没有列名“%2”，无法导出。")
                                 .arg(templatePath, headers.at(k)));
    }

    const qsizetype total = templateRows.size() + rows.size();
    if (total > Biff8Writer::kMaxRows)
        throw KavloError(QStringLiteral("要导出 %1 行（含模板的 %2 行），超过了工作表最多 %3 行的限制。"
                                        "请缩小日期范围后再导出。")
                             .arg(total)
                             .arg(templateRows.size())
                             .arg(Biff8Writer::kMaxRows));

    Biff8Writer writer;
    for (int r = 0; r < templateRows.size(); ++r) {
        const QStringList &cells = templateRows.at(r);
        for (int c = 0; c < cells.size(); ++c)
            if (!cells.at(c).isEmpty())
                writer.setCell(r, c, cells.at(c));
    }
    const int first = int(templateRows.size());
    for (int i = 0; i < rows.size(); ++i)
        for (int k = 0; k < 5; ++k)
            writer.setCell(first + i, columnOf[k], Gbk::decode(rows.c[k].at(i)));
    return writer.fileBytes();
}

void ExportWorkbook(const QString &templatePath, const OutputRows &rows, OutputLayout layout, const QString &path)
{
    WriteUserFile(path, WorkbookFileBytes(templatePath, rows, layout));
}
