#include "BrowsePanel.h"
#include "BrowseTestKit.h"
#include "MessageBox.h"
#include "unt_frmModifyRecord.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

namespace {
const QDate d(const char *text) { return QDate::fromString(QLatin1String(text), Qt::ISODate); }

// The dialog on the only record of a ledger, with the opener's detail row.
struct ModifyFixture {
    Ledger ledger;
    QStringList detailRow; // columns 3, 4 and 5 of the opener's detail row
    std::unique_ptr<TfrmModifyRecord> dialog;
    QString id;

    explicit ModifyFixture(const QString &amount = QStringLiteral("10"))
    {
        ledger.add(kTypeExpense, "2007-03-02", "早饭", amount, "豆浆");
        const RangeRecords stored = ledger.stored(d("2007-03-02"), d("2007-03-02"));
        id = stored.id.value(0);
        detailRow = QStringList{stored.name.value(0), stored.amount.value(0), "豆浆"};
        dialog = std::make_unique<TfrmModifyRecord>(
            ledger.db.path(), [this](const QString &name, const QString &amount, const QString &memo) {
                detailRow = QStringList{name, amount, memo};
            });
        dialog->SetRecord(id, "2007-03-02", stored.name.value(0), stored.amount.value(0), "豆浆");
    }
    QLineEdit *edit(const char *name) { return dialog->findChild<QLineEdit *>(QLatin1String(name)); }
    QStringList row() const { return detailRow; }
};
} // namespace

class TestBrowseDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
    }

    void modifySave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // the amount afterwards

        QTest::newRow("blank name") << " \t " << "5" << "项目名称不能为空！"
                                    << "10.00";
        QTest::newRow("negative") << "早饭" << "-5" << "金额错误！请重新输入。"
                                  << "10.00";
        QTest::newRow("letters") << "早饭" << "abc" << "金额错误！请重新输入。"
                                 << "10.00";
        QTest::newRow("exponent") << "早饭" << "1e3" << "金额错误！请重新输入。"
                                  << "10.00";
        QTest::newRow("empty") << "早饭" << "" << "金额不能为空或为0！"
                               << "10.00";
        QTest::newRow("zero") << "早饭" << "0.00" << "金额不能为空或为0！"
                              << "10.00";
        QTest::newRow("rounded up") << "早饭" << "12.346" << "修改成功！"
                                    << "12.35";
        QTest::newRow("half rounds away") << "早饭" << "0.125" << "修改成功！"
                                          << "0.13";
        QTest::newRow("whole number") << " 早饭 " << "7" << "修改成功！"
                                      << "7.00";
        QTest::newRow("unchanged") << "早饭" << "10.00" << "修改成功！"
                                   << "10.00";
        QTest::newRow("name cannot be stored") << QStringLiteral("早饭\uE831") << "5"
                                               << "项目名称中的字符 U+E831 不能保存，请删去它。" << "10.00";
        QTest::newRow("leading BOM kept") << QStringLiteral("\uFEFF早饭") << "5" << "修改成功！"
                                          << "5.00";
    }
    void modifySave()
    {
        QFETCH(QString, name);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        ModifyFixture f;
        f.edit("edtName")->setText(name);
        f.edit("edtMoney")->setText(amount);
        f.dialog->findChild<QPlainTextEdit *>(QStringLiteral("memMemo"))->setPlainText(QStringLiteral("新备注"));
        f.dialog->btnSaveClick();

        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, message);
        const bool saved = message == QStringLiteral("修改成功！");
        QCOMPARE(MessageBox::shown()[0].icon, saved ? MessageBox::Information : MessageBox::Warning);
        QCOMPARE(f.dialog->result(), saved ? int(QDialog::Accepted) : int(QDialog::Rejected));
        const RangeRecords after = f.ledger.stored(d("2007-03-02"), d("2007-03-02"));
        QCOMPARE(after.amount, QStringList{stored});
        if (saved) {
            // The name is stored as typed, blanks included.
            QCOMPARE(after.name, QStringList{name});
            QCOMPARE(after.memo, QStringList{"新备注"});
            QCOMPARE(f.row(), (QStringList{name, stored, "新备注"}));
        } else {
            QCOMPARE(after.name, QStringList{"早饭"});
            QCOMPARE(f.row(), (QStringList{"早饭", "10.00", "豆浆"}));
            // A rejected amount is cleared; a rejected name keeps the amount.
            QCOMPARE(f.edit("edtMoney")->text(), message.startsWith(QStringLiteral("金额")) ? QString() : amount);
        }
    }

    void modifyKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter in the name saves") << "edtName" << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on Save saves") << "btnSave" << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on Cancel cancels") << "btnCancel" << int(Qt::Key_Return) << int(QDialog::Rejected);
        QTest::newRow("Esc cancels") << "edtName" << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }

    void modifyKeys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, result);
        ModifyFixture f;
        f.edit("edtMoney")->setText(QStringLiteral("12.5"));
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
        auto *target = f.dialog->findChild<QWidget *>(focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->result(), result);
        const QString amount = result == QDialog::Accepted ? QStringLiteral("12.50") : QStringLiteral("10.00");
        QCOMPARE(f.ledger.stored(d("2007-03-02"), d("2007-03-02")).amount, QStringList{amount});
    }

    void longAmountShownWholeAndKept()
    {
        ModifyFixture f(QStringLiteral("12345678901"));
        QLineEdit *money = f.edit("edtMoney");
        QCOMPARE(money->text(), QStringLiteral("12345678901.00"));
        // Typing cannot grow it, deleting can, until it fits the limit of 11.
        money->setCursorPosition(money->text().size());
        QTest::keyClick(money, Qt::Key_5);
        QCOMPARE(money->text(), QStringLiteral("12345678901.00"));
        QTest::keyClick(money, Qt::Key_Backspace);
        QTest::keyClick(money, Qt::Key_5);
        QCOMPARE(money->text(), QStringLiteral("12345678901.0"));
        QTest::keyClick(money, Qt::Key_Backspace);
        QTest::keyClick(money, Qt::Key_Backspace);
        QTest::keyClick(money, Qt::Key_Backspace);
        QTest::keyClick(money, Qt::Key_Backspace);
        QCOMPARE(money->text(), QStringLiteral("123456789"));
        QTest::keyClicks(money, QStringLiteral("123"));
        QCOMPARE(money->text(), QStringLiteral("12345678912"));

        ModifyFixture unchanged(QStringLiteral("12345678901"));
        unchanged.dialog->btnSaveClick();
        QCOMPARE(MessageBox::shown().last().text, QStringLiteral("修改成功！"));
        QCOMPARE(unchanged.ledger.stored(d("2007-03-02"), d("2007-03-02")).amount,
                 QStringList{"12345678901.00"});
    }

    void longNameShownWholeAndShrinks()
    {
        const QString longName(60, QChar(0x4E59));
        ModifyFixture f;
        f.dialog->SetRecord(f.id, "2007-03-02", longName, "10.00", "豆浆");
        QLineEdit *name = f.edit("edtName");
        QCOMPARE(name->text(), longName);
        name->setCursorPosition(name->text().size());
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClick(name, Qt::Key_A);
        QCOMPARE(name->text(), longName.left(59));
    }

    void failingUpdateKeepsDialogOpen()
    {
        ModifyFixture f;
        RefuseWrites(f.ledger.db.path());
        f.edit("edtMoney")->setText(QStringLiteral("12.5"));
        f.dialog->btnSaveClick();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Error);
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(f.row(), (QStringList{"早饭", "10.00", "豆浆"}));
        QCOMPARE(f.edit("edtMoney")->text(), QStringLiteral("12.5"));
        QVERIFY(f.dialog->findChild<QPushButton *>(QStringLiteral("btnSave"))->isEnabled());
    }

    void memoLimit()
    {
        ModifyFixture f;
        auto *memo = f.dialog->findChild<QPlainTextEdit *>(QStringLiteral("memMemo"));
        memo->setPlainText(QString(254, QLatin1Char('a')));
        memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(memo, QStringLiteral("bcd"));
        QCOMPARE(memo->toPlainText(), QString(254, QLatin1Char('a')) + QStringLiteral("b"));
    }

    void shareWindow_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("caption");

        QTest::newRow("no records") << kTypeIncome << QList<QStringList>{} << "统计各个收入项目所占比例";
        QTest::newRow("one item") << kTypeExpense << QList<QStringList>{{"书籍", "100.00", "100.00"}}
                                  << "统计各个支出项目所占比例";
        QTest::newRow("three equal items")
            << kTypeExpense
            << QList<QStringList>{{"早饭", "1.00", "33.33"}, {"午饭", "1.00", "33.33"}, {"晚饭", "1.00", "33.33"}}
            << "统计各个支出项目所占比例";
        QTest::newRow("income apart from expenses")
            << kTypeIncome << QList<QStringList>{{"书籍", "1000.00", "100.00"}} << "统计各个收入项目所占比例";
    }
    void shareWindow()
    {
        QFETCH(QString, type);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, caption);
        Ledger ledger;
        const QString tag = QTest::currentDataTag();
        if (tag == "one item" || tag == "income apart from expenses") {
            ledger.add(kTypeExpense, "2007-01-01", "书籍", "60");
            ledger.add(kTypeExpense, "2007-01-31", "书籍", "40");
            ledger.add(kTypeExpense, "2007-02-01", "书籍", "500");
            ledger.add(kTypeExpense, "2007-01-15", "书籍", "700", QString(), kOtherUser);
            ledger.add(kTypeIncome, "2007-01-15", "书籍", "1000");
        } else if (tag == "three equal items") {
            for (const char *name : {"早饭", "午饭", "晚饭"})
                ledger.add(kTypeExpense, "2007-01-10", name, "1");
        }
        BrowsePanel panel(ledger.fields);
        panel.setRange(d("2007-01-01"), d("2007-01-31"));

        QString title;
        QString dateLine;
        QList<QStringList> shown;
        QWidget *active = nullptr;
        QWidget *dialogShown = nullptr;
        ModalProbe probe([&](QDialog *dialog) {
            dialogShown = dialog;
            active = ledger.fields.g_hActiveDialog;
            title = dialog->windowTitle();
            dateLine = LabelText(dialog, "lblDate");
            shown = Rows(dialog->findChild<QTreeWidget *>(QStringLiteral("lvwTotal")));
        });
        panel.ShowProgramShare(type);
        QCOMPARE(probe.count(), 1);
        QVERIFY(active && active == dialogShown);
        QVERIFY(!ledger.fields.g_hActiveDialog);
        QCOMPARE(title, caption);
        QCOMPARE(dateLine, QStringLiteral("2007-01-01至2007-01-31："));
        // Equal totals come in the store's order, which is not fixed.
        std::sort(shown.begin(), shown.end());
        std::sort(rows.begin(), rows.end());
        QCOMPARE(shown, rows);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void dailyListingAgreesWithPanel_data()
    {
        QTest::addColumn<bool>("withRecords");
        QTest::newRow("records") << true;
        QTest::newRow("no records") << false;
    }
    void dailyListingAgreesWithPanel()
    {
        QFETCH(bool, withRecords);
        Ledger ledger;
        if (withRecords) {
            ledger.add(kTypeIncome, "2007-03-03", "工资", "1000.10", "三月");
            ledger.add(kTypeExpense, "2007-03-03", "早饭", "3.3");
            ledger.add(kTypeExpense, "2007-03-01", "书籍", "45.56");
            ledger.add(kTypeExpense, "2007-03-31", "房租", "800");
            ledger.add(kTypeExpense, "2007-04-01", "房租", "800");
            ledger.add(kTypeIncome, "2007-03-03", "工资", "9000", QString(), kOtherUser);
        }
        BrowsePanel panel(ledger.fields);
        panel.setRange(d("2007-03-01"), d("2007-03-31"));
        panel.ViewClick();
        // The listing reads the pickers, not the panel's last View.
        const QString out = LabelText(&panel, "lblInAndOut_OutMoney1").mid(5);
        const QString in = LabelText(&panel, "lblInAndOut_InMoney1").mid(5);
        const QString surplus = LabelText(&panel, "lblInAndOut_Surplus").mid(3);
        panel.setRange(d("2007-03-01"), d("2007-03-31"));

        QString total;
        QString title;
        QList<QStringList> rows;
        bool recorded = false;
        ModalProbe probe([&](QDialog *dialog) {
            recorded = ledger.fields.g_hActiveDialog == dialog;
            title = dialog->windowTitle();
            total = LabelText(dialog, "lblTotal");
            rows = Rows(dialog->findChild<ReportTable *>(QStringLiteral("lvwList")));
        });
        panel.mnuInAndOut_More_ShowRecordClick();
        QCOMPARE(probe.count(), 1);
        QVERIFY(recorded);
        QCOMPARE(title, QStringLiteral("详细显示每天所有收支记录"));
        QCOMPARE(total, QStringLiteral("支出合计：%1    收入合计：%2    结余合计：%3").arg(out, in, surplus));
        if (withRecords) {
            QCOMPARE(total, QStringLiteral("支出合计：848.86    收入合计：1000.10    结余合计：151.24"));
            QCOMPARE(rows, (QList<QStringList>{{"2007-03-01", "支出", "书籍", "45.56", ""},
                                               {"2007-03-03", "支出", "早饭", "3.30", ""},
                                               {"2007-03-03", "收入", "工资", "1000.10", "三月"},
                                               {"2007-03-31", "支出", "房租", "800.00", ""}}));
        } else {
            QCOMPARE(total, QStringLiteral("支出合计：0.00    收入合计：0.00    结余合计：0.00"));
            QVERIFY(rows.isEmpty());
        }
    }
};

QTEST_MAIN(TestBrowseDialogs)
#include "tst_browsedialogs.moc"
