#include "BrowsePanel.h"
#include "BrowseTestKit.h"
#include "MessageBox.h"
#include "unt_clsButtonCreator.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {
const QDate d(const char *text) { return QDate::fromString(QLatin1String(text), Qt::ISODate); }

QStringList ListTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

const char *const kFigureLabels[] = {"lblInAndOut_Days",      "lblInAndOut_Surplus",  "lblInAndOut_OutMoney1",
                                     "lblInAndOut_OutMoney2", "lblInAndOut_InMoney1", "lblInAndOut_InMoney2"};

QStringList Figures(const QWidget *panel)
{
    QStringList texts;
    for (const char *name : kFigureLabels)
        texts << LabelText(panel, name);
    return texts;
}
} // namespace

class TestBrowsePanel : public QObject
{
    Q_OBJECT

    // One panel per test on its own ledger.
    std::unique_ptr<Ledger> ledger;
    std::unique_ptr<BrowsePanel> panel;
    ReportTable *days = nullptr;
    ReportTable *details = nullptr;
    QListWidget *ids = nullptr;

    void view(const QDate &start, const QDate &end)
    {
        panel->setRange(start, end);
        panel->ViewClick();
    }
    void selectDetail(int row) { details->selectRow(row); }
    void selectDay(int row) { days->selectRow(row); }

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        ledger = std::make_unique<Ledger>();
        panel = std::make_unique<BrowsePanel>(ledger->fields);
        days = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List1"));
        details = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List2"));
        ids = panel->findChild<QListWidget *>(QStringLiteral("lstInAndOut_List2_ID"));
        QVERIFY(days && details && ids);
    }
    void cleanup()
    {
        panel.reset();
        ledger.reset();
    }

    void viewFigures_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QStringList>("figures");

        QTest::newRow("one day") << d("2007-03-05") << d("2007-03-05") << 1
                                 << QStringList{"查询天数：1", "结余：49.50", "支出合计：50.50", "50.50/天",
                                                "收入合计：100.00", "100.00/天"};
        QTest::newRow("ten days, one expense")
            << d("2007-03-10") << d("2007-03-19") << 10
            << QStringList{"查询天数：10", "结余：-100.00", "支出合计：100.00", "10.00/天", "收入合计：0.00", "0.00/天"};
        QTest::newRow("no records") << d("2007-02-01") << d("2007-02-28") << 28
                                    << QStringList{"查询天数：28", "结余：0.00", "支出合计：0.00", "0.00/天",
                                                   "收入合计：0.00", "0.00/天"};
        QTest::newRow("whole year") << d("2007-01-01") << d("2007-12-31") << 365
                                    << QStringList{"查询天数：365", "结余：-50.50", "支出合计：150.50", "0.41/天",
                                                   "收入合计：100.00", "0.27/天"};
    }
    void viewFigures()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(int, rowCount);
        QFETCH(QStringList, figures);
        ledger->add(kTypeIncome, "2007-03-05", "工资", "100");
        ledger->add(kTypeExpense, "2007-03-05", "早饭", "30.5");
        ledger->add(kTypeExpense, "2007-03-05", "午饭", "20");
        ledger->add(kTypeExpense, "2007-03-15", "书籍", "100");
        ledger->add(kTypeExpense, "2007-03-15", "书籍", "999", QString(), kOtherUser);

        view(start, end);
        QCOMPARE(RowCount(days), rowCount);
        QCOMPARE(Figures(panel.get()), figures);
        QCOMPARE(Rows(days).first()[0], start.toString(Qt::ISODate));
        QCOMPARE(Rows(days).last()[0], end.toString(Qt::ISODate));
        // The per-day rows add up to the figures.
        double expense = 0;
        for (const QStringList &row : Rows(days))
            expense += row[1].toDouble();
        QCOMPARE(QStringLiteral("支出合计：%1").arg(expense, 0, 'f', 2), figures[2]);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void viewSelectsEndDayWithExpensesFirst()
    {
        ledger->add(kTypeIncome, "2007-03-05", "工资", "100", "三月");
        ledger->add(kTypeExpense, "2007-03-05", "早饭", "30.5", "豆浆");
        ledger->add(kTypeExpense, "2007-03-05", "午饭", "20");
        ledger->add(kTypeExpense, "2007-03-04", "晚饭", "9");
        ledger->add(kTypeExpense, "2007-03-05", "别人的", "7", QString(), kOtherUser);

        view(d("2007-03-01"), d("2007-03-05"));
        QCOMPARE(SelectedRows(days), QList<int>{4});
        QCOMPARE(Rows(days).last(), (QStringList{"2007-03-05", "50.50", "100.00"}));
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-05", "支出", "早饭", "30.50", "豆浆"},
                                                    {"2007-03-05", "支出", "午饭", "20.00", ""},
                                                    {"2007-03-05", "收入", "工资", "100.00", "三月"}}));
        const RangeRecords stored = ledger->stored(d("2007-03-05"), d("2007-03-05"));
        QCOMPARE(ListTexts(ids), stored.id);
        QCOMPARE(details->model()->index(3 - 1, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
    }

    void reversedRangeChangesNothing()
    {
        ledger->add(kTypeExpense, "2007-03-02", "早饭", "5");
        view(d("2007-03-01"), d("2007-03-02"));
        const QList<QStringList> dayRows = Rows(days);
        const QList<QStringList> detailRows = Rows(details);
        const QStringList figures = Figures(panel.get());

        panel->setRange(d("2007-03-10"), d("2007-03-09"));
        const QString warning = QStringLiteral("查看起始日期不能大于截止日期！");
        ModalProbe probe([](QDialog *) {});
        panel->ViewClick();
        panel->ShowProgramShare(kTypeExpense);
        panel->mnuInAndOut_More_ShowRecordClick();
        QCOMPARE(probe.count(), 0);
        QCOMPARE(MessageBox::shown().size(), 3);
        for (const MessageBox::Shown &box : MessageBox::shown()) {
            QCOMPARE(box.text, warning);
            QCOMPARE(box.icon, MessageBox::Warning);
            QCOMPARE(box.caption, QStringLiteral("Kavlo"));
        }
        QCOMPARE(Rows(days), dayRows);
        QCOMPARE(Rows(details), detailRows);
        QCOMPARE(Figures(panel.get()), figures);
    }

    void failingViewKeepsPreviousRange()
    {
        ledger->add(kTypeExpense, "2007-03-02", "早饭", "5");
        view(d("2007-03-01"), d("2007-03-02"));
        const QList<QStringList> dayRows = Rows(days);
        const QStringList figures = Figures(panel.get());
        QVERIFY(QFile::remove(ledger->db.path()));
        view(d("2007-04-01"), d("2007-04-30"));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Error);
        QCOMPARE(Rows(days), dayRows);
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-02", "支出", "早饭", "5.00", ""}}));
        QCOMPARE(Figures(panel.get()), figures);
        QVERIFY(panel->buttonCreators()[0]->isEnabled());
    }

    void clickingDaysAndEmptyArea()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        ledger->add(kTypeIncome, "2007-03-02", "奖金", "50");
        view(d("2007-03-01"), d("2007-03-03"));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(RowCount(details) == 0); // the end day has no records

        QWidget *viewport = days->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, days->rowRect(1).center());
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-02", "收入", "奖金", "50.00", ""}}));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, days->rowRect(0).center());
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "支出", "早饭", "5.00", ""}}));

        // Below the last row: the day is unselected and its records stay listed.
        const QRect last = days->rowRect(2);
        QVERIFY(last.bottom() + 10 < viewport->height());
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, last.bottom() + 10));
        QVERIFY(SelectedRows(days).isEmpty());
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "支出", "早饭", "5.00", ""}}));
        QCOMPARE(ids->count(), 1);
    }

    void listsShowTheStoreRowForRow_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::newRow("the busy day alone") << d("2007-03-07") << d("2007-03-07");
        QTest::newRow("a month") << d("2007-03-01") << d("2007-03-31");
        QTest::newRow("two months, ending on a quiet day") << d("2007-02-20") << d("2007-04-19");
        QTest::newRow("before any record") << d("2006-12-01") << d("2006-12-03");
    }
    // Per-day rows, each day's detail rows and IDs, and the daily listing,
    // against what a store object of its own reads for the range.
    void listsShowTheStoreRowForRow()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        // Saved income first: the lists still show a day's expenses first.
        for (int i = 0; i < 40; ++i) {
            const QDate day = d("2007-03-01").addDays(i % 23 == 7 ? 6 : (i * 5) % 45);
            ledger->add(i % 3 ? kTypeExpense : kTypeIncome, day.toString(Qt::ISODate),
                        QStringLiteral("项目%1").arg(i % 4), QString::number(i + 0.25, 'f', 2),
                        i % 2 ? QStringLiteral("备注 %1").arg(i) : QString());
        }
        for (int i = 0; i < 30; ++i)
            ledger->add(i % 2 ? kTypeIncome : kTypeExpense, "2007-03-07", QString(50, QChar(0x7532 + i % 3)),
                        QString::number(1000 + i), QStringLiteral("忙的一天"));
        ledger->add(kTypeExpense, "2007-03-07", "别人的", "1", QString(), kOtherUser);

        DayTotals storedDays;
        const RangeRecords stored = ledger->stored(start, end, storedDays);
        QList<QStringList> dayRows;
        for (int i = 0; i < storedDays.size(); ++i)
            dayRows << QStringList{storedDays.date[i], storedDays.expense[i], storedDays.income[i]};

        view(start, end);
        QCOMPARE(Rows(days), dayRows);
        QCOMPARE(SelectedRows(days), QList<int>{int(dayRows.size()) - 1});
        QCOMPARE(Rows(details), RecordRows(stored, end.toString(Qt::ISODate)));
        for (int i = int(dayRows.size()) - 1; i >= 0; --i) {
            selectDay(i);
            QCOMPARE(Rows(details), RecordRows(stored, storedDays.date[i]));
            QCOMPARE(ListTexts(ids), RecordIds(stored, storedDays.date[i]));
        }
        if (QTest::currentDataTag() == QByteArrayView("the busy day alone"))
            QCOMPARE(RowCount(details), 32);

        QList<QStringList> listed;
        ModalProbe probe([&](QDialog *dialog) { listed = Rows(dialog->findChild<ReportTable *>("lvwList")); });
        panel->mnuInAndOut_More_ShowRecordClick();
        QCOMPARE(probe.count(), 1);
        QCOMPARE(listed, RecordRows(stored));
    }

    void arrowKeysAfterView_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("row");
        QTest::newRow("Up") << QList<int>{Qt::Key_Up} << 3;
        QTest::newRow("Up twice") << QList<int>{Qt::Key_Up, Qt::Key_Up} << 2;
        QTest::newRow("Down stays on the end date") << QList<int>{Qt::Key_Down} << 4;
        QTest::newRow("Up, Down") << QList<int>{Qt::Key_Up, Qt::Key_Down} << 4;
        QTest::newRow("Home, Down") << QList<int>{Qt::Key_Home, Qt::Key_Down} << 1;
        QTest::newRow("Home, End") << QList<int>{Qt::Key_Home, Qt::Key_End} << 4;
    }
    // After View the keyboard moves from the end date, as after a real End.
    void arrowKeysAfterView()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        for (int day = 1; day <= 5; ++day)
            ledger->add(kTypeExpense, QStringLiteral("2007-03-0%1").arg(day), QStringLiteral("第%1天").arg(day), "5");
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        view(d("2007-03-01"), d("2007-03-05"));
        QCOMPARE(days->currentRow(), 4);
        for (int key : keys)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(QApplication::focusWidget(), days);
        QCOMPARE(SelectedRows(days), QList<int>{row});
        const QString date = d("2007-03-01").addDays(row).toString(Qt::ISODate);
        QCOMPARE(Rows(details), (QList<QStringList>{{date, "支出", QStringLiteral("第%1天").arg(row + 1), "5.00", ""}}));
    }

    // Delete takes a row out of the middle of a day: the rows left, the later
    // days and a following Modify still name the right records.
    void deleteThenModifyHitTheRightRecords()
    {
        ledger->add(kTypeExpense, "2007-03-01", "甲", "5");
        ledger->add(kTypeExpense, "2007-03-01", "乙", "6");
        ledger->add(kTypeExpense, "2007-03-01", "丙", "7");
        ledger->add(kTypeExpense, "2007-03-02", "丁", "8");
        ledger->add(kTypeIncome, "2007-03-02", "戊", "20");
        const RangeRecords before = ledger->stored(d("2007-03-01"), d("2007-03-02"));
        view(d("2007-03-01"), d("2007-03-02"));
        selectDay(0);
        selectDetail(1);
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "支出", "甲", "5.00", ""},
                                                    {"2007-03-01", "支出", "丙", "7.00", ""}}));
        QCOMPARE(ListTexts(ids), (QStringList{before.id[0], before.id[2]}));
        QVERIFY(SelectedRows(details).isEmpty());

        selectDetail(1);
        ModalProbe probe([](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("edtMoney"))->setText(QStringLiteral("9"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
        });
        panel->ModifyClick();
        QCOMPARE(probe.count(), 1);
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "支出", "甲", "5.00", ""},
                                                    {"2007-03-01", "支出", "丙", "9.00", ""}}));
        QCOMPARE(Rows(days), (QList<QStringList>{{"2007-03-01", "14.00", "0.00"}, {"2007-03-02", "8.00", "20.00"}}));
        QCOMPARE(Figures(panel.get()), (QStringList{"查询天数：2", "结余：-2.00", "支出合计：22.00", "11.00/天",
                                                   "收入合计：20.00", "10.00/天"}));

        const RangeRecords after = ledger->stored(d("2007-03-01"), d("2007-03-02"));
        QCOMPARE(after.name, (QStringList{"甲", "丙", "丁", "戊"}));
        QCOMPARE(after.amount, (QStringList{"5.00", "9.00", "8.00", "20.00"}));
        selectDay(1);
        QCOMPARE(Rows(details), RecordRows(after, "2007-03-02"));
        QCOMPARE(ListTexts(ids), RecordIds(after, "2007-03-02"));
        selectDay(0);
        QCOMPARE(Rows(details), RecordRows(after, "2007-03-01"));
    }

    void deleteOnlyRecordOfDay()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        ledger->add(kTypeExpense, "2007-03-02", "书籍", "30");
        ledger->add(kTypeIncome, "2007-03-02", "奖金", "10");
        view(d("2007-03-01"), d("2007-03-02"));
        selectDay(0);
        QCOMPARE(RowCount(details), 1);

        // No, then Yes.
        selectDetail(0);
        panel->DeleteClick();
        QCOMPARE(RowCount(details), 1);
        QCOMPARE(LabelText(panel.get(), "lblInAndOut_OutMoney1"), QStringLiteral("支出合计：35.00"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();

        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown()[1].icon, MessageBox::Question);
        QCOMPARE(MessageBox::shown()[1].text, QStringLiteral("您确定要删除指定的记录吗？"));
        QCOMPARE(RowCount(details), 0);
        QCOMPARE(ids->count(), 0);
        QCOMPARE(Rows(days)[0], (QStringList{"2007-03-01", "0.00", "0.00"}));
        QCOMPARE(Figures(panel.get()), (QStringList{"查询天数：2", "结余：-20.00", "支出合计：30.00", "15.00/天",
                                                   "收入合计：10.00", "5.00/天"}));
        QCOMPARE(ledger->stored(d("2007-03-01"), d("2007-03-02")).name, (QStringList{"书籍", "奖金"}));
    }

    void deleteLeavesNoRecordSelected()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        ledger->add(kTypeExpense, "2007-03-01", "午饭", "6");
        view(d("2007-03-01"), d("2007-03-01"));
        selectDetail(0);
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "支出", "午饭", "6.00", ""}}));
        // A second press must not delete the neighbour that took the place.
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();
        QCOMPARE(MessageBox::shown().first().text, QStringLiteral("请在上面的列表中选定一条记录，然后删除它。"));
        QCOMPARE(ledger->stored(d("2007-03-01"), d("2007-03-01")).name, QStringList{"午饭"});
    }

    void deleteOfRecordGoneElsewhereTakesItOutAndSaysSo()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        ledger->add(kTypeIncome, "2007-03-01", "奖金", "10");
        view(d("2007-03-01"), d("2007-03-01"));
        // Another computer deletes the expense meanwhile.
        const RangeRecords before = ledger->stored(d("2007-03-01"), d("2007-03-01"));
        TclsDatabaseUser(ledger->db.path()).DeleteRecord(before.id[0]);
        selectDetail(0);
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown()[1].icon, MessageBox::Warning);
        QVERIFY(MessageBox::shown()[1].text.contains(QStringLiteral("已不存在")));
        QCOMPARE(Rows(details), (QList<QStringList>{{"2007-03-01", "收入", "奖金", "10.00", ""}}));
        QCOMPARE(ListTexts(ids), QStringList{before.id[1]});
        QCOMPARE(Figures(panel.get()), (QStringList{"查询天数：1", "结余：10.00", "支出合计：0.00", "0.00/天",
                                                   "收入合计：10.00", "10.00/天"}));
        QCOMPARE(ledger->stored(d("2007-03-01"), d("2007-03-01")).name, QStringList{"奖金"});
    }

    void failingDeleteChangesNothing()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        ledger->add(kTypeIncome, "2007-03-01", "奖金", "10");
        view(d("2007-03-01"), d("2007-03-01"));
        const QList<QStringList> dayRows = Rows(days);
        const QList<QStringList> detailRows = Rows(details);
        const QStringList figures = Figures(panel.get());
        RefuseWrites(ledger->db.path());

        selectDetail(0);
        MessageBox::setNextAnswer(MessageBox::Yes);
        panel->DeleteClick();
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown()[1].icon, MessageBox::Error);
        QVERIFY2(MessageBox::shown()[1].text.contains(QStringLiteral("readonly")),
                 qPrintable(MessageBox::shown()[1].text));
        QCOMPARE(Rows(days), dayRows);
        QCOMPARE(Rows(details), detailRows);
        QCOMPARE(Figures(panel.get()), figures);
        QCOMPARE(ids->count(), 2);
        QVERIFY(panel->buttonCreators()[2]->isEnabled());
        // The cache still holds the record: the day lists it again.
        days->clearSelection();
        selectDay(0);
        QCOMPARE(Rows(details), detailRows);
    }

    void tabFollowsTheControlOrder()
    {
        panel->show();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
        QWidget *start = panel->findChild<QWidget *>(QStringLiteral("dtpInAndOut_Date1"));
        QWidget *end = panel->findChild<QWidget *>(QStringLiteral("dtpInAndOut_Date2"));
        start->setFocus();
        // One Tab per control: a picker is left at once, not section by section.
        for (QWidget *next : {end, static_cast<QWidget *>(days), static_cast<QWidget *>(details)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        end->setFocus();
        QTest::keyClick(end, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), start);
    }

    void deleteAndModifyNeedASelectedRecord()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        view(d("2007-03-01"), d("2007-03-01"));
        ModalProbe probe([](QDialog *) {});
        panel->DeleteClick();
        panel->ModifyClick();
        QCOMPARE(probe.count(), 0);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("请在上面的列表中选定一条记录，然后删除它。"));
        QCOMPARE(MessageBox::shown()[1].text, QStringLiteral("请在上面的列表中选定一条记录，然后修改它。"));
        QCOMPARE(RowCount(details), 1);
    }

    void modifyMovesEveryFigure()
    {
        ledger->add(kTypeExpense, "2007-03-02", "早饭", "10", "旧");
        ledger->add(kTypeExpense, "2007-03-02", "午饭", "2");
        ledger->add(kTypeIncome, "2007-03-03", "奖金", "40");
        view(d("2007-03-01"), d("2007-03-04"));
        QCOMPARE(Figures(panel.get()), (QStringList{"查询天数：4", "结余：28.00", "支出合计：12.00", "3.00/天",
                                                   "收入合计：40.00", "10.00/天"}));
        selectDay(1);
        selectDetail(0);

        QWidget *shownDialog = nullptr;
        ModalProbe probe([&](QDialog *dialog) {
            shownDialog = ledger->fields.g_hActiveDialog;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("修改"));
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edtDate"))->text(), QStringLiteral("2007-03-02"));
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edtMoney"))->text(), QStringLiteral("10.00"));
            dialog->findChild<QLineEdit *>(QStringLiteral("edtName"))->setText(QStringLiteral("早餐"));
            dialog->findChild<QLineEdit *>(QStringLiteral("edtMoney"))->setText(QStringLiteral("12.5"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnSave"))->click();
        });
        panel->ModifyClick();
        QCOMPARE(probe.count(), 1);
        QVERIFY(shownDialog);
        QVERIFY(!ledger->fields.g_hActiveDialog);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("修改成功！"));

        QCOMPARE(Rows(details)[0], (QStringList{"2007-03-02", "支出", "早餐", "12.50", "旧"}));
        QCOMPARE(Rows(days)[1], (QStringList{"2007-03-02", "14.50", "0.00"}));
        // 14.50 / 4 = 3.625 shows as 3.63.
        QCOMPARE(Figures(panel.get()), (QStringList{"查询天数：4", "结余：25.50", "支出合计：14.50", "3.63/天",
                                                   "收入合计：40.00", "10.00/天"}));
        const RangeRecords stored = ledger->stored(d("2007-03-02"), d("2007-03-02"));
        QCOMPARE(stored.name, (QStringList{"早餐", "午饭"}));
        QCOMPARE(stored.amount, (QStringList{"12.50", "2.00"}));
        // The cache took the change too.
        selectDay(2);
        selectDay(1);
        QCOMPARE(Rows(details)[0], (QStringList{"2007-03-02", "支出", "早餐", "12.50", "旧"}));
    }

    void modifyCancelledChangesNothing()
    {
        ledger->add(kTypeExpense, "2007-03-02", "早饭", "10");
        view(d("2007-03-02"), d("2007-03-02"));
        selectDetail(0);
        const QStringList figures = Figures(panel.get());
        ModalProbe probe([](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("edtMoney"))->setText(QStringLiteral("99"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
        });
        panel->ModifyClick();
        QCOMPARE(probe.count(), 1);
        QCOMPARE(Rows(details)[0][3], QStringLiteral("10.00"));
        QCOMPARE(Figures(panel.get()), figures);
        QCOMPARE(ledger->stored(d("2007-03-02"), d("2007-03-02")).amount, QStringList{"10.00"});
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void moreMenuItemsAndWiring()
    {
        QMenu *menu = panel->moreMenu();
        QCOMPARE(menu->objectName(), QStringLiteral("mnuInAndOut_More"));
        QStringList names;
        for (QAction *action : menu->actions())
            names << action->objectName();
        QCOMPARE(names, (QStringList{"mnuInAndOut_More_ShowRecord", "mnuInAndOut_More_FindRecord",
                                     "mnuInAndOut_More_Import", "mnuInAndOut_More_Separator0", "mnuInAndOut_More_OutTotal",
                                     "mnuInAndOut_More_InTotal", "mnuInAndOut_More_MonthTotal",
                                     "mnuInAndOut_More_Separator1", "mnuInAndOut_More_Print",
                                     "mnuInAndOut_More_Preview", "mnuInAndOut_More_Separator2",
                                     "mnuInAndOut_More_SaveAsExcel", "mnuInAndOut_More_SaveAsTxt"}));
        for (const char *name : {"mnuInAndOut_More_Print", "mnuInAndOut_More_Preview", "mnuInAndOut_More_SaveAsExcel",
                                 "mnuInAndOut_More_SaveAsTxt"}) {
            QAction *item = panel->findChild<QAction *>(QLatin1String(name));
            QVERIFY(item && item->menu());
            const QList<QAction *> layouts = item->menu()->actions();
            QCOMPARE(layouts.size(), 2);
            QCOMPARE(layouts[0]->objectName(), QLatin1String(name) + QStringLiteral("_1"));
            QCOMPARE(layouts[1]->objectName(), QLatin1String(name) + QStringLiteral("_2"));
            QCOMPARE(layouts[0]->text(), QStringLiteral("格式Ⅰ：日期、类别、项目、金额、备注(&1)..."));
            QCOMPARE(layouts[1]->text(), QStringLiteral("格式Ⅱ：日期、项目、收入、支出、备注(&2)..."));
        }

        // The panel's own items open their windows on the pickers' range.
        panel->setRange(d("2007-01-01"), d("2007-01-31"));
        const QList<QPair<const char *, QString>> windows{
            {"mnuInAndOut_More_ShowRecord", QStringLiteral("详细显示每天所有收支记录")},
            {"mnuInAndOut_More_OutTotal", QStringLiteral("统计各个支出项目所占比例")},
            {"mnuInAndOut_More_InTotal", QStringLiteral("统计各个收入项目所占比例")},
            {"mnuInAndOut_More_MonthTotal", QStringLiteral("按月统计收支")},
            {"mnuInAndOut_More_FindRecord", QStringLiteral("查找收支记录")}};
        for (const auto &[name, caption] : windows) {
            QString title;
            ModalProbe probe([&](QDialog *dialog) { title = dialog->windowTitle(); });
            panel->findChild<QAction *>(QLatin1String(name))->trigger();
            QCOMPARE(probe.count(), 1);
            QCOMPARE(title, caption);
        }
        QCOMPARE(panel->findChild<QAction *>(QStringLiteral("mnuInAndOut_More_MonthTotal"))->text(),
                 QStringLiteral("按月统计收支(&M)..."));
        QCOMPARE(panel->findChild<QAction *>(QStringLiteral("mnuInAndOut_More_Import"))->text(),
                 QStringLiteral("导入账单(&D)..."));
        QCOMPARE(panel->findChild<QAction *>(QStringLiteral("mnuInAndOut_More_FindRecord"))->text(),
                 QStringLiteral("查找收支记录(&F)..."));
    }
};

QTEST_MAIN(TestBrowsePanel)
#include "tst_browsepanel.moc"
