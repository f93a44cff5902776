#include "Biff8Writer.h"
#include "ExportFiles.h"
#include "FileLimit.h"
#include "FileDialog.h"
#include "KavloError.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "XlsCheck.h"
#include "XlsReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <unistd.h>

using Grid = QList<QStringList>;

namespace {

QByteArray g(const QString &text) { return Gbk::encode(text); }
QByteArray sp(int n) { return QByteArray(n, ' '); }
QString s(int n) { return QString(n, ' '); }

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QList<MessageBox::Icon> icons()
{
    QList<MessageBox::Icon> result;
    for (const MessageBox::Shown &box : MessageBox::shown())
        result.append(box.icon);
    return result;
}

const QDate kMar1(2007, 3, 1);
const QDate kMar2(2007, 3, 2);

enum Kind { Txt, Xls };

} // namespace

class TestOutputExport : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_db;
    MainWindowFields m_fields;
    std::unique_ptr<OutputCommands> m_commands;
    std::unique_ptr<QTemporaryDir> m_out;

    void addExpense(const QString &date, const QString &name, const QString &amount, const QString &memo)
    {
        m_fields.g_objDatabaseUser->AddRecord(m_fields.g_strUserName, kTypeExpense, {date}, {name}, {amount}, {memo});
    }
    void addIncome(const QString &date, const QString &name, const QString &amount, const QString &memo)
    {
        m_fields.g_objDatabaseUser->AddRecord(m_fields.g_strUserName, kTypeIncome, {date}, {name}, {amount}, {memo});
    }
    void run(Kind kind, const QDate &start, const QDate &end, OutputLayout layout)
    {
        if (kind == Txt)
            m_commands->SaveAsTxt(start, end, layout);
        else
            m_commands->SaveAsExcel(start, end, layout);
    }
    QString out(const QString &name) const { return m_out->filePath(name); }
    QStringList filesInOut() const { return QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }

    void init()
    {
        m_db = std::make_unique<TempDatabase>();
        m_fields.g_strUserName = QStringLiteral("张三");
        m_fields.g_objDatabaseUser = std::make_unique<TclsDatabaseUser>(m_db->path());
        m_commands = std::make_unique<OutputCommands>(m_fields, nullptr);
        m_commands->setTemplateDir(ProgramDir() + QStringLiteral("/Database"));
        m_out = std::make_unique<QTemporaryDir>();
        MessageBox::clearShown();
    }

    void textFile_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("withRecord");
        QTest::addColumn<QList<QByteArray>>("lines");
        const QByteArray caption = g("2007-03-01至2007-03-02  2天") + sp(31);
        const QByteArray record = g("2007-03-01") + sp(4) + g("支出") + sp(4) + g("午饭") + sp(20) + sp(7) + "12.50" +
                                  sp(4) + sp(58);
        const QByteArray headerI = HeaderLine(OutputLayout::I), headerII = HeaderLine(OutputLayout::II);
        const QByteArray rule(120, '-');
        auto amount = [](const char *text) { return sp(12 - int(qstrlen(text))) + text + sp(4); };
        QTest::newRow("I, one record")
            << int(OutputLayout::I) << true
            << QList<QByteArray>{headerI, rule, record, sp(120),
                                 sp(22) + g("支出合计") + sp(16) + amount("12.50") + caption,
                                 sp(22) + g("收入合计") + sp(16) + amount("0.00") + caption,
                                 sp(22) + g("结余合计") + sp(16) + amount("-12.50") + caption};
        QTest::newRow("II, one record")
            << int(OutputLayout::II) << true
            << QList<QByteArray>{headerII, rule,
                                 g("2007-03-01") + sp(4) + g("午饭") + sp(20) + sp(16) + amount("12.50") + sp(50),
                                 sp(120), sp(14) + g("合计") + sp(20) + amount("0.00") + amount("12.50") + caption.left(50),
                                 sp(14) + g("结余") + sp(20) + amount("-12.50") + sp(16) + caption.left(50)};
        QTest::newRow("I, no records")
            << int(OutputLayout::I) << false
            << QList<QByteArray>{headerI, rule, sp(120), sp(22) + g("支出合计") + sp(16) + amount("0.00") + caption,
                                 sp(22) + g("收入合计") + sp(16) + amount("0.00") + caption,
                                 sp(22) + g("结余合计") + sp(16) + amount("0.00") + caption};
        QTest::newRow("II, no records")
            << int(OutputLayout::II) << false
            << QList<QByteArray>{headerII, rule, sp(120),
                                 sp(14) + g("合计") + sp(20) + amount("0.00") + amount("0.00") + caption.left(50),
                                 sp(14) + g("结余") + sp(20) + amount("0.00") + sp(16) + caption.left(50)};
    }
    void textFile()
    {
        QFETCH(int, layout);
        QFETCH(bool, withRecord);
        QFETCH(QList<QByteArray>, lines);
        if (withRecord)
            addExpense("2007-03-01", "午饭", "12.5", "");
        addExpense("2007-03-03", "outside the range", "99", "");
        m_fields.g_objDatabaseUser->AddRecord("李四", kTypeExpense, {"2007-03-01"}, {"someone else's"}, {"7"}, {""});

        FileDialog::setNextFileName(out("ledger"));
        m_commands->SaveAsTxt(kMar1, kMar2, OutputLayout(layout));

        QCOMPARE(readAll(out("ledger.txt")), lines.join("\r\n") + "\r\n");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::Information);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QStringLiteral("导出成功！\r\n\r\n文件保存位置：\r\n") + out("ledger.txt"));
    }

    void reversedRangeWarnsBeforeAnyDialog_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("txt") << int(Txt);
        QTest::newRow("xls") << int(Xls);
    }
    void reversedRangeWarnsBeforeAnyDialog()
    {
        QFETCH(int, kind);
        const int dialogs = FileDialog::shownCount();
        run(Kind(kind), kMar2, kMar1, OutputLayout::I);
        QCOMPARE(FileDialog::shownCount(), dialogs);
        QCOMPARE(icons(), QList<MessageBox::Icon>{MessageBox::Warning});
        QCOMPARE(MessageBox::shown().at(0).text, QStringLiteral("查看起始日期不能大于截止日期！"));
    }

    void nameRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("txt: no extension") << int(Txt) << "report" << "report.txt";
        QTest::newRow("txt: .TXT kept") << int(Txt) << "report.TXT" << "report.TXT";
        QTest::newRow("txt: .Txt kept") << int(Txt) << "r.Txt" << "r.Txt";
        QTest::newRow("txt: other extension kept") << int(Txt) << "report.xls" << "report.xls.txt";
        QTest::newRow("txt: txt without point") << int(Txt) << "reporttxt" << "reporttxt.txt";
        QTest::newRow("xls: no extension") << int(Xls) << "book" << "book.xls";
        QTest::newRow("xls: .XLS kept") << int(Xls) << "book.XLS" << "book.XLS";
        QTest::newRow("xls: other extension kept") << int(Xls) << "report.txt" << "report.txt.xls";
        // The longest name the file system takes is written too.
        const QString longest = QString(251, 'n');
        QTest::newRow("txt: longest name") << int(Txt) << longest + ".txt" << longest + ".txt";
        QTest::newRow("xls: longest name") << int(Xls) << longest + ".xls" << longest + ".xls";
    }
    void nameRules()
    {
        QFETCH(int, kind);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        FileDialog::setNextFileName(out(chosen));
        run(Kind(kind), kMar1, kMar1, OutputLayout::I);
        QCOMPARE(filesInOut(), QStringList{written});
        QCOMPARE(icons(), QList<MessageBox::Icon>{MessageBox::Information});
        // The dialog offers the name chosen last, by either export.
        QCOMPARE(m_commands->lastFileName(), out(chosen));
    }

    void cancelledOrBlankNameDoesNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("txt cancelled") << int(Txt) << "";
        QTest::newRow("txt blank") << int(Txt) << "   ";
        QTest::newRow("xls cancelled") << int(Xls) << "";
        QTest::newRow("xls blank") << int(Xls) << "   ";
        // The dialog answers with a whole path: a blank name in a folder.
        QTest::newRow("txt blank in a folder") << int(Txt) << "@/   ";
        QTest::newRow("xls blank in a folder") << int(Xls) << "@/ \t ";
    }
    void cancelledOrBlankNameDoesNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, chosen);
        if (chosen.startsWith(QLatin1String("@/")))
            chosen = out(chosen.mid(2));
        const QString cwdBefore = QDir::currentPath();
        QDir::setCurrent(m_out->path());
        FileDialog::setNextFileName(chosen);
        run(Kind(kind), kMar1, kMar1, OutputLayout::I);
        QDir::setCurrent(cwdBefore);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(filesInOut().isEmpty());
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("yes");
        QTest::newRow("txt, No") << int(Txt) << false;
        QTest::newRow("txt, Yes") << int(Txt) << true;
        QTest::newRow("xls, No") << int(Xls) << false;
        QTest::newRow("xls, Yes") << int(Xls) << true;
    }
    void overwriteQuestion()
    {
        QFETCH(int, kind);
        QFETCH(bool, yes);
        const QString path = out(kind == Txt ? "old.txt" : "old.xls");
        const QByteArray old = QByteArray("the old content, longer than nothing ") + QByteArray(5000, 'x');
        writeFile(path, old);
        MessageBox::setNextAnswer(yes ? MessageBox::Yes : MessageBox::No);
        FileDialog::setNextFileName(path);
        run(Kind(kind), kMar1, kMar1, OutputLayout::I);

        QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::Question);
        QCOMPARE(MessageBox::shown().at(0).text, QStringLiteral("有同名文件存在，您想覆盖它吗？"));
        if (!yes) {
            QCOMPARE(MessageBox::shown().size(), 1);
            QCOMPARE(readAll(path), old);
            return;
        }
        QCOMPARE(icons().last(), MessageBox::Information);
        if (kind == Txt)
            QCOMPARE(readAll(path).size(), 6 * 122); // replaced whole, never appended to
        else
            QCOMPARE(ReadXlsSheet(path).size(), 1 + 4);
        QCOMPARE(filesInOut(), QStringList{QFileInfo(path).fileName()});
    }

    // A failed write reports the failure, never success, and leaves the old
    // file whole with no temporary file behind.
    void writeFailureKeepsOldFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("sentence");
        for (int kind : {int(Txt), int(Xls)}) {
            const char *k = kind == Txt ? "txt" : "xls";
            QTest::addRow("%s: read-only folder", k) << kind << "read-only" << "导出失败：没有写入该位置的权限。";
            QTest::addRow("%s: missing folder", k) << kind << "missing" << "导出失败：文件夹不存在。";
        }
    }
    void writeFailureKeepsOldFile()
    {
        QFETCH(int, kind);
        QFETCH(QString, how);
        QFETCH(QString, sentence);
        const QString ext = kind == Txt ? ".txt" : ".xls";
        QString path;
        if (how == "read-only") {
            if (geteuid() == 0)
                QSKIP("file permissions do not bind root; fullDisk covers root");
            path = out("ro" + ext);
        } else {
            path = out("no/such/folder/x" + ext);
        }
        const QByteArray old("the old file");
        if (how != "missing")
            writeFile(path, old);
        if (how == "read-only")
            QVERIFY(QFile::setPermissions(m_out->path(), QFile::ReadOwner | QFile::ExeOwner));

        addExpense("2007-03-01", "午饭", "12.5", "");
        MessageBox::setNextAnswer(MessageBox::Yes);
        FileDialog::setNextFileName(path);
        run(Kind(kind), kMar1, kMar1, OutputLayout::I);
        QFile::setPermissions(m_out->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QVERIFY(!icons().contains(MessageBox::Information));
        QCOMPARE(icons().last(), MessageBox::Error);
        QVERIFY2(MessageBox::shown().last().text.startsWith(sentence + "\r\n\r\n" + path + "\r\n\r\n"),
                 qPrintable(MessageBox::shown().last().text));
        if (how != "missing") {
            QCOMPARE(readAll(path), old);
            QCOMPARE(filesInOut(), QStringList{QFileInfo(path).fileName()});
        } else {
            QVERIFY(filesInOut().isEmpty());
        }
    }

    // A full disk, reproduced without root by a child process whose files
    // may not grow past a limit (EFBIG): small files, which never leave a
    // buffered writer's buffer before the close, and large ones, new and
    // overwritten. One message says what failed, where and the system's text;
    // the old file stays whole and no temporary is left.
    void fullDisk_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("records");
        QTest::addColumn<long>("limit");
        QTest::addColumn<bool>("overwrite");
        for (int kind : {int(Txt), int(Xls)}) {
            const char *k = kind == Txt ? "txt" : "xls";
            // About 1.1 KB of text, 6 KB of workbook; 25 KB and 40 KB.
            const long smallLimit = kind == Txt ? 512 : 2048;
            QTest::addRow("%s: small, new file", k) << kind << 3 << smallLimit << false;
            QTest::addRow("%s: small, overwrite", k) << kind << 3 << smallLimit << true;
            QTest::addRow("%s: large, new file", k) << kind << 200 << 16384L << false;
            QTest::addRow("%s: large, overwrite", k) << kind << 200 << 16384L << true;
        }
    }
    void fullDisk()
    {
        QFETCH(int, kind);
        QFETCH(int, records);
        QFETCH(long, limit);
        QFETCH(bool, overwrite);
        QStringList dates, names, amounts, memos;
        for (int i = 0; i < records; ++i) {
            dates << "2007-03-01";
            names << QStringLiteral("项目%1").arg(i);
            amounts << "12.50";
            memos << QStringLiteral("备注 %1").arg(i);
        }
        m_fields.g_objDatabaseUser->AddRecord(m_fields.g_strUserName, kTypeExpense, dates, names, amounts, memos);
        const QString path = out(kind == Txt ? "report.txt" : "report.xls");
        const QByteArray old = QByteArray("the old report, still whole\r\n").repeated(100);
        if (overwrite)
            writeFile(path, old);

        const QByteArray boxes = RunWithFileSizeLimit(limit, [&] {
            MessageBox::setNextAnswer(MessageBox::Yes);
            FileDialog::setNextFileName(path);
            run(Kind(kind), kMar1, kMar1, OutputLayout::I);
            QByteArray report;
            for (const MessageBox::Shown &box : MessageBox::shown())
                report += QByteArray::number(int(box.icon)) + ' ' + box.text.toUtf8() + '\n';
            return report;
        });

        const QString failure = QStringLiteral("导出失败：磁盘空间不足。\r\n\r\n") + path + QStringLiteral("\r\n\r\n") +
                                QString::fromLocal8Bit(std::strerror(EFBIG));
        QByteArray expected;
        if (overwrite)
            expected += QByteArray::number(int(MessageBox::Question)) + ' ' + "有同名文件存在，您想覆盖它吗？\n";
        expected += QByteArray::number(int(MessageBox::Error)) + ' ' + failure.toUtf8() + '\n';
        QCOMPARE(QString::fromUtf8(boxes), QString::fromUtf8(expected));
        QCOMPARE(filesInOut(), overwrite ? QStringList{"report" + QString(kind == Txt ? ".txt" : ".xls")} : QStringList{});
        if (overwrite)
            QCOMPARE(readAll(path), old);

        // The same export without the limit is as large as the case says.
        MessageBox::setNextAnswer(MessageBox::Yes);
        FileDialog::setNextFileName(path);
        run(Kind(kind), kMar1, kMar1, OutputLayout::I);
        QCOMPARE(icons().last(), MessageBox::Information);
        QVERIFY(QFileInfo(path).size() > limit);
        QCOMPARE(QFileInfo(path).size() > 16384, records > 100);
    }

    // The shipped templates, then one row of five text cells per output row,
    // fill spaces and quotes kept, read back by FreeXL and by xlrd.
    void workbook_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<Grid>("expected");
        const QString caption = QStringLiteral("2007-03-01至2007-03-02  2天");
        const QString name = QStringLiteral("O'Brien's 面"), memo = QStringLiteral("it's \"ok\"\r\nline 2");
        const int nameBytes = Gbk::byteLength(name), memoBytes = Gbk::byteLength(memo);
        QTest::newRow("I") << int(OutputLayout::I)
                           << Grid{{"日期", "类别", "项目", "金额", "备注"},
                                   {"2007-03-01    ", "支出    ", name + s(24 - nameBytes), "12.50" + s(11),
                                    memo + s(58 - memoBytes)},
                                   {"2007-03-02    ", "收入    ", "工资" + s(20), "1000.00" + s(9), s(58)},
                                   {s(14), s(8), s(24), s(16), s(58)},
                                   {s(14), s(8), "支出合计" + s(16), "12.50" + s(11), caption + s(31)},
                                   {s(14), s(8), "收入合计" + s(16), "1000.00" + s(9), caption + s(31)},
                                   {s(14), s(8), "结余合计" + s(16), "987.50" + s(10), caption + s(31)}};
        QTest::newRow("II") << int(OutputLayout::II)
                            << Grid{{"日期", "项目", "收入", "支出", "备注"},
                                    {"2007-03-01    ", name + s(24 - nameBytes), s(16), s(7) + "12.50" + s(4),
                                     memo + s(50 - memoBytes)},
                                    {"2007-03-02    ", "工资" + s(20), s(5) + "1000.00" + s(4), s(16), s(50)},
                                    {s(14), s(24), s(16), s(16), s(50)},
                                    {s(14), "合计" + s(20), s(5) + "1000.00" + s(4), s(7) + "12.50" + s(4), caption + s(23)},
                                    {s(14), "结余" + s(20), s(6) + "987.50" + s(4), s(16), caption + s(23)}};
    }
    void workbook()
    {
        QFETCH(int, layout);
        QFETCH(Grid, expected);
        addExpense("2007-03-01", "O'Brien's 面", "12.5", "it's \"ok\"\r\nline 2");
        addIncome("2007-03-02", "工资", "1000", "");
        FileDialog::setNextFileName(out("book"));
        m_commands->SaveAsExcel(kMar1, kMar2, OutputLayout(layout));
        QCOMPARE(icons(), QList<MessageBox::Icon>{MessageBox::Information});
        QCOMPARE(MessageBox::shown().at(0).text, QStringLiteral("导出成功！\r\n\r\n文件保存位置：\r\n") + out("book.xls"));
        QCOMPARE(ReadXlsSheet(out("book.xls")), expected);
        QCOMPARE(ReadWithXlrd(out("book.xls")), expected);
    }

    // Each value goes under the column its name heads, wherever the template
    // puts it; a template lacking a name is refused before anything is written.
    void templateColumns_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QString>("missing");
        QTest::newRow("reordered, with an extra column")
            << QStringList{"备注", "note", "金额", "日期", "项目", "类别"} << "";
        QTest::newRow("金额 missing") << QStringList{"日期", "类别", "项目", "备注"} << "金额";
        QTest::newRow("empty sheet") << QStringList{} << "日期";
    }
    void templateColumns()
    {
        QFETCH(QStringList, header);
        QFETCH(QString, missing);
        QTemporaryDir templates;
        Biff8Writer writer;
        for (int c = 0; c < header.size(); ++c)
            writer.setCell(0, c, header.at(c));
        writer.setCell(header.isEmpty() ? 0 : 1, 0, "a note kept from the template");
        writer.save(templates.filePath("qmrvz.xls"));
        m_commands->setTemplateDir(templates.path());
        const QString path = out("book.xls");
        writeFile(path, "old");
        addExpense("2007-03-01", "午饭", "12.5", "");

        MessageBox::setNextAnswer(MessageBox::Yes);
        FileDialog::setNextFileName(path);
        m_commands->SaveAsExcel(kMar1, kMar1, OutputLayout::I);

        if (!missing.isEmpty()) {
            QCOMPARE(icons().last(), MessageBox::Error);
            QVERIFY(MessageBox::shown().last().text.contains(missing));
            QCOMPARE(readAll(path), QByteArray("old"));
            return;
        }
        const Grid sheet = ReadXlsSheet(path);
        QCOMPARE(sheet.size(), 2 + 5);
        QCOMPARE(sheet.at(0), header);
        QCOMPARE(sheet.at(1).at(0), QStringLiteral("a note kept from the template"));
        QCOMPARE(sheet.at(2), (QStringList{s(58), "", "12.50" + s(11), "2007-03-01    ", "午饭" + s(20), "支出    "}));
    }

    void missingTemplateIsReported()
    {
        QTemporaryDir empty;
        m_commands->setTemplateDir(empty.path());
        FileDialog::setNextFileName(out("book.xls"));
        m_commands->SaveAsExcel(kMar1, kMar1, OutputLayout::II);
        QCOMPARE(icons(), QList<MessageBox::Icon>{MessageBox::Error});
        QVERIFY(MessageBox::shown().at(0).text.contains("qmrvz2.xls"));
        QVERIFY(filesInOut().isEmpty());
    }

    // The sheet holds 65,536 rows, the template's included; one more would
    // wrap onto the first row in every reader, so it is refused up front.
    void sheetRowLimit()
    {
        const QString templatePath = ProgramDir() + QStringLiteral("/Database/qmrvz.xls");
        const QString path = out("big.xls");
        writeFile(path, "old");
        OutputRows rows;
        for (int k = 0; k < 5; ++k)
            rows.c[k] = QList<QByteArray>(Biff8Writer::kMaxRows, QByteArray("c") + QByteArray::number(k));
        QVERIFY_THROWS_EXCEPTION(KavloError, ExportWorkbook(templatePath, rows, OutputLayout::I, path));
        QCOMPARE(readAll(path), QByteArray("old"));

        for (QList<QByteArray> &column : rows.c)
            column.removeLast();
        rows.c[4].last() = "last";
        ExportWorkbook(templatePath, rows, OutputLayout::I, path);
        const Grid sheet = ReadXlsSheet(path);
        QCOMPARE(sheet.size(), Biff8Writer::kMaxRows);
        QCOMPARE(sheet.first().first(), QStringLiteral("日期"));
        QCOMPARE(sheet.last(), (QStringList{"c0", "c1", "c2", "c3", "last"}));
    }
};

QTEST_MAIN(TestOutputExport)
#include "tst_OutputExport.moc"
