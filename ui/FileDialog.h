#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The save-file dialog behind one seam, so tests can answer it. A cancelled
// dialog returns the empty text, and so does a chosen name made only of
// blanks (in whatever folder): both mean that nothing is to be written.
class FileDialog
{
public:
    static QString getSaveFileName(QWidget *parent, const QString &filter, const QString &initialName);

    // The open-file dialog for one or several existing files; Cancel gives
    // an empty list.
    static QStringList getOpenFileNames(QWidget *parent, const QString &filter);

    // Test seam: the next open dialog returns these files without showing
    // (an empty list stands for Cancel).
    static void setNextOpenFileNames(const QStringList &names);

    // Test seam: the next call returns this name without showing a dialog
    // (an empty name stands for Cancel).
    static void setNextFileName(const QString &name);
    static int shownCount(); // dialogs answered or shown so far

    // The chosen path, or the empty text when its file name is blank.
    static QString BlankNameAsCancel(const QString &path);

private:
    FileDialog() = delete;
};
