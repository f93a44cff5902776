#include "ReportTable.h"

#include <QHeaderView>
#include <QTest>

#include <memory>

namespace {

const QList<ReportColumn> kColumns{{QStringLiteral("名称"), 120, false}, {QStringLiteral("金额"), 80, true}};

const QStringList kNames{"甲", "乙", "丙", "丁", "戊"};
const QStringList kAmounts{"1.00", "2.00", "3.00", "4.00", "5.00"};

enum class Kind { Lists, NamedRows, HandedOver, Provider };

QList<QStringList> Shown(const ReportTableModel &model)
{
    QList<QStringList> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c)
            texts << model.index(r, c).data().toString();
        rows << texts;
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestReportTable : public QObject
{
    Q_OBJECT

    // Sources that outlive the model in each test.
    QStringList names;
    QStringList amounts;

    void fill(ReportTableModel &model, Kind kind)
    {
        switch (kind) {
        case Kind::Lists:
            model.setLists({&names, &amounts});
            break;
        case Kind::NamedRows:
            model.setLists({&names, &amounts}, {0, 2, 3});
            break;
        case Kind::HandedOver:
            model.takeLists({names, amounts});
            break;
        case Kind::Provider:
            model.setProvider(int(names.size()), [this](int row, int column) {
                return (column == 1 ? names : amounts).at(row);
            });
            break;
        }
    }

private slots:
    void init()
    {
        names = kNames;
        amounts = kAmounts;
    }

    void rowsFromEverySource_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QList<QStringList>>("rows");
        const QList<QStringList> all{{"", "甲", "1.00"}, {"", "乙", "2.00"}, {"", "丙", "3.00"}, {"", "丁", "4.00"},
                                     {"", "戊", "5.00"}};
        QTest::newRow("lists") << Kind::Lists << all;
        QTest::newRow("named rows") << Kind::NamedRows
                                    << QList<QStringList>{{"", "甲", "1.00"}, {"", "丙", "3.00"}, {"", "丁", "4.00"}};
        QTest::newRow("handed over") << Kind::HandedOver << all;
        QTest::newRow("provider") << Kind::Provider << all;
    }
    void rowsFromEverySource()
    {
        QFETCH(Kind, kind);
        QFETCH(QList<QStringList>, rows);
        ReportTableModel model(kColumns);
        fill(model, kind);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(Shown(model), rows);
        QCOMPARE(model.text(0, 1), rows[0][1]);
        // Outside the rows and columns: nothing, and no crash.
        QCOMPARE(model.text(int(rows.size()), 1), QString());
        QCOMPARE(model.text(0, 3), QString());
        QCOMPARE(model.text(-1, 1), QString());
        QCOMPARE(model.sourceRow(int(rows.size())), -1);
        // Right-aligned where the column is, the row image before column 1.
        QCOMPARE(model.index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
        QVERIFY(!(model.index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight));
        QVERIFY(!model.index(0, 1).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(model.index(0, 2).data(Qt::DecorationRole).isNull());
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.text(0, 1), QString());
    }

    void removeRow_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("sourceNames"); // the caller's list afterwards
        QTest::newRow("lists, middle") << Kind::Lists << 2
                                       << QList<QStringList>{{"", "甲", "1.00"}, {"", "乙", "2.00"},
                                                             {"", "丁", "4.00"}, {"", "戊", "5.00"}}
                                       << QStringList{"甲", "乙", "丁", "戊"};
        // Rows after the removed entry name entries one place earlier now.
        QTest::newRow("named rows, first") << Kind::NamedRows << 0
                                           << QList<QStringList>{{"", "丙", "3.00"}, {"", "丁", "4.00"}}
                                           << QStringList{"乙", "丙", "丁", "戊"};
        QTest::newRow("named rows, middle") << Kind::NamedRows << 1
                                            << QList<QStringList>{{"", "甲", "1.00"}, {"", "丁", "4.00"}}
                                            << QStringList{"甲", "乙", "丁", "戊"};
        QTest::newRow("handed over, last") << Kind::HandedOver << 4
                                           << QList<QStringList>{{"", "甲", "1.00"}, {"", "乙", "2.00"},
                                                                 {"", "丙", "3.00"}, {"", "丁", "4.00"}}
                                           << kNames;
    }
    void removeRow()
    {
        QFETCH(Kind, kind);
        QFETCH(int, row);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, sourceNames);
        ReportTableModel model(kColumns);
        fill(model, kind);
        const int entry = model.sourceRow(row);
        model.removeRow(row, [&] {
            names.removeAt(entry);
            amounts.removeAt(entry);
        });
        QCOMPARE(Shown(model), rows);
        QCOMPARE(names, sourceNames);
        model.removeRow(99); // no such row: nothing happens
        QCOMPARE(model.rowCount(), int(rows.size()));
    }

    // The view's look and selection, and where the keyboard stands.
    void viewLookAndSelection()
    {
        ReportTable view(nullptr, QStringLiteral("lvwTest"), kColumns);
        view.tableModel()->setLists({&names, &amounts});
        view.resize(260, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.objectName(), QStringLiteral("lvwTest"));
        QVERIFY(view.isColumnHidden(0));
        QCOMPARE(view.columnWidth(1), 120);
        QCOMPARE(view.columnWidth(2), 80);
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("名称"));
        QCOMPARE(view.model()->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        QVERIFY(view.model()->headerData(0, Qt::Horizontal).toString().isEmpty());
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!view.rootIsDecorated());
        QVERIFY(!view.isSortingEnabled());
        QCOMPARE(view.selectedRow(), -1);

        view.selectRow(4);
        QCOMPARE(view.selectedRow(), 4);
        QCOMPARE(view.currentRow(), 4);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.selectedRow(), 3);
        view.selectRow(7); // no such row: the selection stays
        QCOMPARE(view.selectedRow(), 3);

        // A click on a row selects it whole; one below the rows unselects.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.rowRect(1).center());
        QCOMPARE(view.selectedRow(), 1);
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), 3);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, view.rowRect(4).bottom() + 10));
        QCOMPARE(view.selectedRow(), -1);
    }
};

QTEST_MAIN(TestReportTable)
#include "tst_reporttable.moc"
