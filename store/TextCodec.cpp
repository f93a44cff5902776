#include "TextCodec.h"

#include "KavloError.h"

#include <QSysInfo>

#include <array>
#include <cerrno>
#include <iconv.h>

namespace {

bool isAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

bool isAscii(const QString &text)
{
    for (QChar ch : text)
        if (ch.unicode() >= 0x80)
            return false;
    return true;
}

// QString's own units, so no intermediate form can touch the text: a UTF-8
// step was seen to drop a leading U+FEFF on the way back.
constexpr const char *kUtf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

// One conversion descriptor per direction, opened once: iconv_open is far too
// slow to pay for every field of a long range.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw KavloError(QStringLiteral("Text conversion %1 to %2 is not available")
                                 .arg(QLatin1String(from), QLatin1String(to)));
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts until the end or the first input the table cannot take; the
    // result tells how many input bytes were consumed.
    struct Result {
        QByteArray output;
        size_t consumed = 0;
        bool complete = false;
    };
    Result convert(const char *data, size_t size, size_t reserve)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset shift state
        Result result;
        result.output.resize(qsizetype(reserve) + 16);
        char *in = const_cast<char *>(data);
        size_t inLeft = size;
        char *out = result.output.data();
        size_t outLeft = size_t(result.output.size());
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
                continue;
            if (errno != E2BIG)
                break; // EILSEQ or EINVAL: the caller decides
            const qsizetype used = out - result.output.data();
            result.output.resize(result.output.size() * 2);
            out = result.output.data() + used;
            outLeft = size_t(result.output.size() - used);
        }
        result.output.resize(out - result.output.data());
        result.consumed = size - inLeft;
        result.complete = inLeft == 0;
        return result;
    }

private:
    iconv_t m_cd;
};

Converter &toGbk()
{
    static thread_local Converter converter("GB18030", kUtf16);
    return converter;
}

Converter &fromGbk()
{
    static thread_local Converter converter(kUtf16, "GB18030");
    return converter;
}

char32_t codePointAt(const QString &text, qsizetype index)
{
    const QChar ch = text.at(index);
    if (ch.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(ch, text.at(index + 1));
    return ch.unicode();
}

// Encodes from `from` on; stops at the first character the table refuses and
// reports its index in `bad` (-1 when everything was encoded).
QByteArray encodeFrom(const QString &text, qsizetype from, qsizetype *bad)
{
    const auto *data = reinterpret_cast<const char *>(text.utf16() + from);
    const size_t size = size_t(text.size() - from) * 2;
    Converter::Result r = toGbk().convert(data, size, size);
    *bad = r.complete ? -1 : from + qsizetype(r.consumed / 2);
    return r.output;
}

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

namespace Gbk {

QByteArray encode(const QString &text)
{
    if (isAscii(text))
        return text.toLatin1();
    qsizetype bad = -1;
    QByteArray bytes = encodeFrom(text, 0, &bad);
    if (bad >= 0)
        throw KavloError(UnstorableCharacterMessage(QStringLiteral("文字"), codePointAt(text, bad)));
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    if (isAscii(bytes.constData(), bytes.size()))
        return QString::fromLatin1(bytes);
    QByteArray units;
    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        Converter::Result r = fromGbk().convert(data, left, left * 2);
        units += r.output;
        data += r.consumed;
        left -= r.consumed;
        if (left > 0) {
            // Invalid or truncated input: keep a visible replacement and go
            // on, so damaged bytes never make a whole value unreadable.
            const char16_t mark = u'?';
            units.append(reinterpret_cast<const char *>(&mark), 2);
            ++data;
            --left;
        }
    }
    return QString(reinterpret_cast<const QChar *>(units.constData()), units.size() / 2);
}

std::optional<char32_t> firstUnstorable(const QString &text)
{
    if (isAscii(text))
        return std::nullopt;
    qsizetype bad = -1;
    encodeFrom(text, 0, &bad);
    if (bad < 0)
        return std::nullopt;
    return codePointAt(text, bad);
}

int byteLength(const QString &text)
{
    if (isAscii(text))
        return int(text.size());
    qsizetype length = 0;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype bad = -1;
        length += encodeFrom(text, from, &bad).size();
        if (bad < 0)
            break;
        length += 4;
        from = bad + (codePointAt(text, bad) > 0xffff ? 2 : 1);
    }
    return int(length);
}

} // namespace Gbk

QString CharacterCode(char32_t codePoint)
{
    return QStringLiteral("U+%1").arg(uint(codePoint), 4, 16, QLatin1Char('0')).toUpper();
}

QString UnstorableCharacterMessage(const QString &fieldName, char32_t codePoint)
{
    return QStringLiteral("%1中的字符 %2 不能保存，请删去它。").arg(fieldName, CharacterCode(codePoint));
}

QByteArray Base64Encode(const QByteArray &bytes)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    QByteArray out;
    const qsizetype chars = (n + 2) / 3 * 4;
    out.reserve(chars + chars / 76 * 2);
    int column = 0;
    auto put = [&](char c) {
        out.append(c);
        if (++column == 76) {
            out.append("\r\n", 2);
            column = 0;
        }
    };
    qsizetype i = 0;
    for (; i + 2 < n; i += 3) {
        const unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        put(kAlphabet[(v >> 18) & 63]);
        put(kAlphabet[(v >> 12) & 63]);
        put(kAlphabet[(v >> 6) & 63]);
        put(kAlphabet[v & 63]);
    }
    if (n - i == 1) {
        const unsigned v = in[i] << 16;
        put(kAlphabet[(v >> 18) & 63]);
        put(kAlphabet[(v >> 12) & 63]);
        put('=');
        put('=');
    } else if (n - i == 2) {
        const unsigned v = (in[i] << 16) | (in[i + 1] << 8);
        put(kAlphabet[(v >> 18) & 63]);
        put(kAlphabet[(v >> 12) & 63]);
        put(kAlphabet[(v >> 6) & 63]);
        put('=');
    }
    return out;
}

QByteArray Base64Decode(const QByteArray &text)
{
    static const auto table = [] {
        std::array<signed char, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i)
            t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
        t['='] = 64;
        return t;
    }();
    QByteArray out;
    out.reserve(text.size() / 4 * 3);
    int group[4];
    int count = 0;
    for (char ch : text) {
        const int v = table[static_cast<unsigned char>(ch)];
        if (v < 0)
            continue; // line breaks and anything else outside the alphabet
        group[count++] = v;
        if (count < 4)
            continue;
        count = 0;
        if (group[0] == 64 || group[1] == 64)
            continue; // padding where data must be: nothing to decode
        out.append(char((group[0] << 2) | (group[1] >> 4)));
        if (group[2] == 64)
            continue; // one byte in this group
        out.append(char(((group[1] & 15) << 4) | (group[2] >> 2)));
        if (group[3] == 64)
            continue; // two bytes
        out.append(char(((group[2] & 3) << 6) | group[3]));
    }
    return out;
}

QByteArray EncodeField(const QString &text) { return Base64Encode(Gbk::encode(text)); }

QString DecodeField(const QByteArray &stored) { return Gbk::decode(Base64Decode(stored)); }

QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}
