#pragma once

#include "ImportBatch.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <optional>

// The review window's table: one row per statement row of the batch, with
// a tick, date, type, item (editable), amount, memo and state. Only rows
// that may be imported can be ticked; the item of such a row can be changed.
class ImportReviewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColTick, ColDate, ColType, ColItem, ColAmount, ColMemo, ColState, ColumnCount };
    static constexpr int StateRole = Qt::UserRole + 1;

    explicit ImportReviewModel(ImportBatch batch, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const ImportBatch &batch() const { return m_batch; }
    const QList<ProposedRecord> &records() const { return m_batch.records; }

    // The item names the item editor offers, by record type.
    void setItemNames(const QStringList &expense, const QStringList &income);
    QStringList itemNames(const QString &recordType) const;

    struct Totals {
        int count = 0;
        qint64 expenseCents = 0;
        qint64 incomeCents = 0;
    };
    Totals tickedTotals() const;
    // "已选 3 条：支出 12.50，收入 100.00"
    QString totalsText() const;

    // Ticks or unticks the tickable ones of these rows.
    void setTicked(const QList<int> &rows, bool ticked);

    // Gives the rule's item to the other rows of its type whose counterparty
    // or goods contains text and whose item was not chosen by hand; returns
    // how many rows changed.
    int applyRule(const QString &text, const QString &item, const QString &recordType);

    // The text a rule made from a row would match: its counterparty, or its
    // goods when it names no counterparty. Empty when it has neither.
    static QString RuleText(const ProposedRecord &record);

signals:
    // The user gave row `row` another item; `previous` is what it had.
    void itemEdited(int row, const QString &previous);
    // An item the ledger cannot take was typed; the message says why.
    void itemRefused(const QString &message);
    void totalsChanged();

private:
    QString stateText(const ProposedRecord &record) const;
    ImportBatch m_batch;
    QList<bool> m_editedByHand;
    QStringList m_expenseNames;
    QStringList m_incomeNames;
};

// Shows the rows of one state only, or all.
class ImportStateFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setState(std::optional<RowState> state);
    std::optional<RowState> state() const { return m_state; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    std::optional<RowState> m_state;
};
