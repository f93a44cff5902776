#include "ReportTable.h"

#include "KavloImages.h"

#include <QHeaderView>
#include <QItemSelectionModel>

ReportTableModel::ReportTableModel(const QList<ReportColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(columns), m_rowImage(kImageList1Image)
{
}

void ReportTableModel::setRowImage(const QIcon &image)
{
    m_rowImage = image;
    if (m_rowCount > 0)
        emit dataChanged(index(0, 1), index(m_rowCount - 1, 1), {Qt::DecorationRole});
}

void ReportTableModel::forget()
{
    m_source = Source::None;
    m_rowCount = 0;
    m_lists.clear();
    m_rows.clear();
    m_named = false;
    m_owned.clear();
    m_provider = nullptr;
}

void ReportTableModel::setLists(const QList<const QStringList *> &lists)
{
    beginResetModel();
    forget();
    m_source = Source::Lists;
    m_lists = lists;
    m_rowCount = lists.isEmpty() ? 0 : int(lists.first()->size());
    endResetModel();
}

void ReportTableModel::setLists(const QList<const QStringList *> &lists, const QList<int> &rows)
{
    beginResetModel();
    forget();
    m_source = Source::Lists;
    m_lists = lists;
    m_rows = rows;
    m_named = true;
    m_rowCount = int(rows.size());
    endResetModel();
}

void ReportTableModel::takeLists(QList<QStringList> lists)
{
    beginResetModel();
    forget();
    m_source = Source::Lists;
    m_owned = std::move(lists);
    for (const QStringList &list : std::as_const(m_owned))
        m_lists << &list;
    m_rowCount = m_owned.isEmpty() ? 0 : int(m_owned.first().size());
    endResetModel();
}

void ReportTableModel::setProvider(int rowCount, TextProvider text)
{
    beginResetModel();
    forget();
    m_source = Source::Provider;
    m_provider = std::move(text);
    m_rowCount = qMax(0, rowCount);
    endResetModel();
}

void ReportTableModel::clear()
{
    beginResetModel();
    forget();
    endResetModel();
}

int ReportTableModel::sourceRow(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return -1;
    return m_named ? m_rows.at(row) : row;
}

QString ReportTableModel::text(int row, int column) const
{
    if (column < 1 || column > m_columns.size() || row < 0 || row >= m_rowCount)
        return QString();
    switch (m_source) {
    case Source::Lists: {
        if (column > m_lists.size())
            return QString();
        return m_lists.at(column - 1)->value(sourceRow(row));
    }
    case Source::Provider:
        return m_provider(row, column);
    case Source::None:
        break;
    }
    return QString();
}

void ReportTableModel::textsChanged(int first, int last)
{
    first = qMax(0, first);
    last = qMin(last, m_rowCount - 1);
    if (first <= last)
        emit dataChanged(index(first, 1), index(last, int(m_columns.size())), {Qt::DisplayRole});
}

void ReportTableModel::removeRow(int row, const std::function<void()> &removeSource)
{
    if (row < 0 || row >= m_rowCount)
        return;
    const int source = sourceRow(row);
    beginRemoveRows(QModelIndex(), row, row);
    if (!m_owned.isEmpty()) {
        for (QStringList &list : m_owned)
            if (source < list.size())
                list.removeAt(source);
    } else if (removeSource) {
        removeSource();
    }
    if (m_named) {
        m_rows.removeAt(row);
        // The entries after the removed one moved up by one in the lists.
        if (removeSource || !m_owned.isEmpty()) {
            for (int &entry : m_rows)
                if (entry > source)
                    --entry;
        }
    }
    --m_rowCount;
    endRemoveRows();
}

int ReportTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rowCount; }

int ReportTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size()) + 1;
}

QVariant ReportTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), column);
    case Qt::TextAlignmentRole:
        if (column >= 1 && column <= m_columns.size() && m_columns.at(column - 1).rightAligned)
            return QVariant(int(kReportRight));
        return QVariant();
    case Qt::DecorationRole:
        return column == 1 ? QVariant(m_rowImage) : QVariant();
    default:
        return QVariant();
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 1 || section > m_columns.size())
        return QVariant();
    const ReportColumn &column = m_columns.at(section - 1);
    if (role == Qt::DisplayRole)
        return column.caption;
    if (role == Qt::TextAlignmentRole && column.rightAligned)
        return QVariant(int(kReportRight));
    return QVariant();
}

Qt::ItemFlags ReportTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Told up front, so the view never asks a row for children.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

ReportTable::ReportTable(QWidget *parent, const QString &name, const QList<ReportColumn> &columns)
    : QTreeView(parent), m_model(new ReportTableModel(columns, this))
{
    setModel(m_model);
    SetupReportView(this, name, columns);
}

int ReportTable::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

int ReportTable::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ReportTable::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    // The current index sits on a shown column: on the hidden column 0 the
    // view would not know where the keyboard stands, and Up or Down would
    // start again from the top.
    const QModelIndex index = m_model->index(row, 1);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

QRect ReportTable::rowRect(int row) const
{
    const QRect first = visualRect(m_model->index(row, 1));
    return QRect(0, first.top(), viewport()->width(), first.height());
}
