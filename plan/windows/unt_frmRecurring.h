#pragma once

#include "MainWindowFields.h"
#include "PlanData.h"

#include <QDate>
#include <QDialog>

class QPushButton;
class QTreeWidget;

// "定期收支": the user's recurring entries, to add, change, pause and
// delete. What is due is offered at the next login. Closed by its frame.
class TfrmRecurring : public QDialog
{
    Q_OBJECT
public:
    TfrmRecurring(MainWindowFields &fields, const QDate &today, QWidget *parent = nullptr);

    void reload();
    void btnAddClick();
    void btnChangeClick();
    void btnPauseClick();
    void btnDeleteClick();

    const QList<RecurringEntry> &entries() const { return m_entries; }
    QTreeWidget *list() const { return lvwRecurring; }

private:
    // The entry of the selected row; warns and returns -1 when none is.
    int selectedEntry();
    void selectEntry(qint64 id);

    MainWindowFields &m_fields;
    QDate m_today;
    QList<RecurringEntry> m_entries;
    ProgramNameLists m_lists;

    QTreeWidget *lvwRecurring;
    QPushButton *btnAdd;
    QPushButton *btnChange;
    QPushButton *btnPause;
    QPushButton *btnDelete;
};
