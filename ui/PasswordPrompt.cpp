#include "PasswordPrompt.h"

#include "MessageBox.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QQueue>

namespace {
QQueue<std::optional<QString>> g_answers;
int g_shown = 0;
QString g_lastText;
} // namespace

std::optional<QString> PasswordPrompt::ask(QWidget *parent, const QString &text)
{
    ++g_shown;
    g_lastText = text;
    if (!g_answers.isEmpty())
        return g_answers.dequeue();
    if (MessageBox::testMode())
        return std::nullopt;
    bool ok = false;
    const QString password =
        QInputDialog::getText(parent, MessageBox::title(), text, QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

void PasswordPrompt::setNextAnswer(const std::optional<QString> &answer) { g_answers.enqueue(answer); }
int PasswordPrompt::shownCount() { return g_shown; }
QString PasswordPrompt::lastText() { return g_lastText; }
