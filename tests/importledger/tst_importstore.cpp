// The import's data in the ledger on either engine: item rules, remembered
// bank mappings, and the hand-typed records a statement is matched against.
#include "ImportMatcher.h"
#include "ImportTables.h"
#include "KavloError.h"
#include "LedgerConnection.h"
#include "LedgerExtensions.h"
#include "TestSupport.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

namespace {

const QString kUser = QStringLiteral("张三");
const QString kOther = QStringLiteral("李四");

void dropTable(const QString &path, const QByteArray &table)
{
    auto connection = MakeLedgerConnection(LedgerLocation::FromText(path));
    OperationScope scope(*connection);
    connection->Execute(("drop table " + table).constData());
}

} // namespace

class TestImportStore : public QObject
{
    Q_OBJECT
private slots:
    void rulesRoundTrip();
    void ruleSavedAgainReplacesItem();
    void rulesRefuseWhatCouldNeverApply_data();
    void rulesRefuseWhatCouldNeverApply();
    void mappingsByHeaderAndUser();
    void oldLedgerReadsEmptyAndFirstSaveMakesTable_data();
    void oldLedgerReadsEmptyAndFirstSaveMakesTable();
    void typedRecordsLeaveImportedOnesOut();
    void deletedUserTakesRulesAndMappings();
    void matchAgainstLedger();
};

void TestImportStore::rulesRoundTrip()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.SaveItemRule(kUser, QStringLiteral("美团"), QStringLiteral("外出就餐"), kTypeExpense);
    store.SaveItemRule(kUser, QStringLiteral("美团外卖"), QStringLiteral("外卖"), kTypeExpense);
    store.SaveItemRule(kUser, QStringLiteral("  公司  "), QStringLiteral("工资收入"), kTypeIncome);
    store.SaveItemRule(kOther, QStringLiteral("滴滴"), QStringLiteral("打车"), kTypeExpense);

    const ItemRuleLists rules = store.LoadItemRules(kUser);
    // Longest text first: the more particular rule is the one that applies;
    // equal lengths by text, the same on both engines.
    QCOMPARE(rules.text, (QStringList{"美团外卖", "公司", "美团"}));
    QCOMPARE(rules.item, (QStringList{"外卖", "工资收入", "外出就餐"}));
    QCOMPARE(rules.type, (QStringList{kTypeExpense, kTypeIncome, kTypeExpense}));
    QCOMPARE(store.LoadItemRules(kOther).text, QStringList{"滴滴"});

    QVERIFY(store.DeleteItemRule(kUser, QStringLiteral("美团"), kTypeExpense));
    QVERIFY(!store.DeleteItemRule(kUser, QStringLiteral("美团"), kTypeExpense));
    QVERIFY(!store.DeleteItemRule(kUser, QStringLiteral("公司"), kTypeExpense)); // other type
    QCOMPARE(store.LoadItemRules(kUser).text, (QStringList{"美团外卖", "公司"}));
    QCOMPARE(store.LoadItemRules(kOther).size(), 1);
}

void TestImportStore::ruleSavedAgainReplacesItem()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.SaveItemRule(kUser, QStringLiteral("星巴克"), QStringLiteral("外出就餐"), kTypeExpense);
    store.SaveItemRule(kUser, QStringLiteral("星巴克"), QStringLiteral("咖啡"), kTypeExpense);
    store.SaveItemRule(kUser, QStringLiteral("星巴克"), QStringLiteral("其他收入"), kTypeIncome);
    const ItemRuleLists rules = store.LoadItemRules(kUser);
    QCOMPARE(rules.size(), 2);
    QCOMPARE(rules.item.at(rules.type.indexOf(kTypeExpense)), QStringLiteral("咖啡"));
    QCOMPARE(rules.item.at(rules.type.indexOf(kTypeIncome)), QStringLiteral("其他收入"));
}

void TestImportStore::rulesRefuseWhatCouldNeverApply_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("type");
    QTest::newRow("blank text") << "   " << "外出就餐" << kTypeExpense;
    QTest::newRow("blank item") << "美团" << "" << kTypeExpense;
    QTest::newRow("item too long") << "美团" << QString(kItemNameLimit + 1, QChar(u'饭')) << kTypeExpense;
    QTest::newRow("unknown type") << "美团" << "外出就餐" << "转账";
    QTest::newRow("unstorable character") << QString(QChar(0xE81E)) << "外出就餐" << kTypeExpense;
}

void TestImportStore::rulesRefuseWhatCouldNeverApply()
{
    QFETCH(QString, text);
    QFETCH(QString, item);
    QFETCH(QString, type);
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY_THROWS_EXCEPTION(KavloError, store.SaveItemRule(kUser, text, item, type));
    QCOMPARE(store.LoadItemRules(kUser).size(), 0);
}

void TestImportStore::mappingsByHeaderAndUser()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("key-a")), QString());
    store.SaveBankMapping(kUser, QStringLiteral("key-a"), QStringLiteral("date=0;amount=3"));
    store.SaveBankMapping(kUser, QStringLiteral("key-b"), QStringLiteral("date=1;debit=4;credit=5"));
    store.SaveBankMapping(kOther, QStringLiteral("key-a"), QStringLiteral("date=2;amount=2"));
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("key-a")), QStringLiteral("date=0;amount=3"));
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("key-b")), QStringLiteral("date=1;debit=4;credit=5"));
    QCOMPARE(store.LoadBankMapping(kOther, QStringLiteral("key-a")), QStringLiteral("date=2;amount=2"));
    // Mapping the same header again replaces what was remembered.
    store.SaveBankMapping(kUser, QStringLiteral("key-a"), QStringLiteral("date=0;amount=4"));
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("key-a")), QStringLiteral("date=0;amount=4"));
    QVERIFY_THROWS_EXCEPTION(KavloError, store.SaveBankMapping(kUser, QString(), QStringLiteral("date=0")));
}

void TestImportStore::oldLedgerReadsEmptyAndFirstSaveMakesTable_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::newRow("rules") << kItemRulesTable;
    QTest::newRow("mappings") << kBankMappingsTable;
    QTest::newRow("identities") << kRowIdentitiesTable;
}

void TestImportStore::oldLedgerReadsEmptyAndFirstSaveMakesTable()
{
    QFETCH(QByteArray, table);
    TempDatabase db;
    {
        TclsDatabaseUser store(db.path());
        QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
        store.AddRecord(kUser, kTypeExpense, {"2026-11-01"}, {"午饭"}, {"12.00"}, {""});
    }
    // A ledger from before the import existed.
    dropTable(db.path(), table);
    TclsDatabaseUser store(db.path());
    QCOMPARE(store.LoadItemRules(kUser).size(), 0);
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("k")), QString());
    RangeRecords typed;
    store.ListTypedRecords(kUser, QDate(2026, 11, 1), QDate(2026, 11, 30), typed);
    QCOMPARE(typed.size(), 1);

    store.SaveItemRule(kUser, QStringLiteral("美团"), QStringLiteral("外出就餐"), kTypeExpense);
    store.SaveBankMapping(kUser, QStringLiteral("k"), QStringLiteral("date=0;amount=1"));
    store.AddRecord(kUser, kTypeExpense, {"2026-11-02"}, {"晚饭"}, {"30.00"}, {""}, {"wechat:x"}, QString());
    QCOMPARE(store.LoadItemRules(kUser).size(), 1);
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("k")), QStringLiteral("date=0;amount=1"));
    store.ListTypedRecords(kUser, QDate(2026, 11, 1), QDate(2026, 11, 30), typed);
    QCOMPARE(typed.name, QStringList{"午饭"});
}

void TestImportStore::typedRecordsLeaveImportedOnesOut()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.AddRecord(kUser, kTypeExpense, {"2026-10-31", "2026-11-01", "2026-11-15", "2026-12-01"},
                    {"早饭", "午饭", "晚饭", "夜宵"}, {"5", "12.5", "30", "8"}, {"", "", "备注", ""});
    store.AddRecord(kUser, kTypeIncome, {"2026-11-10"}, {"工资收入"}, {"8000"}, {""});
    store.AddRecord(kUser, kTypeExpense, {"2026-11-05", "2026-11-06"}, {"外出就餐", "日常用品"}, {"28.16", "50"},
                    {"", ""}, {"wechat:1", "wechat:2"}, QString());
    store.AddRecord(kOther, kTypeExpense, {"2026-11-07"}, {"别人的"}, {"9"}, {""});

    RangeRecords typed;
    store.ListTypedRecords(kUser, QDate(2026, 11, 1), QDate(2026, 11, 30), typed);
    QCOMPARE(typed.name, (QStringList{"午饭", "工资收入", "晚饭"}));
    QCOMPARE(typed.date, (QStringList{"2026-11-01", "2026-11-10", "2026-11-15"}));
    QCOMPARE(typed.type, (QStringList{kTypeExpense, kTypeIncome, kTypeExpense}));
    QCOMPARE(typed.amount, (QStringList{"12.50", "8000.00", "30.00"}));
    QCOMPARE(typed.memo.at(2), QStringLiteral("备注"));
    for (const QString &id : typed.id)
        QVERIFY(id.toLongLong() > 0);

    store.ListTypedRecords(kUser, QDate(2026, 11, 30), QDate(2026, 11, 1), typed);
    QCOMPARE(typed.size(), 0);
}

void TestImportStore::deletedUserTakesRulesAndMappings()
{
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    QVERIFY(store.CreateUser(kUser, QStringLiteral("pw")));
    QVERIFY(store.CreateUser(kOther, QStringLiteral("pw")));
    for (const QString &user : {kUser, kOther}) {
        store.SaveItemRule(user, QStringLiteral("美团"), QStringLiteral("外出就餐"), kTypeExpense);
        store.SaveBankMapping(user, QStringLiteral("k"), QStringLiteral("date=0;amount=1"));
    }
    QVERIFY(store.DeleteUser(kUser, QStringLiteral("pw")));
    // A user of the same name made later starts without the old one's rules.
    QVERIFY(store.CreateUser(kUser, QStringLiteral("new")));
    QCOMPARE(store.LoadItemRules(kUser).size(), 0);
    QCOMPARE(store.LoadBankMapping(kUser, QStringLiteral("k")), QString());
    QCOMPARE(store.LoadItemRules(kOther).size(), 1);
    QCOMPARE(store.LoadBankMapping(kOther, QStringLiteral("k")), QStringLiteral("date=0;amount=1"));
}

void TestImportStore::matchAgainstLedger()
{
    // The whole check as the review window and the tool run it: identities
    // stored before, one waiting, and a lunch typed by hand two days later.
    TempDatabase db;
    TclsDatabaseUser store(db.path());
    store.AddRecord(kUser, kTypeExpense, {"2026-11-03"}, {"午饭"}, {"28.16"}, {""});
    store.AddRecord(kUser, kTypeExpense, {"2026-11-01"}, {"外出就餐"}, {"9.00"}, {""}, {"wechat:old"}, QString());
    RangeRecords typedBefore;
    store.ListTypedRecords(kUser, QDate(2026, 11, 3), QDate(2026, 11, 3), typedBefore);
    QCOMPARE(typedBefore.size(), 1);

    auto proposed = [](const QString &identity, const QDate &date, const QString &amount) {
        ProposedRecord r;
        r.row.identity = identity;
        r.row.date = date;
        r.recordType = kTypeExpense;
        r.amount = amount;
        r.ticked = true;
        return r;
    };
    QList<ProposedRecord> records = {proposed("wechat:old", QDate(2026, 11, 1), "9.00"),
                                     proposed("wechat:new", QDate(2026, 11, 1), "28.16"),
                                     proposed("wechat:pending", QDate(2026, 11, 2), "3.00"),
                                     proposed("wechat:other", QDate(2026, 11, 2), "4.00")};
    const QHash<QString, TypedRecord> matched =
        MatchAgainstLedger(records, store, kUser, {QStringLiteral("wechat:pending")});
    QCOMPARE(records.at(0).state, RowState::Imported);
    QCOMPARE(records.at(1).state, RowState::MaybeTyped);
    QCOMPARE(records.at(1).matchedRecordId, typedBefore.id.first());
    QCOMPARE(matched.value(typedBefore.id.first()).item, QStringLiteral("午饭"));
    QCOMPARE(records.at(2).state, RowState::Imported);
    QCOMPARE(records.at(3).state, RowState::New);
    QVERIFY(records.at(3).ticked);
}

QTEST_GUILESS_MAIN(TestImportStore)
#include "tst_importstore.moc"
