#include "StatementTypes.h"

#include "TextCodec.h"

#include <QCryptographicHash>

QString SourceName(StatementSource source)
{
    switch (source) {
    case StatementSource::Alipay:
        return QStringLiteral("alipay");
    case StatementSource::WeChat:
        return QStringLiteral("wechat");
    case StatementSource::BankCsv:
        return QStringLiteral("bank-csv");
    case StatementSource::BankXls:
        return QStringLiteral("bank-xls");
    case StatementSource::Ofx:
        return QStringLiteral("ofx");
    case StatementSource::Qif:
        return QStringLiteral("qif");
    }
    return QStringLiteral("unknown");
}

namespace {
struct MappingField {
    const char *key;
    int ColumnMapping::*column;
};
const MappingField kMappingFields[] = {
    {"date", &ColumnMapping::date},
    {"time", &ColumnMapping::time},
    {"amount", &ColumnMapping::amount},
    {"debit", &ColumnMapping::debit},
    {"credit", &ColumnMapping::credit},
    {"description", &ColumnMapping::description},
    {"counterparty", &ColumnMapping::counterparty},
    {"memo", &ColumnMapping::memo},
    {"balance", &ColumnMapping::balance},
    {"header", &ColumnMapping::headerLine},
};
} // namespace

QString ColumnMapping::toText() const
{
    QStringList parts;
    for (const MappingField &field : kMappingFields)
        parts.append(QStringLiteral("%1=%2").arg(QLatin1String(field.key)).arg(this->*field.column));
    parts.append(QStringLiteral("outpositive=%1").arg(amountOutPositive ? 1 : 0));
    return parts.join(QLatin1Char(';'));
}

std::optional<ColumnMapping> ColumnMapping::fromText(const QString &text)
{
    ColumnMapping mapping;
    const QStringList parts = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    for (const QString &part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return std::nullopt;
        const QString key = part.left(eq).trimmed();
        bool ok = false;
        const int value = part.mid(eq + 1).trimmed().toInt(&ok);
        if (!ok || value < -1)
            return std::nullopt;
        if (key == QLatin1String("outpositive")) {
            if (value != 0 && value != 1)
                return std::nullopt;
            mapping.amountOutPositive = value == 1;
            continue;
        }
        bool known = false;
        for (const MappingField &field : kMappingFields) {
            if (key == QLatin1String(field.key)) {
                mapping.*field.column = value;
                known = true;
            }
        }
        // A key this version does not know was written by a later one; the
        // columns it does know are still right, so it is passed over.
        (void)known;
    }
    if (mapping.headerLine < 0)
        return std::nullopt;
    return mapping;
}

QString BankTable::headerKey() const
{
    // The decoded cells, trimmed: the same header read from a UTF-8 and a
    // GB18030 file, or padded differently, is the same header.
    QStringList cells;
    for (const QString &cell : header)
        cells.append(TrimBlanks(cell));
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    const QByteArray digest =
        QCryptographicHash::hash(cells.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("h%1:").arg(cells.size()) + QString::fromLatin1(digest);
}

QString ImportError::describe() const
{
    if (m_line > 0)
        return QStringLiteral("文件 %1 第 %2 行：%3").arg(m_path).arg(m_line).arg(m_message);
    return QStringLiteral("文件 %1：%2").arg(m_path, m_message);
}
