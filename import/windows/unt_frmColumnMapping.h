#pragma once

#include "StatementTypes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QTableWidget;

// Maps a bank file's columns once: which column holds the date, the amount
// (or separate money-out and money-in columns), the description, the
// counterparty, the memo and the balance. Shows the first rows of the file
// under its header so the user sees what each column holds.
class TfrmColumnMapping : public QDialog
{
    Q_OBJECT
public:
    TfrmColumnMapping(const QString &path, const BankTable &table, const ColumnMapping &proposal,
                      QWidget *parent = nullptr);

    ColumnMapping mapping() const;
    void setMapping(const ColumnMapping &mapping);
    // The column box of a role ("date", "amount", "debit", ...), for tests.
    QComboBox *columnBox(const QString &role) const;

    // Rows of the file shown under the header.
    static constexpr int kPreviewRows = 8;

    void btnOkClick();

private:
    struct Role {
        QString key;
        QComboBox *box;
    };
    QList<Role> m_roles;
    QCheckBox *chkMap_OutPositive;
    QTableWidget *tblMap_Preview;
    int m_headerLine;
};
