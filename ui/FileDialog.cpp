#include "FileDialog.h"

#include "MessageBox.h"
#include "TextCodec.h"

#include <QDir>
#include <QFileDialog>
#include <QQueue>

namespace {
QQueue<QString> g_nextNames;
QQueue<QStringList> g_nextOpenNames;
int g_shown = 0;
} // namespace

QString FileDialog::BlankNameAsCancel(const QString &path)
{
    // The dialog hands back a whole path, so only the part after the last
    // folder separator tells whether a name was typed at all.
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return IsBlank(name) ? QString() : path;
}

QString FileDialog::getSaveFileName(QWidget *parent, const QString &filter, const QString &initialName)
{
    ++g_shown;
    if (!g_nextNames.isEmpty())
        return BlankNameAsCancel(g_nextNames.dequeue());
    if (MessageBox::testMode())
        return QString(); // a test that forgot to answer must not hang on a dialog
    // The overwrite question is the program's own, so Qt's is switched off.
    // Before any export the dialog opens in the user's home folder rather
    // than wherever the program happened to be started.
    const QString start = initialName.isEmpty() ? QDir::homePath() : initialName;
    return BlankNameAsCancel(QFileDialog::getSaveFileName(parent, QString(), start, filter, nullptr,
                                                          QFileDialog::DontConfirmOverwrite));
}

void FileDialog::setNextFileName(const QString &name) { g_nextNames.enqueue(name); }
int FileDialog::shownCount() { return g_shown; }

QStringList FileDialog::getOpenFileNames(QWidget *parent, const QString &filter)
{
    ++g_shown;
    if (!g_nextOpenNames.isEmpty())
        return g_nextOpenNames.dequeue();
    if (MessageBox::testMode())
        return {}; // a test that forgot to answer must not hang on a dialog
    return QFileDialog::getOpenFileNames(parent, QString(), QDir::homePath(), filter);
}

void FileDialog::setNextOpenFileNames(const QStringList &names) { g_nextOpenNames.enqueue(names); }
