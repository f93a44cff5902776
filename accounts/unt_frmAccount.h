#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TclsDatabaseUser;

// The modal dialog in which users are created, passwords changed and users
// deleted: one tab page per task and one OK button whose meaning depends on
// the page shown. A task that succeeds ends the dialog with OK.
class TfrmAccount : public QDialog
{
    Q_OBJECT
public:
    // An empty path means the program's own database.
    explicit TfrmAccount(QWidget *parent = nullptr, const QString &databasePath = QString());
    ~TfrmAccount() override;

    void LoadUserNames();
    void btnOkClick();
    void btnCancelClick();
    void cboModify_UserNameClick();
    void cboDelete_UserNameClick();
    void pgeAccountChange();

    QTabWidget *pgeAccount;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3;
    QPushButton *btnOk, *btnCancel;

    QLineEdit *edtNew_UserName, *edtNew_Password1, *edtNew_Password2;
    QLabel *lblNew_Notice;

    QComboBox *cboModify_UserName;
    QLineEdit *edtModify_OldPassword, *edtModify_NewPassword1, *edtModify_NewPassword2;

    QComboBox *cboDelete_UserName;
    QLineEdit *edtDelete_Password;
    QLabel *lblDelete_Notice;

private:
    void FormCreate(const QString &databasePath);
    void NewUserOk();
    void ModifyPasswordOk();
    void DeleteUserOk();

    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;
};
