#pragma once

#include "PeriodTotals.h"

#include <QChartView>

class QBarSet;
class QLineSeries;

// Bars of each period's expense and income and a line of its balance. Up to
// a year of months or six weeks of days every bar is labelled; longer ranges
// are labelled by year.
class PeriodChartView : public QChartView
{
    Q_OBJECT
public:
    PeriodChartView(const PeriodTable &table, QWidget *parent = nullptr);

    QBarSet *expenseBars() const { return m_expense; }
    QBarSet *incomeBars() const { return m_income; }
    QLineSeries *balanceLine() const { return m_balance; }
    QLineSeries *budgetLine() const { return m_budget; } // null without a budget
    // The labels under the bars, in order.
    QStringList axisLabels() const;

private:
    QBarSet *m_expense;
    QBarSet *m_income;
    QLineSeries *m_balance;
    QLineSeries *m_budget = nullptr;
    class QCategoryAxis *m_axisX;
};
