#include "FormParts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextCursor>

QLabel *AddLabel(QWidget *parent, const QString &name, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(left, top);
    return label;
}

void SetTextColor(QWidget *widget, const QColor &color)
{
    // Only the enabled look changes: a disabled control keeps the palette's
    // grey text, like every other control of a disabled page.
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, color);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, color);
    widget->setPalette(palette);
}

void CentreOnScreen(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

PlainTextLimit::PlainTextLimit(QPlainTextEdit *edit, int maxLength)
    : QObject(edit), m_edit(edit), m_maxLength(maxLength), m_accepted(length())
{
    connect(edit, &QPlainTextEdit::textChanged, this, &PlainTextLimit::check);
}

void PlainTextLimit::acceptCurrentText() { m_accepted = length(); }

int PlainTextLimit::length() const
{
    return m_edit->document()->characterCount() - 1; // minus the closing paragraph mark
}

void PlainTextLimit::check()
{
    const int now = length();
    const int allowed = qMax(m_maxLength, m_accepted);
    const int excess = now - allowed;
    if (excess > 0) {
        // The excess is what was just inserted before the cursor.
        QTextCursor cursor = m_edit->textCursor();
        int start = cursor.position() - excess;
        if (start < 0)
            start = allowed; // the cursor sits before the new text: cut the tail
        cursor.setPosition(start);
        cursor.setPosition(start + excess, QTextCursor::KeepAnchor);
        cursor.removeSelectedText(); // emits textChanged again, now within the limit
        m_edit->setTextCursor(cursor);
        return;
    }
    m_accepted = now;
}
