#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh ledger database in its own temporary folder, removed afterwards.
class TempDatabase
{
public:
    TempDatabase();
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// The source tree and the build's program folder, as ctest passes them.
QString SourceDir();
QString ProgramDir();

// Writes a lock file at `path` that QLockFile takes for held: its process
// (the running test) is alive and has the name written in it. Returns false
// when it cannot be written.
bool PlantHeldLock(const QString &path);
