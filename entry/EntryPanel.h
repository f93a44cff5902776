#pragma once

#include "MainWindowFields.h"

#include <QDate>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class TclsButtonCreator;

// One row of the pending list. identity is empty for a row typed in; rows
// that come from elsewhere (a statement, a recurring entry) carry one, so
// the store never keeps the same row twice.
struct PendingRow {
    QDate date;
    QString name;
    QString amount;
    QString memo;
    QString identity;
};

// One of the twin entry panels of the main window: the user types one ledger
// record at a time, collects them in the pending list and saves the whole
// list with one store call. Nothing reaches the database before that save.
class EntryPanel : public QWidget
{
    Q_OBJECT
public:
    enum Kind { Expense, Income };
    EntryPanel(Kind kind, MainWindowFields &fields, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    void setItemNames(const QStringList &names);
    void setDate(const QDate &date);
    int pendingCount() const;
    // Appends rows as Add does (total updated, the list's key made if the
    // list was empty); an identity travels with its row to the store and is
    // dropped with it when the row is deleted.
    void AddPendingRows(const QList<PendingRow> &rows);
    QList<PendingRow> pendingRows() const;
    // The pending list's save key: made with its first row, kept until the
    // list is saved or emptied, and sent unchanged on every retry, so saving
    // again after a lost answer never stores the rows twice.
    QString saveKey() const { return m_saveKey; }
    // Edit, Add, Delete, Finish, in that order.
    QList<TclsButtonCreator *> buttonCreators() const;

    void EditClick();
    void AddClick();
    void DeleteClick();
    void FinishClick();

    // The amount edit takes digits and the point only; Backspace passes.
    static bool IsAmountCharacter(QChar c);

signals:
    // After a successful 完成, with what was stored and the rows it saved.
    void saved(const SaveOutcome &outcome, const QList<PendingRow> &rows);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString prefixed(const QString &role) const; // "Out_Name" / "In_Name"
    QString recordType() const;
    QString listKind() const;
    void buildInputs();
    void buildList();
    void buildButtons();
    TclsButtonCreator *makeButton(const QString &role, const QString &caption, int left, int top,
                                  void (EntryPanel::*handler)());

    // Key handling; each returns true when the key was consumed.
    bool CheckKey(QKeyEvent *event);
    bool DateKeyPress(QKeyEvent *event);
    bool NameKeyPress(QKeyEvent *event);
    bool MemoKeyPress(QKeyEvent *event);

    TclsDatabaseUser &store() const;
    void UpdateTotal();
    void resetTotal();
    void appendRow(const PendingRow &row);
    // After the list lost rows: an emptied list forgets its key.
    void listShrank();

    Kind m_kind;
    MainWindowFields &m_fields;
    QIcon m_rowIcon;

    QDateEdit *m_date = nullptr;
    QComboBox *m_name = nullptr;
    QLineEdit *m_money = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QTreeWidget *m_list = nullptr;
    QLabel *m_total = nullptr;
    QString m_saveKey;

    TclsButtonCreator *m_btnEdit = nullptr;
    TclsButtonCreator *m_btnAdd = nullptr;
    TclsButtonCreator *m_btnDelete = nullptr;
    TclsButtonCreator *m_btnFinish = nullptr;
};

// The close questions of the main window: for each panel with pending rows
// (expense first) ask whether to save it; Yes runs that panel's FinishClick,
// No leaves the rows unsaved. There is no Cancel.
// Returns false when a save the user said Yes to failed: its rows are still
// pending and the window must stay open so they are not lost.
bool AskToSavePending(EntryPanel &expense, EntryPanel &income, QWidget *parent);
