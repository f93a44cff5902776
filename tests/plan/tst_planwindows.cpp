// The budget window, the recurring-entry list and editor, and the budget
// line of the month-by-month chart, on a real ledger.
#include "MessageBox.h"
#include "ModalDialogs.h"
#include "PeriodChartView.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmBudget.h"
#include "unt_frmRecurring.h"
#include "unt_frmRecurringEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kUser = QStringLiteral("张三");
const QString kFood = QStringLiteral("餐饮"); // not in the default list

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

struct Ledger {
    TempDatabase db;
    MainWindowFields fields;
    Ledger()
    {
        fields.g_strUserName = kUser;
        fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(db.path());
        fields.g_objDatabaseUser->CreateUser(kUser, QStringLiteral("pw"));
    }
    TclsDatabaseUser &store() { return *fields.g_objDatabaseUser; }
    QString firstItem() { return store().LoadProgramNames(kUser).expense.first(); }
};

int rowOf(const TfrmBudget &window, const QString &item)
{
    for (int i = 0; i < window.lines().size(); ++i)
        if (window.lines()[i].item == item)
            return i;
    return -1;
}

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown &box : MessageBox::shown())
        texts.append(box.text);
    return texts;
}
} // namespace

class TestPlanWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }

    void budgetTypedIntoTheWindow_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<double>("stored");   // the budget in force afterwards

        QTest::newRow("an amount") << "300" << "" << 300.0;
        QTest::newRow("by the panels' rule") << ".125" << "" << 0.13;
        QTest::newRow("not a number") << "1.2.3" << "金额有错误，请重新填写！" << 0.0;
        QTest::newRow("zero") << "0" << "金额不能为空或为0，请重新填写！" << 0.0;
        QTest::newRow("letters") << "abc" << "金额有错误，请重新填写！" << 0.0;
    }
    void budgetTypedIntoTheWindow()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(double, stored);
        Ledger ledger;
        const QString item = ledger.firstItem();
        TfrmBudget window(ledger.fields, day("2024-02-10"));
        const int row = rowOf(window, item);
        QVERIFY(row > 0);
        window.budgetEdited(row, typed);
        QCOMPARE(shownTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(window.lines()[row].budget, stored);
        const QString cell = window.table()->item(row, TfrmBudget::ColBudget)->text();
        QCOMPARE(cell, stored > 0 ? QString::number(stored, 'f', 2) : QString());
        const QList<BudgetSetting> settings = ledger.store().LoadBudgets(kUser);
        QCOMPARE(settings.size(), message.isEmpty() ? 1 : 0);
        if (!settings.isEmpty())
            QCOMPARE(settings[0].fromMonth, day("2024-02-01"));
    }

    // A change made in one month holds from then on; the months before keep
    // theirs, and clearing the cell ends the budget from the month shown.
    void budgetChangedMidYear()
    {
        Ledger ledger;
        TclsDatabaseUser &store = ledger.store();
        store.AddRecord(kUser, kTypeExpense, {"2024-07-31", "2024-08-01"}, {kFood, kFood}, {"700", "90"}, {"", ""});
        TfrmBudget window(ledger.fields, day("2024-01-01"));
        window.budgetEdited(0, QStringLiteral("2000"));
        int food = rowOf(window, kFood);
        QCOMPARE(food, -1); // nothing spent in January and no budget: not shown
        window.setMonth(day("2024-07-01"));
        food = rowOf(window, kFood);
        QVERIFY(food > 0);
        QVERIFY(!window.lines()[food].listed);
        QVERIFY(window.table()->item(food, TfrmBudget::ColItem)->text().contains(QStringLiteral("已不在项目列表中")));
        window.budgetEdited(food, QStringLiteral("600"));
        food = rowOf(window, kFood);
        QCOMPARE(window.lines()[food].budget, 600.0);
        QVERIFY(window.lines()[food].over());
        auto *bar = qobject_cast<QProgressBar *>(window.table()->cellWidget(food, TfrmBudget::ColBar));
        QVERIFY(bar);
        QCOMPARE(bar->value(), 100);
        QVERIFY(bar->styleSheet().contains(QStringLiteral("#c00000")));
        QCOMPARE(window.table()->item(food, TfrmBudget::ColLeft)->text(), QStringLiteral("-100.00"));

        window.setMonth(day("2024-09-01"));
        food = rowOf(window, kFood);
        window.budgetEdited(food, QString());
        window.setMonth(day("2024-08-01"));
        food = rowOf(window, kFood);
        QCOMPARE(window.lines()[food].budget, 600.0);
        QCOMPARE(window.lines()[food].spent, 90.0);
        auto *under = qobject_cast<QProgressBar *>(window.table()->cellWidget(food, TfrmBudget::ColBar));
        QCOMPARE(under->value(), 15);
        QVERIFY(under->styleSheet().isEmpty());
        window.setMonth(day("2024-09-01"));
        QCOMPARE(rowOf(window, kFood), -1);
        QCOMPARE(window.lines()[0].budget, 2000.0);

        // Typed into the cell itself, as the user does.
        window.setMonth(day("2024-03-01"));
        window.table()->item(0, TfrmBudget::ColBudget)->setText(QStringLiteral("2500"));
        QTRY_COMPARE(window.lines()[0].budget, 2500.0);
        QCOMPARE(BudgetInForce(store.LoadBudgets(kUser), QString(), day("2024-02-01")), 2000.0);
    }

    void recurringEditorRefusesBadInput_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("dayText");
        QTest::addColumn<QString>("month");
        QTest::addColumn<bool>("endBeforeStart");
        QTest::addColumn<QString>("message");

        QTest::newRow("day 0") << 0 << "100" << "0" << "" << false << "日期应当是 1 到 31 之间的数，请重新填写！";
        QTest::newRow("day 32") << 0 << "100" << "32" << "" << false << "日期应当是 1 到 31 之间的数，请重新填写！";
        QTest::newRow("30 February") << 2 << "100" << "30" << "2" << false << "2 月没有 30 日，请重新填写！";
        QTest::newRow("end before start") << 0 << "100" << "5" << "" << true << "结束日期不能早于开始日期！";
        QTest::newRow("amount") << 0 << "1.2.3" << "5" << "" << false << "金额有错误，请重新填写！";
    }
    void recurringEditorRefusesBadInput()
    {
        QFETCH(int, kind);
        QFETCH(QString, amount);
        QFETCH(QString, dayText);
        QFETCH(QString, month);
        QFETCH(bool, endBeforeStart);
        QFETCH(QString, message);
        Ledger ledger;
        RecurringEntry fresh;
        fresh.recordType = kTypeExpense;
        TfrmRecurringEntry editor(ledger.fields, fresh, day("2024-03-15"));
        editor.nameBox()->setEditText(QStringLiteral("房租"));
        editor.amountEdit()->setText(amount);
        editor.kindBox()->setCurrentIndex(kind);
        editor.dayEdit()->setText(dayText);
        editor.monthEdit()->setText(month);
        editor.endCheck()->setChecked(endBeforeStart);
        editor.endPicker()->setDate(day("2024-03-14"));
        editor.btnOkClick();
        QCOMPARE(shownTexts(), QStringList{message});
        QCOMPARE(editor.result(), int(QDialog::Rejected));
        QVERIFY(ledger.store().LoadRecurringEntries(kUser).isEmpty());
    }

    void recurringListAddsPausesAndDeletes()
    {
        Ledger ledger;
        TfrmRecurring list(ledger.fields, day("2024-03-15"));
        QCOMPARE(list.list()->topLevelItemCount(), 0);

        WhenModalShows<TfrmRecurringEntry>(this, [](TfrmRecurringEntry *editor) {
            editor->typeBox()->setCurrentIndex(1);
            editor->nameBox()->setEditText(QStringLiteral("周末家教"));
            editor->amountEdit()->setText(QStringLiteral("8000"));
            editor->kindBox()->setCurrentIndex(0);
            editor->dayEdit()->setText(QStringLiteral("31"));
            editor->btnOkClick();
        });
        list.btnAddClick();
        QCOMPARE(list.list()->topLevelItemCount(), 1);
        const RecurringEntry added = list.entries().first();
        QCOMPARE(added.recordType, kTypeIncome);
        QCOMPARE(added.amount, QStringLiteral("8000.00"));
        QCOMPARE(added.rule.kind, RepeatKind::Monthly);
        QCOMPARE(added.rule.day, 31);
        QCOMPARE(added.first, day("2024-03-15"));
        QCOMPARE(list.list()->topLevelItem(0)->text(4), QStringLiteral("每月 31 日"));
        QVERIFY(list.list()->topLevelItem(0)->text(2).contains(QStringLiteral("已不在项目列表中")));

        list.list()->setCurrentItem(list.list()->topLevelItem(0));
        list.btnPauseClick();
        QVERIFY(ledger.store().LoadRecurringEntries(kUser).first().paused);
        QCOMPARE(list.list()->topLevelItem(0)->text(7), QStringLiteral("已暂停"));

        // Changing keeps the item's text although the list lacks it.
        WhenModalShows<TfrmRecurringEntry>(this, [](TfrmRecurringEntry *editor) {
            QCOMPARE(editor->nameBox()->currentText(), QStringLiteral("周末家教"));
            editor->amountEdit()->setText(QStringLiteral("8500"));
            editor->btnOkClick();
        });
        list.list()->setCurrentItem(list.list()->topLevelItem(0));
        list.btnChangeClick();
        const RecurringEntry changed = ledger.store().LoadRecurringEntries(kUser).first();
        QCOMPARE(changed.amount, QStringLiteral("8500.00"));
        QCOMPARE(changed.name, QStringLiteral("周末家教"));
        QVERIFY(changed.paused);

        list.list()->setCurrentItem(list.list()->topLevelItem(0));
        MessageBox::setNextAnswer(MessageBox::No);
        list.btnDeleteClick();
        QCOMPARE(ledger.store().LoadRecurringEntries(kUser).size(), 1);
        MessageBox::setNextAnswer(MessageBox::Yes);
        list.btnDeleteClick();
        QVERIFY(ledger.store().LoadRecurringEntries(kUser).isEmpty());
        QCOMPARE(list.list()->topLevelItemCount(), 0);

        MessageBox::clearShown();
        list.btnPauseClick();
        QCOMPARE(shownTexts(), QStringList{QStringLiteral("请在上面的列表中选定一条定期收支。")});
    }

    void monthChartShowsTheBudgetLine()
    {
        PeriodTable table;
        table.kind = PeriodKind::Month;
        table.rows = {{"2024-01", {100, 0, -100}}, {"2024-02", {3000, 0, -3000}}};
        PeriodChartView plain(table);
        QVERIFY(!plain.budgetLine());
        table.budget = {0, 2500};
        PeriodChartView planned(table);
        QVERIFY(planned.budgetLine());
        const QList<QPointF> points = planned.budgetLine()->points();
        QCOMPARE(points.size(), 4);
        QCOMPARE(points[0].y(), 0.0);
        QCOMPARE(points[2].y(), 2500.0);
        QVERIFY(points[2].x() > 0.5 && points[3].x() < 1.5); // over the second month's bars
    }
};

QTEST_MAIN(TestPlanWindows)
#include "tst_planwindows.moc"
