#pragma once

#include "ShareSlices.h"

#include <QChartView>
#include <QColor>
#include <QList>

class QPieSeries;

// The pie of the share window: one slice per entry of the data, labelled with
// its item and share. Hovering a slice reports it; the window highlights the
// slice of the selected row.
class ShareChartView : public QChartView
{
    Q_OBJECT
public:
    ShareChartView(const ShareChartData &data, QWidget *parent = nullptr);

    // Pulls the slice out of the pie with a bold label; -1 for none.
    void setHighlightedSlice(int slice);
    int highlightedSlice() const { return m_highlighted; }
    QPieSeries *series() const { return m_series; }
    QColor sliceColour(int slice) const { return m_colours.value(slice); }

signals:
    void sliceHovered(int slice, bool entered);

private:
    QPieSeries *m_series;
    QList<QColor> m_colours;
    int m_highlighted = -1;
};
