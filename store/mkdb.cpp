// Makes the empty ledger database that ships beside the executable, private
// to its owner in a private folder. An existing file keeps its records; only
// a looser mode than 0600 is tightened.
#include "KavloError.h"
#include "LedgerFiles.h"
#include "unt_clsDatabaseUser.h"

#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kavlo-mkdb <database file>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    try {
        MakePrivateFolder(QFileInfo(path).absolutePath());
        if (QFileInfo::exists(path)) {
            TightenToOwner(path);
            return 0;
        }
        TclsDatabaseUser::CreateDatabaseFile(path);
    } catch (const KavloError &e) {
        std::fprintf(stderr, "kavlo-mkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
