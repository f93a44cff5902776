#include "FormBuilder.h"

#include "GbkLengthValidator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QLineEdit *AddEdit(QWidget *parent, const QString &name, const QRect &place, int maxBytes, bool masked)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(place);
    LimitGbkBytes(edit, maxBytes);
    if (masked) {
        // Qt's password mode shows its own bullet; the dialogs show "*".
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    }
    return edit;
}

QPushButton *AddButton(QWidget *parent, const QString &name, const QString &caption, const QRect &place)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

QComboBox *AddChoiceList(QWidget *parent, const QString &name, const QRect &place)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(false);
    combo->setGeometry(place);
    combo->setFocusPolicy(Qt::ClickFocus);
    return combo;
}


