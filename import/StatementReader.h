#pragma once

#include "StatementTypes.h"

// Reading statement files. The kind of a file is found from its content,
// never from its name:
//  - Alipay bills (CSV, GB18030; notes before and after the table) and
//    WeChat Pay bills (CSV in UTF-8, or .xlsx), recognised by their header
//    line, whose columns are found by name, so older and newer layouts read;
//  - a zip archive holding one bill, opened in memory (a password is asked
//    through callbacks.password; nothing unencrypted is written to disk);
//  - bank tables as CSV (UTF-8 with or without BOM, or GB18030), .xlsx or
//    Excel 97-2003 .xls, read through a column mapping asked from
//    callbacks.mapping;
//  - OFX 1 (SGML), OFX 2 (XML) and QFX; QIF bank, cash and card sections.
//
// A bank file's mapping comes from callbacks.mapping, which sees the table
// as ReadBankTable gives it. Its headerLine is the table's own (or 0) for the
// header the reader found; another line means the user chose that line of
// this file as the header. A mapping remembered for a header should be
// handed back with the table's headerLine, as the same header may sit on
// another line in next month's file.
//
// A file either reads whole or not at all: an unknown or damaged file, a
// wrong or missing password, a mapping that does not fit, an amount or a
// date that does not read all throw ImportError naming the file and the
// line, and nothing of the file is returned. The rows that do come back are
// classified (ClassifyRows): each has its identity, and rows that neither
// spend nor earn carry their skip reason.
StatementFile ReadStatement(const QString &path, const ReadCallbacks &callbacks = {});

// A bank file's table for the mapping dialog: the header line found among
// the notes (the first line whose names GuessMapping can map, else the
// first line as wide as the table), the header's cells and every row after
// it. Throws ImportError for a file that is not a table, and for payment
// bills, which need no mapping. callbacks.password opens a zip.
BankTable ReadBankTable(const QString &path, const ReadCallbacks &callbacks = {});

// The columns the usual Chinese and English header names suggest (交易日期,
// 记账日期, 金额, 支出/借方, 收入/贷方, 摘要, 对方户名, 余额, Date, Amount,
// Debit, Credit, ...), with headerLine set to the table's. Columns nothing
// suggests stay -1; isValid() tells whether the guess is complete enough.
ColumnMapping GuessMapping(const BankTable &table);

// What the readers do to every file they return: the skip reasons of rows
// that are not money spent or earned (per source: WeChat's neutral "/"
// rows, Alipay's 不计收支 rows, closed and failed payments, zero amounts),
// and each row's identity.
void ClassifyRows(StatementFile &file);

// A row's identity: the source's name, then a SHA-256 of the row's order
// numbers, date and time, direction, amount, counterparty and goods, and
// its ordinal among the rows before it in the same file that agree in all of
// those. A later export that overlaps an earlier one gives the same
// transactions the same identities; two equal rows of one file differ.
void AssignIdentities(StatementFile &file);
