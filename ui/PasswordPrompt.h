#pragma once

#include <QString>

#include <optional>

class QWidget;

// Asks for a password in a small modal box with a masked edit, behind one
// seam so tests can answer it.
class PasswordPrompt
{
public:
    // The typed password; no value when the user cancelled.
    static std::optional<QString> ask(QWidget *parent, const QString &text);

    // Test seam: the next prompt returns this answer without showing (no
    // value stands for Cancel). In MessageBox's test mode a prompt with no
    // queued answer is cancelled, so a test never hangs on it.
    static void setNextAnswer(const std::optional<QString> &answer);
    static int shownCount(); // prompts answered or shown so far
    static QString lastText(); // the text of the latest prompt

private:
    PasswordPrompt() = delete;
};
