#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmAccount.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class TestAccount : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void newUserValidation_data();
    void newUserValidation();
    void createUser();
    void takenNameIsRefused();
    void changePasswordValidation_data();
    void changePasswordValidation();
    void changePassword();
    void wrongOldPasswordKeepsFocus();
    void deleteUser();
    void deleteWithWrongPassword();
    void noUsersGreysPages_data();
    void noUsersGreysPages();
    void noticeGreysWithItsPage_data();
    void noticeGreysWithItsPage();
    void cancelEndsWithCancel();

private:
    static QLineEdit *edit(TfrmAccount &dialog, const QString &name)
    {
        return dialog.findChild<QLineEdit *>(name);
    }
    static void expectBox(MessageBox::Icon icon, const QString &text)
    {
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, icon);
        QCOMPARE(MessageBox::shown()[0].text, text);
        QCOMPARE(MessageBox::shown()[0].caption, QStringLiteral("Kavlo"));
    }
};

void TestAccount::newUserValidation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password1");
    QTest::addColumn<QString>("password2");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name") << "" << "a" << "a" << "用户名不能为空！" << "edtNew_UserName";
    QTest::newRow("no name, no passwords") << "" << "" << "" << "用户名不能为空！" << "edtNew_UserName";
    QTest::newRow("no first password") << "u" << "" << "a" << "密码不能为空！" << "edtNew_Password1";
    QTest::newRow("no passwords") << "u" << "" << "" << "密码不能为空！" << "edtNew_Password1";
    QTest::newRow("no second password") << "u" << "a" << "" << "密码不能为空！" << "edtNew_Password2";
    QTest::newRow("differ") << "u" << "abc" << "abd" << "您两次输入的密码不一样！" << "edtNew_Password2";
    QTest::newRow("differ in case only") << "u" << "abc" << "ABC" << "您两次输入的密码不一样！" << "edtNew_Password2";
    // Characters without a stored form are refused by name, never stored as "?".
    QTest::newRow("name cannot be stored") << QStringLiteral("王\uE81E") << "a" << "a"
                                           << "用户名中的字符 U+E81E 不能保存，请删去它。" << "edtNew_UserName";
    QTest::newRow("password cannot be stored") << "u" << QStringLiteral("p\uE78D") << QStringLiteral("p\uE78D")
                                               << "密码中的字符 U+E78D 不能保存，请删去它。" << "edtNew_Password1";
}

void TestAccount::newUserValidation()
{
    QFETCH(QString, name);
    QFETCH(QString, password1);
    QFETCH(QString, password2);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TempDatabase db;
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.edtNew_UserName->setText(name);
    dialog.edtNew_Password1->setText(password1);
    dialog.edtNew_Password2->setText(password2);
    dialog.btnOk->click();
    expectBox(MessageBox::Warning, message);
    QCOMPARE(dialog.focusWidget(), edit(dialog, focus));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtNew_Password2->text(), password2);
    QVERIFY(TclsDatabaseUser(db.path()).GetUserNames().isEmpty());
}

void TestAccount::createUser()
{
    TempDatabase db;
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    // A name of blanks is not empty here; nothing is trimmed.
    dialog.edtNew_UserName->setText(QStringLiteral(" 李四 "));
    dialog.edtNew_Password1->setText(QStringLiteral("pw"));
    dialog.edtNew_Password2->setText(QStringLiteral("pw"));
    dialog.btnOk->click();
    expectBox(MessageBox::Information, QStringLiteral("用户名和密码创建成功！"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    TclsDatabaseUser store(db.path());
    QCOMPARE(store.GetUserNames(), QStringList{QStringLiteral(" 李四 ")});
    QVERIFY(store.CheckLogin(QStringLiteral(" 李四 "), QStringLiteral("pw")));
    // The new user gets the default item-name lists.
    QVERIFY(!store.LoadProgramNames(QStringLiteral(" 李四 ")).expense.isEmpty());
}

void TestAccount::takenNameIsRefused()
{
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("u"), QStringLiteral("old"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.edtNew_UserName->setText(QStringLiteral("u"));
    dialog.edtNew_Password1->setText(QStringLiteral("new"));
    dialog.edtNew_Password2->setText(QStringLiteral("new"));
    dialog.btnOk->click();
    expectBox(MessageBox::Warning, QStringLiteral("您所输入的用户名已经被使用！"));
    QCOMPARE(dialog.focusWidget(), dialog.edtNew_UserName);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.btnOk->isEnabled());
    QVERIFY(TclsDatabaseUser(db.path()).CheckLogin(QStringLiteral("u"), QStringLiteral("old")));
}

void TestAccount::changePasswordValidation_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("new1");
    QTest::addColumn<QString>("new2");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("all empty") << "" << "" << "" << "密码不能为空！" << "edtModify_OldPassword";
    QTest::newRow("old empty") << "" << "b" << "b" << "密码不能为空！" << "edtModify_OldPassword";
    QTest::newRow("first new empty") << "a" << "" << "b" << "密码不能为空！" << "edtModify_NewPassword1";
    QTest::newRow("second new empty") << "a" << "b" << "" << "密码不能为空！" << "edtModify_NewPassword2";
    QTest::newRow("new differ") << "a" << "b" << "c" << "您两次输入的新密码不一样！" << "edtModify_NewPassword2";
    QTest::newRow("new differ in case") << "a" << "b" << "B" << "您两次输入的新密码不一样！"
                                        << "edtModify_NewPassword2";
    QTest::newRow("new cannot be stored") << "a" << QStringLiteral("\uE864") << QStringLiteral("\uE864")
                                          << "新密码中的字符 U+E864 不能保存，请删去它。" << "edtModify_NewPassword1";
}

void TestAccount::changePasswordValidation()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, new1);
    QFETCH(QString, new2);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("u"), QStringLiteral("a"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet2);
    dialog.edtModify_OldPassword->setText(oldPassword);
    dialog.edtModify_NewPassword1->setText(new1);
    dialog.edtModify_NewPassword2->setText(new2);
    dialog.btnOk->click();
    expectBox(MessageBox::Warning, message);
    QCOMPARE(dialog.focusWidget(), edit(dialog, focus));
    QVERIFY(dialog.isVisible());
    QVERIFY(TclsDatabaseUser(db.path()).CheckLogin(QStringLiteral("u"), QStringLiteral("a")));
}

void TestAccount::changePassword()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("a"), QStringLiteral("1"));
    store.CreateUser(QStringLiteral("b"), QStringLiteral("2"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet2);
    dialog.cboModify_UserName->setCurrentText(QStringLiteral("a"));
    dialog.edtModify_OldPassword->setText(QStringLiteral("1"));
    dialog.edtModify_NewPassword1->setText(QStringLiteral("新"));
    dialog.edtModify_NewPassword2->setText(QStringLiteral("新"));
    dialog.btnOk->click();
    expectBox(MessageBox::Information, QStringLiteral("密码修改成功！"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(store.CheckLogin(QStringLiteral("a"), QStringLiteral("新")));
    QVERIFY(!store.CheckLogin(QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(store.CheckLogin(QStringLiteral("b"), QStringLiteral("2")));
}

void TestAccount::wrongOldPasswordKeepsFocus()
{
    TempDatabase db;
    TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("u"), QStringLiteral("a"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet2);
    dialog.edtModify_OldPassword->setText(QStringLiteral("x"));
    dialog.edtModify_NewPassword1->setText(QStringLiteral("b"));
    dialog.edtModify_NewPassword2->setText(QStringLiteral("b"));
    dialog.edtModify_NewPassword1->setFocus();
    dialog.btnOk->click();
    expectBox(MessageBox::Error, QStringLiteral("老密码不对！"));
    QCOMPARE(dialog.focusWidget(), dialog.edtModify_NewPassword1);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.edtModify_OldPassword->text(), QStringLiteral("x"));
    QVERIFY(TclsDatabaseUser(db.path()).CheckLogin(QStringLiteral("u"), QStringLiteral("a")));
}

void TestAccount::deleteUser()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("a"), QStringLiteral("1"));
    store.CreateUser(QStringLiteral("b"), QStringLiteral("2"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet3);
    QCOMPARE(dialog.cboDelete_UserName->currentText(), QStringLiteral("b"));
    dialog.edtDelete_Password->setText(QStringLiteral("2"));
    dialog.btnOk->click();
    expectBox(MessageBox::Information, QStringLiteral("成功删除指定的用户！"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(store.GetUserNames(), QStringList{QStringLiteral("a")});
}

void TestAccount::deleteWithWrongPassword()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.CreateUser(QStringLiteral("a"), QStringLiteral("1"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet3);
    // No field is checked for emptiness: an empty password goes to the store.
    dialog.btnOk->click();
    expectBox(MessageBox::Error, QStringLiteral("您输入的密码不对！"));
    QCOMPARE(dialog.focusWidget(), dialog.edtDelete_Password);
    QVERIFY(dialog.isVisible());
    QCOMPARE(store.GetUserNames(), QStringList{QStringLiteral("a")});
}

void TestAccount::noUsersGreysPages_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("change password") << 1;
    QTest::newRow("delete user") << 2;
}

void TestAccount::noUsersGreysPages()
{
    QFETCH(int, page);
    TempDatabase db;
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    QCOMPARE(dialog.pgeAccount->currentWidget(), dialog.TabSheet1);
    QVERIFY(dialog.TabSheet1->isEnabled());
    QVERIFY(!dialog.TabSheet2->isEnabled());
    QVERIFY(!dialog.TabSheet3->isEnabled());
    QVERIFY(!dialog.edtModify_OldPassword->isEnabled());
    QVERIFY(!dialog.edtDelete_Password->isEnabled());
    // The greyed page's tab can still be chosen; OK there just ends with OK.
    QVERIFY(dialog.pgeAccount->isTabEnabled(page));
    dialog.pgeAccount->setCurrentIndex(page);
    QCOMPARE(dialog.pgeAccount->currentIndex(), page);
    dialog.btnOk->click();
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestAccount::noticeGreysWithItsPage_data()
{
    QTest::addColumn<bool>("withUser");
    QTest::newRow("no users: greyed") << false;
    QTest::newRow("a user: maroon") << true;
}

// Counts the pixels of a page drawn in a maroon-like colour.
static int maroonPixels(QWidget *page)
{
    const QImage image = page->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 90 && c.green() < 60 && c.blue() < 60)
                ++count;
        }
    return count;
}

void TestAccount::noticeGreysWithItsPage()
{
    QFETCH(bool, withUser);
    TempDatabase db;
    if (withUser)
        TclsDatabaseUser(db.path()).CreateUser(QStringLiteral("u"), QStringLiteral("p"));
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet3);
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The notice is the page's only coloured text: maroon while the page
    // works, grey like the rest of it while it is disabled.
    const int maroon = maroonPixels(dialog.TabSheet3);
    if (withUser)
        QVERIFY2(maroon > 50, qPrintable(QString::number(maroon)));
    else
        QCOMPARE(maroon, 0);
    // The new-user page always works, and its notice stays maroon.
    dialog.pgeAccount->setCurrentWidget(dialog.TabSheet1);
    QVERIFY(maroonPixels(dialog.TabSheet1) > 50);
}

void TestAccount::cancelEndsWithCancel()
{
    TempDatabase db;
    TfrmAccount dialog(nullptr, db.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.focusWidget(), dialog.edtNew_UserName);
    dialog.edtNew_UserName->setText(QStringLiteral("u"));
    QTest::keyClick(dialog.edtNew_UserName, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(TclsDatabaseUser(db.path()).GetUserNames().isEmpty());
}

QTEST_MAIN(TestAccount)
#include "tst_account.moc"
