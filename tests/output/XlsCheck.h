#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Sheet1 of a workbook as read by python3-xlrd (Debian's python, not a pyenv
// shim): one list per row, every cell as text, empty cells "".
QList<QStringList> ReadWithXlrd(const QString &path);
