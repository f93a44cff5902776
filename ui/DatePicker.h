#pragma once

#include <QDateEdit>

// The program's date picker: "yyyy-MM-dd" with a calendar drop-down. Tab
// moves on to the next control, as in every other field, instead of
// stepping through the year, month and day.
class DatePicker : public QDateEdit
{
public:
    DatePicker(QWidget *parent, const QString &name, const QRect &place);

protected:
    bool focusNextPrevChild(bool next) override;
};
