#include "BusyBracket.h"

#include "unt_clsButtonCreator.h"

#include <QEvent>
#include <QPushButton>

BusyButton::BusyButton(QPushButton *button) : m_button(button) { m_button->setEnabled(false); }

BusyButton::~BusyButton() { m_button->setEnabled(true); }

BusyBracket::BusyBracket(TclsButtonCreator *button) : m_button(button)
{
    if (m_button)
        m_button->SetEnabled(false);
    QApplication::processEvents();
}

BusyBracket::~BusyBracket()
{
    if (m_button)
        m_button->SetEnabled(true);
}

BusyUntilPainted::BusyUntilPainted() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

BusyUntilPainted::~BusyUntilPainted()
{
    if (m_window)
        m_window->removeEventFilter(this);
    end();
}

void BusyUntilPainted::showUntilPainted(QWidget *window)
{
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
    else
        end();
}

bool BusyUntilPainted::eventFilter(QObject *watched, QEvent *event)
{
    // Ended once the paint is done and the event loop turns to the next
    // event: by then the window shows its contents and takes input.
    if (m_busy && watched == m_window && event->type() == QEvent::Paint)
        QMetaObject::invokeMethod(this, [this] { end(); }, Qt::QueuedConnection);
    return false;
}

void BusyUntilPainted::end()
{
    if (!m_busy)
        return;
    m_busy = false;
    QApplication::restoreOverrideCursor();
}
