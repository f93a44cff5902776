#pragma once

#include <QApplication>
#include <QCursor>
#include <QObject>
#include <QPointer>
#include <QWidget>

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

// The hourglass for a wait that ends in a window: from the click, through the
// reading and the filling of the window, until the window has been drawn for
// the first time and can take input. Shown from construction; showUntilPainted()
// names the window once it exists. Restored at the latest when the object
// goes (after a failure, or a window that was never drawn).
class BusyUntilPainted : public QObject
{
public:
    BusyUntilPainted();
    ~BusyUntilPainted() override;
    void showUntilPainted(QWidget *window);
    bool busy() const { return m_busy; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void end();

    QPointer<QWidget> m_window;
    bool m_busy = true;
};
