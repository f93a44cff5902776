#include "BrowsePanel.h"
#include "BrowseTestKit.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PeriodChartView.h"
#include "ShareChartView.h"
#include "unt_frmFindRecord.h"
#include "unt_frmGetProgramTotal.h"
#include "unt_frmMonthTotal.h"

#include <QBarSet>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

namespace {
QDate d(const char *text) { return QDate::fromString(QLatin1String(text), Qt::ISODate); }

// The figure after the label's caption: "支出合计：12.00" gives "12.00".
QString Figure(const QWidget *root, const char *name) { return LabelText(root, name).section(QStringLiteral("："), 1); }

bool RowWashed(const QTreeWidget *list, int row) { return list->topLevelItem(row)->background(1).style() != Qt::NoBrush; }

void DoubleClickRow(ReportTable *list, int row)
{
    const QPoint point = list->rowRect(row).center();
    // A double click is a click and then the second press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
}
} // namespace

class TestAnalysisWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ledger> ledger;
    std::unique_ptr<BrowsePanel> panel;

private slots:
    void init()
    {
        MessageBox::setTestMode(true);
        MessageBox::clearShown();
        ledger = std::make_unique<Ledger>();
        panel = std::make_unique<BrowsePanel>(ledger->fields);
        panel->show();
    }
    void cleanup()
    {
        panel.reset();
        ledger.reset();
    }

    void sharePieBesideTheList()
    {
        ledger->add(kTypeExpense, "2007-03-01", "房租", "900");
        ledger->add(kTypeExpense, "2007-03-02", "买菜", "70");
        ledger->add(kTypeExpense, "2007-03-03", "报刊", "10");
        ledger->add(kTypeExpense, "2007-03-04", "停车", "10");
        ledger->add(kTypeExpense, "2007-03-05", "理发", "10");
        ledger->add(kTypeIncome, "2007-03-05", "工资", "5000");
        panel->setRange(d("2007-03-01"), d("2007-03-31"));
        bool checked = false;
        ModalProbe probe([&](QDialog *dialog) {
            auto *window = qobject_cast<TfrmGetProgramTotal *>(dialog);
            QVERIFY(window);
            QCOMPARE(ledger->fields.g_hActiveDialog.data(), dialog);
            ShareChartView *chart = window->chart();
            QVERIFY(chart && chart->isVisible());
            QCOMPARE(dialog->width(), 452 + 470);
            const QPoint centre = dialog->screen()->availableGeometry().center();
            QVERIFY((dialog->frameGeometry().center() - centre).manhattanLength() <= 4);

            QStringList labels;
            for (QPieSlice *slice : chart->series()->slices())
                labels << slice->label();
            QCOMPARE(labels, (QStringList{"房租 90.00%", "买菜 7.00%", "其他（3项） 3.00%"}));

            auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lvwTotal"));
            QCOMPARE(Rows(list).size(), 5);
            // Hovering the folded slice washes its three rows, and only those.
            emit chart->series()->slices()[2]->hovered(true);
            QCOMPARE((QList<bool>{RowWashed(list, 0), RowWashed(list, 1), RowWashed(list, 2), RowWashed(list, 3),
                                  RowWashed(list, 4)}),
                     (QList<bool>{false, false, true, true, true}));
            emit chart->series()->slices()[2]->hovered(false);
            QVERIFY(!RowWashed(list, 2) && !RowWashed(list, 4));

            // Selecting a row pulls its slice out; a folded row, "其他".
            list->setCurrentItem(list->topLevelItem(1));
            QCOMPARE(chart->highlightedSlice(), 1);
            QVERIFY(chart->series()->slices()[1]->isExploded());
            list->setCurrentItem(list->topLevelItem(3));
            QCOMPARE(chart->highlightedSlice(), 2);
            QVERIFY(!chart->series()->slices()[1]->isExploded());
            QVERIFY(chart->series()->slices()[2]->isExploded());
            list->clearSelection();
            QCOMPARE(chart->highlightedSlice(), -1);
            checked = true;
        });
        panel->ShowProgramShare(kTypeExpense);
        QCOMPARE(probe.count(), 1);
        QVERIFY(checked);
        QVERIFY(!ledger->fields.g_hActiveDialog);
    }

    void emptyRangeHasNoChart()
    {
        ledger->add(kTypeIncome, "2007-03-05", "工资", "5000");
        panel->setRange(d("2007-03-01"), d("2007-03-31"));
        ModalProbe probe([&](QDialog *dialog) {
            QVERIFY(!dialog->findChild<QChartView *>());
            QVERIFY(!dialog->findChild<QPushButton *>());
            QCOMPARE(dialog->size(), QSize(452, 318));
            QCOMPARE(LabelText(dialog, "lblDate"), QStringLiteral("2007-03-01至2007-03-31："));
            QCOMPARE(Rows(dialog->findChild<QTreeWidget *>(QStringLiteral("lvwTotal"))).size(), 0);
        });
        panel->ShowProgramShare(kTypeExpense);
        QCOMPARE(probe.count(), 1);
    }

    void monthTotalsEqualTheBrowseFigures_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("labels"); // first column of the table
        QTest::addColumn<QStringList>("axis");
        QTest::newRow("partial months") << d("2007-01-20") << d("2007-04-05")
                                        << QStringList{"2007-01", "2007-02", "2007-03", "2007-04", "合计"}
                                        << QStringList{"2007-01", "2007-02", "2007-03", "2007-04"};
        QTest::newRow("a few weeks by day")
            << d("2007-02-26") << d("2007-03-03")
            << QStringList{"2007-02-26", "2007-02-27", "2007-02-28", "2007-03-01", "2007-03-02", "2007-03-03", "合计"}
            << QStringList{"26", "27", "28", "1", "2", "3"};
        QTest::newRow("years labelled by year") << d("2006-11-01") << d("2008-02-29") << QStringList{}
                                                << QStringList{"2006年", "2007年", "2008年"};
    }
    void monthTotalsEqualTheBrowseFigures()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, axis);
        ledger->add(kTypeExpense, "2007-01-19", "早饭", "1000"); // outside the first range
        ledger->add(kTypeExpense, "2007-01-20", "早饭", "10.10");
        ledger->add(kTypeIncome, "2007-02-27", "工资", "3000");
        ledger->add(kTypeExpense, "2007-03-02", "午饭", "0.125");
        ledger->add(kTypeExpense, "2007-03-02", "晚饭", "45.5");
        ledger->add(kTypeExpense, "2007-04-05", "电费", "88");
        ledger->add(kTypeExpense, "2007-03-02", "晚饭", "77", QString(), kOtherUser);
        panel->setRange(start, end);
        panel->ViewClick();
        const QStringList browse{Figure(panel.get(), "lblInAndOut_OutMoney1"),
                                 Figure(panel.get(), "lblInAndOut_InMoney1"),
                                 Figure(panel.get(), "lblInAndOut_Surplus")};
        ModalProbe probe([&](QDialog *dialog) {
            auto *window = qobject_cast<TfrmMonthTotal *>(dialog);
            QVERIFY(window);
            QCOMPARE(ledger->fields.g_hActiveDialog.data(), dialog);
            const QList<QStringList> rows = Rows(dialog->findChild<QTreeWidget *>(QStringLiteral("lvwMonth")));
            QStringList first;
            for (const QStringList &row : rows)
                first << row[0];
            if (!labels.isEmpty())
                QCOMPARE(first, labels);
            QCOMPARE(rows.constLast()[0], QStringLiteral("合计"));
            QCOMPARE(rows.constLast().mid(1), browse);
            QCOMPARE(window->chart()->axisLabels(), axis);
            QCOMPARE(window->chart()->expenseBars()->count(), rows.size() - 1);
            QCOMPARE(window->chart()->balanceLine()->count(), rows.size() - 1);
        });
        panel->mnuInAndOut_More_MonthTotalClick();
        QCOMPARE(probe.count(), 1);
        QVERIFY(!ledger->fields.g_hActiveDialog);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void monthWindowRefusesAReversedRange()
    {
        panel->setRange(d("2007-03-02"), d("2007-03-01"));
        ModalProbe probe([](QDialog *) {});
        panel->mnuInAndOut_More_MonthTotalClick();
        QCOMPARE(probe.count(), 0);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("查看起始日期不能大于截止日期！"));
    }

    // A double click on a result shows its day with the record selected and
    // closes the dialog; a day outside the pickers' range brings its month.
    void doubleClickShowsTheRecord_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QDate>("viewStart");
        QTest::addColumn<QDate>("viewEnd");
        QTest::newRow("inside the pickers' range")
            << d("2007-01-01") << d("2007-03-31") << d("2007-01-01") << d("2007-03-31");
        QTest::newRow("outside: the day's month")
            << d("2007-05-01") << d("2007-05-31") << d("2007-02-01") << d("2007-02-28");
    }
    void doubleClickShowsTheRecord()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QDate, viewStart);
        QFETCH(QDate, viewEnd);
        ledger->add(kTypeIncome, "2007-02-14", "红包", "200", "给孩子");
        ledger->add(kTypeExpense, "2007-02-14", "鲜花", "99", "Valentine");
        ledger->add(kTypeExpense, "2007-02-14", "晚饭", "300", "valentine dinner");
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        const QString wanted = ledger->stored(d("2007-02-14"), d("2007-02-14")).id.value(1); // the dinner
        panel->setRange(start, end);
        bool closed = false;
        ModalProbe probe([&](QDialog *dialog) {
            QCOMPARE(ledger->fields.g_hActiveDialog.data(), dialog);
            dialog->findChild<QLineEdit *>(QStringLiteral("edtText"))->setText(QStringLiteral("VALENTINE"));
            dialog->findChild<QRadioButton *>(QStringLiteral("rdoAllDates"))->setChecked(true);
            dialog->findChild<QPushButton *>(QStringLiteral("btnFind"))->click();
            auto *found = dialog->findChild<ReportTable *>(QStringLiteral("lvwFound"));
            QCOMPARE(Rows(found), (QList<QStringList>{{"2007-02-14", "支出", "鲜花", "99.00", "Valentine"},
                                                      {"2007-02-14", "支出", "晚饭", "300.00", "valentine dinner"}}));
            QCOMPARE(LabelText(dialog, "lblSummary"), QStringLiteral("找到 2 条记录    支出合计：399.00    收入合计：0.00"));
            DoubleClickRow(found, 1);
            closed = !dialog->isVisible();
        });
        panel->mnuInAndOut_More_FindRecordClick();
        QCOMPARE(probe.count(), 1);
        QVERIFY(closed);
        QVERIFY(!ledger->fields.g_hActiveDialog);
        QCOMPARE(panel->startDate(), viewStart);
        QCOMPARE(panel->endDate(), viewEnd);
        auto *days = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List1"));
        auto *details = panel->findChild<ReportTable *>(QStringLiteral("lvwInAndOut_List2"));
        auto *ids = panel->findChild<QListWidget *>(QStringLiteral("lstInAndOut_List2_ID"));
        QCOMPARE(days->tableModel()->rowCount(), int(viewStart.daysTo(viewEnd)) + 1);
        QCOMPARE(days->selectedRow(), days->currentRow());
        QCOMPARE(days->tableModel()->text(days->selectedRow(), 1), QStringLiteral("2007-02-14"));
        QCOMPARE(details->tableModel()->rowCount(), 3);
        const int record = details->selectedRow();
        QCOMPARE(details->currentRow(), record);
        QCOMPARE(ids->item(record)->text(), wanted);
        QCOMPARE(details->tableModel()->text(record, 3), QStringLiteral("晚饭"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void findAsksForAText()
    {
        ledger->add(kTypeExpense, "2007-03-01", "早饭", "5");
        panel->setRange(d("2007-03-02"), d("2007-03-01"));
        ModalProbe probe([&](QDialog *dialog) {
            auto *button = dialog->findChild<QPushButton *>(QStringLiteral("btnFind"));
            button->click();
            QCOMPARE(MessageBox::shown().size(), 1);
            QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("请输入要查找的内容！"));
            QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Warning);
            // The pickers' range is reversed: refused; all dates still work.
            dialog->findChild<QLineEdit *>(QStringLiteral("edtText"))->setText(QStringLiteral("早"));
            button->click();
            QCOMPARE(MessageBox::shown().size(), 2);
            QCOMPARE(MessageBox::shown()[1].text, QStringLiteral("查看起始日期不能大于截止日期！"));
            dialog->findChild<QRadioButton *>(QStringLiteral("rdoAllDates"))->setChecked(true);
            dialog->findChild<QComboBox *>(QStringLiteral("cboType"))->setCurrentIndex(2); // 收入
            button->click();
            QCOMPARE(Rows(dialog->findChild<ReportTable *>(QStringLiteral("lvwFound"))).size(), 0);
            dialog->findChild<QComboBox *>(QStringLiteral("cboType"))->setCurrentIndex(1); // 支出
            button->click();
            QCOMPARE(Rows(dialog->findChild<ReportTable *>(QStringLiteral("lvwFound"))).size(), 1);
            QVERIFY(dialog->isVisible());
        });
        panel->mnuInAndOut_More_FindRecordClick();
        QCOMPARE(probe.count(), 1);
    }

    void pictureSavedWithTheOverwriteQuestion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("月报.png"));
        TfrmMonthTotal window;
        DayTotals days;
        ledger->add(kTypeExpense, "2007-03-02", "晚饭", "45.5");
        ledger->store().ListTotalsOfDate(kUser, d("2007-01-01"), d("2007-06-30"), days);
        window.ShowPeriods(d("2007-01-01"), d("2007-06-30"), MakePeriodTable(days, PeriodKind::Month));
        window.show();
        auto *button = window.findChild<QPushButton *>(QStringLiteral("btnSavePicture"));
        QCOMPARE(button->text(), QStringLiteral("保存图片(&S)..."));

        // The extension is added; the picture is the chart at twice its size.
        FileDialog::setNextFileName(dir.filePath(QStringLiteral("月报")));
        button->click();
        QImage saved(path);
        QCOMPARE(saved.size(), window.chart()->size() * 2);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Information);
        QVERIFY(MessageBox::shown()[0].text.startsWith(QStringLiteral("保存成功！")));

        // No keeps the old file as it was; Yes replaces it.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("old");
        file.close();
        FileDialog::setNextFileName(path);
        MessageBox::setNextAnswer(MessageBox::No);
        button->click();
        QCOMPARE(MessageBox::shown()[1].text, QStringLiteral("有同名文件存在，您想覆盖它吗？"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old"));
        file.close();
        FileDialog::setNextFileName(path);
        MessageBox::setNextAnswer(MessageBox::Yes);
        button->click();
        QVERIFY(!QImage(path).isNull());

        // A write that fails is reported and never claims success.
        MessageBox::clearShown();
        FileDialog::setNextFileName(dir.filePath(QStringLiteral("no such folder/月报.png")));
        button->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].icon, MessageBox::Error);
    }
};

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
