#pragma once

#include "unt_clsDatabaseUser.h"

#include <QDialog>

#include <functional>
#include <memory>

class PlainTextLimit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Changes the item name, amount and memo of one stored record. On success it
// stores the change, writes it into the browse panel's selected detail row
// and ends with Accepted; every other way out leaves store and row alone.
class TfrmModifyRecord : public QDialog
{
    Q_OBJECT
public:
    // Receives the stored item name, amount and memo for the opener's
    // selected detail row (columns 3, 4 and 5 of lvwInAndOut_List2).
    using StoredChange = std::function<void(const QString &name, const QString &amount, const QString &memo)>;

    TfrmModifyRecord(const QString &databasePath, StoredChange writeRow, QWidget *parent = nullptr);
    ~TfrmModifyRecord() override;

    // The opener's record: its ID and the detail row's texts, shown whole even
    // where they exceed the fields' limits.
    void SetRecord(const QString &id, const QString &date, const QString &name, const QString &amount,
                   const QString &memo);

    void btnSaveClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void rejectAmount(const QString &message);

    QString m_databasePath;
    StoredChange m_writeRow;
    QString g_strID;
    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;

    QLineEdit *edtDate;
    QLineEdit *edtName;
    QLineEdit *edtMoney;
    QPlainTextEdit *memMemo;
    PlainTextLimit *m_memoLimit; // the memo's length limit, a child of the memo
    QPushButton *btnSave;
    QPushButton *btnCancel;
};
