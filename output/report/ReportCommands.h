#pragma once

#include "MainWindowFields.h"
#include "OutputRows.h"

#include <QDate>

#include <memory>

class OutputCommands;
class QWidget;

// Print and print preview of a range. Every run builds new page reports and a
// new composite, kept until it has printed or its preview has closed; the
// preview's print button prints the run it shows.
class ReportCommands
{
public:
    ReportCommands(MainWindowFields &fields, OutputCommands &output, QWidget *owner);
    ~ReportCommands();

    void Print(const QDate &start, const QDate &end, OutputLayout layout);
    void Preview(const QDate &start, const QDate &end, OutputLayout layout);

    // mode "打印" prints, any other text previews.
    void OutputReport(const QString &mode, OutputRows &rows, OutputLayout layout);

    // The page reports held now: those of the run printing or showing, none
    // once it has printed or its preview has closed.
    int runPageCount() const;

private:
    struct Private;
    MainWindowFields &m_fields;
    OutputCommands &m_output;
    QWidget *m_owner;
    std::unique_ptr<Private> d;
};
