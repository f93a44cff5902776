#pragma once

#include <QString>

// Where Kavlo's files are. It runs from one of two layouts, and this is the
// one place that tells them apart; every program and window asks here.
//
//  - A program folder (what ./run.sh installs in ~/Kavlo, and the build
//    tree's program/): the executables with Database/ beside them, which
//    holds the ledger, its backups, server.conf and the workbook templates.
//    The whole install is that one folder.
//  - A package install (the .deb, in /usr): the executables in <prefix>/bin,
//    the read-only program files in <prefix>/share/kavlo (the empty ledger a
//    user starts from, and the templates), and each user's ledger, backups
//    and server.conf in $XDG_DATA_HOME/kavlo/Database, by default
//    ~/.local/share/kavlo/Database.
//
// A folder is a package install when it is named "bin", has no Database/ of
// its own, and ../share/kavlo/qmrvz.sjk is there. Anything else is a program
// folder, so a portable install behaves as it always has wherever it is put,
// even in a folder called bin.
struct ProgramPlaces {
    bool packaged = false;
    // The user's ledger, its Backup/ and server.conf.
    QString dataFolder;
    // The files that come with the program: the workbook templates and, in a
    // package install, the empty ledger.
    QString programFiles;

    QString ledgerPath() const;
    QString serverConfPath() const;
    // The empty ledger a package install copies for a new user.
    QString emptyLedgerPath() const;
};

// The layout of the program whose executables are in `executableFolder`.
// The data folder of a package install follows XDG_DATA_HOME when it names
// an absolute path (the base directory rules ignore a relative one) and
// $HOME/.local/share otherwise.
ProgramPlaces ProgramPlacesOf(const QString &executableFolder);

// The folder of the running executable; works before the application object
// exists.
QString ExecutableFolder();
ProgramPlaces CurrentProgramPlaces();

// Gives the user of a package install a ledger on first start: makes the data
// folder (mode 0700) and copies the shipped empty ledger into it (mode 0600).
// An existing ledger is never replaced, not even by a start that races this
// one. Returns true when it made the ledger. A program folder's ledger comes
// with its install, so there this does nothing. Throws KavloError, naming the
// file, when the folder or the copy cannot be made; nothing half-made is left.
bool PrepareUserLedger(const ProgramPlaces &places);
