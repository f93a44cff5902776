#pragma once

#include <QString>

// The ledger's folders and files are private to the user who owns them: the
// database holds the passwords in a reversible form. These make new ones
// private and take group and other bits away from existing ones; they never
// add a permission bit, so a copy someone made stricter stays so.

// Makes the folder (and missing parents) when it is not there, mode 0700;
// tightens an existing folder the user owns to at most 0700.
void MakePrivateFolder(const QString &path);

// Creates a new empty file of mode 0600 whatever the umask; throws when the
// file exists or cannot be made.
void CreatePrivateFile(const QString &path);

// Takes the group and other bits away from a file or folder the user owns.
// Does nothing to anyone else's: changing it would fail anyway.
void TightenToOwner(const QString &path);

// Copies `source` to the new file `target`, mode 0600 whatever the umask.
// The copy appears under its name only once it is whole on the disk, and
// never over an existing file: false when `target` exists (it is left as it
// is), also when it appears while copying. Throws when the copy cannot be
// made; no partial file is left.
bool CopyToNewPrivateFile(const QString &source, const QString &target);
