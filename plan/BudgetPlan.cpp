#include "BudgetPlan.h"

#include "AmountText.h"

#include <QHash>
#include <QMap>
#include <QSet>

namespace {
QDate monthOf(const QDate &date) { return QDate(date.year(), date.month(), 1); }
} // namespace

double BudgetInForce(const QList<BudgetSetting> &settings, const QString &item, const QDate &month)
{
    const QDate target = monthOf(month);
    QDate best;
    double amount = 0;
    for (const BudgetSetting &s : settings) {
        if (s.item != item || s.fromMonth > target)
            continue;
        if (!best.isValid() || s.fromMonth > best) {
            best = s.fromMonth;
            amount = s.amount;
        }
    }
    return amount;
}

QList<double> OverallBudgets(const QList<BudgetSetting> &settings, const QStringList &monthLabels)
{
    QList<double> budgets;
    budgets.reserve(monthLabels.size());
    for (const QString &label : monthLabels)
        budgets.append(BudgetInForce(settings, QString(), QDate::fromString(label, QStringLiteral("yyyy-MM"))));
    return budgets;
}

QList<BudgetLine> MonthBudgetLines(const QList<BudgetSetting> &settings, const QStringList &items,
                                   const ProgramTotals &spent, const QDate &month)
{
    QHash<QString, double> spentBy;
    double total = 0;
    for (int i = 0; i < spent.size(); ++i) {
        const double value = ParseAmountText(spent.total.at(i));
        spentBy.insert(spent.name.at(i), value);
        total += value;
    }
    QList<BudgetLine> lines;
    lines.append({QString(), BudgetInForce(settings, QString(), month), total, true});
    QSet<QString> shown;
    for (const QString &item : items) {
        if (item.isEmpty() || shown.contains(item))
            continue;
        shown.insert(item);
        lines.append({item, BudgetInForce(settings, item, month), spentBy.value(item), true});
    }
    // Items dropped from the list that still have a budget or spending.
    QStringList others;
    for (const BudgetSetting &s : settings)
        if (!s.item.isEmpty() && !shown.contains(s.item) && BudgetInForce(settings, s.item, month) > 0)
            others.append(s.item);
    for (int i = 0; i < spent.size(); ++i)
        if (!shown.contains(spent.name.at(i)))
            others.append(spent.name.at(i));
    others.sort();
    for (const QString &item : others) {
        if (shown.contains(item))
            continue;
        shown.insert(item);
        lines.append({item, BudgetInForce(settings, item, month), spentBy.value(item), false});
    }
    return lines;
}

QList<BudgetLine> ReadBudgetLines(TclsDatabaseUser &store, const QString &userName, const QDate &month)
{
    const QDate first = monthOf(month);
    const QStringList items = store.LoadProgramNames(userName).expense;
    const QList<BudgetSetting> settings = store.LoadBudgets(userName);
    ProgramTotals spent;
    store.GetProgramTotals(userName, kTypeExpense, first, first.addMonths(1).addDays(-1), spent);
    return MonthBudgetLines(settings, items, spent, first);
}

QList<BudgetLine> ExceededLines(const QList<BudgetLine> &lines, const QStringList &savedItems)
{
    QList<BudgetLine> over;
    for (const BudgetLine &line : lines)
        if (line.over() && (line.item.isEmpty() || savedItems.contains(line.item)))
            over.append(line);
    return over;
}

QString BudgetLineName(const BudgetLine &line)
{
    return line.item.isEmpty() ? QStringLiteral("全部支出") : line.item;
}

QString OverBudgetText(const QDate &month, const QList<BudgetLine> &over)
{
    QString text = QStringLiteral("%1年%2月的支出超过了预算：").arg(month.year()).arg(month.month());
    for (const BudgetLine &line : over)
        text += QStringLiteral("\r\n“%1”预算 %2，已支出 %3，超出 %4。")
                    .arg(BudgetLineName(line), FormatAmount(line.budget), FormatAmount(line.spent),
                         FormatAmount(line.spent - line.budget));
    return text;
}

QList<MonthExcess> NewlyExceeded(TclsDatabaseUser &store, const QString &userName, const QList<SavedExpense> &rows)
{
    QList<MonthExcess> result;
    if (rows.isEmpty())
        return result;
    QMap<QDate, QStringList> itemsByMonth;
    for (const SavedExpense &row : rows) {
        QStringList &items = itemsByMonth[monthOf(row.date)];
        if (!items.contains(row.name))
            items.append(row.name);
    }
    const QList<BudgetSetting> settings = store.LoadBudgets(userName);
    if (settings.isEmpty())
        return result;
    for (auto it = itemsByMonth.cbegin(); it != itemsByMonth.cend(); ++it) {
        const QDate month = it.key();
        ProgramTotals spent;
        store.GetProgramTotals(userName, kTypeExpense, month, month.addMonths(1).addDays(-1), spent);
        const QList<BudgetLine> over = ExceededLines(MonthBudgetLines(settings, it.value(), spent, month), it.value());
        if (over.isEmpty())
            continue;
        QStringList names;
        for (const BudgetLine &line : over)
            names.append(line.item);
        const QStringList fresh = store.MarkBudgetNotices(userName, month, names);
        MonthExcess excess{month, {}};
        for (const BudgetLine &line : over)
            if (fresh.contains(line.item))
                excess.lines.append(line);
        if (!excess.lines.isEmpty())
            result.append(excess);
    }
    return result;
}
