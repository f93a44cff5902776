#pragma once

#include <QByteArray>
#include <QString>

// A built-in data resource by name, ignoring letter case ("OUT_TXT",
// "IN_TXT"); the empty text when there is none.
QByteArray DefaultListResource(const QString &name);
