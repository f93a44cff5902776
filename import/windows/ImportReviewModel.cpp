#include "ImportReviewModel.h"

#include "AmountText.h"
#include "TextCodec.h"

#include <cmath>

namespace {

qint64 centsOf(const QString &amount)
{
    double value = 0;
    return ParseDecimal(amount, &value) ? std::llround(value * 100.0) : 0;
}

QString centsText(qint64 cents) { return FormatAmount(double(cents) / 100.0); }

} // namespace

ImportReviewModel::ImportReviewModel(ImportBatch batch, QObject *parent)
    : QAbstractTableModel(parent), m_batch(std::move(batch)), m_editedByHand(m_batch.records.size(), false)
{
    // A row that cannot be imported is never counted as ticked, whatever
    // the reader proposed.
    for (ProposedRecord &record : m_batch.records)
        if (!IsTickable(record.state))
            record.ticked = false;
}

int ImportReviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_batch.records.size());
}

int ImportReviewModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString ImportReviewModel::stateText(const ProposedRecord &record) const
{
    QString text = StateText(record);
    if (record.state == RowState::MaybeTyped) {
        const auto typed = m_batch.typed.constFind(record.matchedRecordId);
        if (typed != m_batch.typed.constEnd())
            text += QStringLiteral("：%1 %2 %3").arg(typed->date.toString(Qt::ISODate), typed->item, typed->amount);
    }
    return text;
}

QVariant ImportReviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_batch.records.size())
        return {};
    const ProposedRecord &record = m_batch.records.at(index.row());
    if (role == StateRole)
        return int(record.state);
    if (role == Qt::CheckStateRole && index.column() == ColTick)
        return IsTickable(record.state) ? QVariant(record.ticked ? Qt::Checked : Qt::Unchecked) : QVariant();
    if (role == Qt::ToolTipRole) {
        const QString file = m_batch.files.value(m_batch.fileOf.value(index.row()));
        return QStringLiteral("%1 第 %2 行").arg(file).arg(record.row.line);
    }
    if (role == Qt::TextAlignmentRole && index.column() == ColAmount)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case ColDate:
        return record.row.date.toString(Qt::ISODate);
    case ColType:
        return record.recordType;
    case ColItem:
        return record.item;
    case ColAmount:
        return record.amount;
    case ColMemo:
        return record.memo;
    case ColState:
        return stateText(record);
    default:
        return {};
    }
}

bool ImportReviewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_batch.records.size())
        return false;
    ProposedRecord &record = m_batch.records[index.row()];
    if (!IsTickable(record.state))
        return false;
    if (index.column() == ColTick && role == Qt::CheckStateRole) {
        const bool ticked = value.toInt() == Qt::Checked;
        if (ticked == record.ticked)
            return true;
        record.ticked = ticked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit totalsChanged();
        return true;
    }
    if (index.column() == ColItem && role == Qt::EditRole) {
        const QString item = TrimBlanks(value.toString());
        if (item.isEmpty()) {
            emit itemRefused(QStringLiteral("项目名称不能为空。"));
            return false;
        }
        if (item.size() > kItemNameLimit) {
            emit itemRefused(QStringLiteral("项目名称不能超过 %1 个字符。").arg(kItemNameLimit));
            return false;
        }
        if (const std::optional<char32_t> bad = Gbk::firstUnstorable(item)) {
            emit itemRefused(UnstorableCharacterMessage(QStringLiteral("项目名称"), *bad));
            return false;
        }
        if (item == record.item)
            return true;
        const QString previous = record.item;
        record.item = item;
        m_editedByHand[index.row()] = true;
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        emit itemEdited(index.row(), previous);
        return true;
    }
    return false;
}

Qt::ItemFlags ImportReviewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const ProposedRecord &record = m_batch.records.at(index.row());
    if (IsTickable(record.state)) {
        if (index.column() == ColTick)
            flags |= Qt::ItemIsUserCheckable;
        if (index.column() == ColItem)
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant ImportReviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList headers = {QStringLiteral("导入"), QStringLiteral("日期"), QStringLiteral("类别"),
                                        QStringLiteral("项目"), QStringLiteral("金额"), QStringLiteral("备注"),
                                        QStringLiteral("状态")};
    return headers.value(section);
}

void ImportReviewModel::setItemNames(const QStringList &expense, const QStringList &income)
{
    m_expenseNames = expense;
    m_incomeNames = income;
}

QStringList ImportReviewModel::itemNames(const QString &recordType) const
{
    return recordType == kTypeIncome ? m_incomeNames : m_expenseNames;
}

ImportReviewModel::Totals ImportReviewModel::tickedTotals() const
{
    // Summed in cents: a thousand rows of 0.10 make exactly 100.00.
    Totals totals;
    for (const ProposedRecord &record : m_batch.records) {
        if (!record.ticked || !IsTickable(record.state))
            continue;
        ++totals.count;
        (record.recordType == kTypeIncome ? totals.incomeCents : totals.expenseCents) += centsOf(record.amount);
    }
    return totals;
}

QString ImportReviewModel::totalsText() const
{
    const Totals totals = tickedTotals();
    return QStringLiteral("已选 %1 条：支出 %2，收入 %3")
        .arg(totals.count)
        .arg(centsText(totals.expenseCents), centsText(totals.incomeCents));
}

void ImportReviewModel::setTicked(const QList<int> &rows, bool ticked)
{
    bool changed = false;
    for (int row : rows) {
        if (row < 0 || row >= m_batch.records.size())
            continue;
        ProposedRecord &record = m_batch.records[row];
        if (!IsTickable(record.state) || record.ticked == ticked)
            continue;
        record.ticked = ticked;
        changed = true;
    }
    if (changed) {
        emit dataChanged(index(0, ColTick), index(rowCount() - 1, ColTick), {Qt::CheckStateRole});
        emit totalsChanged();
    }
}

QString ImportReviewModel::RuleText(const ProposedRecord &record)
{
    const QString counterparty = TrimBlanks(record.row.counterparty);
    return counterparty.isEmpty() ? TrimBlanks(record.row.goods) : counterparty;
}

int ImportReviewModel::applyRule(const QString &text, const QString &item, const QString &recordType)
{
    int changed = 0;
    for (int row = 0; row < m_batch.records.size(); ++row) {
        ProposedRecord &record = m_batch.records[row];
        if (m_editedByHand.at(row) || record.recordType != recordType || record.item == item ||
            !IsTickable(record.state))
            continue;
        if (!record.row.counterparty.contains(text, Qt::CaseInsensitive) &&
            !record.row.goods.contains(text, Qt::CaseInsensitive))
            continue;
        record.item = item;
        ++changed;
        emit dataChanged(index(row, ColItem), index(row, ColItem), {Qt::DisplayRole, Qt::EditRole});
    }
    return changed;
}

void ImportStateFilter::setState(std::optional<RowState> state)
{
    m_state = state;
    invalidateFilter();
}

bool ImportStateFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!m_state)
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return sourceModel()->data(index, ImportReviewModel::StateRole).toInt() == int(*m_state);
}
