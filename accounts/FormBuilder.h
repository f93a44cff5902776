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
