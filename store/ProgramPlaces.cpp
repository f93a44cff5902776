#include "ProgramPlaces.h"

#include "LedgerFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const char kLedgerName[] = "qmrvz.sjk";

QString userDataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace

QString ProgramPlaces::ledgerPath() const { return dataFolder + QLatin1Char('/') + QLatin1String(kLedgerName); }

QString ProgramPlaces::serverConfPath() const { return dataFolder + QStringLiteral("/server.conf"); }

QString ProgramPlaces::emptyLedgerPath() const { return programFiles + QLatin1Char('/') + QLatin1String(kLedgerName); }

ProgramPlaces ProgramPlacesOf(const QString &executableFolder)
{
    const QDir folder(executableFolder);
    ProgramPlaces places;
    const QString shared = QDir::cleanPath(folder.filePath(QStringLiteral("../share/kavlo")));
    places.packaged = QFileInfo(QDir::cleanPath(folder.absolutePath())).fileName() == QLatin1String("bin") &&
                      !folder.exists(QStringLiteral("Database")) &&
                      QFileInfo::exists(shared + QLatin1Char('/') + QLatin1String(kLedgerName));
    if (places.packaged) {
        places.programFiles = shared;
        places.dataFolder = userDataHome() + QStringLiteral("/kavlo/Database");
    } else {
        places.programFiles = folder.filePath(QStringLiteral("Database"));
        places.dataFolder = places.programFiles;
    }
    return places;
}

QString ExecutableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

ProgramPlaces CurrentProgramPlaces() { return ProgramPlacesOf(ExecutableFolder()); }

bool PrepareUserLedger(const ProgramPlaces &places)
{
    if (!places.packaged)
        return false;
    MakePrivateFolder(places.dataFolder);
    return CopyToNewPrivateFile(places.emptyLedgerPath(), places.ledgerPath());
}
