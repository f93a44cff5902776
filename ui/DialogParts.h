#pragma once

#include <QDate>
#include <QString>

class QLabel;
class QWidget;

// Pieces of the windows that the More menu opens over a date range.

// A maroon label; when rightEdge >= 0 the text is right-aligned with its right
// edge there whatever its length.
QLabel *MakeFigureLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                        int rightEdge = -1);

// "2007-01-01至2007-01-31：", the date line of the range windows.
QString RangeLineText(const QDate &start, const QDate &end);

// The fixed frame of the range windows: a close control, no resizing,
// centred on the screen.
void SetupFixedDialog(QWidget *dialog, const QString &caption, int width, int height);

// Makes the program's window the foreground one before a modal window shows.
void BringToFront(QWidget *window);
