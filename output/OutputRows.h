#pragma once

#include "unt_clsDatabaseUser.h"

#include <QByteArray>
#include <QDate>
#include <QList>

// The rows of a date range as printed and exported: five parallel columns of
// GBK text. Every width, cut and fill counts GBK bytes, so the cells are kept
// as GBK bytes; Gbk::decode turns them into text for the screen.
struct OutputRows {
    QList<QByteArray> c[5];
    int size() const { return c[0].size(); }
};

enum class OutputLayout { I, II };

// Layout I from what ListRecordsOfDate returned for [start, end]: one row
// per record, the blank row and the three summary rows.
OutputRows MakeOutputRows(const DayTotals &days, const RangeRecords &records, const QDate &start,
                          const QDate &end);
// Rewrites layout I into layout II in place.
void ConvertToLayoutII(OutputRows &rows);

// The line format shared by the printed report and the text file; every line
// is 120 bytes.
QByteArray HeaderLine(OutputLayout layout);
QByteArray RuleLine();
QByteArray RowLine(const OutputRows &rows, int index, OutputLayout layout);

// Fill and cut helpers (byte counts of GBK text).
QByteArray PadTo(const QByteArray &value, int width);
QByteArray RightAlign16(const QByteArray &value);
