#pragma once

#include <QColor>
#include <QObject>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QWidget;

// Small pieces the windows are built from.

// A label sized to its text, with its top-left corner at (left, top).
QLabel *AddLabel(QWidget *parent, const QString &name, const QString &text, int left, int top);

// The colour of a widget's text (its window-text role) while it is enabled;
// disabled, it greys like any other control.
void SetTextColor(QWidget *widget, const QColor &color);

// Moves a top-level window, frame included, to the centre of the screen it
// is on (or the primary one).
void CentreOnScreen(QWidget *window);

// A multi-line edit's length limit, as a line edit has one: typing, pasting
// or an input method can grow the text only up to the limit (an insertion
// keeps what fits), while a text the program has set is kept whole, however
// long, and can be shortened freely.
class PlainTextLimit : public QObject
{
public:
    PlainTextLimit(QPlainTextEdit *edit, int maxLength);
    // Takes the edit's current text as set by the program.
    void acceptCurrentText();

private:
    void check();
    int length() const;

    QPlainTextEdit *m_edit;
    int m_maxLength;
    int m_accepted = 0;
};
