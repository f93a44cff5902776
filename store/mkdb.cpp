// Makes the empty ledger database that ships beside the executable. An
// existing file is left exactly as it is: it may hold someone's records.
#include "KavloError.h"
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
    if (QFileInfo::exists(path))
        return 0;
    try {
        TclsDatabaseUser::CreateDatabaseFile(path);
    } catch (const KavloError &e) {
        std::fprintf(stderr, "kavlo-mkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
