#pragma once

#include "MainWindowFields.h"
#include "Recurrence.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds or changes one recurring entry. OK checks what was typed (telling the
// first fault and focusing its field) and stores the entry; the dialog ends
// only once it is stored.
class TfrmRecurringEntry : public QDialog
{
    Q_OBJECT
public:
    // `entry` with id 0 adds a new one, dated `today`.
    TfrmRecurringEntry(MainWindowFields &fields, const RecurringEntry &entry, const QDate &today,
                       QWidget *parent = nullptr);

    void btnOkClick();
    const RecurringEntry &entry() const { return m_entry; } // as stored after OK

    QComboBox *typeBox() const { return cboType; }
    QComboBox *nameBox() const { return cboName; }
    QLineEdit *amountEdit() const { return edtMoney; }
    QLineEdit *memoEdit() const { return edtMemo; }
    QComboBox *kindBox() const { return cboKind; }
    QLineEdit *dayEdit() const { return edtDay; }
    QComboBox *weekdayBox() const { return cboWeekday; }
    QLineEdit *monthEdit() const { return edtMonth; }
    QDateEdit *firstPicker() const { return dtpFirst; }
    QCheckBox *endCheck() const { return chkEnd; }
    QDateEdit *endPicker() const { return dtpEnd; }

private:
    void fillNames();
    void showKind();
    RecurringInput input() const;

    MainWindowFields &m_fields;
    RecurringEntry m_entry;
    QDate m_today;
    ProgramNameLists m_lists;

    QComboBox *cboType;
    QComboBox *cboName;
    QLineEdit *edtMoney;
    QLineEdit *edtMemo;
    QComboBox *cboKind;
    QLabel *lblDay;
    QLineEdit *edtDay;
    QComboBox *cboWeekday;
    QLabel *lblMonth;
    QLineEdit *edtMonth;
    QDateEdit *dtpFirst;
    QCheckBox *chkEnd;
    QDateEdit *dtpEnd;
    QPushButton *btnOk;
};
