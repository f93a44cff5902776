// Zip archives and .xlsx workbooks, both read in memory through QuaZip, and
// Excel 97-2003 workbooks through FreeXL.
#include "ReaderParts.h"

#include "KavloError.h"
#include "TextCodec.h"
#include "XlsReader.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>
#include <unzip.h>


#include <memory>

namespace ReaderParts {
namespace {

// Largest entry inflated in memory: a bill is a few megabytes; a "zip bomb"
// must not exhaust memory.
constexpr qint64 kLargestEntry = 512LL * 1024 * 1024;

ImportError damaged(const QString &path, const QString &detail = QString())
{
    QString message = QStringLiteral("文件已损坏或不完整，无法读取。");
    if (!detail.isEmpty())
        message += QStringLiteral("（%1）").arg(detail);
    return ImportError(path, 0, message);
}

// An archive held in memory: the buffer outlives the QuaZip reading it.
class MemoryZip
{
public:
    MemoryZip(const QString &path, const QByteArray &bytes) : m_path(path)
    {
        m_buffer.setData(bytes);
        m_zip = std::make_unique<QuaZip>(&m_buffer);
        if (!m_zip->open(QuaZip::mdUnzip))
            throw damaged(path, QStringLiteral("不是完整的 zip 压缩包"));
        for (bool more = m_zip->goToFirstFile(); more; more = m_zip->goToNextFile()) {
            QuaZipFileInfo64 info;
            if (!m_zip->getCurrentFileInfo(&info))
                throw damaged(path);
            m_entries.append(info);
        }
        if (m_zip->getZipError() != UNZ_OK)
            throw damaged(path);
    }
    ~MemoryZip() { m_zip->close(); }
    MemoryZip(const MemoryZip &) = delete;
    MemoryZip &operator=(const MemoryZip &) = delete;

    const QList<QuaZipFileInfo64> &entries() const { return m_entries; }
    bool has(const QString &name) const
    {
        for (const QuaZipFileInfo64 &info : m_entries)
            if (info.name == name)
                return true;
        return false;
    }

    enum class Outcome { Ok, WrongPassword, Damaged };
    // Reads one entry whole; a wrong password shows as a failed open or,
    // for the one password in 256 that passes ZipCrypto's check byte, as a
    // CRC mismatch at the end.
    Outcome read(const QuaZipFileInfo64 &info, const QByteArray &password, QByteArray *out)
    {
        if (!m_zip->setCurrentFile(info.name, QuaZip::csSensitive))
            return Outcome::Damaged;
        if (info.uncompressedSize > quint64(kLargestEntry))
            throw ImportError(m_path, 0, QStringLiteral("压缩包中的“%1”太大，不是可以导入的账单。").arg(info.name));
        QuaZipFile file(m_zip.get());
        const bool encrypted = info.isEncrypted();
        const bool opened = encrypted ? file.open(QIODevice::ReadOnly, password.constData())
                                      : file.open(QIODevice::ReadOnly);
        if (!opened)
            return encrypted ? Outcome::WrongPassword : Outcome::Damaged;
        *out = file.readAll();
        const bool readFailed = file.getZipError() != UNZ_OK;
        file.close();
        const int closed = file.getZipError();
        if (readFailed || closed != UNZ_OK || quint64(out->size()) != info.uncompressedSize) {
            out->clear();
            return encrypted && (closed == UNZ_CRCERROR || readFailed) ? Outcome::WrongPassword : Outcome::Damaged;
        }
        return Outcome::Ok;
    }

    QByteArray readPlain(const QString &name)
    {
        for (const QuaZipFileInfo64 &info : m_entries) {
            if (info.name != name)
                continue;
            QByteArray bytes;
            if (info.isEncrypted())
                throw ImportError(m_path, 0, QStringLiteral("工作簿已加密，请先在表格软件中去掉密码。"));
            if (read(info, QByteArray(), &bytes) != Outcome::Ok)
                throw damaged(m_path, name);
            return bytes;
        }
        return QByteArray();
    }

private:
    QString m_path;
    QBuffer m_buffer;
    std::unique_ptr<QuaZip> m_zip;
    QList<QuaZipFileInfo64> m_entries;
};

int columnOf(QStringView ref)
{
    int column = 0;
    int letters = 0;
    for (QChar ch : ref) {
        if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) {
            column = column * 26 + (ch.unicode() - 'A' + 1);
            ++letters;
        } else {
            break;
        }
    }
    return letters == 0 || letters > 3 ? -1 : column - 1;
}

void xmlFailed(const QString &path, const QString &part, const QXmlStreamReader &xml)
{
    throw ImportError(path, 0,
                      QStringLiteral("工作簿已损坏或不完整（%1 第 %2 行：%3）。")
                          .arg(part)
                          .arg(xml.lineNumber())
                          .arg(xml.errorString()));
}

QStringList sharedStrings(const QString &path, const QByteArray &xmlBytes)
{
    QStringList strings;
    if (xmlBytes.isEmpty())
        return strings;
    QXmlStreamReader xml(xmlBytes);
    xml.setNamespaceProcessing(false);
    QString current;
    int depthInPhonetic = 0;
    bool inItem = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (name == QLatin1String("rPh")) {
                ++depthInPhonetic; // the phonetic guide is not part of the text
            } else if (name == QLatin1String("t") && inItem && depthInPhonetic == 0) {
                current += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("si")) {
                strings.append(current);
                inItem = false;
            } else if (xml.name() == QLatin1String("rPh")) {
                --depthInPhonetic;
            }
        }
    }
    if (xml.hasError())
        xmlFailed(path, QStringLiteral("共享字符串"), xml);
    return strings;
}

bool isDateFormat(int id, const QString &code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty())
        return false;
    QString bare;
    bool quoted = false;
    int bracket = 0;
    for (QChar ch : code) {
        if (ch == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && ch == QLatin1Char('['))
            ++bracket;
        else if (!quoted && ch == QLatin1Char(']'))
            --bracket;
        else if (!quoted && bracket == 0)
            bare += ch.toLower();
    }
    return bare.contains(QLatin1Char('y')) || bare.contains(QLatin1Char('d')) || bare.contains(QLatin1Char('h'));
}

// Which cell styles show a date.
QList<bool> dateStyles(const QString &path, const QByteArray &xmlBytes)
{
    QList<bool> styles;
    if (xmlBytes.isEmpty())
        return styles;
    QHash<int, QString> codes;
    QXmlStreamReader xml(xmlBytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("numFmt")) {
                codes.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                             xml.attributes().value(QLatin1String("formatCode")).toString());
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                styles.append(isDateFormat(id, codes.value(id)));
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    if (xml.hasError())
        xmlFailed(path, QStringLiteral("样式"), xml);
    return styles;
}

QString serialDate(double serial)
{
    // Day 0 of the 1900 system is 1899-12-30 once Excel's phantom
    // 1900-02-29 is allowed for, which every date after March 1900 needs.
    const qint64 whole = qint64(std::floor(serial));
    const int seconds = int(std::llround((serial - double(whole)) * 86400.0));
    QDate date = QDate(1899, 12, 30).addDays(whole + seconds / 86400);
    const QTime time = QTime(0, 0).addSecs(seconds % 86400);
    if (whole == 0)
        return time.toString(QStringLiteral("hh:mm:ss"));
    if (seconds % 86400 == 0)
        return date.toString(Qt::ISODate);
    return date.toString(Qt::ISODate) + QLatin1Char(' ') + time.toString(QStringLiteral("hh:mm:ss"));
}

QString firstSheetPart(const QString &path, MemoryZip &zip)
{
    QString relation;
    {
        QXmlStreamReader xml(zip.readPlain(QStringLiteral("xl/workbook.xml")));
        while (!xml.atEnd() && relation.isEmpty()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("sheet")) {
                for (const QXmlStreamAttribute &attribute : xml.attributes())
                    if (attribute.name() == QLatin1String("id"))
                        relation = attribute.value().toString();
            }
        }
        if (xml.hasError())
            xmlFailed(path, QStringLiteral("工作簿"), xml);
    }
    QXmlStreamReader rels(zip.readPlain(QStringLiteral("xl/_rels/workbook.xml.rels")));
    while (!rels.atEnd() && !relation.isEmpty()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == QLatin1String("Relationship") &&
            rels.attributes().value(QLatin1String("Id")) == relation) {
            QString target = rels.attributes().value(QLatin1String("Target")).toString();
            if (target.startsWith(QLatin1Char('/')))
                return target.mid(1);
            return QStringLiteral("xl/") + target;
        }
    }
    return QStringLiteral("xl/worksheets/sheet1.xml");
}

} // namespace

bool IsXlsxArchive(const QByteArray &bytes)
{
    try {
        MemoryZip zip(QString(), bytes);
        return zip.has(QStringLiteral("xl/workbook.xml"));
    } catch (const ImportError &) {
        return false; // not a readable archive at all: the caller reports it
    }
}

TextTable ReadXlsxTable(const QString &path, const QByteArray &bytes)
{
    MemoryZip zip(path, bytes);
    const QString sheetPart = firstSheetPart(path, zip);
    const QStringList strings = sharedStrings(path, zip.readPlain(QStringLiteral("xl/sharedStrings.xml")));
    const QList<bool> dates = dateStyles(path, zip.readPlain(QStringLiteral("xl/styles.xml")));
    const QByteArray sheet = zip.readPlain(sheetPart);
    if (sheet.isEmpty())
        throw damaged(path, QStringLiteral("没有工作表"));

    TextTable table;
    QXmlStreamReader xml(sheet);
    // The sheet's elements carry no prefixes; resolving namespaces for each
    // of a bill's hundred thousand cells is time spent for nothing.
    xml.setNamespaceProcessing(false);
    QStringList row;
    int rowNumber = 0;
    int width = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("row")) {
                row.clear();
                const int r = xml.attributes().value(QLatin1String("r")).toInt();
                rowNumber = r > 0 ? r : rowNumber + 1;
            } else if (xml.name() == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QStringView type = attributes.value(QLatin1String("t"));
                const int style = attributes.value(QLatin1String("s")).toInt();
                const QStringView ref = attributes.value(QLatin1String("r"));
                const int column = ref.isEmpty() ? int(row.size()) : columnOf(ref);
                if (column < 0 || column >= 16384)
                    throw damaged(path, QStringLiteral("单元格位置无效"));
                QString value;
                QString inlineText;
                while (!(xml.isEndElement() && xml.name() == QLatin1String("c")) && !xml.atEnd()) {
                    xml.readNext();
                    if (xml.isStartElement() && xml.name() == QLatin1String("v"))
                        value = xml.readElementText();
                    else if (xml.isStartElement() && xml.name() == QLatin1String("t"))
                        inlineText += xml.readElementText();
                }
                QString text;
                if (type == QLatin1String("s")) {
                    bool ok = false;
                    const int index = value.toInt(&ok);
                    if (!ok || index < 0 || index >= strings.size())
                        throw damaged(path, QStringLiteral("共享字符串编号无效"));
                    text = strings.at(index);
                } else if (type == QLatin1String("inlineStr")) {
                    text = inlineText;
                } else if (type.isEmpty() || type == QLatin1String("n")) {
                    bool ok = false;
                    const double number = value.toDouble(&ok);
                    text = ok && style >= 0 && style < dates.size() && dates.at(style) ? serialDate(number) : value;
                } else {
                    text = value; // str (a formula's text), b, e, d (ISO date)
                }
                while (row.size() < column)
                    row.append(QString());
                if (row.size() == column)
                    row.append(TrimBlanks(text));
                else
                    row[column] = TrimBlanks(text);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("row")) {
            while (!row.isEmpty() && row.last().isEmpty())
                row.removeLast();
            width = std::max(width, int(row.size()));
            table.rows.append(row);
            table.lines.append(rowNumber);
        }
    }
    if (xml.hasError())
        xmlFailed(path, QStringLiteral("工作表"), xml);
    // A sheet leaves out empty cells at a row's end; the table is square.
    for (QStringList &cells : table.rows)
        while (!cells.isEmpty() && cells.size() < width)
            cells.append(QString());
    return table;
}

ArchiveEntry ReadArchiveEntry(const QString &path, const QByteArray &bytes, const ReadCallbacks &callbacks)
{
    MemoryZip zip(path, bytes);
    QList<QuaZipFileInfo64> files;
    for (const QuaZipFileInfo64 &info : zip.entries()) {
        if (info.name.endsWith(QLatin1Char('/')) || info.name.startsWith(QLatin1String("__MACOSX/")) ||
            info.name.section(QLatin1Char('/'), -1).startsWith(QLatin1Char('.')))
            continue;
        files.append(info);
    }
    if (files.isEmpty())
        throw ImportError(path, 0, QStringLiteral("压缩包是空的，没有可以导入的账单。"));
    if (files.size() > 1)
        throw ImportError(path, 0, QStringLiteral("压缩包中有 %1 个文件；请解压后逐个导入。").arg(files.size()));
    const QuaZipFileInfo64 &info = files.first();
    // 99 is WinZip's AES, which this zip reader cannot decrypt.
    if (info.method == 99)
        throw ImportError(path, 0, QStringLiteral("压缩包使用了不支持的 AES 加密，请先用解压软件解开后导入。"));
    ArchiveEntry entry;
    entry.name = info.name;
    if (!info.isEncrypted()) {
        if (zip.read(info, QByteArray(), &entry.bytes) != MemoryZip::Outcome::Ok)
            throw damaged(path, info.name);
        return entry;
    }
    if (!callbacks.password)
        throw ImportError(path, 0, QStringLiteral("压缩包有密码，需要输入密码才能导入。"));
    bool wrongBefore = false;
    for (;;) {
        const std::optional<QString> password = callbacks.password(path, wrongBefore);
        if (!password)
            throw ImportError(path, 0, wrongBefore ? QStringLiteral("压缩包的密码不正确，文件未导入。")
                                                   : QStringLiteral("没有输入压缩包的密码，文件未导入。"));
        // ZipCrypto keys on the bytes typed; mailed bills use digits, and
        // UTF-8 is what current archivers write for anything else.
        switch (zip.read(info, password->toUtf8(), &entry.bytes)) {
        case MemoryZip::Outcome::Ok:
            return entry;
        case MemoryZip::Outcome::WrongPassword:
            wrongBefore = true;
            break;
        case MemoryZip::Outcome::Damaged:
            throw damaged(path, info.name);
        }
    }
}

TextTable ReadXlsTable(const QString &path)
{
    QList<QStringList> rows;
    try {
        rows = ReadXlsFirstSheet(path);
    } catch (const KavloError &error) {
        throw ImportError(path, 0, QStringLiteral("工作簿已损坏或不完整，无法读取。（%1）").arg(error.message()));
    }
    TextTable table;
    for (int r = 0; r < rows.size(); ++r) {
        QStringList cells;
        for (const QString &cell : rows.at(r))
            cells.append(TrimBlanks(cell));
        table.rows.append(cells);
        table.lines.append(r + 1);
    }
    return table;
}

} // namespace ReaderParts
