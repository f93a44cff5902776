#include "AppFonts.h"
#include "ErrorReport.h"
#include "KavloError.h"
#include "KavloImages.h"
#include "MessageBox.h"
#include "ProgramPlaces.h"
#include "RuntimeFolder.h"
#include "StartCheck.h"
#include "unt_clsOneCopy.h"
#include "unt_frmMain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

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
// When the lock cannot be taken at all, this copy runs without it and
// `problem` says why, to be shown once the application is up.
bool TakeOneCopyMutex(int &argc, char **argv, TclsOneCopyMutex &mutex, QString &problem)
{
    // The lock records the application's name, which must be the executable's
    // own for a later start to recognise a dead holder.
    QCoreApplication probe(argc, argv);
    try {
        if (mutex.Acquire())
            return true;
    } catch (const KavloError &error) {
        problem = error.message();
        if (!error.path().isEmpty())
            problem += QStringLiteral("\n") + error.path();
        return true;
    }
    SendDdeCommand(QStringLiteral("show"));
    return false;
}
} // namespace

int main(int argc, char **argv)
{
    // Answered on a console as well: nothing here may need the window system.
    switch (ReadStartRequest(argc, argv)) {
    case StartRequest::Help:
        std::fputs(HelpText().toUtf8().constData(), stdout);
        return 0;
    case StartRequest::Version:
        std::printf("%s\n", VersionText().toUtf8().constData());
        return 0;
    case StartRequest::Run:
        break;
    }
    const QString noSession = MissingDesktopSession(argc, argv);
    if (!noSession.isEmpty()) {
        std::fprintf(stderr, "%s\n", noSession.toUtf8().constData());
        return 1;
    }

    EnsureRuntimeFolder();
    TclsOneCopyMutex mutex;
    QString lockProblem;
    if (!TakeOneCopyMutex(argc, argv, mutex, lockProblem))
        return 0;

    // Where the temporary folder's runtime folder was not fit either (made
    // by another user), Qt would warn: give it the folder chosen for the lock.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString folder = OneCopyFolder();
        if (!folder.isEmpty())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
    }

    KavloApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kavlo"));
    // Lets the desktop match the windows to the menu entry and its icon.
    app.setDesktopFileName(QStringLiteral("org.kavlo.Kavlo"));
    app.setWindowIcon(QIcon(kIconImage));
    app.setFont(KavloUiFont());
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    if (!lockProblem.isEmpty())
        MessageBox::warning(nullptr, lockProblem);

    // A package install's user starts from a copy of the shipped empty
    // ledger; one that cannot be made is reported and the program ends.
    if (!runGuarded(nullptr, [] { PrepareUserLedger(CurrentProgramPlaces()); }))
        return 1;

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
