#pragma once

#include "BusyBracket.h"
#include "FormParts.h"

#include <QRect>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Controls placed at fixed pixel positions, named as the dialogs' layouts
// name them.
// A single-line edit limited to maxBytes GBK bytes; masked ones show "*".
QLineEdit *AddEdit(QWidget *parent, const QString &name, const QRect &place, int maxBytes, bool masked);
QPushButton *AddButton(QWidget *parent, const QString &name, const QString &caption, const QRect &place);
// A drop-down list that only offers its items, left out of the Tab order.
QComboBox *AddChoiceList(QWidget *parent, const QString &name, const QRect &place);

// Around a store call started from a dialog button: the button disabled and
// the hourglass shown, both restored when the scope ends, also after a failure.
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
