#pragma once

// The readers' shared pieces, inside the library only.

#include "StatementText.h"
#include "StatementTypes.h"

#include <optional>

namespace ReaderParts {

// Reports progress every so many rows, and once at the end.
class Progress
{
public:
    Progress(const ReadCallbacks &callbacks, int total) : m_callbacks(callbacks), m_total(total) {}
    void step(int done)
    {
        if (m_callbacks.progress && (done % 512 == 0 || done == m_total))
            m_callbacks.progress(done, m_total);
    }

private:
    const ReadCallbacks &m_callbacks;
    int m_total;
};

// Which payment bill a header line is, if any.
std::optional<StatementSource> PaymentBillKind(const QStringList &header);

// The rows of an Alipay or WeChat table whose header is table.rows[headerIndex].
StatementFile ReadPaymentBill(const QString &path, const TextTable &table, int headerIndex, StatementSource source,
                              const ReadCallbacks &callbacks);

// A bank table from cells: the header found among the notes and the rows
// after it. Throws ImportError when nothing looks like a table.
BankTable FindBankTable(const QString &path, const TextTable &table);

// The rows of a bank table read through a mapping; throws ImportError when
// the mapping does not fit or a date or amount does not read.
StatementFile ReadBankRows(const QString &path, const TextTable &table, const BankTable &bank,
                           const ColumnMapping &mapping, StatementSource source, const ReadCallbacks &callbacks);

// The first worksheet of an .xlsx workbook held in memory, cells as the
// sheet stores them (shared and inline strings, numbers; cells with a date
// format as "yyyy-MM-dd[ hh:mm:ss]"), rows numbered as in the sheet.
TextTable ReadXlsxTable(const QString &path, const QByteArray &bytes);
bool IsXlsxArchive(const QByteArray &bytes);

// The first worksheet of an Excel 97-2003 workbook on disk, through FreeXL.
TextTable ReadXlsTable(const QString &path);

// The one statement file inside a zip archive, decrypted in memory.
struct ArchiveEntry {
    QString name;
    QByteArray bytes;
};
ArchiveEntry ReadArchiveEntry(const QString &path, const QByteArray &bytes, const ReadCallbacks &callbacks);

StatementFile ReadOfxFile(const QString &path, const QString &text, const ReadCallbacks &callbacks);
StatementFile ReadQifText(const QString &path, const QString &text, const ReadCallbacks &callbacks);

} // namespace ReaderParts
