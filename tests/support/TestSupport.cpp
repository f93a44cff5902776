#include "TestSupport.h"

#include "unt_clsDatabaseUser.h"

TempDatabase::TempDatabase()
{
    m_path = m_dir.filePath(QStringLiteral("qmrvz.sjk"));
    TclsDatabaseUser::CreateDatabaseFile(m_path);
}

QString SourceDir() { return qEnvironmentVariable("KAVLO_SOURCE_DIR"); }
QString ProgramDir() { return qEnvironmentVariable("KAVLO_PROGRAM_DIR"); }
