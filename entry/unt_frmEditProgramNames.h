#pragma once

#include "MainWindowFields.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The modal editor of one item-name list as plain text, one name per line.
// On save it stores the text, reloads the lists and hands the fresh list of
// its kind back through savedNames(); the caller decides where it goes.
class TfrmEditProgramNames : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmEditProgramNames(MainWindowFields &fields, QWidget *parent = nullptr);
    ~TfrmEditProgramNames() override;

    // Handed over by the opener before the dialog is shown.
    void setUserName(const QString &userName) { g_strUserName = userName; }
    void setListKind(const QString &kind) { g_strListKind = kind; }
    void setLines(const QStringList &lines);
    // The list as stored and read back, once Save succeeded (the dialog was
    // accepted); empty before.
    const QStringList &savedNames() const { return m_savedNames; }

    void btnSaveClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    MainWindowFields &m_fields;
    QStringList m_savedNames;
    QString g_strUserName;
    QString g_strListKind;
    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;

    QLabel *lblNotice1 = nullptr;
    QLabel *lblNotice2 = nullptr;
    QPlainTextEdit *memEdit = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;
};
