#include "BrowseTestKit.h"

#include <QFile>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

void RefuseWrites(const QString &path)
{
    if (geteuid() != 0) {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        return;
    }
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const char *sql = "create trigger no_delete before delete on All_Table "
                      "begin select raise(abort, 'attempt to write a readonly database'); end;"
                      "create trigger no_update before update on All_Table "
                      "begin select raise(abort, 'attempt to write a readonly database'); end;";
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}
