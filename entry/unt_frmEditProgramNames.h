#pragma once

#include "MainWindowFields.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <memory>

class EntryPanel;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The modal editor of one item-name list as plain text, one name per line.
// On save it stores the text, reloads the lists and puts the fresh list into
// the name box of the panel that opened it.
class TfrmEditProgramNames : public QDialog
{
    Q_OBJECT
public:
    TfrmEditProgramNames(MainWindowFields &fields, EntryPanel *opener, QWidget *parent = nullptr);
    ~TfrmEditProgramNames() override;

    // Handed over by the opener before the dialog is shown.
    void setUserName(const QString &userName) { g_strUserName = userName; }
    void setListKind(const QString &kind) { g_strListKind = kind; }
    void setLines(const QStringList &lines);

    void btnSaveClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    MainWindowFields &m_fields;
    QPointer<EntryPanel> m_opener;
    QString g_strUserName;
    QString g_strListKind;
    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;

    QLabel *lblNotice1 = nullptr;
    QLabel *lblNotice2 = nullptr;
    QPlainTextEdit *memEdit = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;
};
