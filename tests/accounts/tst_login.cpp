#include "KavloError.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmAccount.h"
#include "unt_frmLogin.h"
#include "unt_frmSplash.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
// Types text character by character as key events carrying that text, the
// way an input method hands Chinese characters to an edit.
void typeText(QWidget *edit, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
    }
}
} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void noNameRefusesLogin_data();
    void noNameRefusesLogin();
    void passwordIsChecked_data();
    void passwordIsChecked();
    void passwordThatCannotBeStoredIsRefused();
    void newestUserIsPreselected();
    void enterLogsInAndEscCancels();
    void passwordIsLimitedToSixteenGbkBytes_data();
    void passwordIsLimitedToSixteenGbkBytes();
    void accountDialogOkReloadsNames();
    void accountDialogCancelKeepsSelection();
    void missingDatabaseFailsAndClosesSplash();
    void serverShownOnALineOfItsOwn();
};

void TestLogin::noNameRefusesLogin_data()
{
    QTest::addColumn<QString>("user");
    QTest::newRow("no users") << "";
    // The account dialog accepts a name of blanks, but it cannot log in.
    QTest::newRow("name of blanks") << "   ";
}

void TestLogin::noNameRefusesLogin()
{
    QFETCH(QString, user);
    TempDatabase db;
    if (!user.isEmpty())
        TclsDatabaseUser(db.path()).CreateUser(user, QStringLiteral("pw"));
    TfrmLogin login(nullptr, db.path());
    login.show();
    QCOMPARE(login.cboUserName->count(), user.isEmpty() ? 0 : 1);
    login.edtPassword->setText(QStringLiteral("pw"));
    login.btnOK->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Warning);
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("没有用户名，无法登陆！"));
    QCOMPARE(MessageBox::shown()[0].caption, QStringLiteral("Kavlo"));
    QCOMPARE(login.focusWidget(), login.edtPassword);
    QVERIFY(login.isVisible());
    QCOMPARE(login.result(), 0);
}

void TestLogin::passwordIsChecked_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "secret" << "secret" << true;
    QTest::newRow("wrong case") << "secret" << "Secret" << false;
    QTest::newRow("trailing blank") << "secret" << "secret " << false;
    QTest::newRow("empty typed") << "secret" << "" << false;
    QTest::newRow("chinese right") << "密码12" << "密码12" << true;
}

void TestLogin::passwordThatCannotBeStoredIsRefused()
{
    // Such characters used to become "?", so they matched a password "???".
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("张三"), QStringLiteral("???"));
    TfrmLogin login(nullptr, db.path());
    login.show();
    login.edtPassword->setText(QStringLiteral("\uE81E\uE81E\uE81E"));
    login.btnOK->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Warning);
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("密码中的字符 U+E81E 不能保存，请删去它。"));
    QVERIFY(login.isVisible());
    QCOMPARE(login.focusWidget(), login.edtPassword);
}

void TestLogin::passwordIsChecked()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("张三"), stored);
    TfrmLogin login(nullptr, db.path());
    login.show();
    QCOMPARE(login.cboUserName->currentText(), QStringLiteral("张三"));
    login.edtPassword->setText(typed);
    login.btnOK->click();
    QCOMPARE(login.g_strUserName, QStringLiteral("张三"));
    if (accepted) {
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!login.isVisible());
    } else {
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Error);
        QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("登陆密码错误！"));
        QCOMPARE(login.edtPassword->text(), typed);
        QCOMPARE(login.focusWidget(), login.edtPassword);
        QVERIFY(login.isVisible());
        QVERIFY(login.btnOK->isEnabled());
        // No limit on attempts: a second wrong try says the same.
        login.btnOK->click();
        QCOMPARE(MessageBox::shown().size(), 2);
    }
}

void TestLogin::newestUserIsPreselected()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("a"), QStringLiteral("1"));
    store.CreateUser(QStringLiteral("b"), QStringLiteral("2"));
    {
        TfrmLogin login(nullptr, db.path());
        QCOMPARE(login.cboUserName->count(), 2);
        QCOMPARE(login.cboUserName->currentText(), QStringLiteral("b"));
        login.cboUserName->setCurrentIndex(1);
        login.edtPassword->setText(QStringLiteral("1"));
        login.btnOK->click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
    }
    // Logging in moves the user to the front for the next start.
    TfrmLogin next(nullptr, db.path());
    QCOMPARE(next.cboUserName->currentText(), QStringLiteral("a"));
}

void TestLogin::enterLogsInAndEscCancels()
{
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("u"), QStringLiteral("p"));
    {
        TfrmLogin login(nullptr, db.path());
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        QTest::keyClicks(login.edtPassword, QStringLiteral("p"));
        QTest::keyClick(login.edtPassword, Qt::Key_Return);
        QCOMPARE(login.result(), int(QDialog::Accepted));
    }
    {
        TfrmLogin login(nullptr, db.path());
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        QTest::keyClicks(login.edtPassword, QStringLiteral("p"));
        QTest::keyClick(login.edtPassword, Qt::Key_Escape);
        QCOMPARE(login.result(), int(QDialog::Rejected));
        QVERIFY(!login.isVisible());
        QVERIFY(MessageBox::shown().isEmpty());
    }
}

void TestLogin::passwordIsLimitedToSixteenGbkBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("ascii") << "abcdefghijklmnopqrst" << "abcdefghijklmnop";
    QTest::newRow("chinese") << "一二三四五六七八九十" << "一二三四五六七八";
    QTest::newRow("mixed odd") << "a一二三四五六七八" << "a一二三四五六七";
}

void TestLogin::passwordIsLimitedToSixteenGbkBytes()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    TempDatabase db;
    TfrmLogin login(nullptr, db.path());
    login.show();
    typeText(login.edtPassword, typed);
    QCOMPARE(login.edtPassword->text(), kept);
}

void TestLogin::accountDialogOkReloadsNames()
{
    TempDatabase db;
    TfrmLogin login(nullptr, db.path());
    login.show();
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto *account = qobject_cast<TfrmAccount *>(QApplication::activeModalWidget());
        QVERIFY(account);
        seen = true;
        account->edtNew_UserName->setText(QStringLiteral("新用户"));
        account->edtNew_Password1->setText(QStringLiteral("x"));
        account->edtNew_Password2->setText(QStringLiteral("x"));
        account->btnOk->click();
    });
    login.btnAccount->click();
    QVERIFY(seen);
    QCOMPARE(login.cboUserName->count(), 1);
    QCOMPARE(login.cboUserName->currentText(), QStringLiteral("新用户"));
}

void TestLogin::accountDialogCancelKeepsSelection()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("a"), QStringLiteral("1"));
    store.CreateUser(QStringLiteral("b"), QStringLiteral("2"));
    TfrmLogin login(nullptr, db.path());
    login.show();
    login.cboUserName->setCurrentIndex(1);
    // A user made meanwhile must not show: the list is not reloaded on Cancel.
    store.CreateUser(QStringLiteral("c"), QStringLiteral("3"));
    QTimer::singleShot(0, this, [] {
        if (auto *account = qobject_cast<TfrmAccount *>(QApplication::activeModalWidget()))
            account->btnCancel->click();
    });
    login.btnAccount->click();
    QCOMPARE(login.cboUserName->count(), 2);
    QCOMPARE(login.cboUserName->currentText(), QStringLiteral("a"));
}

void TestLogin::missingDatabaseFailsAndClosesSplash()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("Database/qmrvz.sjk"));
    QVERIFY_THROWS_EXCEPTION(KavloError, TfrmLogin(nullptr, missing));
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<TfrmSplash *>(w) && w->isVisible()));
    QVERIFY(!QFile::exists(missing));

    // A server that does not answer: the failure names it, and the splash
    // goes away as well.
    try {
        TfrmLogin login(nullptr, QStringLiteral("postgresql://127.0.0.1:1/family?connect_timeout=3"));
        QFAIL("an unreachable server must fail the login dialog");
    } catch (const KavloError &e) {
        QCOMPARE(e.cause(), FailureCause::ServerUnreachable);
        QVERIFY2(e.message().contains(QStringLiteral("127.0.0.1:1/family")), qPrintable(e.message()));
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<TfrmSplash *>(w) && w->isVisible()));
}

void TestLogin::serverShownOnALineOfItsOwn()
{
    TempDatabase db;
    TfrmLogin login(nullptr, db.path());
    login.show();
    auto *server = login.findChild<QLabel *>(QStringLiteral("lblServer"));
    QCOMPARE(server != nullptr, TestingOnServer());
    QCOMPARE(login.lblNotice4->text(), QStringLiteral("4.如果想修改密码，也请点“用户”按钮。"));
    if (!server)
        return;
    const LedgerLocation location = LedgerLocation::FromText(db.path());
    QCOMPARE(server->text(), QStringLiteral("账本服务器：") + location.describe());
    QVERIFY(server->text().contains(QStringLiteral("/kavlo_t")));
    // Below the notices, above the user name, clear of the buttons, all seen
    // in the dialog's own coordinates: the controls sit on a drawn frame.
    const auto onDialog = [&login](const QWidget *w) { return QRect(w->mapTo(&login, QPoint(0, 0)), w->size()); };
    QVERIFY(onDialog(server).top() > onDialog(login.lblNotice4).bottom());
    QVERIFY(onDialog(server).bottom() < onDialog(login.cboUserName).top());
    QVERIFY(onDialog(server).right() < onDialog(login.btnOK).left());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
