#include "AmountText.h"

#include "KavloError.h"

#include <cmath>

QString FormatAmount(double value)
{
    // QString::number is locale-independent: the ledger always uses a point.
    QString text;
    // Only values that are multiples of 1/8 can sit exactly half-way between
    // two cents in binary (x.125, x.375, ...). printf rounds those to even;
    // money rounds them away from zero. Below 2^49 the cents of such a value
    // are exact, so std::round gives the right integer.
    const double eighths = value * 8.0;
    if (std::fabs(value) < 1e13 && eighths == std::floor(eighths)) {
        const double cents = std::round(value * 100.0);
        text = QString::number(cents / 100.0, 'f', 2);
    } else {
        text = QString::number(value, 'f', 2);
    }
    // A figure that rounds to zero is zero, whatever its sign was.
    if (text.startsWith(QLatin1Char('-'))) {
        bool allZero = true;
        for (qsizetype i = 1; i < text.size(); ++i)
            if (text.at(i) != QLatin1Char('0') && text.at(i) != QLatin1Char('.'))
                allZero = false;
        if (allZero)
            text.remove(0, 1);
    }
    return text;
}

bool ParseDecimal(const QString &text, double *value)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    int i = 0;
    if (s.at(0) == QLatin1Char('+') || s.at(0) == QLatin1Char('-'))
        ++i;
    int digits = 0;
    int points = 0;
    for (; i < s.size(); ++i) {
        const QChar ch = s.at(i);
        if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
            ++digits;
        else if (ch == QLatin1Char('.') && points == 0)
            ++points;
        else
            return false;
    }
    if (digits == 0)
        return false;
    bool ok = false;
    *value = s.toDouble(&ok); // C locale, whatever the user's locale is
    return ok && std::isfinite(*value);
}

double ParseAmountText(const QString &text)
{
    double value = 0;
    if (!ParseDecimal(text, &value))
        throw KavloError(QStringLiteral("'%1' is not a valid amount").arg(text));
    return value;
}

AmountResult NormalizeAmount(const QString &typed)
{
    QString s = QLatin1Char('0') + typed;
    s += s.contains(QLatin1Char('.')) ? QStringLiteral("00") : QStringLiteral(".00");
    double value = 0;
    if (!ParseDecimal(s, &value))
        return {AmountStatus::NotANumber, QString()};
    if (!(value > 0))
        return {AmountStatus::NotPositive, QString()};
    return {AmountStatus::Ok, FormatAmount(value)};
}
