#pragma once

#include "BudgetPlan.h"
#include "MainWindowFields.h"

#include <QDate>
#include <QDialog>

class QDateEdit;
class QLabel;
class QTableWidget;
class QTableWidgetItem;

// "预算": the month's budget, spending, what is left and a bar for all
// expenses and each expense item. A budget typed in applies from the month
// shown on; the months before keep theirs. Closed by its frame.
class TfrmBudget : public QDialog
{
    Q_OBJECT
public:
    TfrmBudget(MainWindowFields &fields, const QDate &month, QWidget *parent = nullptr);

    QDate month() const { return m_month; }
    void setMonth(const QDate &month); // reads the ledger again
    const QList<BudgetLine> &lines() const { return m_lines; }
    QTableWidget *table() const { return tblBudget; }

    // Takes the text typed into the budget cell of a line: empty removes the
    // budget from this month on, anything else follows the entry panels'
    // amount rule. A refused text is told and the cell shows the old budget.
    void budgetEdited(int row, const QString &text);

    enum Column { ColItem, ColBudget, ColSpent, ColLeft, ColBar, ColumnCount };

private:
    void fill();

    MainWindowFields &m_fields;
    QDate m_month;
    QList<BudgetLine> m_lines;
    bool m_filling = false;

    QDateEdit *dtpMonth;
    QTableWidget *tblBudget;
    QLabel *lblNote;
};
