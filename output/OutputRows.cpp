#include "OutputRows.h"

#include "AmountText.h"
#include "TextCodec.h"

namespace {

const int kWidthsI[5] = {14, 8, 24, 16, 58};
const int kWidthsII[5] = {14, 24, 16, 16, 50};
const int kItemCut = 20;
const int kFigureWidth = 16;
const int kFigureGap = 4;

QByteArray spaces(int count) { return QByteArray(qMax(0, count), ' '); }

// Length of the character starting at data[i]: GB18030 has one-, two- and
// four-byte sequences, and a four-byte one is told by its second byte being a
// digit.
int charLength(const QByteArray &data, int i)
{
    const auto lead = static_cast<unsigned char>(data[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= data.size())
        return 1;
    const auto second = static_cast<unsigned char>(data[i + 1]);
    if (second >= 0x30 && second <= 0x39)
        return i + 3 < data.size() ? 4 : 1;
    return 2;
}

// The longest head of the text of at most `limit` bytes that ends on a
// character boundary, so a cut never leaves half a Chinese character.
int boundaryAtOrBefore(const QByteArray &data, int limit)
{
    if (limit >= data.size())
        return data.size();
    int i = 0;
    while (i < limit) {
        const int next = i + charLength(data, i);
        if (next > limit)
            break;
        i = next;
    }
    return i;
}

// True when `needle` occurs in the cell starting on a character boundary; a
// plain byte search could match the tail of one character and the head of
// the next.
bool containsText(const QByteArray &cell, const QByteArray &needle)
{
    for (int i = 0; i + needle.size() <= cell.size(); i += charLength(cell, i)) {
        if (cell.at(i) == needle.at(0) && cell.mid(i, needle.size()) == needle)
            return true;
    }
    return false;
}

QByteArray trimSpaces(const QByteArray &value)
{
    int begin = 0;
    int end = value.size();
    while (begin < end && value.at(begin) == ' ')
        ++begin;
    while (end > begin && value.at(end - 1) == ' ')
        --end;
    return value.mid(begin, end - begin);
}

// Pads a figure cell like PadTo but never cuts it: losing the leading digits
// of a total would show a wrong amount.
QByteArray PadFigure(const QByteArray &value, int width)
{
    return value.size() >= width ? value : value + spaces(width - value.size());
}

QByteArray RangeCaption(const QDate &start, const QDate &end)
{
    const qint64 dayCount = start.daysTo(end) + 1;
    const QString caption = start.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("至") +
                            end.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("  ") +
                            QStringLiteral("%1天").arg(dayCount);
    return Gbk::encode(caption);
}

void appendRow(OutputRows &rows, const QByteArray &c0, const QByteArray &c1, const QByteArray &c2,
               const QByteArray &c3, const QByteArray &c4)
{
    rows.c[0].append(c0);
    rows.c[1].append(c1);
    rows.c[2].append(c2);
    rows.c[3].append(c3);
    rows.c[4].append(c4);
}

QByteArray SumText(const QStringList &values)
{
    double total = 0;
    for (const QString &value : values)
        total += ParseAmountText(value);
    return FormatAmount(total).toLatin1();
}

} // namespace

QByteArray PadTo(const QByteArray &value, int width)
{
    const int keep = boundaryAtOrBefore(value, width);
    return value.left(keep) + spaces(width - keep);
}

QByteArray RightAlign16(const QByteArray &value)
{
    const QByteArray trimmed = trimSpaces(value);
    const int room = kFigureWidth - kFigureGap;
    if (trimmed.size() <= room)
        return spaces(room - trimmed.size()) + trimmed + spaces(kFigureGap);
    // Too long to end 4 bytes before the field's end: it starts at the field's
    // start and runs into the gap, so no digit is lost; only a figure longer
    // than the whole field makes the line longer.
    return PadFigure(trimmed, kFigureWidth);
}

OutputRows MakeOutputRows(const DayTotals &days, const RangeRecords &records, const QDate &start,
                          const QDate &end)
{
    OutputRows rows;
    for (QList<QByteArray> &column : rows.c)
        column.reserve(records.size() + 4);

    for (int i = 0; i < records.size(); ++i) {
        const QByteArray name = Gbk::encode(records.name.at(i));
        appendRow(rows, PadTo(Gbk::encode(records.date.at(i)), kWidthsI[0]),
                  PadTo(Gbk::encode(records.type.at(i)), kWidthsI[1]),
                  PadTo(name.left(boundaryAtOrBefore(name, kItemCut)), kWidthsI[2]),
                  PadFigure(records.amount.at(i).toLatin1(), kWidthsI[3]),
                  PadTo(Gbk::encode(records.memo.at(i)), kWidthsI[4]));
    }

    appendRow(rows, spaces(kWidthsI[0]), spaces(kWidthsI[1]), spaces(kWidthsI[2]), spaces(kWidthsI[3]),
              spaces(kWidthsI[4]));

    const QByteArray caption = PadTo(RangeCaption(start, end), kWidthsI[4]);
    const struct {
        const char *caption;
        const QStringList &values;
    } summaries[] = {{"支出合计", days.expense}, {"收入合计", days.income}, {"结余合计", days.balance}};
    for (const auto &summary : summaries) {
        appendRow(rows, spaces(kWidthsI[0]), spaces(kWidthsI[1]),
                  PadTo(Gbk::encode(QString::fromUtf8(summary.caption)), kWidthsI[2]),
                  PadFigure(SumText(summary.values), kWidthsI[3]), caption);
    }
    return rows;
}

void ConvertToLayoutII(OutputRows &rows)
{
    static const QByteArray expense = Gbk::encode(kTypeExpense);
    static const QByteArray income = Gbk::encode(kTypeIncome);
    static const QByteArray total = Gbk::encode(QStringLiteral("合计"));
    static const QByteArray surplus = Gbk::encode(QStringLiteral("结余"));

    QList<QByteArray> &c0 = rows.c[0];
    QList<QByteArray> &c1 = rows.c[1];
    QList<QByteArray> &c2 = rows.c[2];
    QList<QByteArray> &c3 = rows.c[3];
    QList<QByteArray> &c4 = rows.c[4];

    for (int i = 0; i < rows.size(); ++i) {
        if (containsText(c1[i], expense)) {
            c1[i] = c2[i];
            c2[i].clear();
        } else if (containsText(c1[i], income)) {
            c1[i] = c2[i];
            c2[i] = c3[i];
            c3[i].clear();
        } else if (containsText(c2[i], expense)) {
            c1[i] = total;
        } else if (containsText(c2[i], income)) {
            if (i > 0)
                c2[i - 1] = c3[i];
        } else if (!trimSpaces(c3[i]).isEmpty()) {
            c1[i] = surplus;
            c2[i] = c3[i];
            c3[i].clear();
        }
        c0[i] = PadTo(c0[i], kWidthsII[0]);
        c1[i] = PadTo(c1[i], kWidthsII[1]);
        // The 收入 and 支出 cells hold figures or blanks from here on.
        c2[i] = PadFigure(c2[i], kWidthsII[2]);
        c3[i] = PadFigure(c3[i], kWidthsII[3]);
        c4[i] = PadTo(c4[i], kWidthsII[4]);
    }

    if (rows.size() >= 2) {
        const int incomeRow = rows.size() - 2;
        for (QList<QByteArray> &column : rows.c)
            column.removeAt(incomeRow);
    }

    for (int i = 0; i < rows.size(); ++i) {
        c0[i] = PadTo(c0[i], kWidthsII[0]);
        c1[i] = PadTo(c1[i], kWidthsII[1]);
        c2[i] = RightAlign16(c2[i]);
        c3[i] = RightAlign16(c3[i]);
        c4[i] = PadTo(c4[i], kWidthsII[4]);
    }
}

QByteArray HeaderLine(OutputLayout layout)
{
    auto text = [](const char *utf8) { return Gbk::encode(QString::fromUtf8(utf8)); };
    if (layout == OutputLayout::I) {
        return PadTo(text("日期"), kWidthsI[0]) + PadTo(text("类别"), kWidthsI[1]) +
               PadTo(text("项目"), kWidthsI[2]) + RightAlign16(text("金额")) + PadTo(text("备注"), kWidthsI[4]);
    }
    return PadTo(text("日期"), kWidthsII[0]) + PadTo(text("项目"), kWidthsII[1]) + RightAlign16(text("收入")) +
           RightAlign16(text("支出")) + PadTo(text("备注"), kWidthsII[4]);
}

QByteArray RuleLine() { return QByteArray(120, '-'); }

namespace {

// Puts the figures into their 16-byte fields of the line (blank so far),
// last first. A figure ends 4 bytes before its field's end; a longer one runs
// into that gap but always leaves one space before the next column, and what
// it still lacks it takes from the blanks before its field (the tail of the
// item cell, or room a figure to its left gives up by moving left too). So
// every other column stays where it is; only when those blanks run out,
// keeping a space after the text before, does the line grow.
void placeFigures(QByteArray &line, const QList<int> &fieldStarts, const QList<QByteArray> &figures)
{
    int limit = line.size(); // where the figure to the right begins
    for (qsizetype k = figures.size() - 1; k >= 0; --k) {
        const QByteArray &figure = figures.at(k);
        const int start = fieldStarts.at(k);
        int end = qMax(start + kFigureWidth - kFigureGap, qMin(start + int(figure.size()), start + kFigureWidth - 1));
        end = qMin(end, limit - 1);
        int text = start; // the end of the text before the field
        while (text > 0 && line.at(text - 1) == ' ')
            --text;
        const int earliest = text > 0 ? text + 1 : 0;
        const int lacking = earliest - (end - int(figure.size()));
        if (lacking > 0) {
            line.insert(start, spaces(lacking));
            end += lacking;
        }
        const int begin = end - int(figure.size());
        line.replace(begin, figure.size(), figure);
        limit = begin;
    }
}

} // namespace

QByteArray RowLine(const OutputRows &rows, int index, OutputLayout layout)
{
    // Layout I's 金额 and layout II's 收入 and 支出 hold figures.
    QByteArray line;
    QList<int> fieldStarts;
    QList<QByteArray> figures;
    for (int k = 0; k < 5; ++k) {
        const QByteArray &cell = rows.c[k].at(index);
        if (k == 3 || (k == 2 && layout == OutputLayout::II)) {
            fieldStarts.append(int(line.size()));
            figures.append(trimSpaces(cell));
            line += spaces(kFigureWidth);
        } else {
            line += cell;
        }
    }
    placeFigures(line, fieldStarts, figures);
    // A line break or tab in a memo would break the fixed columns of the
    // file and the page. Control bytes never occur inside a GB18030
    // multi-byte character, so replacing them byte by byte is safe.
    for (char &byte : line) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F)
            byte = ' ';
    }
    return line;
}
