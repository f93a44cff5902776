#include "BrowseWidgets.h"

#include "AmountText.h"
#include "AppFonts.h"

#include "KavloImages.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>

namespace {
const char *kRightColumns = "kavloRightColumns";
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// Image 0 of the row list. The hidden first column cannot show it, so the
// first visible column draws it before its text, with tighter margins than
// the style's so an 85-pixel date column still fits the whole date.
class RowImageDelegate : public QStyledItemDelegate
{
public:
    explicit RowImageDelegate(QObject *parent) : QStyledItemDelegate(parent), m_image(kImageList1Image) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const QString text = cell.text;
        cell.text.clear();
        QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        const int top = cell.rect.center().y() - 7;
        m_image.paint(painter, QRect(cell.rect.left() + 1, top, 16, 16));
        const QRect textRect = cell.rect.adjusted(19, 0, -1, 0);
        const bool selected = cell.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          cell.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
        painter->restore();
    }

private:
    QIcon m_image;
};
} // namespace

QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QList<ReportColumn> &columns)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true); // keeps thousands of rows cheap to lay out
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false);
    list->setColumnCount(columns.size() + 1);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);

    QStringList captions{QString()};
    QList<int> right;
    for (const ReportColumn &column : columns)
        captions << column.caption;
    list->setHeaderLabels(captions);
    for (int i = 0; i < columns.size(); ++i) {
        list->setColumnWidth(i + 1, columns[i].width);
        if (columns[i].rightAligned) {
            list->headerItem()->setTextAlignment(i + 1, kRight);
            right << i + 1;
        }
    }
    list->setItemDelegateForColumn(1, new RowImageDelegate(list));
    // The first column only carries data that is not shown.
    list->setColumnWidth(0, 0);
    list->setColumnHidden(0, true);
    list->setProperty(kRightColumns, QVariant::fromValue(right));
    return list;
}

QTreeWidgetItem *MakeReportRow(const QTreeWidget *list, const QStringList &texts)
{
    QStringList all{QString()};
    all << texts;
    auto *row = new QTreeWidgetItem(all);
    const QList<int> right = list->property(kRightColumns).value<QList<int>>();
    for (int column : right)
        row->setTextAlignment(column, kRight);
    return row;
}

QList<ReportColumn> RecordColumns()
{
    return {{QStringLiteral("日期"), 85, false},
            {QStringLiteral("类别"), 55, false},
            {QStringLiteral("项目"), 135, false},
            {QStringLiteral("金额"), 80, true},
            {QStringLiteral("备注"), 205, false}};
}

QTreeWidgetItem *MakeRecordRow(const QTreeWidget *list, const RangeRecords &records, int i)
{
    return MakeReportRow(list, {records.date[i], records.type[i], records.name[i], records.amount[i], records.memo[i]});
}

RangeSums SumDayTotals(const DayTotals &days)
{
    RangeSums sums;
    for (int i = 0; i < days.size(); ++i) {
        sums.expense += ParseAmountText(days.expense[i]);
        sums.income += ParseAmountText(days.income[i]);
        sums.balance += ParseAmountText(days.balance[i]);
    }
    return sums;
}

void FillReportList(QTreeWidget *list, const QList<QTreeWidgetItem *> &rows)
{
    list->setUpdatesEnabled(false);
    list->clear();
    list->addTopLevelItems(rows);
    list->setUpdatesEnabled(true);
}

QLabel *MakeFigureLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                        int rightEdge)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kMaroon);
    label->setPalette(palette);
    if (rightEdge >= 0) {
        // Wide enough for any figure; the text hugs the right edge.
        const int width = rightEdge - left;
        label->setGeometry(left, top, width, label->sizeHint().height());
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    } else {
        // Room for the longest figure; labels do not grow by themselves.
        label->setGeometry(left, top, qMax(136, label->sizeHint().width()), label->sizeHint().height());
    }
    return label;
}

QString RangeLineText(const QDate &start, const QDate &end)
{
    return start.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("至") +
           end.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("：");
}

void SetupFixedDialog(QWidget *dialog, const QString &caption, int width, int height)
{
    dialog->setWindowTitle(caption);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFont(KavloUiFont());
    dialog->setFixedSize(width, height);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog->move(area.center() - QPoint(width / 2, height / 2));
    }
}

void BringToFront(QWidget *window)
{
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}
