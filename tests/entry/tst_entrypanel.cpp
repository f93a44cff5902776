#include "EntryTestSupport.h"

#include "unt_clsButtonCreator.h"

#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QtTest>

#include <sqlite3.h>

Q_DECLARE_METATYPE(EntryPanel::Kind)

namespace {
const QDate kDay(2026, 12, 3);

QString totalText(EntryPanel &panel)
{
    const QString name = panel.kind() == EntryPanel::Expense ? QStringLiteral("lblOut_Total")
                                                              : QStringLiteral("lblIn_Total");
    return panel.findChild<QLabel *>(name)->text();
}

// Types each character as its own key press; unlike keyClicks it also
// handles characters outside ASCII.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

void selectRow(PanelControls &controls, int index)
{
    controls.list->setCurrentItem(controls.list->topLevelItem(index));
    QVERIFY(controls.list->topLevelItem(index)->isSelected());
}

// Runs SQL straight on the database file, beside the store.
void execSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}
} // namespace

class TestEntryPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }

    void typedAmountIsFiltered_data();
    void typedAmountIsFiltered();
    void pastedAmountIsFiltered();
    void memoKeepsAtMost255Characters();
    void enterMovesThroughThePanel_data();
    void enterMovesThroughThePanel();
    void enterInMemoWithBlankNameAddsNothing();
    void addAppliesTheAmountRule_data();
    void addAppliesTheAmountRule();
    void addKeepsNameAndMemoAsTyped();
    void blankNameIsRefused();
    void itemNamesReplaceListWithoutFillingTheBox();
    void totalsFollowAddsAndDeletes();
    void deleteNeedsSelectionAndYes();
    void finishStoresRowsInOrder_data();
    void finishStoresRowsInOrder();
    void finishWithEmptyListWarns();
    void failedSaveKeepsRowsAndRetryStoresEachOnce();
    void closeQuestions_data();
    void closeQuestions();
};

void TestEntryPanel::typedAmountIsFiltered_data()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits and point") << EntryPanel::Expense << "1000000.99" << "1000000.99";
    QTest::newRow("letter, minus, comma, blank") << EntryPanel::Expense << "a-, 5" << "5";
    QTest::newRow("many points pass") << EntryPanel::Income << "1.2.3" << "1.2.3";
    QTest::newRow("full-width digit refused") << EntryPanel::Income << "１2" << "2";
    QTest::newRow("twelfth character refused") << EntryPanel::Expense << "123456789012" << "12345678901";
}

void TestEntryPanel::typedAmountIsFiltered()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Ledger ledger;
    EntryPanel panel(kind, ledger.fields);
    PanelControls controls(panel);
    QVERIFY(controls.complete());

    typeText(controls.money, typed);
    QCOMPARE(controls.money->text(), expected);
    // Backspace is one of the keys that pass.
    QTest::keyClick(controls.money, Qt::Key_Backspace);
    QCOMPARE(controls.money->text(), expected.chopped(1));
}

void TestEntryPanel::pastedAmountIsFiltered()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    controls.money->setText(QStringLiteral("9"));
    controls.money->setCursorPosition(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("1,2x3.5 元"));
    controls.money->paste();
    QCOMPARE(controls.money->text(), QStringLiteral("123.59"));
    QCOMPARE(controls.money->cursorPosition(), 5);
}

void TestEntryPanel::memoKeepsAtMost255Characters()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Income, ledger.fields);
    PanelControls controls(panel);
    controls.memo->setPlainText(QString(250, u'a'));
    controls.memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(controls.memo, QStringLiteral("bcdefgh"));
    QCOMPARE(controls.memo->toPlainText(), QString(250, u'a') + QStringLiteral("bcdef"));

    // A paste in the middle loses the part that does not fit, not the old tail.
    controls.memo->setPlainText(QString(254, u'a') + QStringLiteral("Z"));
    QTextCursor cursor = controls.memo->textCursor();
    cursor.setPosition(10);
    controls.memo->setTextCursor(cursor);
    controls.memo->insertPlainText(QStringLiteral("xyz"));
    QCOMPARE(controls.memo->toPlainText().size(), 255);
    QVERIFY(controls.memo->toPlainText().endsWith(QStringLiteral("aZ")));
    QCOMPARE(controls.memo->toPlainText().mid(10, 2), QStringLiteral("aa"));
}

void TestEntryPanel::enterMovesThroughThePanel_data()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
    QTest::newRow("expense") << EntryPanel::Expense;
    QTest::newRow("income") << EntryPanel::Income;
}

void TestEntryPanel::enterMovesThroughThePanel()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    // Both panels live side by side, as in the main window, so Enter in one
    // panel's amount must not reach the other's memo.
    QWidget window;
    EntryPanel expense(EntryPanel::Expense, ledger.fields, &window);
    EntryPanel income(EntryPanel::Income, ledger.fields, &window);
    EntryPanel &panel = kind == EntryPanel::Expense ? expense : income;
    const QString p = kind == EntryPanel::Expense ? QStringLiteral("Out_") : QStringLiteral("In_");
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    panel.findChild<QDateEdit *>(QStringLiteral("dtp") + p + QStringLiteral("Date"))->setFocus();
    const QStringList expected = {QStringLiteral("cbo") + p + QStringLiteral("Name"),
                                  QStringLiteral("edt") + p + QStringLiteral("Money"),
                                  QStringLiteral("mem") + p + QStringLiteral("Memo")};
    for (const QString &next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }

    // Enter in the memo adds the record and never becomes a line break.
    PanelControls controls(panel);
    controls.name->setEditText(QStringLiteral("书籍"));
    controls.money->setText(QStringLiteral("12"));
    QTest::keyClicks(controls.memo, QStringLiteral("memo"));
    QTest::keyClick(controls.memo, Qt::Key_Enter);
    QCOMPARE(panel.pendingCount(), 1);
    QCOMPARE(controls.row(0).at(5), QStringLiteral("memo"));
    QVERIFY(controls.memo->toPlainText().isEmpty());
    QCOMPARE(QApplication::focusWidget(), controls.name);
    QCOMPARE(PanelControls(kind == EntryPanel::Expense ? income : expense).list->topLevelItemCount(), 0);
}

void TestEntryPanel::enterInMemoWithBlankNameAddsNothing()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    controls.fill(QString(), QStringLiteral("5"), QStringLiteral("备注"));
    QTest::keyClick(controls.memo, Qt::Key_Return);
    QCOMPARE(panel.pendingCount(), 0);
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("您没有填写支出项目名称！")});
    QCOMPARE(controls.memo->toPlainText(), QStringLiteral("备注"));
}

void TestEntryPanel::addAppliesTheAmountRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: the row is added
    QTest::addColumn<QString>("stored");
    const QString wrong = QStringLiteral("金额有错误，请重新填写！");
    const QString zero = QStringLiteral("金额不能为空或为0，请重新填写！");
    QTest::newRow("empty") << "" << zero << "";
    QTest::newRow("lone point") << "." << zero << "";
    QTest::newRow("zero") << "0.00" << zero << "";
    QTest::newRow("two points") << "1.2.3" << wrong << "";
    QTest::newRow("leading point") << ".5" << "" << "0.50";
    QTest::newRow("trailing point") << "3." << "" << "3.00";
    QTest::newRow("tiny but positive") << "0.004" << "" << "0.00";
    QTest::newRow("half rounds up") << "0.125" << "" << "0.13";
    QTest::newRow("eleven digits") << "12345678901" << "" << "12345678901.00";
}

void TestEntryPanel::addAppliesTheAmountRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    controls.fill(QStringLiteral("书籍"), typed, QStringLiteral("备注"));
    panel.AddClick();

    if (message.isEmpty()) {
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(panel.pendingCount(), 1);
        QCOMPARE(controls.row(0).at(4), stored);
        QCOMPARE(controls.list->topLevelItem(0)->textAlignment(4) & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    } else {
        QCOMPARE(shownTexts(), QStringList{message});
        QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Warning});
        QCOMPARE(panel.pendingCount(), 0);
        // Only the amount is cleared; name and memo stay for the next try.
        QVERIFY(controls.money->text().isEmpty());
        QCOMPARE(controls.name->currentText(), QStringLiteral("书籍"));
        QCOMPARE(controls.memo->toPlainText(), QStringLiteral("备注"));
    }
}

void TestEntryPanel::addKeepsNameAndMemoAsTyped()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Income, ledger.fields);
    PanelControls controls(panel);
    panel.setItemNames({QStringLiteral("工资")});
    panel.setDate(kDay);
    controls.fill(QStringLiteral(" 奖金 "), QStringLiteral("88"), QStringLiteral(" 老丈人给的 "));
    panel.AddClick();

    QCOMPARE(controls.row(0), (QStringList{QString(), QStringLiteral("2026-12-03"), QStringLiteral("收入"),
                                           QStringLiteral(" 奖金 "), QStringLiteral("88.00"),
                                           QStringLiteral(" 老丈人给的 ")}));
    // Inputs are cleared for the next record, the date stays, and the typed
    // name does not join the drop-down list.
    QVERIFY(controls.name->currentText().isEmpty());
    QVERIFY(controls.money->text().isEmpty());
    QVERIFY(controls.memo->toPlainText().isEmpty());
    QCOMPARE(panel.findChild<QDateEdit *>(QStringLiteral("dtpIn_Date"))->date(), kDay);
    QCOMPARE(comboItems(controls.name), QStringList{QStringLiteral("工资")});
    QCOMPARE(totalText(panel), QStringLiteral("收入合计：88.00"));
}

void TestEntryPanel::blankNameIsRefused()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Income, ledger.fields);
    PanelControls controls(panel);
    controls.fill(QStringLiteral(" \t "), QStringLiteral("7"), QStringLiteral("m"));
    panel.AddClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("您没有填写收入项目名称！")});
    QCOMPARE(panel.pendingCount(), 0);
    QCOMPARE(controls.money->text(), QStringLiteral("7"));
    QCOMPARE(controls.memo->toPlainText(), QStringLiteral("m"));
}

void TestEntryPanel::itemNamesReplaceListWithoutFillingTheBox()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    panel.setItemNames({QStringLiteral("甲"), QStringLiteral("乙")});
    // Refilling must not put the first name into the empty box.
    QVERIFY(controls.name->currentText().isEmpty());
    controls.name->setEditText(QStringLiteral("正在输入"));
    panel.setItemNames({QStringLiteral("丙")});
    QCOMPARE(comboItems(controls.name), QStringList{QStringLiteral("丙")});
    QCOMPARE(controls.name->currentText(), QStringLiteral("正在输入"));
}

void TestEntryPanel::totalsFollowAddsAndDeletes()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    QCOMPARE(totalText(panel), QStringLiteral("支出合计：0.00"));
    for (int i = 0; i < 2; ++i) {
        controls.fill(QStringLiteral("糖"), QStringLiteral("0.125"));
        panel.AddClick();
    }
    QCOMPARE(totalText(panel), QStringLiteral("支出合计：0.26"));

    MessageBox::setNextAnswer(MessageBox::Yes);
    selectRow(controls, 0);
    panel.DeleteClick();
    QCOMPARE(panel.pendingCount(), 1);
    QCOMPARE(totalText(panel), QStringLiteral("支出合计：0.13"));

    MessageBox::setNextAnswer(MessageBox::Yes);
    selectRow(controls, 0);
    panel.DeleteClick();
    QCOMPARE(panel.pendingCount(), 0);
    QCOMPARE(totalText(panel), QStringLiteral("支出合计：0.00"));
}

void TestEntryPanel::deleteNeedsSelectionAndYes()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Income, ledger.fields);
    PanelControls controls(panel);
    for (const QString &amount : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")}) {
        controls.fill(QStringLiteral("项") + amount, amount);
        panel.AddClick();
    }

    panel.DeleteClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("请在上面的列表中选定一条记录，然后删除它。")});
    QCOMPARE(panel.pendingCount(), 3);

    MessageBox::clearShown();
    selectRow(controls, 1);
    MessageBox::setNextAnswer(MessageBox::No);
    panel.DeleteClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("您确定要删除指定的记录吗？")});
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Question});
    QCOMPARE(panel.pendingCount(), 3);
    QCOMPARE(totalText(panel), QStringLiteral("收入合计：7.00"));

    // Yes removes exactly the selected row; nothing stays selected.
    MessageBox::setNextAnswer(MessageBox::Yes);
    panel.DeleteClick();
    QCOMPARE(panel.pendingCount(), 2);
    QCOMPARE(controls.row(0).at(3), QStringLiteral("项1"));
    QCOMPARE(controls.row(1).at(3), QStringLiteral("项4"));
    QCOMPARE(totalText(panel), QStringLiteral("收入合计：5.00"));
    QVERIFY(controls.list->selectedItems().isEmpty());
    QVERIFY(ledger.records(kDay, kDay).size() == 0);
}

void TestEntryPanel::finishStoresRowsInOrder_data()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("saved");
    QTest::newRow("expense") << EntryPanel::Expense << QStringLiteral("支出")
                             << QStringLiteral("支出记录保存成功！\r\n\r\n您可以到“收支目录”处查看这些记录。");
    QTest::newRow("income") << EntryPanel::Income << QStringLiteral("收入")
                            << QStringLiteral("收入记录保存成功！\r\n\r\n您可以到“收支目录”处查看这些记录。");
}

void TestEntryPanel::finishStoresRowsInOrder()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, type);
    QFETCH(QString, saved);
    Ledger ledger;
    EntryPanel expense(EntryPanel::Expense, ledger.fields);
    EntryPanel income(EntryPanel::Income, ledger.fields);
    EntryPanel &panel = kind == EntryPanel::Expense ? expense : income;
    EntryPanel &other = kind == EntryPanel::Expense ? income : expense;
    PanelControls controls(panel);
    PanelControls otherControls(other);
    otherControls.fill(QStringLiteral("别的"), QStringLiteral("9"));
    other.AddClick();

    panel.setDate(kDay.addDays(1));
    controls.fill(QStringLiteral("乙"), QStringLiteral("2.5"), QStringLiteral("第二"));
    panel.AddClick();
    panel.setDate(kDay);
    controls.fill(QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("第一"));
    panel.AddClick();
    controls.fill(QStringLiteral("丙"), QStringLiteral("3"));
    panel.AddClick();
    MessageBox::clearShown();

    panel.FinishClick();
    QCOMPARE(shownTexts(), QStringList{saved});
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Information});
    QCOMPARE(panel.pendingCount(), 0);
    QCOMPARE(totalText(panel), type + QStringLiteral("合计：0.00"));
    QCOMPARE(other.pendingCount(), 1);

    const RangeRecords stored = ledger.records(kDay, kDay.addDays(1));
    QCOMPARE(stored.date, (QStringList{"2026-12-03", "2026-12-03", "2026-12-04"}));
    QCOMPARE(stored.type, (QStringList{type, type, type}));
    QCOMPARE(stored.name, (QStringList{QStringLiteral("甲"), QStringLiteral("丙"), QStringLiteral("乙")}));
    QCOMPARE(stored.amount, (QStringList{"1.00", "3.00", "2.50"}));
    QCOMPARE(stored.memo, (QStringList{QStringLiteral("第一"), QString(), QStringLiteral("第二")}));
    QVERIFY(panel.buttonCreators().at(3)->isEnabled());
}

void TestEntryPanel::finishWithEmptyListWarns()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    panel.FinishClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("上面的列表中没有支出记录需要保存!")});
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Warning});
}

void TestEntryPanel::failedSaveKeepsRowsAndRetryStoresEachOnce()
{
    Ledger ledger;
    EntryPanel panel(EntryPanel::Expense, ledger.fields);
    PanelControls controls(panel);
    panel.setDate(kDay);
    for (const QString &name : {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}) {
        controls.fill(name, QStringLiteral("1"));
        panel.AddClick();
    }
    MessageBox::clearShown();

    // The third insert fails inside the engine, after two rows went in.
    execSql(ledger.db.path(), "CREATE TRIGGER refuse BEFORE INSERT ON All_Table "
                              "WHEN (SELECT count(*) FROM All_Table) >= 2 "
                              "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    panel.FinishClick();
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Error});
    QVERIFY2(shownTexts().first().contains(QStringLiteral("disk says no")), qPrintable(shownTexts().first()));
    QCOMPARE(panel.pendingCount(), 3);
    QCOMPARE(totalText(panel), QStringLiteral("支出合计：3.00"));
    QVERIFY(panel.buttonCreators().at(3)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ledger.records(kDay, kDay).size(), 0);

    // A missing database file fails the same way.
    QVERIFY(QFile::rename(ledger.db.path(), ledger.db.path() + QStringLiteral(".away")));
    MessageBox::clearShown();
    panel.FinishClick();
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Error});
    QCOMPARE(panel.pendingCount(), 3);
    QVERIFY(QFile::rename(ledger.db.path() + QStringLiteral(".away"), ledger.db.path()));

    execSql(ledger.db.path(), "DROP TRIGGER refuse");
    MessageBox::clearShown();
    panel.FinishClick();
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Information});
    QCOMPARE(panel.pendingCount(), 0);
    QCOMPARE(ledger.records(kDay, kDay).name,
             (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));
}

void TestEntryPanel::closeQuestions_data()
{
    QTest::addColumn<bool>("expenseRows");
    QTest::addColumn<bool>("incomeRows");
    QTest::addColumn<QList<int>>("answers"); // MessageBox::Answer, in asking order
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("storedTypes");

    const QString askOut = QStringLiteral("您有支出记录没有保存，现在要保存吗？");
    const QString askIn = QStringLiteral("您有收入记录没有保存，现在要保存吗？");
    const QString out = QStringLiteral("支出");
    const QString in = QStringLiteral("收入");
    const int yes = MessageBox::Yes;
    const int no = MessageBox::No;
    QTest::newRow("both, yes yes") << true << true << QList<int>{yes, yes} << QStringList{askOut, askIn}
                                   << QStringList{out, in};
    QTest::newRow("both, yes no") << true << true << QList<int>{yes, no} << QStringList{askOut, askIn}
                                  << QStringList{out};
    QTest::newRow("both, no yes") << true << true << QList<int>{no, yes} << QStringList{askOut, askIn}
                                  << QStringList{in};
    QTest::newRow("both, no no") << true << true << QList<int>{no, no} << QStringList{askOut, askIn} << QStringList{};
    QTest::newRow("income only, yes") << false << true << QList<int>{yes} << QStringList{askIn} << QStringList{in};
    QTest::newRow("expense only, no") << true << false << QList<int>{no} << QStringList{askOut} << QStringList{};
    QTest::newRow("nothing pending") << false << false << QList<int>{} << QStringList{} << QStringList{};
}

void TestEntryPanel::closeQuestions()
{
    QFETCH(bool, expenseRows);
    QFETCH(bool, incomeRows);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, storedTypes);
    Ledger ledger;
    EntryPanel expense(EntryPanel::Expense, ledger.fields);
    EntryPanel income(EntryPanel::Income, ledger.fields);
    expense.setDate(kDay);
    income.setDate(kDay);
    if (expenseRows) {
        PanelControls(expense).fill(QStringLiteral("出"), QStringLiteral("1"));
        expense.AddClick();
    }
    if (incomeRows) {
        PanelControls(income).fill(QStringLiteral("入"), QStringLiteral("2"));
        income.AddClick();
    }
    for (int answer : answers) {
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
        if (answer == MessageBox::Yes)
            MessageBox::setNextAnswer(MessageBox::Ok); // the saved message follows a Yes
    }

    AskToSavePending(expense, income, nullptr);

    QStringList questions;
    for (const MessageBox::Shown &box : MessageBox::shown()) {
        if (box.icon == MessageBox::Question)
            questions << box.text;
    }
    QCOMPARE(questions, asked);
    QCOMPARE(ledger.records(kDay, kDay).type, storedTypes);
    QCOMPARE(expense.pendingCount(), expenseRows && !storedTypes.contains(QStringLiteral("支出")) ? 1 : 0);
    QCOMPARE(income.pendingCount(), incomeRows && !storedTypes.contains(QStringLiteral("收入")) ? 1 : 0);
}

QTEST_MAIN(TestEntryPanel)
#include "tst_entrypanel.moc"
