#include "unt_clsDatabaseUser.h"

#include "AmountText.h"
#include "RangeRows.h"
#include "StoreReading.h"
#include "DefaultLists.h"
#include "ImportTables.h"
#include "KavloError.h"
#include "LedgerExtensions.h"
#include "LedgerFiles.h"
#include "ProgramPlaces.h"
#include "TextCodec.h"

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace {

QByteArray isoDate(const QDate &date) { return date.toString(Qt::ISODate).toLatin1(); }

// Dates reach SQL as "yyyy-mm-dd" text; anything else would never match a
// day and must not be stored.
QByteArray checkedDate(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid() || text.size() != 10)
        throw KavloError(QStringLiteral("'%1' is not a date of the form yyyy-mm-dd").arg(text));
    return text.toLatin1();
}

int countRows(Recordset &rs)
{
    int count = 0;
    while (!rs.IsEOF()) {
        ++count;
        rs.MoveNext();
    }
    return count;
}

const char kCredentialQuery[] = "select * from Users_Table where User_Name=?1 and User_Password=?2";

const char kInsertRecordColumns[] =
    "insert into All_Table (Program_Date,Program_Type,Program_Name,Program_Money,Program_Memo,User_Name) values ";

// Rows per insert statement: a batch of the entry panels goes to the server
// in one or a few round trips, well below either engine's parameter limit.
constexpr int kRowsPerInsert = 500;

QByteArray insertRecordsStatement(int rows)
{
    QByteArray sql(kInsertRecordColumns);
    for (int r = 0; r < rows; ++r) {
        sql += r ? ",(" : "(";
        for (int c = 1; c <= 6; ++c) {
            sql += '?';
            sql += QByteArray::number(r * 6 + c);
            sql += c < 6 ? ',' : ')';
        }
    }
    return sql;
}

// Identities are compared as stored text: one that the server could not
// store exactly (a NUL character) would never be found again.
QByteArray checkedIdentity(const QString &identity)
{
    if (identity.contains(QChar(0)))
        throw KavloError(QStringLiteral("AddRecord: a row identity holds a NUL character"));
    return identity.toUtf8();
}

// Records the save key, pruning keys older than 30 days on the way. False
// when the key was recorded before: the rows of that save are stored.
bool recordSaveKey(LedgerConnection &connection, const QByteArray &key)
{
    if (connection.isServer()) {
        // One statement, one round trip.
        connection.Execute("with pruned as (delete from Save_Keys where Saved_At < "
                           "cast(extract(epoch from now()) as bigint) - 2592000) "
                           "insert into Save_Keys (Save_Key, Saved_At) values (?1, "
                           "cast(extract(epoch from now()) as bigint)) on conflict (Save_Key) do nothing",
                           {key});
    } else {
        connection.Execute("delete from Save_Keys where Saved_At < cast(strftime('%s','now') as integer) - 2592000");
        connection.Execute("insert into Save_Keys (Save_Key, Saved_At) values (?1, "
                           "cast(strftime('%s','now') as integer)) on conflict (Save_Key) do nothing",
                           {key});
    }
    return connection.Changes() == 1;
}

// A PostgreSQL text array literal: each element quoted, so commas, braces
// and spaces in an identity stay part of it.
QByteArray textArray(const QList<QByteArray> &items, qsizetype first, qsizetype count)
{
    QByteArray out("{");
    for (qsizetype i = first; i < first + count; ++i) {
        if (i > first)
            out += ',';
        out += '"';
        for (char c : items.at(i)) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    out += '}';
    return out;
}

// Which of the candidates the user's stored identities hold. The server is
// asked in one statement per 10,000; a file in statements of 500.
QSet<QByteArray> storedIdentities(LedgerConnection &connection, const QByteArray &user,
                                  const QList<QByteArray> &candidates)
{
    QSet<QByteArray> found;
    const qsizetype step = connection.isServer() ? 10000 : 500;
    for (qsizetype first = 0; first < candidates.size(); first += step) {
        const qsizetype chunk = std::min(step, candidates.size() - first);
        QList<SqlValue> params{user};
        QByteArray sql("select Row_Identity from Row_Identities where User_Name=?1 and Row_Identity ");
        if (connection.isServer()) {
            sql += "= any(cast(?2 as text[]))";
            params << textArray(candidates, first, chunk);
        } else {
            sql += "in (";
            for (qsizetype i = 0; i < chunk; ++i) {
                sql += (i ? ",?" : "?") + QByteArray::number(i + 2);
                params << candidates.at(first + i);
            }
            sql += ')';
        }
        for (Recordset rs = connection.Query(sql.constData(), params.constData(), int(params.size())); !rs.IsEOF();
             rs.MoveNext())
            found.insert(rs.FieldBytes(0));
    }
    return found;
}

// Inserts (user, identity, record ID) triples and returns the identities it
// stored. Another computer may store the same identity between our check
// and this insert (two people importing the same bill at once): the server
// makes this insert wait for that transaction, and "do nothing" then skips
// the identity instead of failing the whole save; the caller takes back the
// records of the skipped identities, so each row is stored once and neither
// save reports an error.
QSet<QByteArray> insertIdentities(LedgerConnection &connection, const QList<SqlValue> &triples)
{
    constexpr qsizetype kPerStatement = 500;
    QSet<QByteArray> inserted;
    const qsizetype rows = triples.size() / 3;
    for (qsizetype first = 0; first < rows; first += kPerStatement) {
        const qsizetype chunk = std::min(kPerStatement, rows - first);
        QByteArray sql("insert into Row_Identities (User_Name,Row_Identity,Record_ID) values ");
        for (qsizetype r = 0; r < chunk; ++r) {
            sql += r ? ",(" : "(";
            for (int c = 1; c <= 3; ++c)
                sql += '?' + QByteArray::number(r * 3 + c) + (c < 3 ? "," : ")");
        }
        sql += " on conflict do nothing returning Row_Identity";
        for (Recordset rs = connection.Query(sql.constData(), triples.constData() + first * 3, int(chunk * 3));
             !rs.IsEOF(); rs.MoveNext())
            inserted.insert(rs.FieldBytes(0));
    }
    return inserted;
}

qint64 checkedId(const QString &id)
{
    bool ok = false;
    const qint64 key = id.toLongLong(&ok);
    if (!ok)
        throw KavloError(QStringLiteral("'%1' is not a record number").arg(id));
    return key;
}

// A record another computer deleted meanwhile: saying it was changed would
// report a failure as success.
void checkRecordFound(LedgerConnection &connection, const QString &id)
{
    if (connection.Changes() == 0)
        throw KavloError(QStringLiteral("这条记录已不存在（编号 %1），可能已在另一台电脑上被删除。请按“查看”重新列出记录。").arg(id),
                         FailureCause::RecordGone);
}

} // namespace

TclsDatabaseUser::TclsDatabaseUser() : TclsDatabaseUser(ProgramLedger(ExecutableFolder())) {}

TclsDatabaseUser::TclsDatabaseUser(const QString &databasePath)
    : TclsDatabaseUser(LedgerLocation::FromText(databasePath))
{
}

TclsDatabaseUser::TclsDatabaseUser(const LedgerLocation &location)
    : m_location(location), g_objConnection(MakeLedgerConnection(location)), g_strConnection(location.text())
{
}

TclsDatabaseUser::~TclsDatabaseUser() = default;

QString TclsDatabaseUser::ServerConfPath(const QString &programDir)
{
    return ProgramPlacesOf(programDir).serverConfPath();
}

LedgerLocation TclsDatabaseUser::ProgramLedger(const QString &programDir)
{
    const ProgramPlaces places = ProgramPlacesOf(programDir);
    QFile conf(places.serverConfPath());
    if (!conf.exists())
        return LedgerLocation::File(places.ledgerPath());
    if (!conf.open(QIODevice::ReadOnly))
        throw KavloError(QStringLiteral("无法读取 %1：%2").arg(conf.fileName(), conf.errorString()),
                         FailureCause::NoPermission, conf.fileName());
    // One connection string; blank lines and # comments are allowed around it.
    QString conninfo;
    for (const QByteArray &line : conf.readAll().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith('#')) {
            conninfo = QString::fromUtf8(trimmed);
            break;
        }
    }
    if (conninfo.isEmpty())
        throw KavloError(QStringLiteral("%1 中没有服务器连接字符串").arg(conf.fileName()), FailureCause::Unknown,
                         conf.fileName());
    return LedgerLocation::Server(conninfo);
}

void TclsDatabaseUser::CreateDatabaseFile(const QString &path)
{
    if (QFileInfo::exists(path))
        throw KavloError(QStringLiteral("%1 already exists").arg(path));
    // Private from the first byte: the engine would make it 0644.
    CreatePrivateFile(path);
    try {
        MakeLedgerConnection(LedgerLocation::File(path), true)->CreateSchema();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

void TclsDatabaseUser::CreateLedger(const LedgerLocation &location)
{
    if (!location.isServer()) {
        CreateDatabaseFile(location.text());
        return;
    }
    auto connection = MakeLedgerConnection(location);
    {
        OperationScope scope(*connection);
        Recordset rs = connection->Query(
            "select count(*) as n from pg_catalog.pg_tables where schemaname = current_schema() and "
            "lower(tablename) in ('users_table','programs_table','all_table','kavlo_schema')");
        if (rs.FieldInteger("n") > 0)
            throw KavloError(QStringLiteral("服务器 %1 上已有账本的表，不能再建一次。").arg(location.describe()),
                             FailureCause::Unknown, location.describe());
    }
    connection->CreateSchema();
}

// --- Users ------------------------------------------------------------------

bool TclsDatabaseUser::CreateUser(const QString &userName, const QString &password)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray p = EncodeField(password);
    const QByteArray outList = EncodeField(Gbk::decode(LoadResourceText(QStringLiteral("out_txt"))));
    const QByteArray inList = EncodeField(Gbk::decode(LoadResourceText(QStringLiteral("In_txt"))));
    return Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Users);
        {
            Recordset rs = g_objConnection->Query("select * from Users_Table where User_Name=?1", {n});
            if (countRows(rs) > 0)
                return false;
        }
        g_objConnection->Execute("insert into Users_Table (User_Name,User_Password) values (?1,?2)", {n, p});
        g_objConnection->Execute(
            "insert into Programs_Table (Out_Program_Names,In_Program_Names,User_Name) values (?1,?2,?3)",
            {outList, inList, n});
        transaction.Commit();
        return true;
    });
}

bool TclsDatabaseUser::ChangePassword(const QString &userName, const QString &oldPassword,
                                      const QString &newPassword)
{
    // Changing to the password the user already has is done already: so a
    // change sent again, after its answer was lost, succeeds rather than
    // reporting the old password as wrong.
    return RenewUserRow(EncodeField(userName), EncodeField(oldPassword), EncodeField(newPassword)) ||
           (oldPassword != newPassword &&
            RenewUserRow(EncodeField(userName), EncodeField(newPassword), EncodeField(newPassword)));
}

bool TclsDatabaseUser::DeleteUser(const QString &userName, const QString &password)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray p = EncodeField(password);
    return Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Users);
        {
            Recordset rs = g_objConnection->Query(kCredentialQuery, {n, p});
            if (countRows(rs) == 0)
                return false;
        }
        g_objConnection->Execute("delete from Users_Table where User_Name=?1", {n});
        g_objConnection->Execute("delete from All_Table where User_Name=?1", {n});
        g_objConnection->Execute("delete from Programs_Table where User_Name=?1", {n});
        // A user of the same name made later starts afresh, also for imports.
        if (HasExtensionTable(*g_objConnection, FindLedgerExtension(kRowIdentitiesTable)))
            g_objConnection->Execute("delete from Row_Identities where User_Name=?1", {n});
        for (const QByteArray &table : {kItemRulesTable, kBankMappingsTable})
            if (HasExtensionTable(*g_objConnection, FindLedgerExtension(table)))
                g_objConnection->Execute(("delete from " + table + " where User_Name=?1").constData(), {n});
        transaction.Commit();
        return true;
    });
}

bool TclsDatabaseUser::CheckLogin(const QString &userName, const QString &password)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray p = EncodeField(password);
    try {
        return RenewUserRow(n, p, p);
    } catch (const KavloError &e) {
        if (!IsWriteRefusal(e.cause()))
            throw;
    }
    // The row cannot be renewed (a read-only or full ledger, or one another
    // program is writing): matching credentials still log in, and the user
    // list keeps its order.
    return Operate([&] {
        Recordset rs = g_objConnection->Query(kCredentialQuery, {n, p});
        return countRows(rs) > 0;
    });
}

bool TclsDatabaseUser::RenewUserRow(const QByteArray &n, const QByteArray &password, const QByteArray &newPassword)
{
    return Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Users);
        // Writing the row again makes it the newest, so this user comes first
        // in the list the login dialog preselects from. One transaction: the
        // user's row can never be lost between the delete and the insert.
        if (g_objConnection->isServer()) {
            // The check, the delete and the insert in one statement: a login
            // across a network costs one round trip here, not three.
            Recordset rs = g_objConnection->Query(
                "with found as (select 1 from Users_Table where User_Name=?1 and User_Password=?2 limit 1), "
                "gone as (delete from Users_Table where User_Name=?1 and exists (select 1 from found)), "
                "renewed as (insert into Users_Table (User_Name,User_Password) "
                "select ?1, cast(?3 as text) where exists (select 1 from found)) "
                "select count(*) from found",
                {n, password, newPassword});
            if (rs.FieldInteger(0) == 0)
                return false;
        } else {
            {
                Recordset rs = g_objConnection->Query(kCredentialQuery, {n, password});
                if (countRows(rs) == 0)
                    return false;
            }
            g_objConnection->Execute("delete from Users_Table where User_Name=?1", {n});
            g_objConnection->Execute("insert into Users_Table (User_Name,User_Password) values (?1,?2)",
                                     {n, newPassword});
        }
        transaction.Commit();
        return true;
    });
}

QStringList TclsDatabaseUser::GetUserNames()
{
    QStringList names = Operate([&] {
        QStringList found;
        Recordset rs = g_objConnection->Query("select User_Name from Users_Table order by rowid");
        const int column = rs.FieldIndex("User_Name");
        for (; !rs.IsEOF(); rs.MoveNext())
            found.append(DecodeField(rs.FieldBytes(column)));
        return found;
    });
    std::reverse(names.begin(), names.end());
    return names;
}

// --- Item-name lists -------------------------------------------------------

ProgramNameLists TclsDatabaseUser::LoadProgramNames(const QString &userName)
{
    const QByteArray n = EncodeField(userName);
    QString outText;
    QString inText;
    Operate([&] {
        Recordset rs = g_objConnection->Query(
            "select Out_Program_Names, In_Program_Names from Programs_Table where User_Name=?1 order by rowid",
            {n});
        for (; !rs.IsEOF(); rs.MoveNext()) {
            outText = DecodeField(rs.FieldBytes("Out_Program_Names"));
            inText = DecodeField(rs.FieldBytes("In_Program_Names"));
        }
    });
    return {SplitLines(outText), SplitLines(inText)};
}

void TclsDatabaseUser::SaveProgramNames(const QString &userName, const QString &kind, const QString &listText)
{
    const QByteArray n = EncodeField(userName);
    const QByteArray l = EncodeField(listText);
    // Every write in a transaction: when the answer to its commit is lost,
    // the store can ask whether it took effect instead of guessing.
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        if (kind == kKindExpenseNames)
            g_objConnection->Execute("update Programs_Table set Out_Program_Names=?1 where User_Name=?2", {l, n});
        else
            g_objConnection->Execute("update Programs_Table set In_Program_Names=?1 where User_Name=?2", {l, n});
        transaction.Commit();
    });
}

QStringList TclsDatabaseUser::SplitLines(const QString &text)
{
    QStringList names;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        qsizetype cr = text.indexOf(QLatin1Char('\r'), pos);
        const qsizetype end = cr < 0 ? size : cr;
        const QString piece = text.mid(pos, end - pos);
        if (!IsBlank(piece))
            names.append(piece);
        if (cr < 0)
            break;
        pos = cr + 1;
        // Only the LF of a CR LF pair belongs to the break; after a lone CR
        // the next character starts the next name.
        if (pos < size && text.at(pos) == QLatin1Char('\n'))
            ++pos;
    }
    return names;
}

QByteArray TclsDatabaseUser::LoadResourceText(const QString &name) { return DefaultListResource(name); }

// --- Records ----------------------------------------------------------------

SaveOutcome TclsDatabaseUser::AddRecord(const QString &userName, const QString &recordType,
                                        const QStringList &dates, const QStringList &names,
                                        const QStringList &amounts, const QStringList &memos,
                                        const QString &saveKey)
{
    return AddRecord(userName, recordType, dates, names, amounts, memos, QStringList(), saveKey);
}

SaveOutcome TclsDatabaseUser::AddRecord(const QString &userName, const QString &recordType,
                                        const QStringList &dates, const QStringList &names,
                                        const QStringList &amounts, const QStringList &memos,
                                        const QStringList &rowIdentities, const QString &saveKey)
{
    const qsizetype count = dates.size();
    if (names.size() < count || amounts.size() < count || memos.size() < count ||
        (!rowIdentities.isEmpty() && rowIdentities.size() < count))
        throw KavloError(QStringLiteral("AddRecord: the lists of a batch differ in length"));
    const QByteArray n = EncodeField(userName);
    const QByteArray t = EncodeField(recordType);
    const QByteArray key = saveKey.toUtf8();
    // Check the whole batch before writing anything.
    QList<QByteArray> dateTexts;
    QList<double> values;
    dateTexts.reserve(count);
    values.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        dateTexts.append(checkedDate(dates.at(i)));
        values.append(ParseAmountText(amounts.at(i)));
    }
    QList<QByteArray> nameTexts;
    QList<QByteArray> memoTexts;
    QList<QByteArray> identityTexts(count);
    bool anyIdentity = false;
    nameTexts.reserve(count);
    memoTexts.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        nameTexts.append(EncodeField(names.at(i)));
        memoTexts.append(EncodeField(memos.at(i)));
        if (!rowIdentities.isEmpty() && !rowIdentities.at(i).isEmpty()) {
            identityTexts[i] = checkedIdentity(rowIdentities.at(i));
            anyIdentity = true;
        }
    }
    return Operate([&] {
        LedgerConnection &connection = *g_objConnection;
        SaveOutcome outcome;
        LedgerTransaction transaction(connection, TransactionKind::Records);
        if (!key.isEmpty()) {
            EnsureExtensionTable(connection, FindLedgerExtension(kSaveKeysTable));
            if (!recordSaveKey(connection, key)) {
                outcome.keyWasKnown = true;
                return outcome; // the transaction rolls back: it changed nothing
            }
        }
        // The rows to insert, in batch order: those without an identity, and
        // the first of each identity not stored yet.
        QList<qsizetype> rows;
        rows.reserve(count);
        if (anyIdentity) {
            EnsureExtensionTable(connection, FindLedgerExtension(kRowIdentitiesTable));
            QList<QByteArray> candidates;
            for (const QByteArray &identity : identityTexts)
                if (!identity.isEmpty())
                    candidates.append(identity);
            QSet<QByteArray> taken = storedIdentities(connection, n, candidates);
            for (qsizetype i = 0; i < count; ++i) {
                const QByteArray &identity = identityTexts.at(i);
                if (!identity.isEmpty()) {
                    if (taken.contains(identity)) {
                        ++outcome.alreadyStored;
                        continue;
                    }
                    taken.insert(identity);
                }
                rows.append(i);
            }
        } else {
            for (qsizetype i = 0; i < count; ++i)
                rows.append(i);
        }

        QByteArray fullStatement;
        QList<SqlValue> params;
        QList<SqlValue> identityParams;
        for (qsizetype first = 0; first < rows.size(); first += kRowsPerInsert) {
            const int chunk = int(std::min<qsizetype>(kRowsPerInsert, rows.size() - first));
            params.clear();
            params.reserve(chunk * 6);
            bool chunkHasIdentity = false;
            for (qsizetype r = first; r < first + chunk; ++r) {
                const qsizetype i = rows.at(r);
                params << dateTexts.at(i) << t << nameTexts.at(i) << values.at(i) << memoTexts.at(i) << n;
                chunkHasIdentity = chunkHasIdentity || !identityTexts.at(i).isEmpty();
            }
            if (!chunkHasIdentity) {
                if (chunk == kRowsPerInsert && fullStatement.isEmpty())
                    fullStatement = insertRecordsStatement(chunk);
                connection.Execute(chunk == kRowsPerInsert ? fullStatement.constData()
                                                           : insertRecordsStatement(chunk).constData(),
                                   params.constData(), int(params.size()));
                continue;
            }
            // Both engines hand out the IDs of one statement's rows in the
            // order of its values, so the sorted IDs line up with the rows.
            QList<qint64> ids;
            {
                Recordset rs = connection.Query((insertRecordsStatement(chunk) + " returning ID").constData(), params.constData(),
                                                int(params.size()));
                for (; !rs.IsEOF(); rs.MoveNext())
                    ids.append(rs.FieldInteger(0));
            }
            if (ids.size() != chunk)
                throw KavloError(QStringLiteral("AddRecord: %1 rows inserted, %2 record numbers returned")
                                     .arg(chunk)
                                     .arg(ids.size()));
            std::sort(ids.begin(), ids.end());
            identityParams.clear();
            for (qsizetype r = first; r < first + chunk; ++r) {
                const QByteArray &identity = identityTexts.at(rows.at(r));
                if (!identity.isEmpty())
                    identityParams << n << identity << ids.at(r - first);
            }
            const QSet<QByteArray> inserted = insertIdentities(connection, identityParams);
            for (qsizetype r = first; r < first + chunk; ++r) {
                const QByteArray &identity = identityTexts.at(rows.at(r));
                if (identity.isEmpty() || inserted.contains(identity))
                    continue;
                // Stored by another computer while this save ran.
                connection.Execute("delete from All_Table where ID=?1", {ids.at(r - first)});
                ++outcome.alreadyStored;
                --outcome.stored;
            }
        }
        transaction.Commit();
        outcome.stored += int(rows.size());
        return outcome;
    });
}

QSet<QString> TclsDatabaseUser::StoredRowIdentities(const QString &userName, const QStringList &identities)
{
    const QByteArray n = EncodeField(userName);
    QList<QByteArray> candidates;
    candidates.reserve(identities.size());
    for (const QString &identity : identities)
        if (!identity.isEmpty())
            candidates.append(identity.toUtf8());
    QSet<QString> found;
    if (candidates.isEmpty())
        return found;
    const QSet<QByteArray> stored = Operate([&] {
        // A ledger from before identities were kept has none stored.
        if (!HasExtensionTable(*g_objConnection, FindLedgerExtension(kRowIdentitiesTable)))
            return QSet<QByteArray>();
        return storedIdentities(*g_objConnection, n, candidates);
    });
    for (const QByteArray &identity : stored)
        found.insert(QString::fromUtf8(identity));
    return found;
}

QString TclsDatabaseUser::NewSaveKey()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());
}

void TclsDatabaseUser::ListRecordsOfDate(const QString &userName, const QDate &start, const QDate &end,
                                         DayTotals &days, RangeRecords &records)
{
    RangeRows rows;
    ListRecordsOfDate(userName, start, end, days, rows);
    records = rows.toRecords();
}

void TclsDatabaseUser::ListRecordsOfDate(const QString &userName, const QDate &start, const QDate &end,
                                         DayTotals &days, RangeRows &records)
{
    DayTotals dayLists;
    RangeRows rows;
    const qint64 dayCount = start.daysTo(end) + 1;
    if (dayCount > 0) {
        const QByteArray n = EncodeField(userName);
        QList<QByteArray> dayKeys;
        dayKeys.reserve(dayCount);
        dayLists.date.reserve(dayCount);
        for (QDate d = start; d <= end; d = d.addDays(1)) {
            dayKeys.append(isoDate(d));
            dayLists.date.append(QString::fromLatin1(dayKeys.constLast()));
        }
        QList<double> expense(dayCount, 0.0);
        QList<double> income(dayCount, 0.0);

        Operate([&] {
            rows.start(dayLists.date);
            std::fill(expense.begin(), expense.end(), 0.0);
            std::fill(income.begin(), income.end(), 0.0);
            // One query for the whole range, in the order of a day-by-day
            // listing: by day, a day's expenses (their stored type sorts
            // first) before its income, each group in the order of saving.
            Recordset rs = g_objConnection->Query(
                "select ID, Program_Date, Program_Type, Program_Name, Program_Money, Program_Memo "
                "from All_Table where User_Name=?1 and Program_Date>=?2 and Program_Date<=?3 "
                "order by Program_Date asc, Program_Type asc, ID asc",
                {n, dayKeys.constFirst(), dayKeys.constLast()});
            const int cId = rs.FieldIndex("ID");
            const int cDate = rs.FieldIndex("Program_Date");
            const int cType = rs.FieldIndex("Program_Type");
            const int cName = rs.FieldIndex("Program_Name");
            const int cMoney = rs.FieldIndex("Program_Money");
            const int cMemo = rs.FieldIndex("Program_Memo");
            qsizetype day = 0;
            // Only the bytes are kept here; the texts are decoded when shown.
            for (; !rs.IsEOF(); rs.MoveNext()) {
                int length = 0;
                const char *date = rs.FieldRaw(cDate, &length);
                const QByteArray dateKey = QByteArray::fromRawData(date, length);
                while (day < dayCount && dayKeys.at(day) < dateKey)
                    ++day;
                if (day == dayCount)
                    break;
                if (dayKeys.at(day) != dateKey)
                    continue; // not a day of the range (a malformed stored date)
                const qint64 id = rs.FieldInteger(cId);
                const char *raw = rs.FieldRaw(cType, &length);
                const int type = rows.typeOf(raw, length);
                const double money = rs.FieldDouble(cMoney);
                int nameLength = 0;
                const char *name = rs.FieldRaw(cName, &nameLength);
                const char *memo = rs.FieldRaw(cMemo, &length);
                if (rows.typeIsExpense(type))
                    expense[day] += money;
                else
                    income[day] += money;
                rows.append(id, int(day), type, name, nameLength, money, memo, length);
            }
        });
        dayLists.expense.reserve(dayCount);
        dayLists.income.reserve(dayCount);
        dayLists.balance.reserve(dayCount);
        for (qsizetype i = 0; i < dayCount; ++i) {
            dayLists.expense.append(FormatAmount(expense.at(i)));
            dayLists.income.append(FormatAmount(income.at(i)));
            dayLists.balance.append(FormatAmount(income.at(i) - expense.at(i)));
        }
    }
    days = std::move(dayLists);
    records = std::move(rows);
}

void TclsDatabaseUser::DeleteRecord(const QString &id)
{
    const qint64 key = checkedId(id);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        g_objConnection->Execute("delete from All_Table where ID=?1", {key});
        checkRecordFound(*g_objConnection, id);
        transaction.Commit();
    });
}

void TclsDatabaseUser::UpdateRecord(const QString &id, const QString &name, const QString &amount,
                                    const QString &memo)
{
    const qint64 key = checkedId(id);
    const double value = ParseAmountText(amount);
    const QByteArray m = EncodeField(name);
    const QByteArray o = EncodeField(memo);
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        g_objConnection->Execute(
            "update All_Table set Program_Name=?1,Program_Money=?2,Program_Memo=?3 where ID=?4", {m, value, o, key});
        checkRecordFound(*g_objConnection, id);
        transaction.Commit();
    });
}

// --- Per-item totals ----------------------------------------------------------

void TclsDatabaseUser::GetProgramTotals(const QString &userName, const QString &recordType, const QDate &start,
                                        const QDate &end, ProgramTotals &totals)
{
    ProgramTotals result;
    if (start.daysTo(end) >= 0) {
        const QByteArray n = EncodeField(userName);
        const QByteArray t = EncodeField(recordType);
        QList<QByteArray> keys; // encoded names
        QHash<QByteArray, double> sums;
        double rangeTotal = 0;
        Operate([&] {
            keys.clear();
            sums.clear();
            rangeTotal = 0;
            Recordset rs = g_objConnection->Query(
                "select Program_Name, Program_Money from All_Table where Program_Date>=?1 and "
                "Program_Date<=?2 and User_Name=?3 and Program_Type=?4 order by ID",
                {isoDate(start), isoDate(end), n, t});
            const int cName = rs.FieldIndex("Program_Name");
            const int cMoney = rs.FieldIndex("Program_Money");
            for (; !rs.IsEOF(); rs.MoveNext()) {
                const QByteArray key = rs.FieldBytes(cName);
                const double money = rs.FieldDouble(cMoney);
                auto it = sums.find(key);
                if (it == sums.end()) {
                    keys.append(key);
                    sums.insert(key, money);
                } else {
                    it.value() += money;
                }
                // In saving order, as a query per item and one for the range
                // would add them: floating-point sums depend on the order.
                rangeTotal += money;
            }
        });
        // Equal totals keep the order of the stored names.
        std::sort(keys.begin(), keys.end());
        QList<double> rounded;
        for (const QByteArray &key : keys) {
            const double sum = sums.value(key);
            result.name.append(DecodeField(key));
            result.total.append(FormatAmount(sum));
            // A zero range total cannot come from amounts the program writes,
            // but must still show a number rather than nan or inf.
            result.share.append(FormatAmount(rangeTotal != 0 ? 100.0 * sum / rangeTotal : 0.0));
            rounded.append(ParseAmountText(result.total.constLast()));
        }
        // Exchange sort on the rounded totals, largest first; equal totals are
        // never exchanged.
        const qsizetype count = rounded.size();
        for (qsizetype i = 0; i + 1 < count; ++i) {
            for (qsizetype j = i + 1; j < count; ++j) {
                if (rounded.at(i) < rounded.at(j)) {
                    rounded.swapItemsAt(i, j);
                    result.name.swapItemsAt(i, j);
                    result.total.swapItemsAt(i, j);
                    result.share.swapItemsAt(i, j);
                }
            }
        }
    }
    totals = std::move(result);
}
