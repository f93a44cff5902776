#pragma once

#include <QValidator>

class QLineEdit;

// Limits an edit to a number of GBK bytes (a Chinese character takes two),
// the way the stored names and passwords are measured. Typing or pasting
// beyond the limit is refused.
class GbkLengthValidator : public QValidator
{
    Q_OBJECT
public:
    GbkLengthValidator(int maxBytes, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    int m_maxBytes;
};

// Gives the edit the byte limit (and the same number as its character limit,
// which can never be the tighter one).
void LimitGbkBytes(QLineEdit *edit, int maxBytes);
