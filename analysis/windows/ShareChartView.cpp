#include "ShareChartView.h"

#include "AppFonts.h"
#include "ChartPalette.h"

#include <QChart>
#include <QPieSeries>
#include <QPieSlice>

namespace {
const QColor kLabelColour(60, 60, 60);
constexpr double kNarrowPercent = 8.0;

// The small slices come last; turning the pie so that they sit around three
// o'clock stacks their labels one above the other instead of side by side.
double StartAngle(const ShareChartData &data)
{
    double tail = 0;
    for (int i = data.slices.size() - 1; i > 0 && data.slices[i].share.toDouble() < kNarrowPercent; --i)
        tail += data.slices[i].share.toDouble();
    return 90.0 + tail * 3.6 / 2;
}
} // namespace

ShareChartView::ShareChartView(const ShareChartData &data, QWidget *parent) : QChartView(new QChart, parent)
{
    // Built with its chart: a chart view made without one makes a default chart
    // that setChart() would release, never delete.
    QChart *chart = this->chart();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    setRenderHint(QPainter::Antialiasing);

    m_series = new QPieSeries;
    // Room around the pie for the labels on their arms.
    m_series->setPieSize(0.6);
    const double start = StartAngle(data);
    m_series->setPieStartAngle(start);
    m_series->setPieEndAngle(start + 360);
    int foldedIndex = -1;
    for (int i = 0; i < data.slices.size(); ++i)
        if (data.slices[i].folded)
            foldedIndex = i;
    m_colours = SliceColours(data.slices.size(), foldedIndex);
    const QFont font = KavloUiFont();
    for (int i = 0; i < data.slices.size(); ++i) {
        QPieSlice *slice = m_series->append(data.slices[i].label(), data.slices[i].total);
        slice->setColor(m_colours[i]);
        slice->setBorderColor(Qt::white);
        slice->setLabelVisible(true);
        slice->setLabelFont(font);
        slice->setLabelColor(kLabelColour);
        // Neighbouring narrow slices alternate short and long arms, so their
        // labels never sit at the same distance.
        const bool narrow = data.slices[i].share.toDouble() < kNarrowPercent;
        slice->setLabelArmLengthFactor(narrow && i % 2 ? 0.3 : 0.12);
        slice->setExplodeDistanceFactor(0.08);
        connect(slice, &QPieSlice::hovered, this, [this, i](bool state) { emit sliceHovered(i, state); });
    }
    chart->addSeries(m_series);
}

void ShareChartView::setHighlightedSlice(int slice)
{
    const QList<QPieSlice *> slices = m_series->slices();
    if (slice < 0 || slice >= slices.size())
        slice = -1;
    if (slice == m_highlighted)
        return;
    for (int i : {m_highlighted, slice}) {
        if (i < 0)
            continue;
        QPieSlice *piece = slices[i];
        const bool on = i == slice;
        piece->setExploded(on);
        QFont font = piece->labelFont();
        font.setBold(on);
        piece->setLabelFont(font);
    }
    m_highlighted = slice;
}
