#include "Biff8Writer.h"

#include "KavloError.h"
#include "SafeFileWriter.h"

#include <QHash>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <memory>
#include <mutex>

namespace {

constexpr int kMaxRecordData = 8224; // BIFF8 limit; longer data goes on in CONTINUE records
constexpr int kMaxCellText = 32767;  // characters Excel keeps in one cell
constexpr quint16 kCellXf = 15;      // XFs 0-14 are style XFs, 15 the default cell XF

enum RecordType : quint16 {
    BOF = 0x0809,
    CODEPAGE = 0x0042,
    WINDOW1 = 0x003D,
    FONT = 0x0031,
    XF = 0x00E0,
    STYLE = 0x0293,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    CONTINUE = 0x003C,
    END_OF_FILE = 0x000A,
    DIMENSIONS = 0x0200,
    LABELSST = 0x00FD,
    WINDOW2 = 0x023E,
};

class Bytes
{
public:
    Bytes &u8(quint8 v)
    {
        data.append(char(v));
        return *this;
    }
    Bytes &u16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        data.append(b, 2);
        return *this;
    }
    Bytes &u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        data.append(b, 4);
        return *this;
    }
    Bytes &raw(const QByteArray &v)
    {
        data.append(v);
        return *this;
    }
    QByteArray data;
};

void putRecord(QByteArray &stream, quint16 type, const QByteArray &body)
{
    Bytes header;
    header.u16(type).u16(quint16(body.size()));
    stream += header.data;
    stream += body;
}

bool needsWide(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return true;
    return false;
}

// Characters of an XLUnicodeString: Latin-1 bytes when every character fits
// ("compressed"), UTF-16LE otherwise.
QByteArray stringChars(const QString &text, bool wide)
{
    if (!wide)
        return text.toLatin1();
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

// The short form (8-bit length) used by FONT and BOUNDSHEET.
QByteArray shortString(const QString &text)
{
    const bool wide = needsWide(text);
    Bytes b;
    b.u8(quint8(text.size())).u8(wide ? 1 : 0).raw(stringChars(text, wide));
    return b.data;
}

QByteArray bofBody(quint16 kind)
{
    Bytes b;
    b.u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x06);
    return b.data;
}

QByteArray fontBody()
{
    Bytes b;
    b.u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0).raw(shortString(QStringLiteral("Arial")));
    return b.data;
}

QByteArray xfBody(bool style)
{
    Bytes b;
    b.u16(0).u16(0);
    b.u16(style ? 0xFFF5 : 0x0001); // style XFs have no parent; the cell XF's parent is XF 0
    b.u8(0x20).u8(0).u8(0).u8(style ? 0xF4 : 0);
    b.u32(0).u32(0).u16(0x20C0);
    return b.data;
}

// The shared-string table split into SST and CONTINUE bodies. A string goes
// whole into the next record when it does not fit the current one; only a
// string longer than a record is split, between characters, and each piece
// after the first starts with the string's flag byte.
std::vector<QByteArray> sstBodies(const QStringList &strings, quint32 totalCells)
{
    std::vector<QByteArray> bodies;
    Bytes head;
    head.u32(totalCells).u32(quint32(strings.size()));
    bodies.push_back(head.data);

    for (const QString &text : strings) {
        const bool wide = needsWide(text);
        const int unit = wide ? 2 : 1;
        const QByteArray chars = stringChars(text, wide);
        Bytes header;
        header.u16(quint16(text.size())).u8(wide ? 1 : 0);

        if (bodies.back().size() + 3 + chars.size() <= kMaxRecordData) {
            bodies.back() += header.data + chars;
            continue;
        }
        if (3 + chars.size() <= kMaxRecordData) {
            bodies.push_back(header.data + chars);
            continue;
        }
        if (bodies.back().size() + 3 + unit > kMaxRecordData)
            bodies.push_back(QByteArray());
        // Room for whole characters, never between the halves of a surrogate pair.
        auto piece = [&](int pos, int room) {
            room = qMin(room / unit * unit, int(chars.size()) - pos);
            if (wide && pos + room < chars.size() && QChar::isHighSurrogate(text.at((pos + room) / 2 - 1).unicode()))
                room -= 2;
            return room;
        };
        int pos = 0;
        int room = piece(pos, kMaxRecordData - int(bodies.back().size()) - 3);
        bodies.back() += header.data + chars.mid(pos, room);
        pos += room;
        while (pos < chars.size()) {
            room = piece(pos, kMaxRecordData - 1);
            bodies.push_back(QByteArray(1, char(wide ? 1 : 0)) + chars.mid(pos, room));
            pos += room;
        }
    }
    return bodies;
}

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GsfPtr = std::unique_ptr<T, GObjectUnref>;

} // namespace

Biff8Writer::Biff8Writer(const QString &sheetName) : m_sheetName(sheetName) {}

void Biff8Writer::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= kMaxRows)
        throw KavloError(QStringLiteral("工作表最多只能有 %1 行，第 %2 行超出了范围。").arg(kMaxRows).arg(row + 1));
    if (column < 0 || column >= kMaxColumns)
        throw KavloError(QStringLiteral("工作表最多只能有 %1 列，第 %2 列超出了范围。").arg(kMaxColumns).arg(column + 1));
    if (text.size() > kMaxCellText)
        throw KavloError(QStringLiteral("单元格最多只能有 %1 个字符。").arg(kMaxCellText));
    if (size_t(row) >= m_rows.size())
        m_rows.resize(size_t(row) + 1);
    auto &cells = m_rows[size_t(row)];
    if (size_t(column) >= cells.size())
        cells.resize(size_t(column) + 1);
    cells[size_t(column)] = text;
}

QByteArray Biff8Writer::workbookStream() const
{
    QStringList strings;
    QHash<QString, quint32> index;
    quint32 cellCount = 0;
    int firstRow = -1, lastRow = -1, firstColumn = kMaxColumns, lastColumn = -1;
    Bytes cells;
    for (size_t r = 0; r < m_rows.size(); ++r) {
        for (size_t c = 0; c < m_rows[r].size(); ++c) {
            const std::optional<QString> &text = m_rows[r][c];
            if (!text)
                continue;
            auto found = index.constFind(*text);
            if (found == index.cend()) {
                found = index.insert(*text, quint32(strings.size()));
                strings.append(*text);
            }
            Bytes cell;
            cell.u16(quint16(r)).u16(quint16(c)).u16(kCellXf).u32(*found);
            putRecord(cells.data, LABELSST, cell.data);
            ++cellCount;
            if (firstRow < 0)
                firstRow = int(r);
            lastRow = int(r);
            firstColumn = qMin(firstColumn, int(c));
            lastColumn = qMax(lastColumn, int(c));
        }
    }

    QByteArray stream;
    putRecord(stream, BOF, bofBody(0x0005));
    putRecord(stream, CODEPAGE, Bytes().u16(1200).data); // UTF-16
    putRecord(stream, WINDOW1,
              Bytes().u16(0).u16(0).u16(0x3000).u16(0x1E00).u16(0x0038).u16(0).u16(0).u16(1).u16(0x0258).data);
    // Font index 4 does not exist in BIFF, so five records give fonts 0-3 and 5.
    for (int i = 0; i < 5; ++i)
        putRecord(stream, FONT, fontBody());
    for (int i = 0; i < kCellXf; ++i)
        putRecord(stream, XF, xfBody(true));
    putRecord(stream, XF, xfBody(false));
    putRecord(stream, STYLE, Bytes().u16(0x8000).u8(0).u8(0xFF).data); // built-in "Normal" on XF 0
    const int sheetOffsetAt = int(stream.size()) + 4;
    putRecord(stream, BOUNDSHEET, Bytes().u32(0).u8(0).u8(0).raw(shortString(m_sheetName)).data);
    const std::vector<QByteArray> sst = sstBodies(strings, cellCount);
    for (size_t i = 0; i < sst.size(); ++i)
        putRecord(stream, i == 0 ? SST : CONTINUE, sst[i]);
    putRecord(stream, END_OF_FILE, QByteArray());

    qToLittleEndian<quint32>(quint32(stream.size()), stream.data() + sheetOffsetAt);

    putRecord(stream, BOF, bofBody(0x0010));
    Bytes dimensions;
    if (cellCount == 0)
        dimensions.u32(0).u32(0).u16(0).u16(0).u16(0);
    else
        dimensions.u32(quint32(firstRow)).u32(quint32(lastRow + 1)).u16(quint16(firstColumn))
            .u16(quint16(lastColumn + 1)).u16(0);
    putRecord(stream, DIMENSIONS, dimensions.data);
    stream += cells.data;
    putRecord(stream, WINDOW2, Bytes().u16(0x06B6).u16(0).u16(0).u16(0x40).u16(0).u16(0).u16(0).u32(0).data);
    putRecord(stream, END_OF_FILE, QByteArray());
    return stream;
}

QByteArray Biff8Writer::fileBytes() const
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });

    const QByteArray stream = workbookStream();
    GsfPtr<GsfOutput> sink(gsf_output_memory_new());
    {
        GsfPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
        GsfPtr<GsfOutput> child(gsf_outfile_new_child(ole.get(), "Workbook", FALSE));
        if (!child)
            throw KavloError(QStringLiteral("Cannot create the workbook stream"));
        const bool written =
            gsf_output_write(child.get(), size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
        const bool closed = gsf_output_close(child.get()) && gsf_output_close(GSF_OUTPUT(ole.get()));
        if (!written || !closed)
            throw KavloError(QStringLiteral("Cannot build the workbook file"));
    }
    const auto size = gsf_output_size(sink.get());
    const guint8 *bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    return QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size));
}

void Biff8Writer::save(const QString &path) const { WriteUserFile(path, fileBytes()); }
