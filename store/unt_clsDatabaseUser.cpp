#include "unt_clsDatabaseUser.h"

#include "AmountText.h"
#include "StoreReading.h"
#include "DefaultLists.h"
#include "KavloError.h"
#include "LedgerFiles.h"
#include "ProgramPlaces.h"
#include "TextCodec.h"

#include <QFileInfo>
#include <QHash>

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

// Amounts repeat as well: one shared text per value keeps a long range from
// holding a string of its own for every record's amount.
class AmountCache
{
public:
    QString format(double value)
    {
        quint64 key;
        std::memcpy(&key, &value, sizeof key);
        auto it = m_cache.constFind(key);
        if (it != m_cache.constEnd())
            return it.value();
        const QString text = FormatAmount(value);
        if (m_cache.size() < 4096)
            m_cache.insert(key, text);
        return text;
    }

private:
    QHash<quint64, QString> m_cache;
};

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
    return RenewUserRow(EncodeField(userName), EncodeField(oldPassword), EncodeField(newPassword));
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
        {
            Recordset rs = g_objConnection->Query(kCredentialQuery, {n, password});
            if (countRows(rs) == 0)
                return false;
        }
        // Writing the row again makes it the newest, so this user comes first
        // in the list the login dialog preselects from. One transaction: the
        // user's row can never be lost between the delete and the insert.
        g_objConnection->Execute("delete from Users_Table where User_Name=?1", {n});
        g_objConnection->Execute("insert into Users_Table (User_Name,User_Password) values (?1,?2)",
                                 {n, newPassword});
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
    Operate([&] {
        if (kind == kKindExpenseNames)
            g_objConnection->Execute("update Programs_Table set Out_Program_Names=?1 where User_Name=?2", {l, n});
        else
            g_objConnection->Execute("update Programs_Table set In_Program_Names=?1 where User_Name=?2", {l, n});
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

void TclsDatabaseUser::AddRecord(const QString &userName, const QString &recordType, const QStringList &dates,
                                 const QStringList &names, const QStringList &amounts, const QStringList &memos)
{
    const qsizetype count = dates.size();
    if (names.size() < count || amounts.size() < count || memos.size() < count)
        throw KavloError(QStringLiteral("AddRecord: the lists of a batch differ in length"));
    const QByteArray n = EncodeField(userName);
    const QByteArray t = EncodeField(recordType);
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
    nameTexts.reserve(count);
    memoTexts.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        nameTexts.append(EncodeField(names.at(i)));
        memoTexts.append(EncodeField(memos.at(i)));
    }
    Operate([&] {
        LedgerTransaction transaction(*g_objConnection, TransactionKind::Records);
        QByteArray fullStatement;
        QList<SqlValue> params;
        for (qsizetype first = 0; first < count; first += kRowsPerInsert) {
            const int rows = int(std::min<qsizetype>(kRowsPerInsert, count - first));
            params.clear();
            params.reserve(rows * 6);
            for (qsizetype i = first; i < first + rows; ++i)
                params << dateTexts.at(i) << t << nameTexts.at(i) << values.at(i) << memoTexts.at(i) << n;
            if (rows == kRowsPerInsert && fullStatement.isEmpty())
                fullStatement = insertRecordsStatement(rows);
            g_objConnection->Execute(rows == kRowsPerInsert ? fullStatement.constData()
                                                            : insertRecordsStatement(rows).constData(),
                                     params.constData(), int(params.size()));
        }
        transaction.Commit();
    });
}

void TclsDatabaseUser::ListRecordsOfDate(const QString &userName, const QDate &start, const QDate &end,
                                         DayTotals &days, RangeRecords &records)
{
    DayTotals dayLists;
    RangeRecords recordLists;
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
            recordLists = RangeRecords();
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
            DecodeCache types;
            DecodeCache names;
            DecodeCache memos;
            AmountCache amounts;
            qsizetype day = 0;
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
                const QString type = types.decode(raw, length);
                const double money = rs.FieldDouble(cMoney);
                raw = rs.FieldRaw(cName, &length);
                const QString name = names.decode(raw, length);
                raw = rs.FieldRaw(cMemo, &length);
                const QString memo = memos.decode(raw, length);
                if (type == kTypeExpense)
                    expense[day] += money;
                else
                    income[day] += money;
                recordLists.id.append(QString::number(id));
                recordLists.date.append(dayLists.date.at(day));
                recordLists.type.append(type);
                recordLists.name.append(name);
                recordLists.amount.append(amounts.format(money));
                recordLists.memo.append(memo);
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
    records = std::move(recordLists);
}

void TclsDatabaseUser::DeleteRecord(const QString &id)
{
    const qint64 key = checkedId(id);
    Operate([&] {
        g_objConnection->Execute("delete from All_Table where ID=?1", {key});
        checkRecordFound(*g_objConnection, id);
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
        g_objConnection->Execute(
            "update All_Table set Program_Name=?1,Program_Money=?2,Program_Memo=?3 where ID=?4", {m, value, o, key});
        checkRecordFound(*g_objConnection, id);
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
