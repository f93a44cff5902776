// QIF, the line-per-field format many desktop ledgers export: "!Type:Bank"
// opens a section, a letter starts each field (D date, T amount, P payee,
// M memo, N number, L category), and "^" ends a transaction.
#include "ReaderParts.h"

#include "TextCodec.h"

namespace ReaderParts {
namespace {

struct QifRecord {
    int line = 0;
    int dateLine = 0;
    QString date, amount, payee, memo, number, category;
};

enum class SectionKind { None, Transactions, Investment, List };

SectionKind sectionOf(const QString &type)
{
    const QString t = type.trimmed().toLower();
    if (t == QLatin1String("bank") || t == QLatin1String("cash") || t == QLatin1String("ccard") ||
        t == QLatin1String("oth a") || t == QLatin1String("oth l"))
        return SectionKind::Transactions;
    if (t == QLatin1String("invst") || t == QLatin1String("port"))
        return SectionKind::Investment;
    return SectionKind::List; // Cat, Class, Memorized, Security, Prices...
}

// The three numbers of a US or European date ("12/31/2026", "31/12'26",
// "1/ 5'07", "31.12.2026") and how its year was written.
struct DateParts {
    int first = 0, second = 0, year = 0;
    bool dots = false;
    bool valid = false;
};

DateParts splitDate(QString text)
{
    DateParts parts;
    text.remove(QLatin1Char(' '));
    const qsizetype apostrophe = text.indexOf(QLatin1Char('\''));
    QChar sep = QLatin1Char('/');
    if (text.contains(QLatin1Char('.')))
        sep = QLatin1Char('.'), parts.dots = true;
    else if (text.contains(QLatin1Char('-')))
        sep = QLatin1Char('-');
    QString dayMonth = text;
    QString year;
    if (apostrophe >= 0) {
        dayMonth = text.left(apostrophe);
        year = text.mid(apostrophe + 1);
    } else {
        const qsizetype last = text.lastIndexOf(sep);
        if (last < 0)
            return parts;
        dayMonth = text.left(last);
        year = text.mid(last + 1);
    }
    const QStringList dm = dayMonth.split(sep);
    if (dm.size() != 2 || dm.at(0).isEmpty() || dm.at(1).isEmpty() || dm.at(0).size() > 2 || dm.at(1).size() > 2)
        return parts;
    bool ok1 = false, ok2 = false, ok3 = false;
    parts.first = dm.at(0).toInt(&ok1);
    parts.second = dm.at(1).toInt(&ok2);
    parts.year = year.toInt(&ok3);
    if (!ok1 || !ok2 || !ok3)
        return parts;
    if (year.size() == 2)
        // An apostrophe marks the 2000s in QIF; a two-digit year after a
        // slash is read in a window around now (70-99 the 1900s).
        parts.year += apostrophe >= 0 || parts.year < 70 ? 2000 : 1900;
    else if (year.size() != 4)
        return parts;
    parts.valid = true;
    return parts;
}

} // namespace

StatementFile ReadQifText(const QString &path, const QString &text, const ReadCallbacks &callbacks)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    QList<QifRecord> records;
    SectionKind section = SectionKind::None;
    bool inAccountList = false;
    QifRecord current;
    bool open = false;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = TrimBlanks(lines.at(i));
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('!'))) {
            if (open)
                throw ImportError(path, current.line, QStringLiteral("这笔交易没有以“^”结束，文件可能已损坏。"));
            if (line.startsWith(QLatin1String("!Type:"), Qt::CaseInsensitive)) {
                section = sectionOf(line.mid(6));
                inAccountList = false;
                if (section == SectionKind::Investment)
                    throw ImportError(path, lineNo,
                                      QStringLiteral("这是投资账户（%1）的记录；只能导入银行、现金和信用卡账户的收支，"
                                                     "投资交易请在投资软件中管理。")
                                          .arg(line));
            } else if (line.startsWith(QLatin1String("!Account"), Qt::CaseInsensitive)) {
                inAccountList = true; // the account's name and type; its transactions follow under !Type
            } // !Option and !Clear switches change nothing here
            continue;
        }
        if (inAccountList || section == SectionKind::List)
            continue;
        if (section == SectionKind::None)
            throw ImportError(path, lineNo, QStringLiteral("QIF 文件在第一笔交易前缺少“!Type:”行。"));
        if (!open) {
            current = QifRecord();
            current.line = lineNo;
            open = true;
        }
        const QChar code = line.at(0);
        const QString value = line.mid(1).trimmed();
        switch (code.unicode()) {
        case '^':
            if (current.date.isEmpty())
                throw ImportError(path, current.line, QStringLiteral("这笔交易没有日期（D 行）。"));
            if (current.amount.isEmpty())
                throw ImportError(path, current.line, QStringLiteral("这笔交易没有金额（T 行）。"));
            records.append(current);
            open = false;
            break;
        case 'D':
            current.date = value;
            current.dateLine = lineNo;
            break;
        case 'T':
        case 'U':
            if (current.amount.isEmpty() || code == QLatin1Char('T'))
                current.amount = value;
            break;
        case 'P':
            current.payee = value;
            break;
        case 'M':
            current.memo = value;
            break;
        case 'N':
            current.number = value;
            break;
        case 'L':
            current.category = value;
            break;
        default:
            break; // cleared flag, address lines, splits: the total says it all
        }
    }
    if (open)
        throw ImportError(path, current.line, QStringLiteral("文件在一笔交易中间结束，文件不完整。"));

    // Day or month first is decided for the whole file: a first number above
    // 12 anywhere means day first, a second number above 12 month first;
    // when nothing tells, month first (QIF's own convention) unless the file
    // writes dates with dots, the European way.
    bool dayFirstSeen = false, monthFirstSeen = false, dots = false;
    int dayFirstLine = 0, monthFirstLine = 0;
    for (const QifRecord &record : records) {
        const DateParts p = splitDate(record.date);
        if (!p.valid)
            continue;
        dots = dots || p.dots;
        if (p.first > 12 && !dayFirstSeen)
            dayFirstSeen = true, dayFirstLine = record.dateLine;
        if (p.second > 12 && !monthFirstSeen)
            monthFirstSeen = true, monthFirstLine = record.dateLine;
    }
    if (dayFirstSeen && monthFirstSeen)
        throw ImportError(path, std::max(dayFirstLine, monthFirstLine),
                          QStringLiteral("日期的写法前后不一致：第 %1 行是“日/月”，第 %2 行是“月/日”。")
                              .arg(dayFirstLine)
                              .arg(monthFirstLine));
    const bool dayFirst = dayFirstSeen || (!monthFirstSeen && dots);

    StatementFile file;
    file.path = path;
    file.source = StatementSource::Qif;
    Progress progress(callbacks, int(records.size()));
    int done = 0;
    for (const QifRecord &record : records) {
        progress.step(++done);
        StatementRow row;
        row.line = record.line;
        const DateTimeText iso = ParseStatementDate(record.date);
        if (iso.status == DateStatus::Ok) {
            row.date = iso.date;
        } else {
            const DateParts p = splitDate(record.date);
            if (!p.valid)
                throw ImportError(path, record.dateLine, DateProblem(iso.status, record.date));
            const QDate date(p.year, dayFirst ? p.second : p.first, dayFirst ? p.first : p.second);
            if (!date.isValid())
                throw ImportError(path, record.dateLine, DateProblem(DateStatus::NoSuchDay, record.date));
            if (!IsDateInRange(date))
                throw ImportError(path, record.dateLine, DateProblem(DateStatus::OutOfRange, record.date));
            row.date = date;
        }
        const std::optional<Money> money = ParseMoney(record.amount);
        if (!money)
            throw ImportError(path, record.line, QStringLiteral("金额“%1”无法识别。").arg(record.amount));
        row.amount = money->amount;
        row.direction = money->negative ? Direction::Expense : Direction::Income;
        // "[Savings]" names another account of the household: a transfer.
        if (record.category.startsWith(QLatin1Char('[')) && record.category.contains(QLatin1Char(']')))
            row.direction = Direction::Neutral;
        row.counterparty = record.payee;
        row.goods = record.memo;
        row.category = record.category;
        row.orderNo = record.number;
        file.rows.append(row);
    }
    return file;
}

} // namespace ReaderParts
