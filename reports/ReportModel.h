#pragma once

#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

// The paged report model: a report is one sheet of paper holding a band of
// text labels. Every size and position is in screen pixels, as the report was
// laid out on screen; the renderer maps them onto whatever device prints them.

// Nearest whole number, a half going to the even neighbour.
int RoundHalfEven(double value);

// The sheet and the margins a report prints inside.
struct PageSetup {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{10, 10, 10, 10};
};

// A text label that can size itself to its caption.
class ReportLabel
{
public:
    ReportLabel(const QStringList &families, qreal pointSize, qreal ppiX, qreal ppiY);

    void setCaption(const QString &caption);
    void setFontFamilies(const QStringList &families);
    void setFontSize(qreal pointSize);
    void setAutoSize(bool on);

    QString caption() const { return m_caption; }
    QStringList fontFamilies() const { return m_families; }
    qreal fontSize() const { return m_pointSize; }
    bool autoSize() const { return m_autoSize; }
    // The face at the label's point size (the device resolves the points).
    QFont font() const;

    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

private:
    void fitToCaption();

    QString m_caption;
    QStringList m_families;
    qreal m_pointSize;
    qreal m_ppiX;
    qreal m_ppiY;
    bool m_autoSize = true;
};

class ReportBand
{
public:
    enum Kind { Detail };

    ReportBand(Kind kind, const QStringList &families, qreal pointSize, qreal ppiX, qreal ppiY);

    Kind kind() const { return m_kind; }
    // A detail band without a data set behind it prints exactly once.
    bool printsOnce() const { return true; }

    // New labels take the report's font; references stay valid.
    ReportLabel &addLabel();
    int labelCount() const { return int(m_labels.size()); }
    ReportLabel &label(int index) { return m_labels.at(size_t(index)); }
    const ReportLabel &label(int index) const { return m_labels.at(size_t(index)); }

    int width = 0;
    int height = 0;

private:
    Kind m_kind;
    QStringList m_families;
    qreal m_pointSize;
    qreal m_ppiX;
    qreal m_ppiY;
    std::deque<ReportLabel> m_labels;
};

// One sheet: its size in screen pixels, its page setup, its report font and
// its only band.
class PageReport
{
public:
    PageReport(qreal ppiX, qreal ppiY);

    qreal ppiX() const { return m_ppiX; }
    qreal ppiY() const { return m_ppiY; }
    // The sheet of the page setup in screen pixels, each side rounded.
    QSize size() const;

    void setFont(const QStringList &families, qreal pointSize);
    QStringList fontFamilies() const { return m_families; }
    qreal fontSize() const { return m_pointSize; }

    // Replaces any band the report had.
    ReportBand &setBand(ReportBand::Kind kind);
    ReportBand *band() { return m_band.get(); }
    const ReportBand *band() const { return m_band.get(); }

    PageSetup pageSetup;

private:
    qreal m_ppiX;
    qreal m_ppiY;
    QStringList m_families;
    qreal m_pointSize = 9;
    std::unique_ptr<ReportBand> m_band;
};
