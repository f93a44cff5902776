#pragma once

#include "MainWindowFields.h"

#include <QDate>
#include <QTemporaryDir>

// Runs Qt on the offscreen platform unless the caller chose one, so the
// benchmarks need no display.
void UseOffscreenUnlessSet();

// A fresh ledger in a temporary folder with the main window's fields set up
// for the user 张三, as the windows under measurement expect them.
class BenchLedger
{
public:
    BenchLedger();
    QString path() const { return m_path; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    MainWindowFields fields;

    // A household's months from `first` on: rent, food, bills, travel and a
    // few small items (which the share pie folds), salary and extras.
    void addHouseholdMonths(const QDate &first, int months);

    // `count` records spread over [start, end], every fifth one income: 33
    // expense and 9 income names, a memo of its own on each record.
    void addMixedSeries(int count, const QDate &start, const QDate &end);

    // `count` expense records spread over [start, end], 37 item names.
    void addExpenseSeries(int count, const QDate &start, const QDate &end);

private:
    QTemporaryDir m_dir;
    QString m_path;
};
