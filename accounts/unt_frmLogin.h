#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TclsDatabaseUser;

// The modal dialog through which a user enters the program. Creating it shows
// the splash, opens its own store and loads the user names; it ends with OK
// only when the store accepts the name and the password.
class TfrmLogin : public QDialog
{
    Q_OBJECT
public:
    // An empty path means the program's own database.
    explicit TfrmLogin(QWidget *parent = nullptr, const QString &databasePath = QString());
    ~TfrmLogin() override;

    void LoadUserNames();
    void btnOKClick();
    void btnCancelClick();
    void btnAccountClick();
    void cboUserNameClick();

    // The user name as last submitted with the login button (untrimmed).
    QString g_strUserName;

    QLabel *lblNotice1, *lblNotice2, *lblNotice3, *lblNotice4;
    QLabel *lblUserName, *lblPassword;
    QLabel *lblServer = nullptr; // only when the ledger is on a server
    QComboBox *cboUserName;
    QLineEdit *edtPassword;
    QPushButton *btnOK, *btnCancel, *btnAccount;

private:
    void FormCreate(const QString &databasePath);
    void ShowServerLine();

    std::unique_ptr<TclsDatabaseUser> g_objDatabaseUser;
};
