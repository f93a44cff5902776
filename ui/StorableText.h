#pragma once

#include <QString>

class QWidget;

// Refuses a typed text that holds a character the ledger cannot store: shows
// a warning naming the field and the character, puts the focus on the field
// and returns true. Nothing has been written when it refuses.
bool RefuseUnstorable(QWidget *window, QWidget *field, const QString &text, const QString &fieldName);
