#include "TestSupport.h"

#include "unt_clsDatabaseUser.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

TempDatabase::TempDatabase()
{
    m_path = m_dir.filePath(QStringLiteral("qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(m_path);
}

QString SourceDir() { return qEnvironmentVariable("KAVLO_SOURCE_DIR"); }
QString ProgramDir() { return qEnvironmentVariable("KAVLO_PROGRAM_DIR"); }

bool PlantHeldLock(const QString &path)
{
    QFile planted(path);
    if (!planted.open(QIODevice::WriteOnly))
        return false;
    const QByteArray held = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + "\n\n";
    return planted.write(held) == held.size() && planted.flush();
}
