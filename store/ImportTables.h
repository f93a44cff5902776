#pragma once

#include <QByteArray>

// The tables the statement import keeps per user: the rules that give a
// row its item, and the column mappings of bank files by their header.
inline const QByteArray kItemRulesTable = QByteArrayLiteral("Import_Rules");
inline const QByteArray kBankMappingsTable = QByteArrayLiteral("Import_Mappings");
