#pragma once

#include <QString>

// The per-user runtime folder that Qt keeps sockets and locks in. A session
// normally names it in XDG_RUNTIME_DIR; where none does (root on a console,
// su, a service), Qt picks a folder of its own and warns about it on every
// start. The program then prepares that same folder itself and names it, so
// it lands in the same place without the noise.

// Makes `path` a runtime folder fit for this user: created with mode 0700 if
// missing; an existing one must be a real folder (not a link) owned by this
// user, and is closed to others if it was not. False when it is not fit;
// it is then left as it was.
bool PrepareRuntimeFolder(const QString &path);

// When XDG_RUNTIME_DIR is unset: prepares the temp folder's "runtime-<user>"
// and sets XDG_RUNTIME_DIR to it. A folder that is not fit is not used, and
// Qt then reports it as usual. Runs before the application object exists.
void EnsureRuntimeFolder();
