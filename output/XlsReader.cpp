#include "XlsReader.h"

#include "KavloError.h"

#include <QFile>

#include <freexl.h>

namespace {

// Closes the FreeXL handle on every path out.
class XlsHandle
{
public:
    explicit XlsHandle(const QString &path) : m_path(path)
    {
        const int opened = freexl_open(QFile::encodeName(path).constData(), &m_handle);
        if (opened != FREEXL_OK) {
            // FreeXL hands out its handle even when the open fails (a missing
            // file, say); it must be closed here, as the destructor of an
            // object whose constructor throws never runs.
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            check(opened);
        }
    }
    ~XlsHandle()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    XlsHandle(const XlsHandle &) = delete;
    XlsHandle &operator=(const XlsHandle &) = delete;

    const void *get() const { return m_handle; }

    void check(int result) const
    {
        if (result != FREEXL_OK)
            throw KavloError(QStringLiteral("无法读取工作簿 %1（FreeXL 错误 %2）").arg(m_path).arg(result));
    }

private:
    QString m_path;
    const void *m_handle = nullptr;
};

QString cellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return QString::number(cell.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(cell.value.text_value);
    default:
        return QString();
    }
}

QList<QStringList> readSelectedSheet(const XlsHandle &xls)
{
    unsigned int rows = 0;
    unsigned short columns = 0;
    xls.check(freexl_worksheet_dimensions(xls.get(), &rows, &columns));
    QList<QStringList> result;
    result.reserve(int(rows));
    for (unsigned int r = 0; r < rows; ++r) {
        QStringList cells;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            xls.check(freexl_get_cell_value(xls.get(), r, c, &value));
            cells.append(cellText(value));
        }
        result.append(cells);
    }
    return result;
}

} // namespace

QList<QStringList> ReadXlsSheet(const QString &path, const QString &sheetName)
{
    XlsHandle xls(path);
    unsigned int sheetCount = 0;
    xls.check(freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount));
    int sheet = -1;
    for (unsigned int i = 0; i < sheetCount && sheet < 0; ++i) {
        const char *name = nullptr;
        xls.check(freexl_get_worksheet_name(xls.get(), static_cast<unsigned short>(i), &name));
        if (QString::fromUtf8(name) == sheetName)
            sheet = int(i);
    }
    if (sheet < 0)
        throw KavloError(QStringLiteral("工作簿 %1 中没有工作表 %2").arg(path, sheetName));
    xls.check(freexl_select_active_worksheet(xls.get(), static_cast<unsigned short>(sheet)));
    return readSelectedSheet(xls);
}

QList<QStringList> ReadXlsFirstSheet(const QString &path)
{
    XlsHandle xls(path);
    xls.check(freexl_select_active_worksheet(xls.get(), 0));
    return readSelectedSheet(xls);
}
