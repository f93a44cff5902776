#include "AmountText.h"
#include "KavloError.h"
#include "TextCodec.h"
#include "unt_clsDatabaseUser.h"

#include <QtTest>

class TestTextRules : public QObject
{
    Q_OBJECT
private slots:
    void base64Layout_data();
    void base64Layout();
    void base64DecodeSkipsForeignCharacters();
    void base64DecodePadding();
    void gbkRoundTrip_data();
    void gbkRoundTrip();
    void fieldEncodingKeepsCaseOnlyDifferences();
    void everyCharacterComesBackOrIsRefused_data();
    void everyCharacterComesBackOrIsRefused();
    void refusedCharactersAreExactlyThoseWithoutACode();
    void loneSurrogatesAreRefused_data();
    void loneSurrogatesAreRefused();
    void damagedBytesDecodeVisibly();
    void formatAmount_data();
    void formatAmount();
    void normalizeAmount_data();
    void normalizeAmount();
    void parseDecimal_data();
    void parseDecimal();
    void trimBlanks();
    void splitLines_data();
    void splitLines();
    void defaultLists();
};

void TestTextRules::base64Layout_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("empty") << QByteArray() << 0 << QByteArray();
    QTest::newRow("one byte") << QByteArray("a") << 4 << QByteArray("==");
    QTest::newRow("two bytes") << QByteArray("ab") << 4 << QByteArray("=");
    QTest::newRow("record type") << Gbk::encode(QStringLiteral("支出")) << 8 << QByteArray("==");
    QTest::newRow("57 bytes end with CR LF") << QByteArray(57, 'x') << 78 << QByteArray("\r\n");
    QTest::newRow("58 bytes") << QByteArray(58, 'x') << 82 << QByteArray("==");
    QTest::newRow("114 bytes") << QByteArray(114, 'x') << 156 << QByteArray("\r\n");
}

void TestTextRules::base64Layout()
{
    QFETCH(QByteArray, input);
    QFETCH(int, length);
    QFETCH(QByteArray, tail);
    const QByteArray encoded = Base64Encode(input);
    QCOMPARE(encoded.size(), length);
    QVERIFY(encoded.endsWith(tail));
    // Line breaks only after every 76 characters of output.
    const QList<QByteArray> lines = encoded.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i)
        QCOMPARE(lines.at(i).size(), 77);
    QCOMPARE(Base64Decode(encoded), input);
    // The standard alphabet: Qt's encoder agrees once the breaks are gone.
    QCOMPARE(QByteArray(encoded).replace("\r\n", ""), input.toBase64());
}

void TestTextRules::base64DecodeSkipsForeignCharacters()
{
    const QByteArray bytes = TclsDatabaseUser::LoadResourceText(QStringLiteral("OUT_TXT"));
    const QByteArray encoded = Base64Encode(bytes);
    QVERIFY(encoded.contains("\r\n"));
    QCOMPARE(Base64Decode(QByteArray(encoded).replace("\r\n", "")), bytes);
    QCOMPARE(Base64Decode(QByteArray(encoded).replace("\r\n", " \t*\n")), bytes);
}

void TestTextRules::base64DecodePadding()
{
    QCOMPARE(Base64Decode("YQ=="), QByteArray("a"));
    QCOMPARE(Base64Decode("YWI="), QByteArray("ab"));
    QCOMPARE(Base64Decode("YWJj"), QByteArray("abc"));
    QCOMPARE(Base64Decode("YQ==YWI="), QByteArray("aab"));
}

void TestTextRules::gbkRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("ascii") << QStringLiteral("abc 123") << 7;
    QTest::newRow("chinese") << QStringLiteral("书籍及音像") << 10;
    QTest::newRow("mixed") << QStringLiteral("9999张光碟") << 10;
    QTest::newRow("quotes and sql") << QStringLiteral("it's \"x\"; drop table All_Table; -- 100%\\") << 40;
    QTest::newRow("emoji outside GBK") << QStringLiteral("饭😀") << 6;
    QTest::newRow("euro") << QStringLiteral("€") << 2;
    QTest::newRow("line breaks and tab") << QStringLiteral("a\r\nb\tc") << 6;
}

void TestTextRules::gbkRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(Gbk::encode(text).size(), bytes);
    QCOMPARE(Gbk::byteLength(text), bytes);
    QCOMPARE(Gbk::decode(Gbk::encode(text)), text);
    QCOMPARE(DecodeField(EncodeField(text)), text);
}

void TestTextRules::fieldEncodingKeepsCaseOnlyDifferences()
{
    // Base64 forms that differ only in letter case must stay different keys.
    QCOMPARE(EncodeField(QStringLiteral("li")), QByteArray("bGk="));
    QCOMPARE(EncodeField(QStringLiteral("lb")), QByteArray("bGI="));
    QVERIFY(EncodeField(QStringLiteral("奖金")) != EncodeField(QStringLiteral("奖今")));
    // The GBK bytes of the two record types give the stored sort order.
    QVERIFY(EncodeField(kTypeExpense) < EncodeField(kTypeIncome));
}

namespace {

// The private-use code points glibc's GB18030 table has no code for.
const QList<char32_t> kNoCode = {0xE78D, 0xE78E, 0xE78F, 0xE790, 0xE791, 0xE792, 0xE793, 0xE794,
                                 0xE795, 0xE796, 0xE816, 0xE817, 0xE818, 0xE81E, 0xE826, 0xE82B,
                                 0xE82C, 0xE831, 0xE832, 0xE83B, 0xE843, 0xE854, 0xE855, 0xE864};

// What became of one character in the field encoding: empty when it came back
// exactly or was refused by name, otherwise a description of the fault.
QString checkCharacter(char32_t cp, bool *refused)
{
    const QString ch = QString::fromUcs4(&cp, 1);
    // Alone, leading (where a BOM was lost), and between other characters.
    const QString texts[] = {ch, ch + QStringLiteral("bob"), QStringLiteral("王") + ch + QStringLiteral("a")};
    *refused = false;
    for (const QString &text : texts) {
        const std::optional<char32_t> bad = Gbk::firstUnstorable(text);
        if (bad) {
            if (*bad != cp)
                return QStringLiteral("%1 refused as %2").arg(CharacterCode(cp), CharacterCode(*bad));
            try {
                EncodeField(text);
                return QStringLiteral("%1 reported unstorable but encoded").arg(CharacterCode(cp));
            } catch (const KavloError &e) {
                if (!e.message().contains(CharacterCode(cp)))
                    return QStringLiteral("%1 refused without naming it: %2").arg(CharacterCode(cp), e.message());
            }
            *refused = true;
            continue;
        }
        const QString back = DecodeField(EncodeField(text));
        if (back != text)
            return QStringLiteral("%1 changed in \"%2\"").arg(CharacterCode(cp), text);
    }
    return QString();
}

} // namespace

void TestTextRules::everyCharacterComesBackOrIsRefused_data()
{
    QTest::addColumn<uint>("first");
    QTest::addColumn<uint>("last");
    QTest::addColumn<uint>("step");
    for (uint block = 0; block < 0x10000; block += 0x1000)
        QTest::addRow("BMP %04X", block) << block << block + 0xfff << 1u;
    for (uint plane = 1; plane <= 16; ++plane)
        QTest::addRow("plane %u sample", plane) << plane * 0x10000 << plane * 0x10000 + 0xffff << 97u;
    QTest::newRow("last code point") << 0x10fffdu << 0x10ffffu << 1u;
}

void TestTextRules::everyCharacterComesBackOrIsRefused()
{
    QFETCH(uint, first);
    QFETCH(uint, last);
    QFETCH(uint, step);
    QStringList faults;
    for (uint cp = first; cp <= last; cp += step) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        bool refused = false;
        const QString fault = checkCharacter(cp, &refused);
        if (!fault.isEmpty())
            faults << fault;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 10).join(QStringLiteral("; "))));
}

void TestTextRules::refusedCharactersAreExactlyThoseWithoutACode()
{
    // Refusing is the last resort: every other BMP character must be stored.
    QList<char32_t> refusedList;
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        if (Gbk::firstUnstorable(QString::fromUcs4(&cp, 1)))
            refusedList << cp;
    }
    QCOMPARE(refusedList, kNoCode);
    // The message names the character the way the user can look it up.
    QCOMPARE(UnstorableCharacterMessage(QStringLiteral("用户名"), 0xE81E),
             QStringLiteral("用户名中的字符 U+E81E 不能保存，请删去它。"));
    QCOMPARE(CharacterCode(0x1F382), QStringLiteral("U+1F382"));
    // An edit still measures such a text instead of failing.
    QCOMPARE(Gbk::byteLength(QStringLiteral("王") + QChar(0xE81E) + QStringLiteral("a")), 7);
}

void TestTextRules::loneSurrogatesAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("named");
    QTest::newRow("high alone") << QStringLiteral("a") + QChar(0xD83C) + QStringLiteral("b") << 0xD83Cu;
    QTest::newRow("high at the end") << QStringLiteral("饭") + QChar(0xD83C) << 0xD83Cu;
    QTest::newRow("low alone") << QString(QChar(0xDF82)) + QStringLiteral("饭") << 0xDF82u;
    QTest::newRow("reversed pair") << QString(QChar(0xDF82)) + QChar(0xD83C) << 0xDF82u;
}

void TestTextRules::loneSurrogatesAreRefused()
{
    QFETCH(QString, text);
    QFETCH(uint, named);
    QCOMPARE(Gbk::firstUnstorable(text), std::optional<char32_t>(named));
    QVERIFY_THROWS_EXCEPTION(KavloError, EncodeField(text));
}

void TestTextRules::damagedBytesDecodeVisibly()
{
    // A broken sequence in stored bytes shows as "?" and the rest survives.
    const QByteArray good = Gbk::encode(QStringLiteral("早饭"));
    QCOMPARE(Gbk::decode(good.left(2) + "\xff" + good.mid(2)), QStringLiteral("早?饭"));
    QCOMPARE(Gbk::decode(good + good.left(1)), QStringLiteral("早饭?"));
}

void TestTextRules::formatAmount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("half away from zero") << 0.125 << "0.13";
    QTest::newRow("negative half") << -0.125 << "-0.13";
    QTest::newRow("x.375") << 2.375 << "2.38";
    QTest::newRow("x.625") << 1.625 << "1.63";
    QTest::newRow("not an exact half") << 2.675 << "2.67";
    QTest::newRow("ordinary") << 12.5 << "12.50";
    QTest::newRow("negative zero") << -0.0 << "0.00";
    QTest::newRow("tiny negative") << -0.001 << "0.00";
    QTest::newRow("sum to zero") << (0.30 - (0.10 + 0.20)) << "0.00";
    QTest::newRow("negative") << -12.5 << "-12.50";
    QTest::newRow("large") << 12345678901.0 << "12345678901.00";
    QTest::newRow("sum of cents") << (0.1 + 0.2) << "0.30";
}

void TestTextRules::formatAmount()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatAmount(value), text);
}

void TestTextRules::normalizeAmount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    const int ok = int(AmountStatus::Ok);
    const int nan = int(AmountStatus::NotANumber);
    const int zero = int(AmountStatus::NotPositive);
    QTest::newRow("empty") << "" << zero << "";
    QTest::newRow("lone point") << "." << zero << "";
    QTest::newRow("integer") << "12" << ok << "12.00";
    QTest::newRow("leading point") << ".5" << ok << "0.50";
    QTest::newRow("trailing point") << "3." << ok << "3.00";
    QTest::newRow("two points") << "1.2.3" << nan << "";
    QTest::newRow("tiny") << "0.004" << ok << "0.00";
    QTest::newRow("half cent") << "0.125" << ok << "0.13";
    QTest::newRow("three decimals") << "12.346" << ok << "12.35";
    QTest::newRow("eleven digits") << "12345678901" << ok << "12345678901.00";
    QTest::newRow("minus") << "-5" << nan << "";
    QTest::newRow("letters") << "abc" << nan << "";
    QTest::newRow("exponent") << "1.5e2" << nan << "";
    QTest::newRow("exponent without point") << "1e5" << nan << "";
    QTest::newRow("inf") << "inf" << nan << "";
    QTest::newRow("nan") << "nan" << nan << "";
    QTest::newRow("hex") << "x10" << nan << "";
    QTest::newRow("comma") << "1,5" << nan << "";
    QTest::newRow("zero") << "0" << zero << "";
    QTest::newRow("zeros with point") << "0.00" << zero << "";
}

void TestTextRules::normalizeAmount()
{
    QFETCH(QString, typed);
    QFETCH(int, status);
    QFETCH(QString, text);
    const AmountResult result = NormalizeAmount(typed);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.text, text);
}

void TestTextRules::parseDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("balance") << "-12.50" << true << -12.5;
    QTest::newRow("plus") << "+3" << true << 3.0;
    QTest::newRow("spaces") << "  7.25 " << true << 7.25;
    QTest::newRow("inner space") << "7 .25" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("exponent") << "2e3" << false << 0.0;
    QTest::newRow("infinity") << "Infinity" << false << 0.0;
}

void TestTextRules::parseDecimal()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    double parsed = -1;
    QCOMPARE(ParseDecimal(text, &parsed), valid);
    if (valid)
        QCOMPARE(parsed, value);
    else
        QVERIFY_THROWS_EXCEPTION(KavloError, ParseAmountText(text));
}

void TestTextRules::trimBlanks()
{
    QCOMPARE(TrimBlanks(QStringLiteral("\t\r\n 早饭 \x01")), QStringLiteral("早饭"));
    QCOMPARE(TrimBlanks(QStringLiteral(" \t ")), QString());
    QVERIFY(IsBlank(QStringLiteral("\r\n")));
    QVERIFY(!IsBlank(QStringLiteral(" a ")));
}

void TestTextRules::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("blank lines dropped")
        << QStringLiteral("早饭\r\n\r\n  \r\n午饭\r\n") << QStringList{QStringLiteral("早饭"), QStringLiteral("午饭")};
    QTest::newRow("spaces kept") << QStringLiteral(" 早饭 ") << QStringList{QStringLiteral(" 早饭 ")};
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks and breaks") << QStringLiteral(" \r\n\t\r\n ") << QStringList();
    QTest::newRow("lone CR keeps next name whole")
        << QStringLiteral("早饭\r午饭") << QStringList{QStringLiteral("早饭"), QStringLiteral("午饭")};
    QTest::newRow("LF alone is part of a name") << QStringLiteral("a\nb\r\nc")
                                                << QStringList{QStringLiteral("a\nb"), QStringLiteral("c")};
    QTest::newRow("no final break") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
}

void TestTextRules::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(TclsDatabaseUser::SplitLines(text), names);
}

void TestTextRules::defaultLists()
{
    const QByteArray out = TclsDatabaseUser::LoadResourceText(QStringLiteral("out_txt"));
    const QByteArray in = TclsDatabaseUser::LoadResourceText(QStringLiteral("In_txt"));
    QCOMPARE(out.size(), 290);
    QCOMPARE(in.size(), 78);
    QCOMPARE(TclsDatabaseUser::LoadResourceText(QStringLiteral("OUT_TXT")), out);
    QVERIFY(TclsDatabaseUser::LoadResourceText(QStringLiteral("nothing")).isEmpty());
    const QStringList outNames = TclsDatabaseUser::SplitLines(Gbk::decode(out));
    const QStringList inNames = TclsDatabaseUser::SplitLines(Gbk::decode(in));
    QCOMPARE(outNames.size(), 33);
    QCOMPARE(inNames.size(), 9);
    QCOMPARE(outNames.first(), QStringLiteral("早饭"));
    QCOMPARE(outNames.last(), QStringLiteral("其他支出"));
    QCOMPARE(inNames.at(5), QStringLiteral("亲属赠与金"));
    QVERIFY(!out.endsWith("\r\n"));
}

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
