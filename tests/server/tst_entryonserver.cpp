// The entry panel's 完成 on a shared ledger whose commit answer is lost:
// the message says first that the outcome is unknown, the list and its key
// are kept, and pressing 完成 again stores nothing twice.
#include "DelayProxy.h"
#include "EntryPanel.h"
#include "MessageBox.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QThread>
#include <QUrlQuery>
#include <QtTest>

class TestEntryOnServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { MessageBox::setTestMode(true); }
    void lostAnswerKeepsListAndRetryIsSafe_data();
    void lostAnswerKeepsListAndRetryIsSafe();
};

void TestEntryOnServer::lostAnswerKeepsListAndRetryIsSafe_data()
{
    QTest::addColumn<bool>("serverAway");
    QTest::newRow("server answers the question") << false;
    QTest::newRow("server away for a while") << true;
}

void TestEntryOnServer::lostAnswerKeepsListAndRetryIsSafe()
{
    QFETCH(bool, serverAway);
    TempDatabase db;
    const QString user = QStringLiteral("张三");
    QVERIFY(TclsDatabaseUser(db.path()).CreateUser(user, QStringLiteral("pw")));
    DelayProxy proxy(SourceDir() + QStringLiteral("/bench/store/delay_proxy.py"));
    MainWindowFields fields;
    fields.g_strUserName = user;
    fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(LedgerLocation::Server(
        proxy.conninfo(QUrlQuery(QUrl(db.path()).query()).queryItemValue(QStringLiteral("dbname")))));
    fields.g_objDatabaseUser->GetUserNames(); // connected through the proxy before the cut
    QWidget window;
    EntryPanel *panel = new EntryPanel(EntryPanel::Expense, fields, &window);
    const QDate day(2026, 12, 3);
    panel->setDate(day);
    QList<PendingRow> rows;
    for (int i = 0; i < 36; ++i)
        rows.append({day, QStringLiteral("午饭%1").arg(i), QStringLiteral("12.00"), QString(), QString()});
    panel->AddPendingRows(rows);
    const QString key = panel->saveKey();

    MessageBox::clearShown();
    proxy.cutNextCommit();
    if (serverAway)
        proxy.refuseConnections(3);
    panel->FinishClick();
    QCOMPARE(MessageBox::shown().size(), 1);
    const QString text = MessageBox::shown().first().text;
    DayTotals days;
    RangeRecords stored;
    TclsDatabaseUser(db.path()).ListRecordsOfDate(user, day, day, days, stored);
    QCOMPARE(stored.size(), 36); // the commit reached the server
    if (!serverAway) {
        QCOMPARE(MessageBox::shown().first().icon, MessageBox::Information);
        QCOMPARE(panel->pendingCount(), 0);
        return;
    }
    QVERIFY2(text.startsWith(QStringLiteral("结果不能确定：")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("再按“完成”是安全的")), qPrintable(text));
    QCOMPARE(panel->pendingCount(), 36);
    QCOMPARE(panel->saveKey(), key);

    // Once the server is back, 完成 again: success, and the rows once.
    QThread::msleep(3500);
    MessageBox::clearShown();
    panel->FinishClick();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Information);
    QCOMPARE(panel->pendingCount(), 0);
    TclsDatabaseUser(db.path()).ListRecordsOfDate(user, day, day, days, stored);
    QCOMPARE(stored.size(), 36);
}

QTEST_MAIN(TestEntryOnServer)
#include "tst_entryonserver.moc"
