// Budgets and recurring entries in the main window: what a login puts into
// the pending lists, and the box after 完成 that tells an exceeded budget.
#include "BrowsePanel.h"
#include "EntryPanel.h"
#include "MessageBox.h"
#include "Recurrence.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"
#include "unt_frmMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kUser = QStringLiteral("王五");
const QString kRent = QStringLiteral("房租（定期）");

QDate day(const char *iso) { return QDate::fromString(QLatin1String(iso), Qt::ISODate); }

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown &box : MessageBox::shown())
        texts.append(box.text);
    return texts;
}

QStringList pendingTexts(const EntryPanel &panel)
{
    QStringList texts;
    for (const PendingRow &row : panel.pendingRows())
        texts.append(row.date.toString(Qt::ISODate) + QLatin1Char(' ') + row.name + QLatin1Char(' ') + row.amount +
                     QLatin1Char(' ') + row.identity);
    return texts;
}
} // namespace

class TestPlanMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_db;
    qint64 m_rentId = 0;
    qint64 m_bonusId = 0;

    // The main window as the login gate leaves it, logged in on `today`.
    std::unique_ptr<TfrmMain> login(const QDate &today)
    {
        auto main = std::make_unique<TfrmMain>(m_db->path());
        main->g_objFields.g_strUserName = kUser;
        main->InitMainWindow();
        main->OfferDueRecurring(today);
        return main;
    }

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init()
    {
        MessageBox::clearShown();
        m_db = std::make_unique<TempDatabase>();
        TclsDatabaseUser store(m_db->path());
        QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
        RecurringEntry rent;
        rent.recordType = kTypeExpense;
        rent.name = kRent;
        rent.amount = QStringLiteral("1500.00");
        rent.rule = {RepeatKind::Monthly, 31, 1};
        rent.first = day("2024-01-31");
        m_rentId = store.SaveRecurringEntry(kUser, rent);
        RecurringEntry bonus = rent;
        bonus.recordType = kTypeIncome;
        bonus.name = QStringLiteral("闰日奖金");
        bonus.rule = {RepeatKind::Yearly, 29, 2};
        bonus.first = day("2024-02-29");
        m_bonusId = store.SaveRecurringEntry(kUser, bonus);
        RecurringEntry paused = rent;
        paused.name = QStringLiteral("暂停的");
        paused.paused = true;
        store.SaveRecurringEntry(kUser, paused);
    }
    void cleanup() { m_db.reset(); }

    void loginOffersWhatIsDue()
    {
        auto main = login(day("2024-04-30"));
        const QString r = QStringLiteral(" %1 1500.00 recur:%2:").arg(kRent).arg(m_rentId);
        QCOMPARE(pendingTexts(*main->pnlOut), (QStringList{"2024-01-31" + r + "2024-01-31", "2024-02-29" + r + "2024-02-29",
                                                           "2024-03-31" + r + "2024-03-31", "2024-04-30" + r + "2024-04-30"}));
        QCOMPARE(pendingTexts(*main->pnlIn),
                 QStringList{QStringLiteral("2024-02-29 闰日奖金 1500.00 recur:%1:2024-02-29").arg(m_bonusId)});
        QVERIFY(!main->lblRecurring->isHidden());
        QVERIFY(main->lblRecurring->text().contains(QStringLiteral("5 笔")));
        QVERIFY(shownTexts().isEmpty()); // nothing asked, nothing stored
        TclsDatabaseUser store(m_db->path());
        DayTotals days;
        RangeRecords records;
        store.ListRecordsOfDate(kUser, day("2024-01-01"), day("2024-12-31"), days, records);
        QCOMPARE(records.size(), 0);

        // Saved: the next login offers only what fell due since.
        main->pnlOut->FinishClick();
        main->pnlIn->FinishClick();
        QCOMPARE(main->pnlOut->pendingCount(), 0);
        main.reset();
        main = login(day("2024-05-31"));
        QCOMPARE(pendingTexts(*main->pnlOut), QStringList{"2024-05-31" + r + "2024-05-31"});
        QCOMPARE(main->pnlIn->pendingCount(), 0);
        store.ListRecordsOfDate(kUser, day("2024-01-01"), day("2024-12-31"), days, records);
        QCOMPARE(records.size(), 5);

        // Offered and dropped from the list: offered again next time.
        main->pnlOut->findChild<QTreeWidget *>(QStringLiteral("lvwOut_List"))->setCurrentItem(
            main->pnlOut->findChild<QTreeWidget *>(QStringLiteral("lvwOut_List"))->topLevelItem(0));
        MessageBox::setNextAnswer(MessageBox::Yes);
        main->pnlOut->DeleteClick();
        QCOMPARE(main->pnlOut->pendingCount(), 0);
        main.reset();
        main = login(day("2024-05-31"));
        QCOMPARE(pendingTexts(*main->pnlOut), QStringList{"2024-05-31" + r + "2024-05-31"});

        // Nothing due: no note.
        main->pnlOut->FinishClick();
        main.reset();
        main = login(day("2024-06-29"));
        QCOMPARE(main->pnlOut->pendingCount(), 0);
        QVERIFY(main->lblRecurring->isHidden());
    }

    // One box after 完成 names what went past its budget and by how much,
    // once per item and month.
    void exceededBudgetIsToldOnce()
    {
        TclsDatabaseUser store(m_db->path());
        const QString food = store.LoadProgramNames(kUser).expense.first();
        store.SetBudget(kUser, food, day("2024-01-01"), 100);
        store.SetBudget(kUser, QString(), day("2024-01-01"), 5000);
        auto main = login(day("2024-01-30")); // nothing due yet
        QCOMPARE(main->pnlOut->pendingCount(), 0);
        main->pnlOut->AddPendingRows({{day("2024-01-05"), food, QStringLiteral("80.00"), QString(), QString()}});
        main->pnlOut->FinishClick();
        QCOMPARE(shownTexts().size(), 1); // saved, within the budget
        MessageBox::clearShown();

        main->pnlOut->AddPendingRows({{day("2024-01-06"), food, QStringLiteral("30.50"), QString(), QString()}});
        main->pnlOut->FinishClick();
        // Told as the rows are saved, before the panel says they were.
        const QList<MessageBox::Shown> boxes = MessageBox::shown();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].icon, MessageBox::Information);
        QVERIFY2(boxes[0].text.contains(QStringLiteral("“%1”预算 100.00，已支出 110.50，超出 10.50").arg(food)),
                 qPrintable(boxes[0].text));
        QVERIFY(!boxes[0].text.contains(QStringLiteral("全部支出")));
        QVERIFY(boxes[1].text.startsWith(QStringLiteral("支出记录保存成功")));
        MessageBox::clearShown();

        main->pnlOut->AddPendingRows({{day("2024-01-07"), food, QStringLiteral("5.00"), QString(), QString()}});
        main->pnlOut->FinishClick();
        QCOMPARE(shownTexts().size(), 1);
        MessageBox::clearShown();

        // The rent takes the month past the overall budget.
        main.reset();
        main = login(day("2024-01-31"));
        QCOMPARE(main->pnlOut->pendingCount(), 1);
        main->pnlOut->AddPendingRows({{day("2024-01-31"), food, QStringLiteral("3500.00"), QString(), QString()}});
        main->pnlOut->FinishClick();
        const QStringList texts = shownTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts[0].contains(QStringLiteral("“全部支出”预算 5000.00，已支出 5115.50，超出 115.50")), qPrintable(texts[0]));
        QVERIFY(!texts[0].contains(QStringLiteral("“%1”").arg(food)));
    }

    void moreMenuOpensThePlanWindows()
    {
        auto main = login(day("2024-01-01"));
        QStringList captions;
        for (QAction *action : main->pnlInAndOut->moreMenu()->actions())
            captions.append(action->text());
        const qsizetype budget = captions.indexOf(QStringLiteral("预算(&B)..."));
        QVERIFY(budget > captions.indexOf(QStringLiteral("按月统计收支(&M)...")));
        QCOMPARE(captions.value(budget + 1), QStringLiteral("定期收支(&R)..."));
    }
};

QTEST_MAIN(TestPlanMain)
#include "tst_planmain.moc"
