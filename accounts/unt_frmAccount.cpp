#include "unt_frmAccount.h"

#include "AppFonts.h"
#include "BusyBracket.h"
#include "ErrorReport.h"
#include "FormBuilder.h"
#include "FormParts.h"
#include "MessageBox.h"
#include "StorableText.h"
#include "unt_clsDatabaseUser.h"
#include "WindowSystem.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {
const QColor kMaroon(128, 0, 0);

void setMaroon(QLabel *label) { SetTextColor(label, kMaroon); }

// Names the first empty one of the fields (in the order given), or none.
QLineEdit *firstEmpty(std::initializer_list<QLineEdit *> edits)
{
    for (QLineEdit *edit : edits)
        if (edit->text().isEmpty())
            return edit;
    return nullptr;
}
} // namespace

TfrmAccount::TfrmAccount(QWidget *parent, const QString &databasePath) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAccount"));
    setWindowTitle(QStringLiteral("用户管理"));
    setFont(KavloUiFont());
    setFixedSize(380, 240);
    // Opened from the login, while the program has no taskbar entry yet.
    KeepOffTaskbar(this);

    pgeAccount = new QTabWidget(this);
    pgeAccount->setObjectName(QStringLiteral("pgeAccount"));
    pgeAccount->setGeometry(12, 9, 355, 188);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    pgeAccount->addTab(TabSheet1, QStringLiteral("新建用户"));
    pgeAccount->addTab(TabSheet2, QStringLiteral("修改密码"));
    pgeAccount->addTab(TabSheet3, QStringLiteral("删除用户"));

    AddLabel(TabSheet1, QStringLiteral("lblNew_UserName"), QStringLiteral("用户名："), 42, 22);
    edtNew_UserName = AddEdit(TabSheet1, QStringLiteral("edtNew_UserName"), QRect(99, 18, 195, 20), 16, false);
    AddLabel(TabSheet1, QStringLiteral("lblNew_Password1"), QStringLiteral("密  码："), 42, 52);
    edtNew_Password1 = AddEdit(TabSheet1, QStringLiteral("edtNew_Password1"), QRect(99, 48, 195, 20), 16, true);
    AddLabel(TabSheet1, QStringLiteral("lblNew_Password2"), QStringLiteral("重复密码："), 30, 82);
    edtNew_Password2 = AddEdit(TabSheet1, QStringLiteral("edtNew_Password2"), QRect(99, 78, 195, 20), 16, true);
    lblNew_Notice = AddLabel(TabSheet1, QStringLiteral("lblNew_Notice"),
                             QStringLiteral("说明：用户名长度为1～16个字符，密码长度为1～16个字符。"), 12, 118);
    setMaroon(lblNew_Notice);

    AddLabel(TabSheet2, QStringLiteral("lblModify_UserName"), QStringLiteral("用户名："), 42, 22);
    cboModify_UserName = AddChoiceList(TabSheet2, QStringLiteral("cboModify_UserName"), QRect(99, 18, 195, 20));
    AddLabel(TabSheet2, QStringLiteral("lblModify_OldPassword"), QStringLiteral("老密码："), 42, 52);
    edtModify_OldPassword =
        AddEdit(TabSheet2, QStringLiteral("edtModify_OldPassword"), QRect(99, 48, 195, 20), 16, true);
    AddLabel(TabSheet2, QStringLiteral("lblModify_NewPassword1"), QStringLiteral("新密码："), 42, 82);
    edtModify_NewPassword1 =
        AddEdit(TabSheet2, QStringLiteral("edtModify_NewPassword1"), QRect(99, 78, 195, 20), 16, true);
    AddLabel(TabSheet2, QStringLiteral("lblModify_NewPassword2"), QStringLiteral("重复新密码："), 18, 113);
    edtModify_NewPassword2 =
        AddEdit(TabSheet2, QStringLiteral("edtModify_NewPassword2"), QRect(99, 109, 195, 20), 16, true);

    AddLabel(TabSheet3, QStringLiteral("lblDelete_UserName"), QStringLiteral("用户名："), 42, 22);
    cboDelete_UserName = AddChoiceList(TabSheet3, QStringLiteral("cboDelete_UserName"), QRect(99, 18, 195, 20));
    AddLabel(TabSheet3, QStringLiteral("lblDelete_Password"), QStringLiteral("密  码："), 42, 52);
    edtDelete_Password = AddEdit(TabSheet3, QStringLiteral("edtDelete_Password"), QRect(99, 48, 195, 20), 16, true);
    lblDelete_Notice = AddLabel(TabSheet3, QStringLiteral("lblDelete_Notice"),
                                QStringLiteral("说明：选定用户名，再输入密码，点“确定”按钮即可。"), 24, 118);
    setMaroon(lblDelete_Notice);

    btnOk = AddButton(this, QStringLiteral("btnOk"), QStringLiteral("确定(&O)"), QRect(210, 207, 75, 23));
    btnCancel = AddButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消(&C)"), QRect(292, 207, 75, 23));
    btnOk->setDefault(true);

    // Inside each page the edits come first; the name lists are skipped by
    // Tab, and so are the page tabs.
    setTabOrder(edtNew_UserName, edtNew_Password1);
    setTabOrder(edtNew_Password1, edtNew_Password2);
    setTabOrder(edtNew_Password2, edtModify_OldPassword);
    setTabOrder(edtModify_OldPassword, edtModify_NewPassword1);
    setTabOrder(edtModify_NewPassword1, edtModify_NewPassword2);
    setTabOrder(edtModify_NewPassword2, cboModify_UserName);
    setTabOrder(cboModify_UserName, edtDelete_Password);
    setTabOrder(edtDelete_Password, cboDelete_UserName);
    setTabOrder(cboDelete_UserName, btnOk);
    setTabOrder(btnOk, btnCancel);
    pgeAccountChange();

    connect(btnOk, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(cboModify_UserName, &QComboBox::activated, this, [this] { cboModify_UserNameClick(); });
    connect(cboDelete_UserName, &QComboBox::activated, this, [this] { cboDelete_UserNameClick(); });
    connect(pgeAccount, &QTabWidget::currentChanged, this, [this] { pgeAccountChange(); });

    FormCreate(databasePath);
}

TfrmAccount::~TfrmAccount() = default;

void TfrmAccount::FormCreate(const QString &databasePath)
{
    CentreOnScreen(this);
    g_objDatabaseUser = databasePath.isEmpty() ? std::make_unique<TclsDatabaseUser>()
                                               : std::make_unique<TclsDatabaseUser>(databasePath);
    LoadUserNames();
    edtNew_UserName->setFocus();
}

void TfrmAccount::LoadUserNames()
{
    pgeAccount->setCurrentWidget(TabSheet1);
    QStringList names;
    {
        BusyCursor busy;
        names = g_objDatabaseUser->GetUserNames();
    }
    cboModify_UserName->clear();
    cboDelete_UserName->clear();
    cboModify_UserName->addItems(names);
    cboDelete_UserName->addItems(names);
    if (!names.isEmpty()) {
        cboModify_UserName->setCurrentIndex(0);
        cboDelete_UserName->setCurrentIndex(0);
    }
    // Without users there is nothing to change or delete: the pages stay
    // choosable but their contents are greyed.
    TabSheet2->setEnabled(!names.isEmpty());
    TabSheet3->setEnabled(!names.isEmpty());
}

void TfrmAccount::btnOkClick()
{
    QWidget *page = pgeAccount->currentWidget();
    if (page == TabSheet1)
        NewUserOk();
    else if (page == TabSheet2)
        ModifyPasswordOk();
    else if (page == TabSheet3)
        DeleteUserOk();
}

void TfrmAccount::NewUserOk()
{
    const QString name = edtNew_UserName->text();
    const QString password1 = edtNew_Password1->text();
    const QString password2 = edtNew_Password2->text();
    if (name.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("用户名不能为空！"));
        edtNew_UserName->setFocus();
        return;
    }
    if (QLineEdit *empty = firstEmpty({edtNew_Password1, edtNew_Password2})) {
        MessageBox::warning(this, QStringLiteral("密码不能为空！"));
        empty->setFocus();
        return;
    }
    if (password1 != password2) {
        MessageBox::warning(this, QStringLiteral("您两次输入的密码不一样！"));
        edtNew_Password2->setFocus();
        return;
    }
    if (RefuseUnstorable(this, edtNew_UserName, name, QStringLiteral("用户名")) ||
        RefuseUnstorable(this, edtNew_Password1, password1, QStringLiteral("密码")))
        return;
    bool created = false;
    {
        BusyButton busy(btnOk);
        created = g_objDatabaseUser->CreateUser(name, password1);
    }
    if (!created) {
        MessageBox::warning(this, QStringLiteral("您所输入的用户名已经被使用！"));
        edtNew_UserName->setFocus();
        return;
    }
    MessageBox::information(this, QStringLiteral("用户名和密码创建成功！"));
    accept();
}

void TfrmAccount::ModifyPasswordOk()
{
    if (!TabSheet2->isEnabled()) {
        accept();
        return;
    }
    const QString name = cboModify_UserName->currentText();
    if (QLineEdit *empty = firstEmpty({edtModify_OldPassword, edtModify_NewPassword1, edtModify_NewPassword2})) {
        MessageBox::warning(this, QStringLiteral("密码不能为空！"));
        empty->setFocus();
        return;
    }
    if (edtModify_NewPassword1->text() != edtModify_NewPassword2->text()) {
        MessageBox::warning(this, QStringLiteral("您两次输入的新密码不一样！"));
        edtModify_NewPassword2->setFocus();
        return;
    }
    if (RefuseUnstorable(this, edtModify_OldPassword, edtModify_OldPassword->text(), QStringLiteral("老密码")) ||
        RefuseUnstorable(this, edtModify_NewPassword1, edtModify_NewPassword1->text(), QStringLiteral("新密码")))
        return;
    QWidget *focused = focusWidget();
    bool changed = false;
    {
        BusyButton busy(btnOk);
        changed =
            g_objDatabaseUser->ChangePassword(name, edtModify_OldPassword->text(), edtModify_NewPassword1->text());
    }
    if (!changed) {
        MessageBox::error(this, QStringLiteral("老密码不对！"));
        // Disabling the button may have moved the focus; it stays where it was.
        if (focused)
            focused->setFocus();
        return;
    }
    MessageBox::information(this, QStringLiteral("密码修改成功！"));
    accept();
}

void TfrmAccount::DeleteUserOk()
{
    if (!TabSheet3->isEnabled()) {
        accept();
        return;
    }
    if (RefuseUnstorable(this, edtDelete_Password, edtDelete_Password->text(), QStringLiteral("密码")))
        return;
    bool deleted = false;
    {
        BusyButton busy(btnOk);
        deleted = g_objDatabaseUser->DeleteUser(cboDelete_UserName->currentText(), edtDelete_Password->text());
    }
    if (!deleted) {
        MessageBox::error(this, QStringLiteral("您输入的密码不对！"));
        edtDelete_Password->setFocus();
        return;
    }
    MessageBox::information(this, QStringLiteral("成功删除指定的用户！"));
    accept();
}

void TfrmAccount::btnCancelClick() { reject(); }

void TfrmAccount::cboModify_UserNameClick() { edtModify_OldPassword->setFocus(); }

void TfrmAccount::cboDelete_UserNameClick() { edtDelete_Password->setFocus(); }

void TfrmAccount::pgeAccountChange()
{
    pgeAccount->setFocusPolicy(Qt::NoFocus);
    pgeAccount->tabBar()->setFocusPolicy(Qt::NoFocus);
}
