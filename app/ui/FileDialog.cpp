#include "FileDialog.h"

#include "MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QQueue>

namespace {
QQueue<QString> g_nextNames;
int g_shown = 0;
} // namespace

QString FileDialog::getSaveFileName(QWidget *parent, const QString &filter, const QString &initialName)
{
    ++g_shown;
    if (!g_nextNames.isEmpty())
        return g_nextNames.dequeue();
    if (MessageBox::testMode())
        return QString(); // a test that forgot to answer must not hang on a dialog
    // The overwrite question is the program's own, so Qt's is switched off.
    // Before any export the dialog opens in the user's home folder rather
    // than wherever the program happened to be started.
    const QString start = initialName.isEmpty() ? QDir::homePath() : initialName;
    return QFileDialog::getSaveFileName(parent, QString(), start, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void FileDialog::setNextFileName(const QString &name) { g_nextNames.enqueue(name); }
int FileDialog::shownCount() { return g_shown; }
