#include "AppFonts.h"
#include "ErrorReport.h"
#include "KavloImages.h"
#include "RuntimeFolder.h"
#include "unt_clsOneCopy.h"
#include "unt_frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {
// The safety net behind the handlers' own guards: an exception that still
// reaches the event loop is reported and the program carries on.
class KavloApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        bool result = false;
        runGuarded(activeWindow(), [&] { result = QApplication::notify(receiver, event); });
        return result;
    }
};

// Takes the one-copy lock, or hands "show" to the copy that holds it.
// Runs before any window-system connection, so a second copy ends at once.
std::unique_ptr<TclsOneCopyMutex> TakeOneCopyMutex(int &argc, char **argv)
{
    // The lock records the application's name, which must be the executable's
    // own for a later start to recognise a dead holder.
    QCoreApplication probe(argc, argv);
    auto mutex = std::make_unique<TclsOneCopyMutex>();
    if (mutex->Acquire())
        return mutex;
    SendDdeCommand(QStringLiteral("show"));
    return nullptr;
}
} // namespace

int main(int argc, char **argv)
{
    EnsureRuntimeFolder();
    const std::unique_ptr<TclsOneCopyMutex> mutex = TakeOneCopyMutex(argc, argv);
    if (!mutex)
        return 0;

    KavloApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kavlo"));
    app.setWindowIcon(QIcon(kIconImage));
    app.setFont(KavloUiFont());
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    TfrmMain frmMain;
    // Commands that arrive during the login are received and ignored.
    frmMain.ddeServer->Listen();
    bool passed = false;
    // A database that cannot be opened is reported, and the program ends.
    if (!runGuarded(nullptr, [&] { passed = frmMain.FormCreate(); }) || !passed)
        return 0;
    frmMain.show();
    app.exec();
    return 0;
}
