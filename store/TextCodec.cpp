#include "TextCodec.h"

#include "KavloError.h"

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

    QByteArray convert(const QByteArray &input)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset shift state
        QByteArray output;
        output.resize(input.size() * 2 + 16);
        char *in = const_cast<char *>(input.constData());
        size_t inLeft = size_t(input.size());
        char *out = output.data();
        size_t outLeft = size_t(output.size());
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
                continue;
            if (errno == E2BIG) {
                const qsizetype used = out - output.data();
                output.resize(output.size() * 2);
                out = output.data() + used;
                outLeft = size_t(output.size() - used);
            } else {
                // Invalid or truncated input: keep a visible replacement and go
                // on, so damaged bytes never make a whole value unreadable.
                ++in;
                --inLeft;
                if (outLeft < 3) {
                    const qsizetype used = out - output.data();
                    output.resize(output.size() + 16);
                    out = output.data() + used;
                    outLeft = size_t(output.size() - used);
                }
                *out++ = '?';
                --outLeft;
            }
        }
        output.resize(out - output.data());
        return output;
    }

private:
    iconv_t m_cd;
};

Converter &toGbk()
{
    static thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}

Converter &fromGbk()
{
    static thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

namespace Gbk {

QByteArray encode(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8.constData(), utf8.size()))
        return utf8;
    return toGbk().convert(utf8);
}

QString decode(const QByteArray &bytes)
{
    if (isAscii(bytes.constData(), bytes.size()))
        return QString::fromLatin1(bytes);
    return QString::fromUtf8(fromGbk().convert(bytes));
}

int byteLength(const QString &text)
{
    int ascii = 0;
    bool allAscii = true;
    for (QChar ch : text) {
        if (ch.unicode() >= 0x80) {
            allAscii = false;
            break;
        }
        ++ascii;
    }
    return allAscii ? ascii : int(encode(text).size());
}

} // namespace Gbk

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
