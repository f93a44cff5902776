#pragma once

#include <QList>
#include <QString>

class QWidget;

// Every message box of the program goes through here, captioned with the
// application title. Tests switch on test mode: boxes are then recorded
// instead of shown and answered from a queue (KeePassXC's approach).
class MessageBox
{
public:
    enum Icon { Warning, Question, Information, Error };
    enum Answer { Ok, Yes, No };

    struct Shown {
        Icon icon;
        QString caption;
        QString text;
    };

    static void warning(QWidget *parent, const QString &text);
    static void information(QWidget *parent, const QString &text);
    static void error(QWidget *parent, const QString &text);
    // Yes and No; true only for Yes.
    static bool question(QWidget *parent, const QString &text);

    // Test seam.
    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(Answer answer); // queued; a question with no queued answer gets No
    static QList<Shown> shown();              // every box since the last clearShown()
    static void clearShown();

    static QString title(); // "Kavlo"

private:
    static Answer show(QWidget *parent, Icon icon, const QString &text);
};
