#pragma once

#include "MainWindowFields.h"
#include "OutputRows.h"

#include <QDate>
#include <QString>

class QWidget;

// The save dialog with the exports' name rules: the extension added when it
// is missing, then the overwrite question. Empty when the command is to stop;
// lastFileName keeps whatever name the dialog gave, for its next opening.
QString AskSaveFileName(QWidget *owner, const QString &extension, QString &lastFileName);

// Writes a file for the user and says how it went: "<action>成功！" with its
// place only once the file is whole on the disk; otherwise what failed, the
// file and the system's text, with any old file left as it was.
void WriteUserFileAndSay(QWidget *owner, const QString &action, const QString &fileName, const QByteArray &bytes);

// The More menu's output commands that gather a range and write files. The
// main window owns one; its menu handlers pass the pickers' current dates.
class OutputCommands
{
public:
    OutputCommands(MainWindowFields &fields, QWidget *owner);

    // Warns "查看起始日期不能大于截止日期！" and returns false for a reversed
    // range; otherwise queries the store and fills rows in layout I. A store
    // failure propagates as KavloError: callers run it inside runGuarded.
    bool BuildOutputRows(const QDate &start, const QDate &end, OutputRows &rows);

    // Menu handlers: they report every failure themselves (the top-level
    // error report), so callers need no guard. A failed write never shows the
    // success message and leaves an existing file as it was.
    void SaveAsTxt(const QDate &start, const QDate &end, OutputLayout layout);
    void SaveAsExcel(const QDate &start, const QDate &end, OutputLayout layout);

    // dlgSave keeps the name chosen last by either export.
    QString lastFileName() const { return m_lastFileName; }

    // The folder holding qmrvz.xls and qmrvz2.xls: the program files of
    // ProgramPlaces unless set (tests point it elsewhere).
    void setTemplateDir(const QString &dir) { m_templateDir = dir; }
    QString templateDir() const;

private:
    // The save dialog, the name rules and the overwrite question; empty when
    // the command is to stop.
    QString askFileName(const QString &extension);
    // The first steps both exports share: the rows, then the file name.
    QString gatherAndAsk(const QDate &start, const QDate &end, const QString &extension, OutputRows &rows);

    MainWindowFields &m_fields;
    QWidget *m_owner;
    QString m_lastFileName;
    QString m_templateDir;
};
