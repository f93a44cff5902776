#include "DatePicker.h"

DatePicker::DatePicker(QWidget *parent, const QString &name, const QRect &place)
    : QDateEdit(QDate::currentDate(), parent)
{
    setObjectName(name);
    setGeometry(place);
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    setCalendarPopup(true);
}

bool DatePicker::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }
