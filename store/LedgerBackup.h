#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "KavloError.h"

#include <functional>
#include <optional>
#include <thread>

// Daily copies of the ledger, beside it in Backup/: qmrvz-yyyy-mm-dd.sjk,
// mode 0600 in a folder of mode 0700, the newest 14 kept. A copy is made with
// SQLite's online backup, so it is a consistent ledger even while another
// connection writes, and it appears under its name only once it is whole on
// the disk.
namespace LedgerBackup {

constexpr int kKeep = 14;

QString Folder(const QString &databasePath);
QString PathFor(const QString &databasePath, const QDate &day);

// Makes the day's backup unless it exists, then removes all but the newest
// `keep` backups. Returns true when a backup was made, false when the day
// had one already. Throws KavloError (with its cause and the file) when the
// backup cannot be made; the ledger itself is never touched.
bool MakeDaily(const QString &databasePath, const QDate &day, int keep = kKeep);

// The backups in the folder, newest first.
QStringList List(const QString &databasePath);

// Runs the day's backup on a thread of its own, so a login never waits for
// the copy. `done` is called on that thread when it ends: with no failure
// when the backup was made or the day had one already. The destructor waits
// for a running backup.
class Runner
{
public:
    Runner() = default;
    ~Runner();
    Runner(const Runner &) = delete;
    Runner &operator=(const Runner &) = delete;

    using Done = std::function<void(const std::optional<KavloError> &failure)>;
    void start(const QString &databasePath, const QDate &day, Done done);
    void wait();

private:
    std::thread m_thread;
};

} // namespace LedgerBackup
