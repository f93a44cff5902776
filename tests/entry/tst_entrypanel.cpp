#include "EntryPanel.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsButtonCreator.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmEditProgramNames.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <sqlite3.h>

#include <functional>

Q_DECLARE_METATYPE(EntryPanel::Kind)

namespace {
const QDate kDay(2026, 12, 3);
const EntryPanel::Kind Out = EntryPanel::Expense;
const EntryPanel::Kind In = EntryPanel::Income;

// A real database with one user, and both panels on the main window's fields
// with the user's lists loaded, as after login.
struct Ledger {
    TempDatabase db;
    MainWindowFields fields;
    QString user = QStringLiteral("张三");
    QWidget window;
    EntryPanel *expense;
    EntryPanel *income;

    Ledger()
    {
        fields.g_strUserName = user;
        fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(db.path());
        fields.g_objDatabaseUser->CreateUser(user, QStringLiteral("pw"));
        expense = new EntryPanel(Out, fields, &window);
        income = new EntryPanel(In, fields, &window);
        expense->setItemNames(names().expense);
        income->setItemNames(names().income);
        expense->setDate(kDay);
        income->setDate(kDay);
    }
    EntryPanel &panel(EntryPanel::Kind kind) { return kind == Out ? *expense : *income; }
    template <typename T> T *control(EntryPanel::Kind kind, const char *prefix, const char *role)
    {
        return panel(kind).findChild<T *>(prefix + QString(kind == Out ? "Out_" : "In_") + role);
    }
    QComboBox *name(EntryPanel::Kind k) { return control<QComboBox>(k, "cbo", "Name"); }
    QLineEdit *money(EntryPanel::Kind k) { return control<QLineEdit>(k, "edt", "Money"); }
    QPlainTextEdit *memo(EntryPanel::Kind k) { return control<QPlainTextEdit>(k, "mem", "Memo"); }
    QTreeWidget *list(EntryPanel::Kind k) { return control<QTreeWidget>(k, "lvw", "List"); }
    QString total(EntryPanel::Kind k) { return control<QLabel>(k, "lbl", "Total")->text(); }

    void add(EntryPanel::Kind kind, const QString &itemName, const QString &amount, const QString &memoText = {})
    {
        name(kind)->setEditText(itemName);
        money(kind)->setText(amount);
        memo(kind)->setPlainText(memoText);
        panel(kind).AddClick();
    }
    QStringList column(EntryPanel::Kind kind, int column)
    {
        QStringList texts;
        for (int i = 0; i < list(kind)->topLevelItemCount(); ++i)
            texts << list(kind)->topLevelItem(i)->text(column);
        return texts;
    }
    RangeRecords records()
    {
        DayTotals days;
        RangeRecords found;
        TclsDatabaseUser(db.path()).ListRecordsOfDate(user, kDay, kDay.addDays(1), days, found);
        return found;
    }
    ProgramNameLists names() { return TclsDatabaseUser(db.path()).LoadProgramNames(user); }
};

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown &box : MessageBox::shown())
        texts << box.text;
    return texts;
}

QStringList items(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// One key press per character; unlike keyClicks it takes any character.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

void execSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}

// Runs `act` on the modal window once it is up (the busy bracket before it
// runs pending events, so a zero timer could fire too early).
void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(10, [act] {
        if (QWidget *modal = QApplication::activeModalWidget())
            act(modal);
        else
            whenModal(act);
    });
}

void addKindColumn()
{
    QTest::addColumn<EntryPanel::Kind>("kind");
}

void bothKinds()
{
    addKindColumn();
    QTest::newRow("expense") << Out;
    QTest::newRow("income") << In;
}
} // namespace

class TestEntryPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }

    void amountEditTakesDigitsAndPoint_data();
    void amountEditTakesDigitsAndPoint();
    void pasteIsFilteredAndMemoLimited();
    void enterMovesThroughThePanel_data() { bothKinds(); }
    void enterMovesThroughThePanel();
    void tabFollowsTheFieldOrder_data() { bothKinds(); }
    void tabFollowsTheFieldOrder();
    void addChecksNameAndAmount_data();
    void addChecksNameAndAmount();
    void addKeepsTextsAsTyped();
    void longListNameIsTakenWhole();
    void totalsFollowAddsAndDeletes();
    void finishStoresRowsInOrder_data() { bothKinds(); }
    void finishStoresRowsInOrder();
    void failedSaveKeepsRowsAndRetryStoresEachOnce();
    void saveKeyLivesWithThePendingList();
    void retryOfAStoredSaveStoresNothing();
    void identitiesTravelWithTheirRows();
    void closeQuestions_data();
    void closeQuestions();
    void closeKeepsRowsWhoseSaveFailed();
    void editorOpensOnFreshListAndCancels_data() { bothKinds(); }
    void editorOpensOnFreshListAndCancels();
    void editorSaveReplacesOnlyItsList_data();
    void editorSaveReplacesOnlyItsList();
    void editorRefusesNamesThatCannotBeStored();
};

void TestEntryPanel::amountEditTakesDigitsAndPoint_data()
{
    addKindColumn();
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letter, minus, comma, blank") << Out << "a-, 5" << "5";
    QTest::newRow("many points") << In << "1.2.3" << "1.2.3";
    QTest::newRow("full-width digit") << In << "１2" << "2";
    QTest::newRow("twelfth character") << Out << "123456789012" << "12345678901";
}

void TestEntryPanel::amountEditTakesDigitsAndPoint()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Ledger ledger;
    typeText(ledger.money(kind), typed);
    QCOMPARE(ledger.money(kind)->text(), expected);
    QTest::keyClick(ledger.money(kind), Qt::Key_Backspace);
    QCOMPARE(ledger.money(kind)->text(), expected.chopped(1));
}

void TestEntryPanel::pasteIsFilteredAndMemoLimited()
{
    Ledger ledger;
    QLineEdit *money = ledger.money(Out);
    money->setText(QStringLiteral("9"));
    money->setCursorPosition(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("1,2x3.5 元"));
    money->paste();
    QCOMPARE(money->text(), QStringLiteral("123.59"));
    QCOMPARE(money->cursorPosition(), 5);

    // At 255 characters, text put into the middle is refused; the tail stays.
    QPlainTextEdit *memo = ledger.memo(In);
    const QString full = QString(254, u'a') + QStringLiteral("Z");
    memo->setPlainText(full);
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(10);
    memo->setTextCursor(cursor);
    memo->insertPlainText(QStringLiteral("xyz"));
    typeText(memo, QStringLiteral("q"));
    QCOMPARE(memo->toPlainText(), full);
}

void TestEntryPanel::enterMovesThroughThePanel()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    ledger.window.show();
    ledger.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&ledger.window));

    ledger.control<QDateEdit>(kind, "dtp", "Date")->setFocus();
    const QList<QWidget *> expected = {ledger.name(kind), ledger.money(kind), ledger.memo(kind)};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), next);
    }

    // Enter in the memo adds the record and never becomes a line break.
    ledger.name(kind)->setEditText(QStringLiteral("书籍"));
    ledger.money(kind)->setText(QStringLiteral("5"));
    typeText(ledger.memo(kind), QStringLiteral("m"));
    QTest::keyClick(ledger.memo(kind), Qt::Key_Enter);
    QCOMPARE(ledger.column(kind, 5), QStringList{QStringLiteral("m")});
    QCOMPARE(QApplication::focusWidget(), ledger.name(kind));
    QCOMPARE(ledger.expense->pendingCount() + ledger.income->pendingCount(), 1);
}

void TestEntryPanel::tabFollowsTheFieldOrder()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    ledger.window.show();
    ledger.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&ledger.window));

    QWidget *date = ledger.control<QDateEdit>(kind, "dtp", "Date");
    date->setFocus();
    // One Tab per field: the date picker is left at once, not section by section.
    const QList<QWidget *> expected = {ledger.name(kind), ledger.money(kind), ledger.memo(kind), ledger.list(kind)};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    ledger.name(kind)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), date);
}

void TestEntryPanel::addChecksNameAndAmount_data()
{
    addKindColumn();
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: the row is added
    QTest::addColumn<QString>("stored");
    QTest::newRow("blank name") << In << " \t " << "7" << "您没有填写收入项目名称！" << "";
    QTest::newRow("lone point") << Out << "书" << "." << "金额不能为空或为0，请重新填写！" << "";
    QTest::newRow("two points") << In << "书" << "1.2.3" << "金额有错误，请重新填写！" << "";
    QTest::newRow("leading point") << Out << "书" << ".5" << "" << "0.50";
    QTest::newRow("eleven digits") << In << "书" << "12345678901" << "" << "12345678901.00";
    QTest::newRow("name cannot be stored") << Out << QStringLiteral("书\uE816") << "5"
                                           << "项目名称中的字符 U+E816 不能保存，请删去它。" << "";
    QTest::newRow("leading BOM is kept") << In << QStringLiteral("\uFEFF书") << "5" << "" << "5.00";
}

void TestEntryPanel::addChecksNameAndAmount()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    Ledger ledger;
    ledger.add(kind, name, typed, QStringLiteral("备注"));

    if (message.isEmpty()) {
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(ledger.column(kind, 4), QStringList{stored});
        return;
    }
    QCOMPARE(shownTexts(), QStringList{message});
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Warning);
    QCOMPARE(ledger.panel(kind).pendingCount(), 0);
    // A bad amount is cleared; everything else stays for the next try.
    QCOMPARE(ledger.money(kind)->text(), message.startsWith(QStringLiteral("金额")) ? QString() : typed);
    QCOMPARE(ledger.name(kind)->currentText(), name);
    QCOMPARE(ledger.memo(kind)->toPlainText(), QStringLiteral("备注"));
}

void TestEntryPanel::addKeepsTextsAsTyped()
{
    Ledger ledger;
    ledger.income->setItemNames({QStringLiteral("工资")});
    ledger.add(In, QStringLiteral(" 奖金 "), QStringLiteral("88"), QStringLiteral(" 老丈人给的 "));

    const QTreeWidgetItem *row = ledger.list(In)->topLevelItem(0);
    QStringList texts;
    for (int column = 0; column < 6; ++column)
        texts << row->text(column);
    QCOMPARE(texts, (QStringList{"", "2026-12-03", "收入", " 奖金 ", "88.00", " 老丈人给的 "}));
    QVERIFY(!row->icon(1).pixmap(16, 16).isNull());
    // Inputs are cleared, the date stays, the typed name stays out of the
    // drop-down, and refilling the list does not fill the empty box.
    QVERIFY(ledger.name(In)->currentText().isEmpty());
    QVERIFY(ledger.money(In)->text().isEmpty() && ledger.memo(In)->toPlainText().isEmpty());
    QCOMPARE(ledger.control<QDateEdit>(In, "dtp", "Date")->date(), kDay);
    QCOMPARE(items(ledger.name(In)), QStringList{QStringLiteral("工资")});
    ledger.income->setItemNames({QStringLiteral("甲"), QStringLiteral("乙")});
    QVERIFY(ledger.name(In)->currentText().isEmpty());
}

void TestEntryPanel::longListNameIsTakenWhole()
{
    Ledger ledger;
    const QString longName(60, QChar(0x4E59));
    ledger.expense->setItemNames({longName, QStringLiteral("短")});
    QComboBox *name = ledger.name(Out);

    // Picked from the list: whole, and typing cannot grow it.
    name->setCurrentIndex(0);
    QCOMPARE(name->currentText(), longName);
    name->lineEdit()->end(false);
    typeText(name->lineEdit(), QStringLiteral("x"));
    QCOMPARE(name->currentText(), longName);
    QTest::keyClick(name->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(name->currentText().size(), 59);

    // A short item brings the typing limit of 50 back.
    name->setCurrentIndex(1);
    name->lineEdit()->end(false);
    typeText(name->lineEdit(), QString(60, QLatin1Char('a')));
    QCOMPARE(name->currentText().size(), 50);

    // Re-picking the long item, refreshing the lists and adding keep it whole.
    name->setCurrentIndex(0);
    name->lineEdit()->setText(QStringLiteral("x"));
    emit name->activated(0);
    QCOMPARE(name->currentText(), longName);
    ledger.expense->setItemNames({QStringLiteral("短")});
    QCOMPARE(name->currentText(), longName);
    ledger.money(Out)->setText(QStringLiteral("1"));
    ledger.expense->AddClick();
    QCOMPARE(ledger.column(Out, 3), QStringList{longName});
}

void TestEntryPanel::totalsFollowAddsAndDeletes()
{
    Ledger ledger;
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：0.00"));
    for (const QString &amount : {QStringLiteral("0.125"), QStringLiteral("0.125"), QStringLiteral("4")})
        ledger.add(Out, QStringLiteral("项") + amount, amount);
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：4.26"));

    ledger.expense->DeleteClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("请在上面的列表中选定一条记录，然后删除它。")});

    // No keeps the row; Yes removes exactly the selected one.
    MessageBox::clearShown();
    ledger.list(Out)->setCurrentItem(ledger.list(Out)->topLevelItem(2));
    MessageBox::setNextAnswer(MessageBox::No);
    ledger.expense->DeleteClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("您确定要删除指定的记录吗？")});
    QCOMPARE(ledger.expense->pendingCount(), 3);
    MessageBox::setNextAnswer(MessageBox::Yes);
    ledger.expense->DeleteClick();
    QCOMPARE(ledger.column(Out, 4), (QStringList{"0.13", "0.13"}));
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：0.26"));
    QVERIFY(ledger.list(Out)->selectedItems().isEmpty());

    for (int left = 1; left >= 0; --left) {
        ledger.list(Out)->setCurrentItem(ledger.list(Out)->topLevelItem(0));
        MessageBox::setNextAnswer(MessageBox::Yes);
        ledger.expense->DeleteClick();
    }
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：0.00"));
}

void TestEntryPanel::finishStoresRowsInOrder()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    const QString type = kind == Out ? QStringLiteral("支出") : QStringLiteral("收入");
    ledger.panel(kind).FinishClick();
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("上面的列表中没有") + type + QStringLiteral("记录需要保存!")});

    const EntryPanel::Kind other = kind == Out ? In : Out;
    ledger.add(other, QStringLiteral("别的"), QStringLiteral("9"));
    ledger.panel(kind).setDate(kDay.addDays(1));
    ledger.add(kind, QStringLiteral("乙"), QStringLiteral("2.5"), QStringLiteral("第二"));
    ledger.panel(kind).setDate(kDay);
    ledger.add(kind, QStringLiteral("甲"), QStringLiteral("1"), QStringLiteral("第一"));
    ledger.add(kind, QStringLiteral("丙"), QStringLiteral("3"));
    MessageBox::clearShown();

    ledger.panel(kind).FinishClick();
    QCOMPARE(shownTexts(), QStringList{type + QStringLiteral("记录保存成功！\r\n\r\n您可以到“收支目录”处查看这些记录。")});
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Information);
    QCOMPARE(ledger.panel(kind).pendingCount(), 0);
    QCOMPARE(ledger.total(kind), type + QStringLiteral("合计：0.00"));
    QCOMPARE(ledger.panel(other).pendingCount(), 1);

    const RangeRecords stored = ledger.records();
    QCOMPARE(stored.date, (QStringList{"2026-12-03", "2026-12-03", "2026-12-04"}));
    QCOMPARE(stored.type, (QStringList{type, type, type}));
    QCOMPARE(stored.name, (QStringList{"甲", "丙", "乙"}));
    QCOMPARE(stored.amount, (QStringList{"1.00", "3.00", "2.50"}));
    QCOMPARE(stored.memo, (QStringList{"第一", "", "第二"}));
}

void TestEntryPanel::failedSaveKeepsRowsAndRetryStoresEachOnce()
{
    Ledger ledger;
    for (const QString &name : {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")})
        ledger.add(Out, name, QStringLiteral("1"));

    // The third insert fails inside the engine, after two rows went in.
    execSql(ledger.db.path(), "CREATE TRIGGER refuse BEFORE INSERT ON All_Table "
                              "WHEN (SELECT count(*) FROM All_Table) >= 2 "
                              "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    ledger.expense->FinishClick();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Error);
    QVERIFY(shownTexts().first().contains(QStringLiteral("disk says no")));
    QCOMPARE(ledger.expense->pendingCount(), 3);
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：3.00"));
    QVERIFY(ledger.expense->buttonCreators().at(3)->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ledger.records().size(), 0);

    execSql(ledger.db.path(), "DROP TRIGGER refuse");
    MessageBox::clearShown();
    ledger.expense->FinishClick();
    QCOMPARE(ledger.expense->pendingCount(), 0);
    QCOMPARE(ledger.records().name, (QStringList{"一", "二", "三"}));
}

void TestEntryPanel::saveKeyLivesWithThePendingList()
{
    Ledger ledger;
    QVERIFY(ledger.expense->saveKey().isEmpty());
    ledger.add(Out, QStringLiteral("一"), QStringLiteral("1"));
    const QString first = ledger.expense->saveKey();
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(first).hasMatch());
    ledger.add(Out, QStringLiteral("二"), QStringLiteral("2"));
    ledger.expense->AddPendingRows({{kDay, QStringLiteral("三"), QStringLiteral("3"), QString(), QString()}});
    QCOMPARE(ledger.expense->saveKey(), first);
    QVERIFY(ledger.income->saveKey().isEmpty());

    // Deleting rows keeps the key until the list is empty.
    for (int left = 2; left >= 0; --left) {
        ledger.list(Out)->setCurrentItem(ledger.list(Out)->topLevelItem(0));
        MessageBox::setNextAnswer(MessageBox::Yes);
        ledger.expense->DeleteClick();
        QCOMPARE(ledger.expense->saveKey().isEmpty(), left == 0);
    }

    // A new list gets a new key, which a failed save keeps.
    ledger.add(Out, QStringLiteral("四"), QStringLiteral("4"));
    const QString second = ledger.expense->saveKey();
    QVERIFY(!second.isEmpty());
    QVERIFY(second != first);
    execSql(ledger.db.path(), "CREATE TRIGGER refuse BEFORE INSERT ON All_Table "
                              "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    ledger.expense->FinishClick();
    QCOMPARE(ledger.expense->pendingCount(), 1);
    QCOMPARE(ledger.expense->saveKey(), second);
    execSql(ledger.db.path(), "DROP TRIGGER refuse");
    ledger.expense->FinishClick();
    QCOMPARE(ledger.expense->pendingCount(), 0);
    QVERIFY(ledger.expense->saveKey().isEmpty());
    QCOMPARE(ledger.records().name, QStringList{QStringLiteral("四")});
}

// The first 完成 was stored but its answer never came: pressing 完成 again
// must not store the rows a second time.
void TestEntryPanel::retryOfAStoredSaveStoresNothing()
{
    Ledger ledger;
    ledger.add(In, QStringLiteral("工资"), QStringLiteral("100"));
    ledger.add(In, QStringLiteral("奖金"), QStringLiteral("5"));
    const QList<PendingRow> rows = ledger.income->pendingRows();
    TclsDatabaseUser(ledger.db.path())
        .AddRecord(ledger.user, QStringLiteral("收入"), {"2026-12-03", "2026-12-03"}, {"工资", "奖金"},
                   {"100", "5"}, {"", ""}, ledger.income->saveKey());
    QList<SaveOutcome> outcomes;
    QList<QList<PendingRow>> savedRows;
    connect(ledger.income, &EntryPanel::saved, this, [&](const SaveOutcome &outcome, const QList<PendingRow> &r) {
        outcomes.append(outcome);
        savedRows.append(r);
    });
    MessageBox::clearShown();
    ledger.income->FinishClick();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Information);
    QCOMPARE(ledger.income->pendingCount(), 0);
    QCOMPARE(ledger.records().name, (QStringList{"工资", "奖金"}));
    QCOMPARE(outcomes.size(), 1);
    QVERIFY(outcomes.first().keyWasKnown);
    QCOMPARE(outcomes.first().stored, 0);
    QCOMPARE(savedRows.first().size(), rows.size());
}

void TestEntryPanel::identitiesTravelWithTheirRows()
{
    Ledger ledger;
    const QList<PendingRow> imported = {
        {kDay, QStringLiteral("早饭"), QStringLiteral("3.50"), QStringLiteral("甲"), QStringLiteral("bank:1")},
        {kDay.addDays(1), QStringLiteral("午饭"), QStringLiteral("12.00"), QString(), QStringLiteral("bank:2")},
    };
    ledger.expense->AddPendingRows(imported);
    QVERIFY(!ledger.expense->saveKey().isEmpty());
    ledger.add(Out, QStringLiteral("晚饭"), QStringLiteral("20"));
    QCOMPARE(ledger.total(Out), QStringLiteral("支出合计：35.50"));
    QCOMPARE(ledger.column(Out, 3), (QStringList{"早饭", "午饭", "晚饭"}));

    // Deleting the first row takes its identity with it.
    ledger.list(Out)->setCurrentItem(ledger.list(Out)->topLevelItem(0));
    MessageBox::setNextAnswer(MessageBox::Yes);
    ledger.expense->DeleteClick();
    const QList<PendingRow> pending = ledger.expense->pendingRows();
    QCOMPARE(pending.size(), 2);
    QCOMPARE(pending.at(0).identity, QStringLiteral("bank:2"));
    QCOMPARE(pending.at(0).date, kDay.addDays(1));
    QCOMPARE(pending.at(0).amount, QStringLiteral("12.00"));
    QCOMPARE(pending.at(1).identity, QString());
    QCOMPARE(pending.at(1).name, QStringLiteral("晚饭"));

    ledger.expense->FinishClick();
    QCOMPARE(ledger.expense->pendingCount(), 0);
    TclsDatabaseUser store(ledger.db.path());
    QCOMPARE(store.StoredRowIdentities(ledger.user, {"bank:1", "bank:2"}), QSet<QString>{"bank:2"});

    // The same statement row again is skipped; a new one is stored.
    SaveOutcome last;
    connect(ledger.expense, &EntryPanel::saved, this, [&](const SaveOutcome &outcome) { last = outcome; });
    ledger.expense->AddPendingRows({imported.at(1), imported.at(0)});
    ledger.expense->FinishClick();
    QCOMPARE(last.stored, 1);
    QCOMPARE(last.alreadyStored, 1);
    QCOMPARE(ledger.records().name, (QStringList{"晚饭", "早饭", "午饭"}));
}

void TestEntryPanel::closeQuestions_data()
{
    QTest::addColumn<bool>("expenseRows");
    QTest::addColumn<bool>("incomeRows");
    QTest::addColumn<QList<int>>("answers"); // in asking order
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("storedTypes");
    const QString askOut = QStringLiteral("您有支出记录没有保存，现在要保存吗？");
    const QString askIn = QStringLiteral("您有收入记录没有保存，现在要保存吗？");
    const QString out = QStringLiteral("支出");
    const QString in = QStringLiteral("收入");
    const int yes = MessageBox::Yes;
    const int no = MessageBox::No;
    QTest::newRow("yes yes") << true << true << QList<int>{yes, yes} << QStringList{askOut, askIn} << QStringList{out, in};
    QTest::newRow("yes no") << true << true << QList<int>{yes, no} << QStringList{askOut, askIn} << QStringList{out};
    QTest::newRow("no yes") << true << true << QList<int>{no, yes} << QStringList{askOut, askIn} << QStringList{in};
    QTest::newRow("no no") << true << true << QList<int>{no, no} << QStringList{askOut, askIn} << QStringList{};
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
    if (expenseRows)
        ledger.add(Out, QStringLiteral("出"), QStringLiteral("1"));
    if (incomeRows)
        ledger.add(In, QStringLiteral("入"), QStringLiteral("2"));
    for (int answer : answers) {
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
        if (answer == MessageBox::Yes)
            MessageBox::setNextAnswer(MessageBox::Ok); // the saved message follows a Yes
    }

    QVERIFY(AskToSavePending(*ledger.expense, *ledger.income, nullptr));

    QStringList questions;
    for (const MessageBox::Shown &box : MessageBox::shown()) {
        if (box.icon == MessageBox::Question)
            questions << box.text;
    }
    QCOMPARE(questions, asked);
    QCOMPARE(ledger.records().type, storedTypes);
}

void TestEntryPanel::closeKeepsRowsWhoseSaveFailed()
{
    Ledger ledger;
    ledger.add(Out, QStringLiteral("出"), QStringLiteral("1"));
    ledger.add(In, QStringLiteral("入"), QStringLiteral("2"));
    execSql(ledger.db.path(), "CREATE TRIGGER refuse BEFORE INSERT ON All_Table "
                              "WHEN new.Program_Money > 1 BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    MessageBox::setNextAnswer(MessageBox::Yes);
    MessageBox::setNextAnswer(MessageBox::Ok);
    MessageBox::setNextAnswer(MessageBox::Yes);
    QVERIFY(!AskToSavePending(*ledger.expense, *ledger.income, nullptr));
    QCOMPARE(ledger.expense->pendingCount(), 0);
    QCOMPARE(ledger.income->pendingCount(), 1);
    QCOMPARE(ledger.records().type, QStringList{QStringLiteral("支出")});
}

void TestEntryPanel::editorOpensOnFreshListAndCancels()
{
    QFETCH(EntryPanel::Kind, kind);
    Ledger ledger;
    const QString kindText = kind == Out ? kKindExpenseNames : kKindIncomeNames;
    // Changed behind the panel's back: the editor must show the stored list.
    TclsDatabaseUser(ledger.db.path()).SaveProgramNames(ledger.user, kindText, QStringLiteral("新一\r\n新二"));
    const QStringList comboBefore = items(ledger.name(kind));

    QString caption, text;
    bool recorded = false;
    whenModal([&](QWidget *modal) {
        caption = modal->windowTitle();
        auto *memEdit = modal->findChild<QPlainTextEdit *>(QStringLiteral("memEdit"));
        text = memEdit->toPlainText();
        recorded = ledger.fields.g_hActiveDialog == modal;
        memEdit->setPlainText(QStringLiteral("乱写"));
        modal->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
    });
    ledger.panel(kind).EditClick();

    QCOMPARE(caption, kindText + QStringLiteral(" - 编辑"));
    QCOMPARE(text, QStringLiteral("新一\n新二"));
    QVERIFY(recorded);
    QVERIFY(!ledger.fields.g_hActiveDialog);
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(items(ledger.name(kind)), comboBefore);
    const ProgramNameLists after = ledger.names();
    QCOMPARE(kind == Out ? after.expense : after.income, (QStringList{"新一", "新二"}));
}

void TestEntryPanel::editorSaveReplacesOnlyItsList_data()
{
    addKindColumn();
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("expense, blanks kept, empty line dropped") << Out << " 甲 \n\n乙" << QStringList{" 甲 ", "乙"};
    QTest::newRow("income edited") << In << "丙\n丁" << QStringList{"丙", "丁"};
    QTest::newRow("income emptied") << In << "" << QStringList{};
}

void TestEntryPanel::editorSaveReplacesOnlyItsList()
{
    QFETCH(EntryPanel::Kind, kind);
    QFETCH(QString, typed);
    QFETCH(QStringList, names);
    Ledger ledger;
    const EntryPanel::Kind other = kind == Out ? In : Out;
    const QStringList otherItems = items(ledger.name(other));
    const ProgramNameLists before = ledger.names();

    whenModal([&](QWidget *modal) {
        modal->findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->setPlainText(typed);
        modal->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
    });
    ledger.panel(kind).EditClick();

    const QString kindText = kind == Out ? kKindExpenseNames : kKindIncomeNames;
    QCOMPARE(shownTexts(), QStringList{kindText + QStringLiteral("保存成功！")});
    QCOMPARE(items(ledger.name(kind)), names);
    QCOMPARE(items(ledger.name(other)), otherItems);
    const ProgramNameLists after = ledger.names();
    QCOMPARE(kind == Out ? after.expense : after.income, names);
    QCOMPARE(kind == Out ? after.income : after.expense, kind == Out ? before.income : before.expense);
}

void TestEntryPanel::editorRefusesNamesThatCannotBeStored()
{
    Ledger ledger;
    const ProgramNameLists before = ledger.names();
    bool stayedOpen = false;
    whenModal([&](QWidget *modal) {
        modal->findChild<QPlainTextEdit *>(QStringLiteral("memEdit"))->setPlainText(QStringLiteral("甲\n乙\uE854"));
        modal->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
        stayedOpen = modal->isVisible();
        modal->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
    });
    ledger.panel(Out).EditClick();
    QVERIFY(stayedOpen);
    QCOMPARE(shownTexts(), QStringList{QStringLiteral("支出项目名称中的字符 U+E854 不能保存，请删去它。")});
    QCOMPARE(ledger.names().expense, before.expense);
}

QTEST_MAIN(TestEntryPanel)
#include "tst_entrypanel.moc"
