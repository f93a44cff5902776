#include "unt_frmLogin.h"

#include "AppFonts.h"
#include "DialogFrame.h"
#include "ErrorReport.h"
#include "FormBuilder.h"
#include "MessageBox.h"
#include "StorableText.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmAccount.h"
#include "unt_frmSplash.h"
#include "WindowSystem.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmLogin::TfrmLogin(QWidget *parent, const QString &databasePath)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setFont(KavloUiFont());
    // No system menu and no close box; the window manager's close, where it
    // still offers one (a key), cancels like the Cancel button.
    QWidget *client = MakeDrawnDialogFrame(this, QSize(376, 197));
    // Until the main window shows, the program has no taskbar entry.
    KeepOffTaskbar(this);

    lblNotice1 = AddLabel(client, QStringLiteral("lblNotice1"), QStringLiteral("1.如果第一次使用，请点“用户”按钮。"), 17, 19);
    lblNotice2 = AddLabel(client, QStringLiteral("lblNotice2"), QStringLiteral("2.得到用户名和密码后，即可在此登陆。"), 17, 39);
    lblNotice3 = AddLabel(client, QStringLiteral("lblNotice3"), QStringLiteral("3.如果多用户使用，请重复步骤1和步骤2。"), 17, 60);
    lblNotice4 = AddLabel(client, QStringLiteral("lblNotice4"), QStringLiteral("4.如果想修改密码，也请点“用户”按钮。"), 17, 81);
    lblUserName = AddLabel(client, QStringLiteral("lblUserName"), QStringLiteral("用户名："), 17, 124);
    cboUserName = AddChoiceList(client, QStringLiteral("cboUserName"), QRect(75, 120, 281, 20));
    lblPassword = AddLabel(client, QStringLiteral("lblPassword"), QStringLiteral("密  码："), 17, 158);
    edtPassword = AddEdit(client, QStringLiteral("edtPassword"), QRect(75, 154, 281, 20), 16, true);
    btnOK = AddButton(client, QStringLiteral("btnOK"), QStringLiteral("登陆(&O)"), QRect(281, 14, 75, 23));
    btnCancel = AddButton(client, QStringLiteral("btnCancel"), QStringLiteral("取消(&C)"), QRect(281, 45, 75, 23));
    btnAccount = AddButton(client, QStringLiteral("btnAccount"), QStringLiteral("用户(&U)"), QRect(281, 76, 75, 23));
    btnOK->setDefault(true);

    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, btnAccount);
    setTabOrder(btnAccount, cboUserName);
    edtPassword->setFocus();

    connect(btnOK, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnAccount, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { btnAccountClick(); }); });
    connect(cboUserName, &QComboBox::activated, this, [this] { cboUserNameClick(); });

    FormCreate(databasePath);
}

TfrmLogin::~TfrmLogin() = default;

void TfrmLogin::FormCreate(const QString &databasePath)
{
    setWindowTitle(MessageBox::title() + QStringLiteral(" - 登陆"));
    CentreOnScreen(this);

    // The splash covers the time spent opening the database; it goes away
    // again when this scope ends, also when loading fails.
    TfrmSplash splash;
    splash.show();
    splash.raise();
    QApplication::processEvents();

    g_objDatabaseUser = databasePath.isEmpty() ? std::make_unique<TclsDatabaseUser>()
                                               : std::make_unique<TclsDatabaseUser>(databasePath);
    ShowServerLine();
    LoadUserNames();
    splash.close();
}

void TfrmLogin::ShowServerLine()
{
    // Several computers may share one ledger: whoever logs in sees which.
    const LedgerLocation location = g_objDatabaseUser->location();
    if (!location.isServer())
        return;
    // On the client area beside the notices, whose coordinates it shares.
    lblServer = AddLabel(lblNotice4->parentWidget(), QStringLiteral("lblServer"), QString(), 17, 101);
    const int width = 281 - 17 - 8;
    lblServer->setFixedWidth(width);
    const QString text = QStringLiteral("账本服务器：") + location.describe();
    lblServer->setText(lblServer->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
    lblServer->setToolTip(text);
}

void TfrmLogin::LoadUserNames()
{
    cboUserName->clear();
    const QStringList names = g_objDatabaseUser->GetUserNames();
    cboUserName->addItems(names);
    // The store lists the user who logged in last first.
    if (!names.isEmpty())
        cboUserName->setCurrentIndex(0);
}

void TfrmLogin::btnOKClick()
{
    g_strUserName = cboUserName->currentText();
    const QString password = edtPassword->text();
    if (IsBlank(g_strUserName)) {
        MessageBox::warning(this, QStringLiteral("没有用户名，无法登陆！"));
        edtPassword->setFocus();
        return;
    }
    if (RefuseUnstorable(this, edtPassword, password, QStringLiteral("密码")))
        return;
    bool accepted = false;
    {
        BusyButton busy(btnOK);
        accepted = g_objDatabaseUser->CheckLogin(g_strUserName, password);
    }
    if (accepted) {
        accept();
        return;
    }
    MessageBox::error(this, QStringLiteral("登陆密码错误！"));
    edtPassword->setFocus();
}

void TfrmLogin::btnCancelClick() { reject(); }

void TfrmLogin::btnAccountClick()
{
    TfrmAccount account(this, g_objDatabaseUser->databasePath());
    if (account.exec() == QDialog::Accepted)
        LoadUserNames();
}

void TfrmLogin::cboUserNameClick() { edtPassword->setFocus(); }
