#pragma once

#include <QString>

// "%0.2f" as the ledger shows money: two decimals with a point. A value that
// lies exactly half-way in binary (0.125) rounds away from zero (0.13), and a
// value that rounds to zero never shows as "-0.00".
QString FormatAmount(double value);

// Parses a plain decimal: optional surrounding spaces, an optional sign,
// digits with at most one point. No exponent, inf, nan or hex, so a typed
// "1.5e2" can never turn into a different amount.
bool ParseDecimal(const QString &text, double *value);

// Like ParseDecimal for texts the program wrote itself; throws KavloError when
// the text is not a number (a damaged value must not pass as 0).
double ParseAmountText(const QString &text);

enum class AmountStatus { Ok, NotANumber, NotPositive };

struct AmountResult {
    AmountStatus status = AmountStatus::NotANumber;
    QString text; // the two-decimal amount when status is Ok
};

// The one rule for typed amounts: "0" is put in front, "00" appended when a
// point is present and ".00" otherwise, the result parsed as a plain decimal
// and accepted when greater than zero.
AmountResult NormalizeAmount(const QString &typed);
