#pragma once

#include <QColor>
#include <QList>

// The charts' colours: muted, and in three lightness steps taken in turn, so
// neighbouring slices and bars stay apart in a grey printout too.

// One colour per slice, going round the pie: no two neighbours (the last and
// the first included) share a lightness step. The folded slice, when there is
// one, is grey of its step.
QList<QColor> SliceColours(int count, int foldedIndex = -1);

inline const QColor kExpenseBarColour(150, 70, 60);   // dark brick
inline const QColor kIncomeBarColour(140, 190, 160);  // light sage
inline const QColor kBalanceLineColour(45, 60, 90);   // dark slate
