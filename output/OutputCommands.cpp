#include "OutputCommands.h"

#include "BusyBracket.h"
#include "ErrorReport.h"
#include "ExportFiles.h"
#include "FileDialog.h"
#include "KavloError.h"
#include "MessageBox.h"
#include "ProgramPlaces.h"
#include "SafeFileWriter.h"
#include "TextCodec.h"

#include <QDir>
#include <QFileInfo>

void WriteUserFileAndSay(QWidget *owner, const QString &action, const QString &fileName, const QByteArray &bytes)
{
    try {
        WriteUserFile(fileName, bytes);
    } catch (const KavloError &error) {
        MessageBox::error(owner, FileWriteFailureText(action, error));
        return;
    }
    MessageBox::information(owner, action + QStringLiteral("成功！\r\n\r\n文件保存位置：\r\n") +
                                       QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
}

OutputCommands::OutputCommands(MainWindowFields &fields, QWidget *owner) : m_fields(fields), m_owner(owner) {}

bool OutputCommands::BuildOutputRows(const QDate &start, const QDate &end, OutputRows &rows)
{
    if (start.daysTo(end) + 1 < 1) {
        MessageBox::warning(m_owner, QStringLiteral("查看起始日期不能大于截止日期！"));
        return false;
    }
    if (!m_fields.g_objDatabaseUser)
        throw KavloError(QStringLiteral("No ledger store is open"));
    DayTotals days;
    RangeRecords records;
    {
        BusyCursor busy;
        m_fields.g_objDatabaseUser->ListRecordsOfDate(m_fields.g_strUserName, start, end, days, records);
        rows = MakeOutputRows(days, records, start, end);
    }
    return true;
}

QString OutputCommands::templateDir() const
{
    if (!m_templateDir.isEmpty())
        return m_templateDir;
    return CurrentProgramPlaces().programFiles;
}

QString AskSaveFileName(QWidget *owner, const QString &extension, QString &lastFileName)
{
    const QString filter = QStringLiteral("*.") + extension;
    QString name = FileDialog::getSaveFileName(owner, filter, lastFileName);
    if (!name.isEmpty())
        lastFileName = name;
    if (TrimBlanks(name).isEmpty())
        return QString();
    const QString suffix = QLatin1Char('.') + extension;
    if (name.right(4).toLower() != suffix)
        name += suffix;
    if (QFileInfo::exists(name) &&
        !MessageBox::question(owner, QStringLiteral("有同名文件存在，您想覆盖它吗？")))
        return QString();
    return name;
}

QString OutputCommands::askFileName(const QString &extension)
{
    return AskSaveFileName(m_owner, extension, m_lastFileName);
}

QString OutputCommands::gatherAndAsk(const QDate &start, const QDate &end, const QString &extension,
                                     OutputRows &rows)
{
    if (!BuildOutputRows(start, end, rows))
        return QString();
    return askFileName(extension);
}

void OutputCommands::SaveAsTxt(const QDate &start, const QDate &end, OutputLayout layout)
{
    runGuarded(m_owner, [&] {
        OutputRows rows;
        const QString name = gatherAndAsk(start, end, QStringLiteral("txt"), rows);
        if (name.isEmpty())
            return;
        if (layout == OutputLayout::II)
            ConvertToLayoutII(rows);
        WriteUserFileAndSay(m_owner, QStringLiteral("导出"), name, TextFileBytes(rows, layout));
    });
}

void OutputCommands::SaveAsExcel(const QDate &start, const QDate &end, OutputLayout layout)
{
    runGuarded(m_owner, [&] {
        OutputRows rows;
        const QString name = gatherAndAsk(start, end, QStringLiteral("xls"), rows);
        if (name.isEmpty())
            return;
        const QString templatePath = QDir(templateDir()).filePath(WorkbookTemplateName(layout));
        if (!QFileInfo::exists(templatePath))
            throw KavloError(
                QStringLiteral("找不到模板文件：%1").arg(QDir::toNativeSeparators(templatePath)));
        if (layout == OutputLayout::II)
            ConvertToLayoutII(rows);
        QByteArray bytes;
        {
            BusyCursor busy;
            bytes = WorkbookFileBytes(templatePath, rows, layout);
        }
        WriteUserFileAndSay(m_owner, QStringLiteral("导出"), name, bytes);
    });
}
