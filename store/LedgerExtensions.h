#pragma once

#include "LedgerConnection.h"

#include <QByteArray>
#include <QList>

// Tables added after the first ledgers were made. A ledger made earlier
// lacks them: reads see them as empty (an old read-only ledger still opens
// and reads), and the first write that needs one creates it inside that
// write's own transaction. New ledgers and server copies get all of them.
// A feature with tables of its own adds an entry to the list in
// LedgerExtensions.cpp.
struct LedgerExtension {
    QByteArray table;          // as created, e.g. "Save_Keys"
    QList<QByteArray> sqlite;  // "create table if not exists" / "create index if not exists"
    QList<QByteArray> server;  // the same for PostgreSQL
    QByteArray columns;        // every column, comma-separated: what a copy carries
    QByteArray orderBy;        // a unique order, for copies and their checksums
};

const QList<LedgerExtension> &LedgerExtensions();
// The registered entry for a table name; throws when there is none.
const LedgerExtension &FindLedgerExtension(const QByteArray &table);

// True when the connection's database holds the table. Asked within the
// current operation; a server connection remembers a table once seen.
bool HasExtensionTable(LedgerConnection &connection, const LedgerExtension &extension);
// Creates the table when it is missing; call inside the write's transaction.
void EnsureExtensionTable(LedgerConnection &connection, const LedgerExtension &extension);
// Every registered table, for a new ledger or a copy's target.
void CreateExtensionTables(LedgerConnection &connection);

// The tables of the save keys and row identities.
inline const QByteArray kSaveKeysTable = QByteArrayLiteral("Save_Keys");
inline const QByteArray kRowIdentitiesTable = QByteArrayLiteral("Row_Identities");
