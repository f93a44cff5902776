#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A workbook of one worksheet of text cells in the Excel 97-2003 format
// (BIFF8 in an OLE2 compound file), written without any spreadsheet program.
// Every cell is a shared-string label, so the texts come back exactly as
// given, fill spaces included.
class Biff8Writer
{
public:
    static constexpr int kMaxRows = 65536; // a BIFF8 sheet's row limit
    static constexpr int kMaxColumns = 256;

    explicit Biff8Writer(const QString &sheetName = QStringLiteral("Sheet1"));

    // Throws KavloError beyond the sheet's limits: a row past the last one
    // would silently wrap onto the first in every reader.
    void setCell(int row, int column, const QString &text);
    int rowCount() const { return int(m_rows.size()); }

    // The BIFF8 record stream ("Workbook") and the whole .xls file.
    QByteArray workbookStream() const;
    QByteArray fileBytes() const;
    // Replaces the file only once it is complete: on any failure the old file
    // stays as it was and no partial file is left behind.
    void save(const QString &path) const;

private:
    QString m_sheetName;
    std::vector<std::vector<std::optional<QString>>> m_rows;
};
