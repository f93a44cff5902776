#pragma once

#include "ReportList.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTreeView>

#include <functional>

// Report lists that may hold many rows: a read-only table model over data that
// stays where it is, and the list view that shows it.
//
// A list made by MakeReportList keeps one item object with its own strings per
// row, which costs about a kilobyte a row. A ReportTable reads each text from
// its source only when the row is painted, so a list of a decade of records
// costs little more than the records themselves, and nothing of it is left
// once the source goes.
//
// Columns are numbered as in MakeReportList: column 0 is the hidden one
// without caption, columns 1 to n are the ReportColumns given, with their
// captions, widths and alignment. Every row shows the row image before the
// text of column 1.
//
// Where the rows come from (each call replaces the rows shown):
//  - setLists(lists): parallel lists that the caller owns, one per visible
//    column, all of one length; row i shows entry i of each. The caller keeps
//    them alive while they are shown and changes them only as described at
//    textsChanged() and removeRow(); replacing their contents means calling
//    setLists() again (or clear() first when they go away).
//  - setLists(lists, rows): the same lists, only the entries `rows` names, in
//    that order (a day's records out of a range's).
//  - takeLists(lists): lists handed over; the model keeps them until the next
//    call.
//  - setProvider(count, text): `count` rows whose texts a function gives.
class ReportTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // text(row, column) for columns 1 to n; it is called while painting, so
    // it should be cheap.
    using TextProvider = std::function<QString(int row, int column)>;

    explicit ReportTableModel(const QList<ReportColumn> &columns, QObject *parent = nullptr);

    const QList<ReportColumn> &columns() const { return m_columns; }

    // Image 0 of the program's image list unless set.
    void setRowImage(const QIcon &image);
    QIcon rowImage() const { return m_rowImage; }

    void setLists(const QList<const QStringList *> &lists);
    void setLists(const QList<const QStringList *> &lists, const QList<int> &rows);
    void takeLists(QList<QStringList> lists);
    void setProvider(int rowCount, TextProvider text);
    // No rows; forgets the source.
    void clear();

    // The text of a row in column 0 to n (column 0 is always empty).
    QString text(int row, int column) const;
    // The entry of the source lists a row shows: the row itself unless rows
    // were named.
    int sourceRow(int row) const;

    // The caller changed texts of rows first to last in their source: they
    // are painted anew.
    void textsChanged(int first, int last);
    // Takes a row out of the list. For lists: removeSource, when given, is
    // called while the row goes and removes the row's entry from every source
    // list; rows naming later entries are renumbered to follow. Handed-over
    // lists lose the entry without a callback. For a provider, removeSource
    // must make the provider give the remaining rows.
    void removeRow(int row, const std::function<void()> &removeSource = {});

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    enum class Source { None, Lists, Provider };
    void forget();

    QList<ReportColumn> m_columns;
    QIcon m_rowImage;
    Source m_source = Source::None;
    int m_rowCount = 0;
    QList<const QStringList *> m_lists;
    QList<int> m_rows; // the entries shown, when named
    bool m_named = false;
    QList<QStringList> m_owned; // handed-over lists, which m_lists point into
    TextProvider m_provider;
};

// The list view of a ReportTableModel, set up as MakeReportList sets up its
// lists: read-only, whole-row selection of one row at a time (a click on the
// empty area unselects it), no sorting, column 0 hidden, fixed captions.
class ReportTable : public QTreeView
{
    Q_OBJECT
public:
    ReportTable(QWidget *parent, const QString &name, const QList<ReportColumn> &columns);

    ReportTableModel *tableModel() const { return m_model; }

    // The selected row, or -1.
    int selectedRow() const;
    // The row the keyboard moves from, or -1.
    int currentRow() const;
    // Makes `row` the current and only selected row and scrolls it into
    // view, as the arrow and End keys do, so that they move on from there.
    void selectRow(int row);
    // Where a row is drawn in the viewport.
    QRect rowRect(int row) const;

private:
    ReportTableModel *m_model;
};
