#include "PeriodChartView.h"

#include "AppFonts.h"
#include "ChartPalette.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace {
constexpr int kLabelEveryMonthUpTo = 12;

// Categories on the bar positions 0, 1, 2...: one per bar, or one per year
// spanning that year's months.
void AddPeriodLabels(QCategoryAxis *axis, const PeriodTable &table)
{
    const int count = table.rows.size();
    axis->setStartValue(-0.5);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    if (table.kind == PeriodKind::Day || count <= kLabelEveryMonthUpTo) {
        for (int i = 0; i < count; ++i) {
            const QString &label = table.rows[i].label;
            // Days by their day of the month; months whole.
            axis->append(table.kind == PeriodKind::Day ? QString::number(label.mid(8).toInt()) : label, i + 0.5);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const QString year = table.rows[i].label.left(4);
        if (i + 1 == count || table.rows[i + 1].label.left(4) != year)
            axis->append(year + QStringLiteral("年"), i + 0.5);
    }
}
} // namespace

PeriodChartView::PeriodChartView(const PeriodTable &table, QWidget *parent) : QChartView(new QChart, parent)
{
    // Built with its chart: a chart view made without one makes a default chart
    // that setChart() would release, never delete.
    QChart *chart = this->chart();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    setRenderHint(QPainter::Antialiasing);
    const QFont font = KavloUiFont();

    m_expense = new QBarSet(QStringLiteral("支出"));
    m_income = new QBarSet(QStringLiteral("收入"));
    m_expense->setColor(kExpenseBarColour);
    m_income->setColor(kIncomeBarColour);
    for (QBarSet *set : {m_expense, m_income})
        set->setBorderColor(set->color().darker(130));
    m_balance = new QLineSeries;
    m_balance->setName(QStringLiteral("结余"));
    QPen pen(kBalanceLineColour);
    pen.setWidthF(2);
    m_balance->setPen(pen);
    m_balance->setPointsVisible(table.rows.size() <= kMaxDailyRange);

    double low = 0;
    double high = 0;
    for (int i = 0; i < table.rows.size(); ++i) {
        const RangeSums &sums = table.rows[i].sums;
        m_expense->append(sums.expense);
        m_income->append(sums.income);
        m_balance->append(i, sums.balance);
        low = std::min({low, sums.balance});
        high = std::max({high, sums.expense, sums.income, sums.balance});
    }
    if (!table.budget.isEmpty()) {
        m_budget = new QLineSeries;
        m_budget->setName(QStringLiteral("预算"));
        QPen budgetPen(kExpenseBarColour.darker(150));
        budgetPen.setWidthF(2);
        budgetPen.setStyle(Qt::DashLine);
        m_budget->setPen(budgetPen);
        // Each month's budget level across the width of its bars, stepping
        // where it changes.
        for (int i = 0; i < table.budget.size(); ++i) {
            m_budget->append(i - 0.45, table.budget[i]);
            m_budget->append(i + 0.45, table.budget[i]);
            high = std::max(high, table.budget[i]);
        }
    }
    auto *bars = new QBarSeries;
    bars->append(m_expense);
    bars->append(m_income);
    bars->setBarWidth(0.8);
    chart->addSeries(bars);
    chart->addSeries(m_balance);
    if (m_budget)
        chart->addSeries(m_budget);

    m_axisX = new QCategoryAxis;
    AddPeriodLabels(m_axisX, table);
    m_axisX->setRange(-0.5, std::max<qsizetype>(table.rows.size(), 1) - 0.5);
    m_axisX->setLabelsFont(font);
    m_axisX->setGridLineVisible(false);
    auto *axisY = new QValueAxis;
    axisY->setRange(low, high > low ? high : low + 1);
    axisY->applyNiceNumbers();
    axisY->setLabelFormat(QStringLiteral("%.0f"));
    axisY->setLabelsFont(font);
    axisY->setGridLineColor(QColor(225, 225, 225));
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (QAbstractSeries *series : chart->series()) {
        series->attachAxis(m_axisX);
        series->attachAxis(axisY);
    }
    chart->legend()->setFont(font);
    chart->legend()->setAlignment(Qt::AlignTop);
}

QStringList PeriodChartView::axisLabels() const { return m_axisX->categoriesLabels(); }
