#include "Biff8Writer.h"
#include "KavloError.h"
#include "SafeFileWriter.h"
#include "XlsCheck.h"
#include "XlsReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <malloc.h>

using Grid = QList<QStringList>;

namespace {

void write(const Grid &grid, const QString &path)
{
    Biff8Writer writer;
    for (int r = 0; r < grid.size(); ++r)
        for (int c = 0; c < grid[r].size(); ++c)
            if (!grid[r][c].isEmpty())
                writer.setCell(r, c, grid[r][c]);
    writer.save(path);
}

} // namespace

class TestBiff8 : public QObject
{
    Q_OBJECT
private slots:
    // Every text comes back exactly, through FreeXL and through xlrd.
    void roundTrip_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<bool>("freexlReadsIt");
        const QString smile = QString::fromUcs4(U"\U0001F600");
        QTest::newRow("mixed texts") << Grid{{"日期", "类别", "项目", "金额", "备注"},
                                             {"2007-03-05    ", "café", "it's \"q\"", "12.50           ", "a" + smile + "b"},
                                             {"    ", "", "x", "", "\r\n\t"}} << true;
        // Longer than one record: split over CONTINUE records, with a
        // surrogate pair right where the first record fills up. FreeXL 1.0.6
        // cannot read a string split over records (it expects the rest in the
        // next record whole), so only xlrd checks these.
        QTest::newRow("strings longer than a record")
            << Grid{{QString(4105, QChar(0x4E2D)) + smile + QString(6000, QChar(0x6587)), QString(20000, 'a')}}
            << false;
        Grid many;
        for (int r = 0; r < 3000; ++r)
            many.append({QStringLiteral("第%1行").arg(r), QStringLiteral("row %1").arg(r)});
        QTest::newRow("a table of many strings") << many << true;
        QTest::newRow("sparse cells") << Grid{{"", "", ""}, {"", "", "b"}, {"", "", ""}, {"c", "", ""}} << true;
    }
    void roundTrip()
    {
        QFETCH(Grid, grid);
        QFETCH(bool, freexlReadsIt);
        QTemporaryDir dir;
        const QString path = dir.filePath("book.xls");
        write(grid, path);
        if (freexlReadsIt)
            QCOMPARE(ReadXlsSheet(path), grid);
        QCOMPARE(ReadWithXlrd(path), grid);
    }

    void limits()
    {
        Biff8Writer writer;
        writer.setCell(Biff8Writer::kMaxRows - 1, Biff8Writer::kMaxColumns - 1, "last");
        QVERIFY_THROWS_EXCEPTION(KavloError, writer.setCell(Biff8Writer::kMaxRows, 0, "wraps"));
        QVERIFY_THROWS_EXCEPTION(KavloError, writer.setCell(0, Biff8Writer::kMaxColumns, "too far"));
        QVERIFY_THROWS_EXCEPTION(KavloError, writer.setCell(0, 0, QString(32768, 'x')));
        QCOMPARE(writer.rowCount(), Biff8Writer::kMaxRows);
    }

    // Whatever makes a workbook unreadable is an error, and failing costs
    // no memory: FreeXL's handle is freed on every path, even when the open
    // itself fails.
    void unreadableWorkbookIsAnError_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("plain text") << "text";
        QTest::newRow("cut-off workbook") << "cut";
        QTest::newRow("no such sheet") << "other-sheet";
    }
    void unreadableWorkbookIsAnError()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString path = dir.filePath("book.xls");
        Biff8Writer writer(how == "other-sheet" ? "Other" : "Sheet1");
        writer.setCell(0, 0, "x");
        const QByteArray whole = writer.fileBytes();
        const QByteArray contents = how == "text" ? QByteArray("plain text, not a workbook")
                                    : how == "cut" ? whole.left(whole.size() / 2)
                                    : how == "other-sheet" ? whole
                                                           : QByteArray();
        if (how == "folder")
            QVERIFY(QDir(dir.path()).mkdir("book.xls"));
        else if (how != "missing")
            WriteUserFile(path, contents);

        QVERIFY_THROWS_EXCEPTION(KavloError, ReadXlsSheet(path));
        const size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 100; ++i) {
            try {
                ReadXlsSheet(path);
            } catch (const KavloError &) {
            }
        }
        const size_t grown = mallinfo2().uordblks - qMin(before, mallinfo2().uordblks);
        QVERIFY2(grown < 256 * 1024, qPrintable(QStringLiteral("%1 bytes kept by 100 failed reads").arg(grown)));
    }
};

QTEST_GUILESS_MAIN(TestBiff8)
#include "tst_Biff8.moc"
