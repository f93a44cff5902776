// The review window of a statement import, driven through its model and
// its command: ticks, totals, filters, the pending lists it fills, the item
// rules it offers, and files that cannot be imported.
#include "BillSamples.h"
#include "EntryPanel.h"
#include "FileDialog.h"
#include "ImportReviewModel.h"
#include "LedgerConnection.h"
#include "MessageBox.h"
#include "PasswordPrompt.h"
#include "StatementReader.h"
#include "ModalDialogs.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmColumnMapping.h"
#include "unt_frmImportBill.h"

#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

using namespace Samples;

namespace {

const QString kUser = QStringLiteral("张三");

WeChatRow wechat(const char *time, const char *type, const char *counterparty, const char *goods,
                 const char *direction, const char *amount, const char *status, const char *order)
{
    return {QString::fromUtf8(time),      QString::fromUtf8(type),   QString::fromUtf8(counterparty),
            QString::fromUtf8(goods),     QString::fromUtf8(direction), QString::fromUtf8(amount),
            QString::fromUtf8(status),    QString::fromUtf8(order),  QStringLiteral("m") + QString::fromUtf8(order)};
}

// November's bill: two payments to 美团, a taxi, money received, a refund
// and a withdrawal that is neither spent nor earned.
QList<WeChatRow> novemberRows()
{
    return {wechat("2026-11-03 12:00:00", "商户消费", "美团", "午餐", "支出", "¥28.16", "支付成功", "4201"),
            wechat("2026-11-04 08:00:00", "商户消费", "滴滴出行", "快车", "支出", "¥15.00", "支付成功", "4202"),
            wechat("2026-11-05 09:00:00", "零钱提现", "招商银行", "/", "/", "¥100.00", "提现已到账", "4203"),
            wechat("2026-11-06 10:00:00", "转账", "李四", "/", "收入", "¥50.00", "已收钱", "4204"),
            wechat("2026-11-07 10:00:00", "退款", "京东", "退款-耳机", "收入", "¥20.00", "已全额退款", "4205"),
            wechat("2026-11-08 19:00:00", "商户消费", "美团", "晚餐", "支出", "¥31.00", "支付成功", "4206")};
}

struct Ledger {
    TempDatabase db;
    QTemporaryDir files;
    MainWindowFields fields;
    QWidget window;
    EntryPanel *expense;
    EntryPanel *income;

    Ledger()
    {
        fields.g_strUserName = kUser;
        fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(db.path());
        fields.g_objDatabaseUser->CreateUser(kUser, QStringLiteral("pw"));
        expense = new EntryPanel(EntryPanel::Expense, fields, &window);
        income = new EntryPanel(EntryPanel::Income, fields, &window);
    }
    TclsDatabaseUser &store() { return *fields.g_objDatabaseUser; }
    QString bill(const QString &name, const QList<WeChatRow> &rows)
    {
        return WriteFile(files.path(), name, Encode(WeChatCsv(rows), Encoding::Utf8));
    }
    ImportBatch read(const QStringList &paths, const BatchCallbacks &callbacks = {})
    {
        QSet<QString> pending;
        for (EntryPanel *panel : {expense, income})
            for (const PendingRow &row : panel->pendingRows())
                pending.insert(row.identity);
        return ReadImportBatch(paths, store(), kUser, callbacks, pending);
    }
    void exec(const char *sql)
    {
        auto connection = MakeLedgerConnection(LedgerLocation::FromText(db.path()));
        OperationScope scope(*connection);
        connection->Execute(sql);
    }
    int recordCount()
    {
        DayTotals days;
        RangeRecords records;
        store().ListRecordsOfDate(kUser, QDate(2026, 1, 1), QDate(2026, 12, 31), days, records);
        return records.size();
    }
};

int rowOf(const ImportReviewModel &model, const QString &goods)
{
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.records().at(r).row.goods == goods)
            return r;
    return -1;
}

QStringList identities(const QList<PendingRow> &rows)
{
    QStringList out;
    for (const PendingRow &row : rows)
        out << row.identity;
    return out;
}

} // namespace

class TestImportReview : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init() { MessageBox::clearShown(); }
    void startingStatesAndTicks();
    void totalsFollowTicks();
    void filterByState_data();
    void filterByState();
    void tickAllOnlyWhatTheFilterShows();
    void importFillsBothPendingLists();
    void failedSaveKeepsRowsAndIdentities();
    void pendingRowsCountAsImported();
    void itemChangeOffersRule_data();
    void itemChangeOffersRule();
    void refusedFileIsToldAndOthersGoOn();
    void encryptedZipAsksForItsPassword_data();
    void encryptedZipAsksForItsPassword();
    void bankMappingAskedOnceThenRemembered();
};

void TestImportReview::startingStatesAndTicks()
{
    Ledger ledger;
    // The first two rows were imported before.
    const ImportBatch first = ledger.read({ledger.bill("a.csv", novemberRows().mid(0, 2))});
    const TickedByType ticked = CollectTicked(first.records);
    ledger.store().AddRecord(kUser, kTypeExpense, ticked.expense.dates, ticked.expense.names, ticked.expense.amounts,
                             ticked.expense.memos, ticked.expense.identities, QString());

    ImportReviewModel model(ledger.read({ledger.bill("b.csv", novemberRows())}));
    QCOMPARE(model.rowCount(), 6);
    const QStringList expected = {"已导入", "已导入", "跳过：", "新", "退款", "新"};
    for (int r = 0; r < model.rowCount(); ++r) {
        const QString state = model.index(r, ImportReviewModel::ColState).data().toString();
        QVERIFY2(state.startsWith(expected.at(r)), qPrintable(state));
        const QModelIndex tick = model.index(r, ImportReviewModel::ColTick);
        const bool tickable = expected.at(r) == "新" || expected.at(r) == "退款";
        QCOMPARE(bool(model.flags(tick) & Qt::ItemIsUserCheckable), tickable);
        QCOMPARE(bool(model.flags(model.index(r, ImportReviewModel::ColItem)) & Qt::ItemIsEditable), tickable);
        QCOMPARE(tick.data(Qt::CheckStateRole).toInt() == Qt::Checked, expected.at(r) == "新");
        // A row that cannot be imported refuses a tick.
        if (!tickable)
            QVERIFY(!model.setData(tick, Qt::Checked, Qt::CheckStateRole));
    }
    QCOMPARE(model.index(3, ImportReviewModel::ColType).data().toString(), kTypeIncome);
    QCOMPARE(model.index(5, ImportReviewModel::ColAmount).data().toString(), QStringLiteral("31.00"));
    QCOMPARE(model.index(5, ImportReviewModel::ColDate).data().toString(), QStringLiteral("2026-11-08"));
}

void TestImportReview::totalsFollowTicks()
{
    Ledger ledger;
    ImportReviewModel model(ledger.read({ledger.bill("b.csv", novemberRows())}));
    QSignalSpy changed(&model, &ImportReviewModel::totalsChanged);
    QCOMPARE(model.totalsText(), QStringLiteral("已选 4 条：支出 74.16，收入 50.00"));
    // The refund is income only once the user says so.
    QVERIFY(model.setData(model.index(4, ImportReviewModel::ColTick), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.totalsText(), QStringLiteral("已选 5 条：支出 74.16，收入 70.00"));
    QVERIFY(model.setData(model.index(0, ImportReviewModel::ColTick), Qt::Unchecked, Qt::CheckStateRole));
    const ImportReviewModel::Totals totals = model.tickedTotals();
    QCOMPARE(totals.count, 4);
    QCOMPARE(totals.expenseCents, 4600);
    QCOMPARE(totals.incomeCents, 7000);
    QCOMPARE(changed.count(), 2);
}

void TestImportReview::filterByState_data()
{
    QTest::addColumn<int>("choice"); // index of the filter box
    QTest::addColumn<int>("rows");
    QTest::newRow("全部") << 0 << 6;
    QTest::newRow("新") << 1 << 4;
    QTest::newRow("已导入") << 2 << 0;
    QTest::newRow("退款") << 4 << 1;
    QTest::newRow("跳过") << 5 << 1;
}

void TestImportReview::filterByState()
{
    QFETCH(int, choice);
    QFETCH(int, rows);
    Ledger ledger;
    TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income,
                          ledger.read({ledger.bill("b.csv", novemberRows())}));
    dialog.stateBox()->setCurrentIndex(choice);
    QCOMPARE(dialog.table()->model()->rowCount(), rows);
}

void TestImportReview::tickAllOnlyWhatTheFilterShows()
{
    Ledger ledger;
    TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income,
                          ledger.read({ledger.bill("b.csv", novemberRows())}));
    dialog.btnTickAllClick(false);
    QCOMPARE(dialog.model()->tickedTotals().count, 0);
    dialog.stateBox()->setCurrentIndex(1); // 新
    dialog.btnTickAllClick(true);
    QCOMPARE(dialog.model()->tickedTotals().count, 4);
    QCOMPARE(dialog.totalsLabel()->text(), QStringLiteral("已选 4 条：支出 74.16，收入 50.00"));
    dialog.stateBox()->setCurrentIndex(0);
    dialog.btnTickAllClick(true); // the refund too, never the skipped row
    QCOMPARE(dialog.model()->tickedTotals().count, 5);
}

void TestImportReview::importFillsBothPendingLists()
{
    Ledger ledger;
    const ImportBatch batch = ledger.read({ledger.bill("b.csv", novemberRows())});
    TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income, batch);
    dialog.btnImportClick();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const QList<PendingRow> out = ledger.expense->pendingRows();
    const QList<PendingRow> in = ledger.income->pendingRows();
    QCOMPARE(out.size(), 3);
    QCOMPARE(in.size(), 1);
    QCOMPARE(identities(out),
             (QStringList{batch.records.at(0).row.identity, batch.records.at(1).row.identity,
                          batch.records.at(5).row.identity}));
    QCOMPARE(identities(in), QStringList{batch.records.at(3).row.identity});
    for (const PendingRow &row : out + in)
        QVERIFY(!row.identity.isEmpty());
    QCOMPARE(out.at(1).date, QDate(2026, 11, 4));
    QCOMPARE(out.at(1).amount, QStringLiteral("15.00"));
    QCOMPARE(out.at(1).memo, batch.records.at(1).memo);
    QCOMPARE(in.first().amount, QStringLiteral("50.00"));
    QCOMPARE(ledger.recordCount(), 0); // nothing is stored before 完成
    QVERIFY(MessageBox::shown().last().text.contains(QStringLiteral("3 条支出、1 条收入")));
}

void TestImportReview::failedSaveKeepsRowsAndIdentities()
{
    Ledger ledger;
    const QString path = ledger.bill("b.csv", novemberRows());
    {
        TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income, ledger.read({path}));
        dialog.btnImportClick();
    }
    const QStringList before = identities(ledger.expense->pendingRows());
    if (TestingOnServer()) {
        ledger.exec("create function refuse() returns trigger language plpgsql as $$ begin "
                    "raise exception 'refused by trigger'; end $$");
        ledger.exec("create trigger refuse before insert on All_Table for each row execute function refuse()");
    } else {
        ledger.exec("create trigger refuse before insert on All_Table begin select raise(abort, 'refused by trigger'); end");
    }
    MessageBox::clearShown();
    ledger.expense->FinishClick();
    QVERIFY(!MessageBox::shown().isEmpty());
    QCOMPARE(identities(ledger.expense->pendingRows()), before);
    QCOMPARE(ledger.recordCount(), 0);

    ledger.exec(TestingOnServer() ? "drop trigger refuse on All_Table" : "drop trigger refuse");
    ledger.expense->FinishClick();
    ledger.income->FinishClick();
    QCOMPARE(ledger.expense->pendingRows().size(), 0);
    QCOMPARE(ledger.recordCount(), 4);
    QCOMPARE(ledger.store().StoredRowIdentities(kUser, before).size(), before.size());

    // The same bill again: every row it could import is in the ledger.
    ImportReviewModel model(ledger.read({path}));
    QCOMPARE(model.tickedTotals().count, 0);
    QCOMPARE(CollectTicked(model.records()).expense.size(), 0);
}

void TestImportReview::pendingRowsCountAsImported()
{
    Ledger ledger;
    const QString path = ledger.bill("b.csv", novemberRows());
    {
        TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income, ledger.read({path}));
        dialog.btnImportClick();
    }
    // Importing the bill again before saving must not queue its rows twice.
    const ImportBatch again = ledger.read({path});
    QCOMPARE(again.records.at(0).state, RowState::Imported);
    QCOMPARE(again.records.at(3).state, RowState::Imported);
    QCOMPARE(again.records.at(4).state, RowState::Refund); // never queued
    QCOMPARE(CollectTicked(again.records).expense.size() + CollectTicked(again.records).income.size(), 0);
}

void TestImportReview::itemChangeOffersRule_data()
{
    QTest::addColumn<bool>("remember");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestImportReview::itemChangeOffersRule()
{
    QFETCH(bool, remember);
    Ledger ledger;
    const QString path = ledger.bill("b.csv", novemberRows());
    TfrmImportBill dialog(ledger.fields, *ledger.expense, *ledger.income, ledger.read({path}));
    ImportReviewModel *model = dialog.model();
    const int lunch = rowOf(*model, QStringLiteral("午餐"));
    const int dinner = rowOf(*model, QStringLiteral("晚餐"));
    const QString dinnerItem = model->records().at(dinner).item;
    QVERIFY(dinnerItem != QStringLiteral("外卖"));
    MessageBox::setNextAnswer(remember ? MessageBox::Yes : MessageBox::No);
    QVERIFY(model->setData(model->index(lunch, ImportReviewModel::ColItem), QStringLiteral(" 外卖 ")));
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Question);
    QVERIFY(MessageBox::shown().first().text.contains(QStringLiteral("美团")));
    QCOMPARE(model->records().at(lunch).item, QStringLiteral("外卖"));

    const ItemRuleLists rules = ledger.store().LoadItemRules(kUser);
    QCOMPARE(rules.size(), remember ? 1 : 0);
    // A remembered rule also gives the other 美团 row its item, here and in
    // the next import.
    QCOMPARE(model->records().at(dinner).item, remember ? QStringLiteral("外卖") : dinnerItem);
    if (remember) {
        QCOMPARE(rules.text.first(), QStringLiteral("美团"));
        QCOMPARE(rules.type.first(), kTypeExpense);
        const ImportBatch next = ledger.read({path});
        QCOMPARE(next.records.at(dinner).item, QStringLiteral("外卖"));
    }
    // A blank item is refused with a message, and the row keeps its item.
    MessageBox::clearShown();
    QVERIFY(!model->setData(model->index(lunch, ImportReviewModel::ColItem), QStringLiteral("  ")));
    QCOMPARE(model->records().at(lunch).item, QStringLiteral("外卖"));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Warning);
}

void TestImportReview::refusedFileIsToldAndOthersGoOn()
{
    Ledger ledger;
    const QString good = ledger.bill("good.csv", novemberRows());
    const QString junk = WriteFile(ledger.files.path(), "junk.csv", QByteArray("not,a,bill\n\x01\x02\x03"));
    FileDialog::setNextOpenFileNames({junk, good});
    int shown = 0;
    QObject context; // the probe goes with the test, whether a window showed or not
    WhenModalShows<TfrmImportBill>(&context, [&](TfrmImportBill *dialog) {
        shown = dialog->model()->rowCount();
        dialog->btnImportClick();
    });
    ShowImportBill(ledger.fields, *ledger.expense, *ledger.income, &ledger.window);
    QCOMPARE(shown, 6);
    const QList<MessageBox::Shown> boxes = MessageBox::shown();
    QVERIFY(boxes.size() >= 2);
    QCOMPARE(boxes.first().icon, MessageBox::Warning);
    QVERIFY2(boxes.first().text.contains(QStringLiteral("junk.csv")), qPrintable(boxes.first().text));
    QVERIFY(boxes.first().text.contains(QStringLiteral("一条也没有导入")));
    QCOMPARE(ledger.expense->pendingRows().size(), 3);
    QCOMPARE(ledger.income->pendingRows().size(), 1);

    // Cancel in the file dialog does nothing at all.
    MessageBox::clearShown();
    FileDialog::setNextOpenFileNames({});
    ShowImportBill(ledger.fields, *ledger.expense, *ledger.income, &ledger.window);
    QCOMPARE(MessageBox::shown().size(), 0);
}

void TestImportReview::encryptedZipAsksForItsPassword_data()
{
    QTest::addColumn<QStringList>("answers"); // an empty answer stands for Cancel
    QTest::addColumn<bool>("opened");
    QTest::newRow("right password") << QStringList{"s3cret"} << true;
    QTest::newRow("wrong, then right") << QStringList{"nope", "s3cret"} << true;
    QTest::newRow("cancelled") << QStringList{QString()} << false;
    QTest::newRow("wrong, then cancelled") << QStringList{"nope", QString()} << false;
}

// A mailed bill comes as a zip with a password: a wrong one asks again, and
// Cancel refuses that file by name without queueing anything.
void TestImportReview::encryptedZipAsksForItsPassword()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, opened);
    Ledger ledger;
    const QByteArray csv = Encode(WeChatCsv(novemberRows()), Encoding::Utf8);
    const QString zip = WriteFile(ledger.files.path(), "账单.zip",
                                  MakeZip({{QStringLiteral("微信支付账单.csv"), csv}}, QByteArrayLiteral("s3cret")));
    for (const QString &answer : answers)
        PasswordPrompt::setNextAnswer(answer.isEmpty() ? std::nullopt : std::optional<QString>(answer));
    const int promptsBefore = PasswordPrompt::shownCount();
    FileDialog::setNextOpenFileNames({zip});
    int shown = -1;
    QObject context;
    WhenModalShows<TfrmImportBill>(&context, [&](TfrmImportBill *dialog) {
        shown = dialog->model()->rowCount();
        dialog->btnImportClick();
    });
    ShowImportBill(ledger.fields, *ledger.expense, *ledger.income, &ledger.window);
    QCOMPARE(PasswordPrompt::shownCount() - promptsBefore, answers.size());
    QVERIFY2(PasswordPrompt::lastText().contains(QStringLiteral("账单.zip")), qPrintable(PasswordPrompt::lastText()));
    QCOMPARE(PasswordPrompt::lastText().startsWith(QStringLiteral("密码不对")), answers.size() > 1);
    if (opened) {
        QCOMPARE(shown, 6);
        QCOMPARE(ledger.expense->pendingRows().size(), 3);
        QCOMPARE(ledger.income->pendingRows().size(), 1);
    } else {
        QCOMPARE(shown, -1);
        const QList<MessageBox::Shown> boxes = MessageBox::shown();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().text.contains(QStringLiteral("账单.zip")), qPrintable(boxes.first().text));
        QCOMPARE(ledger.expense->pendingRows().size() + ledger.income->pendingRows().size(), 0);
    }
}

void TestImportReview::bankMappingAskedOnceThenRemembered()
{
    Ledger ledger;
    const QString text = QStringLiteral("交易日期,摘要,对方户名,支出,收入,余额\n"
                                        "2026-11-01,消费,华联超市,35.50,,964.50\n"
                                        "2026-11-02,工资,某公司,,\"8,000.00\",8964.50\n"
                                        "2026-11-03,消费,加油站,200.00,,8764.50\n");
    const QString first = WriteFile(ledger.files.path(), "bank1.csv", text.toUtf8());
    const QString second = WriteFile(ledger.files.path(), "bank2.csv", Encode(text, Encoding::Gb18030));
    int mappingDialogs = 0;
    int previewRows = 0;
    auto answerMapping = [&](TfrmColumnMapping *dialog) {
        ++mappingDialogs;
        previewRows = dialog->findChild<QTableWidget *>(QStringLiteral("tblMap_Preview"))->rowCount();
        ColumnMapping mapping;
        mapping.date = 0;
        mapping.description = 1;
        mapping.counterparty = 2;
        mapping.debit = 3;
        mapping.credit = 4;
        mapping.balance = 5;
        dialog->setMapping(mapping);
        dialog->btnOkClick();
    };
    BatchCallbacks callbacks;
    callbacks.mapping = [&](const QString &path, const BankTable &table) -> std::optional<ColumnMapping> {
        TfrmColumnMapping dialog(path, table, ColumnMapping(), &ledger.window);
        QObject context;
        WhenModalShows<TfrmColumnMapping>(&context, answerMapping);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.mapping();
    };
    const ImportBatch batch = ledger.read({first}, callbacks);
    QCOMPARE(mappingDialogs, 1);
    QCOMPARE(previewRows, 3);
    QCOMPARE(batch.records.size(), 3);
    QCOMPARE(batch.records.at(1).recordType, kTypeIncome);
    QCOMPARE(batch.records.at(1).amount, QStringLiteral("8000.00"));

    // The same header in another encoding: the remembered mapping, no dialog.
    const ImportBatch again = ledger.read({second}, callbacks);
    QCOMPARE(mappingDialogs, 1);
    QCOMPARE(again.records.size(), 3);
    QCOMPARE(again.records.at(0).amount, QStringLiteral("35.50"));

    // A remembered mapping that no longer fits (the date taken from the
    // description column) asks again rather than refusing the file for good.
    const QString key = ReadBankTable(first).headerKey();
    const QString good = ledger.store().LoadBankMapping(kUser, key);
    ledger.store().SaveBankMapping(kUser, key, QStringLiteral("date=1;debit=3;credit=4;header=1"));
    const ImportBatch remapped = ledger.read({first}, callbacks);
    QCOMPARE(mappingDialogs, 2);
    QCOMPARE(remapped.records.size(), 3);
    QVERIFY(remapped.refused.isEmpty());
    QCOMPARE(ledger.store().LoadBankMapping(kUser, key), good);
}

QTEST_MAIN(TestImportReview)
#include "tst_importreview.moc"
