// Workbooks, archives, bank tables, OFX and QIF: each read by content into
// rows, or refused whole with the file and the line.
#include "Biff8Writer.h"
#include "BillSamples.h"
#include "ProposeRecords.h"
#include "StatementReader.h"
#include "TextCodec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Samples;

namespace {

const QString kWeChatHeader =
    QStringLiteral("交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注");

// The WeChat bill of two rows as a sheet: the time as a number with a date
// style, amounts as text with "¥", one as a plain number.
QList<QList<SheetCell>> wechatSheet()
{
    QList<QList<SheetCell>> rows;
    rows.append({{SheetCell::Shared, QStringLiteral("微信支付账单明细")}});
    for (int i = 0; i < 15; ++i)
        rows.append({{SheetCell::Shared, QStringLiteral("说明 %1").arg(i)}});
    QList<SheetCell> header;
    for (const QString &name : kWeChatHeader.split(QLatin1Char(',')))
        header.append({SheetCell::Shared, name});
    rows.append(header);
    // 46356.75 is 2026-11-30 18:00:00.
    rows.append({{SheetCell::Date, "46356.75"}, {SheetCell::Shared, "商户消费"}, {SheetCell::Inline, "面馆 & 小吃"},
                 {SheetCell::Shared, "牛肉面"}, {SheetCell::Shared, "支出"}, {SheetCell::Shared, "¥28.16"},
                 {SheetCell::Shared, "零钱"}, {SheetCell::Shared, "支付成功"}, {SheetCell::Shared, "4200000001"},
                 {SheetCell::Shared, "1000001"}, {SheetCell::Shared, "/"}});
    rows.append({{SheetCell::Date, "46356.5"}, {SheetCell::Shared, "微信红包"}, {SheetCell::Shared, "妈妈"},
                 {SheetCell::Shared, "/"}, {SheetCell::Shared, "收入"}, {SheetCell::Number, "50"},
                 {SheetCell::Shared, "零钱"}, {SheetCell::Shared, "已存入零钱"}, {SheetCell::Shared, "4200000002"},
                 {SheetCell::Shared, "/"}});
    return rows;
}

QString wechatCsvOfSheet()
{
    QString text;
    text += QStringLiteral("微信支付账单明细\n");
    for (int i = 0; i < 15; ++i)
        text += QStringLiteral("说明 %1\n").arg(i);
    text += kWeChatHeader + '\n';
    text += QStringLiteral("2026-11-30 18:00:00,商户消费,面馆 & 小吃,牛肉面,支出,¥28.16,零钱,支付成功,4200000001\t,1000001\t,/\n");
    text += QStringLiteral("2026-11-30 12:00:00,微信红包,妈妈,/,收入,¥50.00,零钱,已存入零钱,4200000002\t,/,/\n");
    return text;
}

const char kOfx1[] = "OFXHEADER:100\n"
                     "DATA:OFXSGML\n"
                     "VERSION:102\n"
                     "SECURITY:NONE\n"
                     "ENCODING:USASCII\n"
                     "CHARSET:1252\n"
                     "COMPRESSION:NONE\n"
                     "OLDFILEUID:NONE\n"
                     "NEWFILEUID:NONE\n"
                     "\n"
                     "<OFX>\n"
                     "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
                     "<DTSERVER>20261201120000<LANGUAGE>ENG</SONRS></SIGNONMSGSRSV1>\n"
                     "<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
                     "<STMTRS><CURDEF>CNY\n"
                     "<BANKACCTFROM><BANKID>102100099996<ACCTID>6222000011112222<ACCTTYPE>CHECKING</BANKACCTFROM>\n"
                     "<BANKTRANLIST><DTSTART>20261101<DTEND>20261130\n"
                     "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261103120000<TRNAMT>-35.50<FITID>202611030001"
                     "<NAME>Supermarket<MEMO>Groceries</STMTTRN>\n"
                     "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20261115120000<TRNAMT>8000.00<FITID>202611150002"
                     "<NAME>Employer Ltd<MEMO>Salary</STMTTRN>\n"
                     "</BANKTRANLIST>\n"
                     "<LEDGERBAL><BALAMT>7964.50<DTASOF>20261130</LEDGERBAL>\n"
                     "</STMTRS></STMTTRNRS></BANKMSGSRSV1>\n"
                     "</OFX>\n";

const char kOfx2[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                     "<?OFX OFXHEADER=\"200\" VERSION=\"211\" SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n"
                     "<OFX>\n"
                     "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS>"
                     "<DTSERVER>20261201120000</DTSERVER><LANGUAGE>ENG</LANGUAGE></SONRS></SIGNONMSGSRSV1>\n"
                     "<CREDITCARDMSGSRSV1><CCSTMTTRNRS><TRNUID>1</TRNUID>"
                     "<STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS>\n"
                     "<CCSTMTRS><CURDEF>CNY</CURDEF><CCACCTFROM><ACCTID>4367000011112222</ACCTID></CCACCTFROM>\n"
                     "<BANKTRANLIST><DTSTART>20261101</DTSTART><DTEND>20261130</DTEND>\n"
                     "<STMTTRN><TRNTYPE>DEBIT</TRNTYPE><DTPOSTED>20261105120000</DTPOSTED><TRNAMT>-1234.00</TRNAMT>"
                     "<FITID>CC0001</FITID><NAME>Electronics Shop</NAME></STMTTRN>\n"
                     "<STMTTRN><TRNTYPE>DEBIT</TRNTYPE><DTPOSTED>20261105120000</DTPOSTED><TRNAMT>-1234.00</TRNAMT>"
                     "<FITID>CC0002</FITID><NAME>Electronics Shop</NAME></STMTTRN>\n"
                     "<STMTTRN><TRNTYPE>CREDIT</TRNTYPE><DTPOSTED>20261120120000</DTPOSTED><TRNAMT>1234.00</TRNAMT>"
                     "<FITID>CC0003</FITID><NAME>Electronics Shop</NAME><MEMO>Return</MEMO></STMTTRN>\n"
                     "</BANKTRANLIST>\n"
                     "<LEDGERBAL><BALAMT>-1234.00</BALAMT><DTASOF>20261130</DTASOF></LEDGERBAL>\n"
                     "</CCSTMTRS></CCSTMTTRNRS></CREDITCARDMSGSRSV1>\n"
                     "</OFX>\n";

QString qifRecord(const QString &date, const QString &amount, const QString &payee, const QString &category = QString())
{
    QString text = QStringLiteral("D%1\nT%2\nP%3\n").arg(date, amount, payee);
    if (!category.isEmpty())
        text += QStringLiteral("L%1\n").arg(category);
    return text + QStringLiteral("^\n");
}

ImportError readError(const QString &path, const ReadCallbacks &callbacks = {})
{
    try {
        const StatementFile file = ReadStatement(path, callbacks);
        qWarning("read %lld rows", qlonglong(file.rows.size()));
    } catch (const ImportError &error) {
        return error;
    }
    return ImportError(QString(), -1, QStringLiteral("no error"));
}

} // namespace

class TestStatementFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tmp;
    int m_files = 0;

    QString write(const QByteArray &bytes, const QString &suffix = QStringLiteral(".dat"))
    {
        // Names say nothing true: the readers must look at the content.
        return WriteFile(m_dir.path(), QStringLiteral("file%1%2").arg(++m_files).arg(suffix), bytes);
    }

private slots:
    void initTestCase();
    void xlsxBillReadsLikeItsCsv();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void passwordZip_data();
    void passwordZip();
    void archivesThatAreRefused_data();
    void archivesThatAreRefused();
    void bankCsv_data();
    void bankCsv();
    void bankMappings_data();
    void bankMappings();
    void bankXls();
    void guessMapping_data();
    void guessMapping();
    void ofxStatements();
    void ofxRefused_data();
    void ofxRefused();
    void qifDates_data();
    void qifDates();
    void qifFile();
    void qifRefused_data();
    void qifRefused();
    void unknownFiles_data();
    void unknownFiles();
};

void TestStatementFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Every temporary file any library makes lands here, so the archive
    // tests can see that nothing was written out.
    m_tmp = m_dir.path() + QStringLiteral("/tmp");
    QVERIFY(QDir().mkpath(m_tmp));
    qputenv("TMPDIR", QFile::encodeName(m_tmp));
}

void TestStatementFiles::xlsxBillReadsLikeItsCsv()
{
    const StatementFile sheet = ReadStatement(write(MakeXlsx(wechatSheet())));
    const StatementFile csv = ReadStatement(write(wechatCsvOfSheet().toUtf8()));
    QCOMPARE(sheet.source, StatementSource::WeChat);
    QCOMPARE(sheet.rows.size(), 2);
    QCOMPARE(sheet.rows.at(0).line, 18);
    QCOMPARE(sheet.rows.at(0).date, QDate(2026, 11, 30));
    QCOMPARE(sheet.rows.at(0).time, QStringLiteral("18:00:00"));
    QCOMPARE(sheet.rows.at(0).counterparty, QStringLiteral("面馆 & 小吃"));
    QCOMPARE(sheet.rows.at(1).amount, QStringLiteral("50.00"));
    QCOMPARE(sheet.rows.at(1).direction, Direction::Income);
    // The same bill as CSV and as a workbook is the same transactions.
    for (int i = 0; i < 2; ++i)
        QCOMPARE(sheet.rows.at(i).identity, csv.rows.at(i).identity);
    const QList<ProposedRecord> records = ProposeRecords(sheet, {});
    QCOMPARE(records.at(1).item, QStringLiteral("礼物收入"));
}

void TestStatementFiles::damagedWorkbooks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray whole = MakeXlsx(wechatSheet());
    QTest::newRow("cut in half") << whole.left(whole.size() / 2);
    QTest::newRow("last bytes missing") << whole.left(whole.size() - 10);
    QList<QList<SheetCell>> rows = wechatSheet();
    QByteArray badIndex = MakeXlsx(rows);
    // A shared string number past the table's end.
    QByteArray sheet = QByteArray("<c r=\"A1\" t=\"s\"><v>9999</v></c>");
    QList<ZipEntry> entries = {{"[Content_Types].xml", "<Types/>"},
                               {"xl/workbook.xml", "<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/></sheets></workbook>"},
                               {"xl/sharedStrings.xml", "<sst><si><t>x</t></si></sst>"},
                               {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\">" + sheet + "</row></sheetData></worksheet>"}};
    QTest::newRow("bad shared string") << MakeZip(entries);
    entries[3].bytes = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c>";
    QTest::newRow("sheet cut off") << MakeZip(entries);
}

void TestStatementFiles::damagedWorkbooks()
{
    QFETCH(QByteArray, bytes);
    const QString path = write(bytes, QStringLiteral(".xlsx"));
    const ImportError error = readError(path);
    QCOMPARE(error.path(), path);
    QVERIFY2(error.message().contains(QStringLiteral("损坏")), qPrintable(error.message()));
}

void TestStatementFiles::passwordZip_data()
{
    QTest::addColumn<QStringList>("answers"); // "" gives up
    QTest::addColumn<bool>("reads");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("words");
    QTest::newRow("right at once") << QStringList{"123456"} << true << 1 << "";
    QTest::newRow("wrong, then right") << QStringList{"111111", "123456"} << true << 2 << "";
    QTest::newRow("wrong, then gives up") << QStringList{"111111", ""} << false << 2 << "密码不正确";
    QTest::newRow("gives up at once") << QStringList{""} << false << 1 << "没有输入";
}

void TestStatementFiles::passwordZip()
{
    QFETCH(QStringList, answers);
    const QString csv = wechatCsvOfSheet();
    const QString path = write(MakeZip({{QStringLiteral("微信支付账单(20261101-20261130).csv"), csv.toUtf8()}}, "123456"),
                               QStringLiteral(".zip"));
    int asked = 0;
    QList<bool> wrongFlags;
    ReadCallbacks callbacks;
    callbacks.password = [&](const QString &askedPath, bool wrongBefore) -> std::optional<QString> {
        if (askedPath != path)
            return std::nullopt;
        wrongFlags.append(wrongBefore);
        const QString answer = answers.value(asked++);
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    };
    QFETCH(bool, reads);
    if (reads) {
        const StatementFile file = ReadStatement(path, callbacks);
        QCOMPARE(file.source, StatementSource::WeChat);
        QCOMPARE(file.rows.size(), 2);
        QCOMPARE(file.rows.at(0).identity, ReadStatement(write(csv.toUtf8())).rows.at(0).identity);
    } else {
        const ImportError error = readError(path, callbacks);
        QCOMPARE(error.path(), path);
        QFETCH(QString, words);
        QVERIFY2(error.message().contains(words), qPrintable(error.message()));
    }
    QTEST(asked, "asked");
    for (int i = 0; i < wrongFlags.size(); ++i)
        QCOMPARE(wrongFlags.at(i), i > 0);
    // Nothing decrypted was written anywhere: not beside the archive, not in
    // the temporary folder.
    QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    const QStringList beside = QDir(m_dir.path()).entryList({QStringLiteral("*.csv")}, QDir::Files);
    QCOMPARE(beside, QStringList());
}

void TestStatementFiles::archivesThatAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("withCallback");
    QTest::addColumn<QString>("words");
    const QByteArray csv = wechatCsvOfSheet().toUtf8();
    QTest::newRow("no one to ask") << MakeZip({{"bill.csv", csv}}, "1") << false << "需要输入密码";
    QTest::newRow("two files") << MakeZip({{"a.csv", csv}, {"b.csv", csv}}) << true << "2 个文件";
    QTest::newRow("empty") << MakeZip({}) << true << "";
    const QByteArray zip = MakeZip({{"bill.csv", csv}}, "123456");
    QTest::newRow("truncated") << zip.left(zip.size() - 40) << true << "损坏";
}

void TestStatementFiles::archivesThatAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, withCallback);
    ReadCallbacks callbacks;
    if (withCallback)
        callbacks.password = [](const QString &, bool) -> std::optional<QString> { return QStringLiteral("123456"); };
    const QString path = write(bytes, QStringLiteral(".zip"));
    const ImportError error = readError(path, callbacks);
    QCOMPARE(error.path(), path);
    QFETCH(QString, words);
    QVERIFY2(error.line() == 0 && error.message().contains(words), qPrintable(error.message()));
}

void TestStatementFiles::bankCsv_data()
{
    QTest::addColumn<Encoding>("encoding");
    QTest::newRow("gb18030") << Encoding::Gb18030;
    QTest::newRow("utf-8") << Encoding::Utf8;
    QTest::newRow("utf-8 with bom") << Encoding::Utf8Bom;
}

void TestStatementFiles::bankCsv()
{
    QFETCH(Encoding, encoding);
    const QString text = QStringLiteral(
        "中国某某银行 账户交易明细\n"
        "账号：6222 **** **** 2222,,,,,,,\n"
        "起止日期：2026-11-01 至 2026-11-30\n"
        "\n"
        "交易日期,交易时间,摘要,对方户名,支出,收入,余额,备注\n"
        "2026-11-01,08:15:00,消费,某某超市,\"1,234.00\",,\"8,766.00\",\n"
        "2026/11/02,9:05,工资,某某公司,,\"￥10,000.00\",\"18,766.00\",十一月\n"
        "20261103,,退货,某某超市,(50.00),,\"18,816.00\",\n"
        "2026-11-04,,转账,小王,-20.00,,\"18,796.00\",\"第一行\n第二行\"\n"
        "合计,,,,\"1,254.00\",\"10,050.00\",,\n"
        "温馨提示：本明细仅供参考\n");
    const QString path = write(Encode(text, encoding), QStringLiteral(".csv"));
    const BankTable table = ReadBankTable(path);
    QCOMPARE(table.headerLine, 5);
    QCOMPARE(table.header.size(), 8);
    QCOMPARE(table.rows.size(), 6);
    QCOMPARE(table.rowLines.first(), 6);
    const ColumnMapping guess = GuessMapping(table);
    QCOMPARE(guess.toText(), QStringLiteral("date=0;time=1;amount=-1;debit=4;credit=5;description=2;counterparty=3;"
                                            "memo=7;balance=6;header=5;outpositive=0"));

    int asked = 0;
    ReadCallbacks callbacks;
    callbacks.mapping = [&](const QString &, const BankTable &shown) -> std::optional<ColumnMapping> {
        ++asked;
        return GuessMapping(shown);
    };
    const StatementFile file = ReadStatement(path, callbacks);
    QCOMPARE(asked, 1);
    QCOMPARE(file.source, StatementSource::BankCsv);
    QCOMPARE(file.rows.size(), 4); // the totals line and the closing note are not rows
    QCOMPARE(file.rows.at(0).amount, QStringLiteral("1234.00"));
    QCOMPARE(file.rows.at(0).direction, Direction::Expense);
    QCOMPARE(file.rows.at(0).time, QStringLiteral("08:15:00"));
    QCOMPARE(file.rows.at(1).amount, QStringLiteral("10000.00"));
    QCOMPARE(file.rows.at(1).direction, Direction::Income);
    QCOMPARE(file.rows.at(1).date, QDate(2026, 11, 2));
    QCOMPARE(file.rows.at(1).time, QStringLiteral("09:05:00"));
    QCOMPARE(file.rows.at(1).note, QStringLiteral("十一月"));
    // A debit in parentheses or with a minus is still money out.
    QCOMPARE(file.rows.at(2).direction, Direction::Expense);
    QCOMPARE(file.rows.at(2).amount, QStringLiteral("50.00"));
    QCOMPARE(file.rows.at(3).direction, Direction::Expense);
    QCOMPARE(file.rows.at(3).line, 9);
    QCOMPARE(file.rows.at(0).identity.left(9), QStringLiteral("bank-csv:"));
    const QList<ProposedRecord> records = ProposeRecords(file, {});
    QCOMPARE(records.at(0).memo, QStringLiteral("某某超市 消费"));
    QCOMPARE(records.at(1).item, QStringLiteral("其他收入"));

    // The header's key is the same in every encoding, so one remembered
    // mapping serves them all.
    const BankTable utf8 = ReadBankTable(write(Encode(text, Encoding::Utf8), QStringLiteral(".csv")));
    QCOMPARE(table.headerKey(), utf8.headerKey());
    const std::optional<ColumnMapping> back = ColumnMapping::fromText(guess.toText());
    QVERIFY(back);
    QCOMPARE(back->toText(), guess.toText());
    QCOMPARE(back->debit, 4);
    QCOMPARE(back->headerLine, 5);
}

void TestStatementFiles::bankMappings_data()
{
    QTest::addColumn<QString>("mapping"); // as ColumnMapping::toText writes it; "" for none
    QTest::addColumn<QString>("directions"); // E/I per row, or the error's words
    QTest::addColumn<int>("errorLine");
    QTest::newRow("signed amount") << "date=0;amount=2;description=1" << "EI" << 0;
    QTest::newRow("amount out positive") << "date=0;amount=2;description=1;outpositive=1" << "IE" << 0;
    QTest::newRow("date column is text") << "date=1;amount=2" << "不是可以识别的日期" << 3;
    QTest::newRow("amount column is text") << "date=0;amount=1" << "金额" << 3;
    QTest::newRow("column past the header") << "date=0;amount=7" << "只有 3 列" << 2;
    QTest::newRow("incomplete") << "description=1" << "至少要指定日期列" << 0;
    QTest::newRow("dialog cancelled") << "" << "没有指定" << 0;
}

void TestStatementFiles::bankMappings()
{
    QFETCH(QString, mapping);
    const QString path = write(QStringLiteral("Account 6222\nDate,Details,Amount\n2026-11-01,Coffee,-12.00\n"
                                              "2026-11-02,Refund,12.00\n")
                                   .toUtf8(),
                               QStringLiteral(".txt"));
    ReadCallbacks callbacks;
    callbacks.mapping = [&](const QString &, const BankTable &) -> std::optional<ColumnMapping> {
        if (mapping.isEmpty())
            return std::nullopt;
        return ColumnMapping::fromText(mapping);
    };
    QFETCH(QString, directions);
    QFETCH(int, errorLine);
    if (directions == QLatin1String("EI") || directions == QLatin1String("IE")) {
        const StatementFile file = ReadStatement(path, callbacks);
        QCOMPARE(file.rows.size(), 2);
        QString seen;
        for (const StatementRow &row : file.rows)
            seen += row.direction == Direction::Expense ? 'E' : 'I';
        QCOMPARE(seen, directions);
        QCOMPARE(file.rows.at(1).amount, QStringLiteral("12.00"));
    } else {
        const ImportError error = readError(path, callbacks);
        QVERIFY2(error.message().contains(directions), qPrintable(error.message()));
        QCOMPARE(error.line(), errorLine);
    }
}

void TestStatementFiles::bankXls()
{
    Biff8Writer book(QStringLiteral("明细"));
    const QStringList lines[] = {
        {"某某银行借记卡交易明细"},
        {},
        {"记账日期", "交易金额", "账户余额", "对方户名", "用途"},
        {"2026-11-03", "-35.50", "964.50", "便利店", "消费"},
        {"2026-11-05", "1,000.00", "1,964.50", "张三", "转入"},
    };
    int r = 0;
    for (const QStringList &cells : lines) {
        for (int c = 0; c < cells.size(); ++c)
            book.setCell(r, c, cells.at(c));
        ++r;
    }
    const QString path = write(book.fileBytes(), QStringLiteral(".csv")); // a misleading name
    const BankTable table = ReadBankTable(path);
    QCOMPARE(table.headerLine, 3);
    QCOMPARE(GuessMapping(table).toText(), QStringLiteral("date=0;time=-1;amount=1;debit=-1;credit=-1;description=4;"
                                                          "counterparty=3;memo=-1;balance=2;header=3;outpositive=0"));
    ReadCallbacks callbacks;
    callbacks.mapping = [](const QString &, const BankTable &shown) -> std::optional<ColumnMapping> {
        return GuessMapping(shown);
    };
    const StatementFile file = ReadStatement(path, callbacks);
    QCOMPARE(file.source, StatementSource::BankXls);
    QCOMPARE(file.rows.size(), 2);
    QCOMPARE(file.rows.at(0).line, 4);
    QCOMPARE(file.rows.at(0).amount, QStringLiteral("35.50"));
    QCOMPARE(file.rows.at(0).direction, Direction::Expense);
    QCOMPARE(file.rows.at(1).amount, QStringLiteral("1000.00"));
    QCOMPARE(file.rows.at(1).counterparty, QStringLiteral("张三"));
    // A workbook cut short is refused.
    const QByteArray bytes = book.fileBytes();
    const ImportError error = readError(write(bytes.left(bytes.size() / 2)), callbacks);
    QVERIFY2(error.line() == 0 && !error.message().isEmpty() && error.path().size() > 0, qPrintable(error.message()));
}

void TestStatementFiles::guessMapping_data()
{
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QString>("mapping");
    QTest::newRow("english") << QStringList{"Date", "Description", "Amount", "Balance"}
                             << "date=0;time=-1;amount=2;debit=-1;credit=-1;description=1;counterparty=-1;memo=-1;"
                                "balance=3;header=1;outpositive=0";
    QTest::newRow("debit and credit") << QStringList{"Posting Date", "Details", "Debit", "Credit", "Payee"}
                                      << "date=0;time=-1;amount=-1;debit=2;credit=3;description=1;counterparty=4;"
                                         "memo=-1;balance=-1;header=1;outpositive=0";
    QTest::newRow("units in brackets") << QStringList{"交易时间", "交易金额(元)", "本次余额（元）", "对方账户名称", "交易摘要"}
                                       << "date=0;time=-1;amount=1;debit=-1;credit=-1;description=4;counterparty=3;"
                                          "memo=-1;balance=2;header=1;outpositive=0";
    QTest::newRow("borrow and lend") << QStringList{"入账日期", "借方发生额", "贷方发生额", "附言"}
                                     << "date=0;time=-1;amount=-1;debit=1;credit=2;description=3;counterparty=-1;"
                                        "memo=-1;balance=-1;header=1;outpositive=0";
    QTest::newRow("nothing known") << QStringList{"A", "B", "C"}
                                   << "date=-1;time=-1;amount=-1;debit=-1;credit=-1;description=-1;counterparty=-1;"
                                      "memo=-1;balance=-1;header=1;outpositive=0";
}

void TestStatementFiles::guessMapping()
{
    QFETCH(QStringList, header);
    BankTable table;
    table.headerLine = 1;
    table.header = header;
    QTEST(GuessMapping(table).toText(), "mapping");
}

void TestStatementFiles::ofxStatements()
{
    // libofx's own messages must not reach standard error.
    const QString errPath = m_dir.path() + QStringLiteral("/stderr.txt");
    const int saved = ::dup(STDERR_FILENO);
    const int sink = ::open(QFile::encodeName(errPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(sink, STDERR_FILENO);
    StatementFile bank, card;
    QString failure;
    try {
        bank = ReadStatement(write(QByteArray(kOfx1), QStringLiteral(".txt")));
        card = ReadStatement(write(QByteArray(kOfx2)));
    } catch (const ImportError &error) {
        failure = error.describe();
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(sink);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(QFileInfo(errPath).size(), 0);

    QCOMPARE(bank.source, StatementSource::Ofx);
    QCOMPARE(bank.rows.size(), 2);
    QCOMPARE(bank.rows.at(0).date, QDate(2026, 11, 3));
    QCOMPARE(bank.rows.at(0).amount, QStringLiteral("35.50"));
    QCOMPARE(bank.rows.at(0).direction, Direction::Expense);
    QCOMPARE(bank.rows.at(0).counterparty, QStringLiteral("Supermarket"));
    QCOMPARE(bank.rows.at(0).goods, QStringLiteral("Groceries"));
    QCOMPARE(bank.rows.at(0).orderNo, QStringLiteral("202611030001"));
    QCOMPARE(bank.rows.at(0).line, 18);
    QCOMPARE(bank.rows.at(1).direction, Direction::Income);
    QCOMPARE(bank.rows.at(1).amount, QStringLiteral("8000.00"));

    QCOMPARE(card.rows.size(), 3);
    // Two equal purchases with their own FITIDs are two transactions.
    QVERIFY(card.rows.at(0).identity != card.rows.at(1).identity);
    QCOMPARE(card.rows.at(2).direction, Direction::Income);
    QCOMPARE(card.rows.at(2).date, QDate(2026, 11, 20));
    QCOMPARE(card.rows.at(0).line, 8);
}

void TestStatementFiles::ofxRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("words");
    const QByteArray whole(kOfx1);
    QTest::newRow("truncated") << whole.left(whole.indexOf("</BANKTRANLIST>")) << "不完整";
    QByteArray investment(kOfx2);
    investment.replace("<CREDITCARDMSGSRSV1>", "<INVSTMTMSGSRSV1>").replace("<CCSTMTRS>", "<INVSTMTRS>");
    QTest::newRow("investment") << investment << "投资";
}

void TestStatementFiles::ofxRefused()
{
    QFETCH(QByteArray, bytes);
    const ImportError error = readError(write(bytes));
    QFETCH(QString, words);
    QVERIFY2(error.message().contains(words), qPrintable(error.message()));
}

void TestStatementFiles::qifDates_data()
{
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<QDate>("first");
    QTest::newRow("month first") << QStringList{"12/31/2026"} << QDate(2026, 12, 31);
    QTest::newRow("day first, short year") << QStringList{"31/12'26"} << QDate(2026, 12, 31);
    QTest::newRow("iso") << QStringList{"2026-12-31"} << QDate(2026, 12, 31);
    // Nothing in the file tells: month first, as QIF writes it.
    QTest::newRow("ambiguous") << QStringList{"1/ 5'07"} << QDate(2007, 1, 5);
    // Another date of the file shows day first: the whole file is day first.
    QTest::newRow("decided by another row") << QStringList{"01/05/2026", "25/05/2026"} << QDate(2026, 5, 1);
    QTest::newRow("decided by another row, month first") << QStringList{"01/05/2026", "05/25/2026"} << QDate(2026, 1, 5);
    QTest::newRow("dots are European") << QStringList{"05.01.2026"} << QDate(2026, 1, 5);
    QTest::newRow("two-digit year after a slash") << QStringList{"12/31/99"} << QDate(1999, 12, 31);
}

void TestStatementFiles::qifDates()
{
    QFETCH(QStringList, dates);
    QString text = QStringLiteral("!Type:Cash\n");
    for (const QString &date : dates)
        text += qifRecord(date, QStringLiteral("-1.00"), QStringLiteral("Shop"));
    const StatementFile file = ReadStatement(write(text.toUtf8()));
    QCOMPARE(file.source, StatementSource::Qif);
    QTEST(file.rows.first().date, "first");
}

void TestStatementFiles::qifFile()
{
    const QString text = QStringLiteral("!Option:AutoSwitch\n!Account\nNChecking\nTBank\n^\n!Clear:AutoSwitch\n"
                                        "!Type:Cat\nNFood\nE\n^\n"
                                        "!Type:Bank\n") +
                         QStringLiteral("D12/01/2026\nT-1,234.56\nPLandlord\nMDecember rent\nN1001\nLHousing\n^\n") +
                         qifRecord(QStringLiteral("12/15/2026"), QStringLiteral("5,000.00"), QStringLiteral("Employer")) +
                         qifRecord(QStringLiteral("12/20/2026"), QStringLiteral("-500.00"), QStringLiteral("Me"),
                                   QStringLiteral("[Savings]")) +
                         qifRecord(QStringLiteral("12/21/2026"), QStringLiteral("-0.00"), QStringLiteral("Bank"));
    const StatementFile file = ReadStatement(write(Gbk::encode(text)));
    QCOMPARE(file.rows.size(), 4);
    QCOMPARE(file.rows.at(0).line, 12);
    QCOMPARE(file.rows.at(0).amount, QStringLiteral("1234.56"));
    QCOMPARE(file.rows.at(0).direction, Direction::Expense);
    QCOMPARE(file.rows.at(0).goods, QStringLiteral("December rent"));
    QCOMPARE(file.rows.at(0).orderNo, QStringLiteral("1001"));
    QCOMPARE(file.rows.at(1).direction, Direction::Income);
    QCOMPARE(file.rows.at(1).amount, QStringLiteral("5000.00"));
    const QList<ProposedRecord> records = ProposeRecords(file, {});
    QCOMPARE(records.at(0).state, RowState::New);
    QCOMPARE(records.at(2).state, RowState::Skipped); // a transfer to the household's own savings
    QCOMPARE(records.at(2).reason, QStringLiteral("账户间转账"));
    QCOMPARE(records.at(3).state, RowState::Skipped);
}

void TestStatementFiles::qifRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("words");
    QTest::newRow("investment") << "!Type:Bank\n" + qifRecord("1/2/2026", "-1", "a") + "!Type:Invst\nD1/3/2026\n" << 6
                                << "投资";
    QTest::newRow("day and month first both") << "!Type:Bank\n" + qifRecord("13/01/2026", "-1", "a") +
                                                     qifRecord("01/13/2026", "-1", "b")
                                              << 6 << "不一致";
    QTest::newRow("no such day") << "!Type:Bank\n" + qifRecord("2/30/2026", "-1", "a") << 2 << "不存在";
    QTest::newRow("bad amount") << "!Type:Bank\n" + qifRecord("2/3/2026", "-1.2.3", "a") << 2 << "金额";
    QTest::newRow("cut off") << QStringLiteral("!Type:Bank\nD2/3/2026\nT-1.00\n") << 2 << "不完整";
    QTest::newRow("no amount") << QStringLiteral("!Type:Bank\nD2/3/2026\nPx\n^\n") << 2 << "没有金额";
}

void TestStatementFiles::qifRefused()
{
    QFETCH(QString, text);
    const ImportError error = readError(write(text.toUtf8()));
    QFETCH(QString, words);
    QVERIFY2(error.message().contains(words), qPrintable(error.message()));
    QTEST(error.line(), "line");
}

void TestStatementFiles::unknownFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", 16);
    QTest::newRow("prose") << QStringLiteral("这是一封信。\n没有表格。\n").toUtf8();
    QTest::newRow("not a zip after all") << QByteArray("PK\x03\x04garbage", 11);
}

void TestStatementFiles::unknownFiles()
{
    QFETCH(QByteArray, bytes);
    ReadCallbacks callbacks;
    bool asked = false;
    callbacks.mapping = [&](const QString &, const BankTable &) -> std::optional<ColumnMapping> {
        asked = true;
        return std::nullopt;
    };
    const QString path = write(bytes, QStringLiteral(".csv"));
    const ImportError error = readError(path, callbacks);
    QCOMPARE(error.path(), path);
    QVERIFY(!asked);
    QVERIFY2(error.message().contains(QStringLiteral("无法识别")) || error.message().contains(QStringLiteral("损坏")),
             qPrintable(error.message()));
}

QTEST_GUILESS_MAIN(TestStatementFiles)
#include "tst_statementfiles.moc"
