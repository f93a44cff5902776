#include "ReportList.h"

#include "KavloImages.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace {
const char *kRightColumns = "kavloRightColumns";

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
        // A row may carry its own image; otherwise image 0 of the list.
        const QIcon own = cell.icon;
        cell.text.clear();
        cell.icon = QIcon();
        cell.features &= ~QStyleOptionViewItem::HasDecoration;
        QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        const int top = cell.rect.center().y() - 7;
        (own.isNull() ? m_image : own).paint(painter, QRect(cell.rect.left() + 1, top, 16, 16));
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

void SetupReportView(QTreeView *view, const QString &name, const QList<ReportColumn> &columns)
{
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true); // keeps thousands of rows cheap to lay out
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->setSortingEnabled(false);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    for (int i = 0; i < columns.size(); ++i)
        view->setColumnWidth(i + 1, columns[i].width);
    view->setItemDelegateForColumn(1, new RowImageDelegate(view));
    // The first column only carries data that is not shown.
    view->setColumnWidth(0, 0);
    view->setColumnHidden(0, true);
}

QTreeWidget *MakeReportList(QWidget *parent, const QString &name, const QList<ReportColumn> &columns)
{
    auto *list = new QTreeWidget(parent);
    list->setColumnCount(columns.size() + 1);
    QStringList captions{QString()};
    QList<int> right;
    for (const ReportColumn &column : columns)
        captions << column.caption;
    list->setHeaderLabels(captions);
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].rightAligned) {
            list->headerItem()->setTextAlignment(i + 1, kReportRight);
            right << i + 1;
        }
    }
    SetupReportView(list, name, columns);
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
        row->setTextAlignment(column, kReportRight);
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

void FillReportList(QTreeWidget *list, const QList<QTreeWidgetItem *> &rows)
{
    list->setUpdatesEnabled(false);
    list->clear();
    list->addTopLevelItems(rows);
    list->setUpdatesEnabled(true);
}

