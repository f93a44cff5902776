#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh, empty ledger, removed afterwards: a database file in its own
// temporary folder, or, when KAVLO_TEST_ENGINE=postgresql, a new database on
// the server that the PG* environment variables name (the test wrapper
// starts a throwaway one), so the same tests run against both engines.
class TempDatabase
{
public:
    TempDatabase();
    ~TempDatabase();
    TempDatabase(const TempDatabase &) = delete;
    TempDatabase &operator=(const TempDatabase &) = delete;
    // The ledger's location as the store takes it: a path or a server URI.
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_serverDatabase;
};

// True when the tests run against the server engine.
bool TestingOnServer();

// The source tree and the build's program folder, as ctest passes them.
QString SourceDir();
QString ProgramDir();

// The permission bits of a file or folder (links followed); -1 when it is
// not there.
int FileMode(const QString &path);
// A file's bytes; empty when it cannot be read.
QByteArray FileBytes(const QString &path);

// Writes a lock file at `path` that QLockFile takes for held: its process
// (the running test) is alive and has the name written in it. Returns false
// when it cannot be written.
bool PlantHeldLock(const QString &path);
