#pragma once

#include "LedgerConnection.h"

#include <QByteArray>

#include <functional>

// What a ledger holds, with a checksum over every row of every table in the
// order the program reads them (users and lists by insertion, records by
// ID), so two ledgers on different engines can be compared row for row.
struct LedgerSummary {
    qint64 users = 0;
    qint64 lists = 0;
    qint64 records = 0;
    qint64 extensionRows = 0; // rows of the tables added later, all together
    QByteArray checksum; // SHA-256, hex
    bool operator==(const LedgerSummary &o) const
    {
        return users == o.users && lists == o.lists && records == o.records && extensionRows == o.extensionRows &&
               checksum == o.checksum;
    }
    bool isEmpty() const { return users == 0 && lists == 0 && records == 0 && extensionRows == 0; }
};

// Reads the whole ledger within the connection's current operation.
LedgerSummary SummarizeLedger(LedgerConnection &connection);

// True when the connection's database holds the ledger's tables.
bool HasLedgerTables(LedgerConnection &connection);

// Called with the records copied so far and the total.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;

// Copies every user, list and record (with its ID, in its order) from one
// ledger to another, empty one, in one transaction on the target, and
// verifies the copy by counts and checksum before committing. The next ID
// the target hands out is never below the source's, so record numbers are
// never reused. Throws KavloError and leaves the target as it was on any
// failure; returns the summary both ledgers share.
LedgerSummary CopyLedger(LedgerConnection &from, LedgerConnection &to, const CopyProgress &progress = {});
