#include "ReportTestData.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

OutputRows SampleRows(int records, OutputLayout layout)
{
    DayTotals days;
    RangeRecords range;
    double expense = 0;
    double income = 0;
    for (int i = 0; i < records; ++i) {
        const bool isExpense = i % 2 == 0;
        const double amount = 10 + i;
        range.id << QString::number(i + 1);
        range.date << QStringLiteral("2007-03-01");
        range.type << (isExpense ? QStringLiteral("支出") : QStringLiteral("收入"));
        range.name << (isExpense ? QStringLiteral("午饭%1").arg(i) : QStringLiteral("工资%1").arg(i));
        range.amount << QString::asprintf("%0.2f", amount);
        range.memo << QStringLiteral("备注 %1").arg(i);
        (isExpense ? expense : income) += amount;
    }
    days.date << QStringLiteral("2007-03-01");
    days.expense << QString::asprintf("%0.2f", expense);
    days.income << QString::asprintf("%0.2f", income);
    days.balance << QString::asprintf("%0.2f", income - expense);
    const QDate day(2007, 3, 1);
    OutputRows rows = MakeOutputRows(days, range, day, day);
    if (layout == OutputLayout::II)
        ConvertToLayoutII(rows);
    return rows;
}

namespace {

QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        QTest::qFail(qPrintable(program + QStringLiteral(" failed: ") +
                                QString::fromLocal8Bit(process.readAllStandardError())),
                     __FILE__, __LINE__);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString InfoField(const QString &pdf, const QString &field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(field),
                                  QRegularExpression::MultilineOption);
    return line.match(Run(QStringLiteral("pdfinfo"), {pdf})).captured(1).trimmed();
}

} // namespace

int PdfPageCount(const QString &pdf) { return InfoField(pdf, QStringLiteral("Pages")).toInt(); }

QString PdfPageSize(const QString &pdf) { return InfoField(pdf, QStringLiteral("Page size")); }

QString PdfText(const QString &pdf, int page)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    arguments << pdf << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), arguments);
}
