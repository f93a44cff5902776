#include "MessageBox.h"

#include <QMessageBox>
#include <QQueue>

namespace {
bool g_testMode = false;
QQueue<MessageBox::Answer> g_answers;
QList<MessageBox::Shown> g_shown;
} // namespace

QString MessageBox::title() { return QStringLiteral("Kavlo"); }

void MessageBox::warning(QWidget *parent, const QString &text) { show(parent, Warning, text); }
void MessageBox::information(QWidget *parent, const QString &text) { show(parent, Information, text); }
void MessageBox::error(QWidget *parent, const QString &text) { show(parent, Error, text); }
bool MessageBox::question(QWidget *parent, const QString &text) { return show(parent, Question, text) == Yes; }

void MessageBox::setTestMode(bool on) { g_testMode = on; }
bool MessageBox::testMode() { return g_testMode; }
void MessageBox::setNextAnswer(Answer answer) { g_answers.enqueue(answer); }
QList<MessageBox::Shown> MessageBox::shown() { return g_shown; }
void MessageBox::clearShown()
{
    g_shown.clear();
    g_answers.clear();
}

MessageBox::Answer MessageBox::show(QWidget *parent, Icon icon, const QString &text)
{
    if (g_testMode) {
        g_shown.append({icon, title(), text});
        if (!g_answers.isEmpty())
            return g_answers.dequeue();
        return icon == Question ? No : Ok;
    }
    QMessageBox box(parent);
    box.setWindowTitle(title());
    // Engine messages and file names are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Yes : No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Ok;
}
