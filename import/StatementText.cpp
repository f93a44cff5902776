#include "StatementText.h"

#include "AmountText.h"
#include "TextCodec.h"

#include <QStringDecoder>

std::optional<QString> DecodeStatementText(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes.mid(2));
    } else {
        QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = strict.decode(bytes);
        if (strict.hasError())
            text = Gbk::decode(bytes);
    }
    // Text files carry tabs and line breaks, never NUL or the other C0 codes;
    // a file with them is a binary file whatever its name says.
    for (QChar ch : text) {
        const ushort u = ch.unicode();
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f')
            return std::nullopt;
    }
    return text;
}

bool SplitCsv(const QString &text, TextTable *table, int *badLine)
{
    table->rows.clear();
    table->lines.clear();
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    int line = 1;
    while (p < end) {
        QStringList cells;
        const int startLine = line;
        QString cell;
        bool rowDone = false;
        while (!rowDone) {
            cell.clear();
            // Blanks before an opening quote ("  "ab"") belong to padding.
            const QChar *q = p;
            while (q < end && (*q == QLatin1Char(' ') || *q == QLatin1Char('\t')))
                ++q;
            if (q < end && *q == QLatin1Char('"')) {
                p = q + 1;
                bool closed = false;
                while (p < end) {
                    if (*p == QLatin1Char('"')) {
                        if (p + 1 < end && p[1] == QLatin1Char('"')) {
                            cell += QLatin1Char('"');
                            p += 2;
                            continue;
                        }
                        ++p;
                        closed = true;
                        break;
                    }
                    if (*p == QLatin1Char('\n'))
                        ++line;
                    cell += *p++;
                }
                if (!closed) {
                    *badLine = startLine;
                    return false;
                }
                // Whatever follows the closing quote up to the separator
                // (often the padding) is kept, as spreadsheets do.
                while (p < end && *p != QLatin1Char(',') && *p != QLatin1Char('\n') && *p != QLatin1Char('\r'))
                    cell += *p++;
                cells.append(TrimBlanks(cell));
            } else {
                const QChar *from = p;
                while (p < end && *p != QLatin1Char(',') && *p != QLatin1Char('\n') && *p != QLatin1Char('\r'))
                    ++p;
                cells.append(TrimBlanks(QString(from, p - from)));
            }
            if (p >= end) {
                rowDone = true;
            } else if (*p == QLatin1Char(',')) {
                ++p;
                if (p >= end)
                    cells.append(QString()), rowDone = true;
            } else {
                if (*p == QLatin1Char('\r') && p + 1 < end && p[1] == QLatin1Char('\n'))
                    ++p;
                ++p;
                ++line;
                rowDone = true;
            }
        }
        if (cells.size() == 1 && cells.first().isEmpty())
            cells.clear();
        table->rows.append(cells);
        table->lines.append(startLine);
    }
    return true;
}

namespace {
bool stripPrefix(QString &s, const QString &prefix)
{
    if (s.startsWith(prefix, Qt::CaseInsensitive)) {
        s = s.mid(prefix.size()).trimmed();
        return true;
    }
    return false;
}
bool stripSuffix(QString &s, const QString &suffix)
{
    if (s.endsWith(suffix, Qt::CaseInsensitive)) {
        s.chop(suffix.size());
        s = s.trimmed();
        return true;
    }
    return false;
}
void stripCurrency(QString &s)
{
    static const QString marks[] = {QStringLiteral("¥"), QStringLiteral("￥"), QStringLiteral("RMB"),
                                    QStringLiteral("CNY"), QStringLiteral("$")};
    for (const QString &mark : marks)
        stripPrefix(s, mark);
    stripSuffix(s, QStringLiteral("元"));
    stripSuffix(s, QStringLiteral("RMB"));
    stripSuffix(s, QStringLiteral("CNY"));
}
// "1,234,567.89": separators only between groups of three digits, so a
// European "1.234,56" or a typo "12,34" is refused rather than misread.
bool removeThousands(QString &s)
{
    if (!s.contains(QLatin1Char(',')))
        return true;
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? s : s.left(point);
    const QStringList groups = whole.split(QLatin1Char(','));
    if (groups.first().isEmpty() || groups.first().size() > 3)
        return false;
    for (qsizetype i = 1; i < groups.size(); ++i)
        if (groups.at(i).size() != 3)
            return false;
    if (point >= 0 && s.indexOf(QLatin1Char(','), point) >= 0)
        return false;
    s.remove(QLatin1Char(','));
    return true;
}
} // namespace

std::optional<Money> ParseMoney(const QString &text)
{
    QString s = TrimBlanks(text);
    s.remove(QChar(0x00a0));
    s.remove(QChar(0x3000));
    s.remove(QLatin1Char(' '));
    bool negative = false;
    int signs = 0;
    if ((s.startsWith(QLatin1Char('(')) && s.endsWith(QLatin1Char(')'))) ||
        (s.startsWith(QChar(0xff08)) && s.endsWith(QChar(0xff09)))) {
        s = s.mid(1, s.size() - 2).trimmed();
        negative = true;
        ++signs;
    }
    stripCurrency(s);
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(0x2212))) {
        negative = !negative;
        ++signs;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1Char('+'))) {
        ++signs;
        s = s.mid(1);
    }
    stripCurrency(s);
    if (s.endsWith(QLatin1Char('-'))) { // "12.00-", as some bank systems print debits
        negative = !negative;
        ++signs;
        s.chop(1);
    }
    if (signs > 1 || s.isEmpty() || !removeThousands(s))
        return std::nullopt;
    for (QChar ch : s)
        if (!ch.isDigit() && ch != QLatin1Char('.'))
            return std::nullopt;
    double value = 0;
    if (!ParseDecimal(s, &value))
        return std::nullopt;
    Money money;
    const AmountResult normal = NormalizeAmount(s);
    if (normal.status == AmountStatus::NotANumber)
        return std::nullopt;
    money.amount = normal.status == AmountStatus::Ok ? normal.text : QStringLiteral("0.00");
    const qsizetype point = money.amount.indexOf(QLatin1Char('.'));
    money.cents = (money.amount.left(point) + money.amount.mid(point + 1)).toLongLong();
    money.negative = negative && money.cents != 0;
    if (money.negative)
        money.cents = -money.cents;
    return money;
}

QString NormalizeTime(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return QString();
    int values[3] = {0, 0, 0};
    const int limits[3] = {24, 60, 61};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        QString part = parts.at(i);
        if (i == 2) {
            const qsizetype dot = part.indexOf(QLatin1Char('.')); // fractions of a second
            if (dot >= 0)
                part.truncate(dot);
        }
        values[i] = part.toInt(&ok);
        if (!ok || part.isEmpty() || part.size() > 2 || values[i] < 0 || values[i] >= limits[i])
            return QString();
    }
    return QStringLiteral("%1:%2:%3")
        .arg(values[0], 2, 10, QLatin1Char('0'))
        .arg(values[1], 2, 10, QLatin1Char('0'))
        .arg(qMin(values[2], 59), 2, 10, QLatin1Char('0'));
}

bool IsDateInRange(const QDate &date)
{
    return date.isValid() && date >= QDate(1900, 1, 1) && date <= QDate(9999, 12, 31);
}

DateTimeText ParseStatementDate(const QString &text)
{
    DateTimeText result;
    QString s = TrimBlanks(text);
    QString timePart;
    qsizetype split = s.indexOf(QLatin1Char(' '));
    if (split < 0)
        split = s.indexOf(QLatin1Char('T'));
    if (split > 0) {
        timePart = s.mid(split + 1).trimmed();
        s.truncate(split);
    }
    int y = 0, m = 0, d = 0;
    bool ok = false;
    if (s.contains(QChar(0x5e74))) { // 年
        QString t = s;
        t.replace(QChar(0x5e74), QLatin1Char('-')).replace(QChar(0x6708), QLatin1Char('-'));
        t.remove(QChar(0x65e5));
        s = t;
    }
    QStringList parts;
    for (QChar sep : {QLatin1Char('-'), QLatin1Char('/'), QLatin1Char('.')}) {
        if (s.contains(sep)) {
            parts = s.split(sep);
            break;
        }
    }
    if (parts.size() == 3) {
        bool oky = false, okm = false, okd = false;
        y = parts.at(0).toInt(&oky);
        m = parts.at(1).toInt(&okm);
        d = parts.at(2).toInt(&okd);
        ok = oky && okm && okd && parts.at(0).size() == 4 && parts.at(1).size() <= 2 && parts.at(2).size() <= 2 &&
             !parts.at(1).isEmpty() && !parts.at(2).isEmpty();
    } else if (parts.isEmpty() && s.size() == 8) {
        bool allDigits = true;
        for (QChar ch : s)
            allDigits = allDigits && ch.isDigit();
        if (allDigits) {
            y = s.left(4).toInt();
            m = s.mid(4, 2).toInt();
            d = s.mid(6, 2).toInt();
            ok = true;
        }
    }
    if (!ok)
        return result;
    if (!timePart.isEmpty()) {
        result.time = NormalizeTime(timePart);
        if (result.time.isEmpty())
            return result;
    }
    const QDate date(y, m, d);
    if (!date.isValid()) {
        result.status = DateStatus::NoSuchDay;
        return result;
    }
    if (!IsDateInRange(date)) {
        result.status = DateStatus::OutOfRange;
        return result;
    }
    result.status = DateStatus::Ok;
    result.date = date;
    return result;
}

QString DateProblem(DateStatus status, const QString &text)
{
    switch (status) {
    case DateStatus::NoSuchDay:
        return QStringLiteral("日期“%1”不存在。").arg(text);
    case DateStatus::OutOfRange:
        return QStringLiteral("日期“%1”超出了可记账的范围（1900-01-01 至 9999-12-31）。").arg(text);
    default:
        return QStringLiteral("“%1”不是可以识别的日期。").arg(text);
    }
}
