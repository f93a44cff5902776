#include "EntryTestSupport.h"

#include "unt_clsButtonCreator.h"
#include "unt_frmEditProgramNames.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

class TestEditProgramNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }

    void editClickShowsTheFreshList_data();
    void editClickShowsTheFreshList();
    void savingOneListLeavesTheOtherAlone_data();
    void savingOneListLeavesTheOtherAlone();
    void cancelStoresNothing();
    void emptiedListEmptiesTheDropDown();
    void failedSaveKeepsDialogOpen();
};

namespace {
// Both panels with their lists loaded from the store, as the main window starts.
struct Panels {
    EntryPanel expense;
    EntryPanel income;
    explicit Panels(Ledger &ledger)
        : expense(EntryPanel::Expense, ledger.fields), income(EntryPanel::Income, ledger.fields)
    {
        const ProgramNameLists lists = ledger.names();
        expense.setItemNames(lists.expense);
        income.setItemNames(lists.income);
    }
    EntryPanel &panel(EntryPanel::Kind kind) { return kind == EntryPanel::Expense ? expense : income; }
};
} // namespace

Q_DECLARE_METATYPE(EntryPanel::Kind)

void TestEditProgramNames::editClickShowsTheFreshList_data()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
    QTest::addColumn<QString>("caption");
    QTest::newRow("expense") << EntryPanel::Expense << QStringLiteral("支出项目名称 - 编辑");
    QTest::newRow("income") << EntryPanel::Income << QStringLiteral("收入项目名称 - 编辑");
}

void TestEditProgramNames::editClickShowsTheFreshList()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, caption);
    Ledger ledger;
    Panels panels(ledger);
    // Changed behind the panel's back: the editor must show the stored list.
    const QString kindText = kind == EntryPanel::Expense ? kKindExpenseNames : kKindIncomeNames;
    TclsDatabaseUser(ledger.db.path()).SaveProgramNames(ledger.user, kindText, QStringLiteral("新一\r\n新二"));

    QString seenCaption;
    QString seenText;
    bool recorded = false;
    whenModal([&](QWidget *modal) {
        seenCaption = modal->windowTitle();
        seenText = modal->findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->toPlainText();
        recorded = ledger.fields.g_hActiveDialog == modal;
        modal->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
    });
    panels.panel(kind).EditClick();

    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenText, QStringLiteral("新一\n新二"));
    QVERIFY(recorded);
    QVERIFY(!ledger.fields.g_hActiveDialog);
    QVERIFY(panels.panel(kind).buttonCreators().at(0)->isEnabled());
    QVERIFY(MessageBox::shown().isEmpty());
}

void TestEditProgramNames::savingOneListLeavesTheOtherAlone_data()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
    QTest::newRow("expense") << EntryPanel::Expense;
    QTest::newRow("income") << EntryPanel::Income;
}

void TestEditProgramNames::savingOneListLeavesTheOtherAlone()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    Panels panels(ledger);
    const bool expense = kind == EntryPanel::Expense;
    EntryPanel &other = panels.panel(expense ? EntryPanel::Income : EntryPanel::Expense);
    const QStringList otherItems = comboItems(PanelControls(other).name);
    const ProgramNameLists before = ledger.names();
    QVERIFY(!otherItems.isEmpty());

    whenModal([&](QWidget *modal) {
        // Typed as is: blanks around a name and an empty line in between.
        modal->findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->setPlainText(QStringLiteral(" 甲 \n\n乙"));
        modal->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    });
    panels.panel(kind).EditClick();

    const QString kindText = expense ? kKindExpenseNames : kKindIncomeNames;
    QCOMPARE(shownTexts(), QStringList{kindText + QStringLiteral("保存成功！")});
    const QStringList edited = {QStringLiteral(" 甲 "), QStringLiteral("乙")};
    QCOMPARE(comboItems(PanelControls(panels.panel(kind)).name), edited);
    QCOMPARE(comboItems(PanelControls(other).name), otherItems);
    const ProgramNameLists after = ledger.names();
    QCOMPARE(expense ? after.expense : after.income, edited);
    QCOMPARE(expense ? after.income : after.expense, expense ? before.income : before.expense);
    QVERIFY(!ledger.fields.g_hActiveDialog);
}

void TestEditProgramNames::cancelStoresNothing()
{
    Ledger ledger;
    Panels panels(ledger);
    const ProgramNameLists before = ledger.names();
    TfrmEditProgramNames editor(ledger.fields, &panels.expense);
    editor.setUserName(ledger.user);
    editor.setListKind(kKindExpenseNames);
    editor.setLines(before.expense);
    editor.show();
    editor.findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->setPlainText(QStringLiteral("乱写"));
    editor.btnCancelClick();

    QCOMPARE(editor.result(), int(QDialog::Rejected));
    QCOMPARE(ledger.names().expense, before.expense);
    QCOMPARE(comboItems(PanelControls(panels.expense).name), before.expense);
    QVERIFY(MessageBox::shown().isEmpty());
}

void TestEditProgramNames::emptiedListEmptiesTheDropDown()
{
    Ledger ledger;
    Panels panels(ledger);
    TfrmEditProgramNames editor(ledger.fields, &panels.income);
    editor.setUserName(ledger.user);
    editor.setListKind(kKindIncomeNames);
    editor.setLines(ledger.names().income);
    editor.show();
    editor.findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->clear();
    editor.btnSaveClick();

    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(PanelControls(panels.income).name->count(), 0);
    QVERIFY(ledger.names().income.isEmpty());
    QVERIFY(!ledger.names().expense.isEmpty());
}

void TestEditProgramNames::failedSaveKeepsDialogOpen()
{
    Ledger ledger;
    Panels panels(ledger);
    const QStringList items = comboItems(PanelControls(panels.expense).name);
    TfrmEditProgramNames editor(ledger.fields, &panels.expense);
    editor.setUserName(ledger.user);
    editor.setListKind(kKindExpenseNames);
    editor.setLines(items);
    editor.show();
    editor.findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->setPlainText(QStringLiteral("新"));

    QVERIFY(QFile::rename(ledger.db.path(), ledger.db.path() + QStringLiteral(".away")));
    editor.btnSaveClick();
    QCOMPARE(shownIcons(), QList<MessageBox::Icon>{MessageBox::Error});
    QVERIFY(editor.isVisible());
    QVERIFY(editor.findChild<QPushButton *>(QStringLiteral("btnSave"))->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(comboItems(PanelControls(panels.expense).name), items);

    // Once the database is back, the same dialog saves.
    QVERIFY(QFile::rename(ledger.db.path() + QStringLiteral(".away"), ledger.db.path()));
    MessageBox::clearShown();
    editor.btnSaveClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("支出项目名称保存成功！")});
    QCOMPARE(comboItems(PanelControls(panels.expense).name), QStringList{QStringLiteral("新")});
}

QTEST_MAIN(TestEditProgramNames)
#include "tst_editprogramnames.moc"
