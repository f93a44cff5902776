#pragma once

#include <QApplication>
#include <QCursor>

class QPushButton;
class TclsButtonCreator;

// The hourglass cursor for as long as the object lives; restored even when
// the work inside fails.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// Around a store call started from a dialog's push button: the button
// disabled and the hourglass shown, both restored when the scope ends, also
// after a failure.
class BusyButton
{
public:
    explicit BusyButton(QPushButton *button);
    ~BusyButton();
    BusyButton(const BusyButton &) = delete;
    BusyButton &operator=(const BusyButton &) = delete;

private:
    QPushButton *m_button;
    BusyCursor m_cursor;
};

// Around a store call started from a hover button: the button disabled, the
// hourglass shown and pending window events run once so both are drawn. The
// button and the cursor come back when the scope ends, also after a failure.
class BusyBracket
{
public:
    explicit BusyBracket(TclsButtonCreator *button);
    ~BusyBracket();
    BusyBracket(const BusyBracket &) = delete;
    BusyBracket &operator=(const BusyBracket &) = delete;

private:
    TclsButtonCreator *m_button;
    BusyCursor m_cursor;
};
