#pragma once

#include "MainWindowFields.h"
#include "OutputRows.h"

#include <QDate>
#include <QString>

class QWidget;

// The More menu's output commands that gather a range and write files. The
// main window owns one; its menu handlers pass the pickers' current dates.
class OutputCommands
{
public:
    OutputCommands(MainWindowFields &fields, QWidget *owner);

    // Warns "查看起始日期不能大于截止日期！" and returns false for a reversed
    // range; otherwise queries the store and fills rows in layout I.
    bool BuildOutputRows(const QDate &start, const QDate &end, OutputRows &rows);

    void SaveAsTxt(const QDate &start, const QDate &end, OutputLayout layout);
    void SaveAsExcel(const QDate &start, const QDate &end, OutputLayout layout);

    // dlgSave keeps the name chosen last by either export.
    QString lastFileName() const { return m_lastFileName; }

private:
    QString askFileName(const QString &extension);

    MainWindowFields &m_fields;
    QWidget *m_owner;
    QString m_lastFileName;
};
