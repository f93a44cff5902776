#pragma once

#include <QString>

class QWidget;

// The save-file dialog behind one seam, so tests can answer it. A cancelled
// dialog returns the empty text.
class FileDialog
{
public:
    static QString getSaveFileName(QWidget *parent, const QString &filter, const QString &initialName);

    // Test seam: the next call returns this name without showing a dialog
    // (an empty name stands for Cancel).
    static void setNextFileName(const QString &name);
    static int shownCount(); // dialogs answered or shown so far

private:
    FileDialog() = delete;
};
