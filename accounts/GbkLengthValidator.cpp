#include "GbkLengthValidator.h"

#include "TextCodec.h"

#include <QLineEdit>

GbkLengthValidator::GbkLengthValidator(int maxBytes, QObject *parent) : QValidator(parent), m_maxBytes(maxBytes)
{
}

QValidator::State GbkLengthValidator::validate(QString &input, int &) const
{
    return Gbk::byteLength(input) <= m_maxBytes ? Acceptable : Invalid;
}

void LimitGbkBytes(QLineEdit *edit, int maxBytes)
{
    edit->setMaxLength(maxBytes);
    edit->setValidator(new GbkLengthValidator(maxBytes, edit));
}
