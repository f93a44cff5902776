#include "ReportModel.h"

#include <QFontMetricsF>
#include <QCoreApplication>
#include <QHash>

#include <cmath>

namespace {

// Metrics by face and size: a page holds 50 labels in two or three faces, and
// making metrics anew for each one dominated building large reports.
const QFontMetricsF &MetricsFor(const QStringList &families, int pixelSize)
{
    static QHash<QString, QFontMetricsF> cache;
    static const bool cleared = [] {
        // Fonts must not outlive the application object.
        qAddPostRoutine([] { cache.clear(); });
        return true;
    }();
    Q_UNUSED(cleared);
    const QString key = families.join(QLatin1Char('\n')) + QLatin1Char('@') + QString::number(pixelSize);
    auto found = cache.constFind(key);
    if (found == cache.constEnd()) {
        QFont font;
        font.setFamilies(families);
        font.setPixelSize(pixelSize);
        found = cache.insert(key, QFontMetricsF(font));
    }
    return *found;
}

} // namespace

int RoundHalfEven(double value)
{
    // The default floating-point rounding mode is to nearest, ties to even.
    return int(std::nearbyint(value));
}

ReportLabel::ReportLabel(const QStringList &families, qreal pointSize, qreal ppiX, qreal ppiY)
    : m_families(families), m_pointSize(pointSize), m_ppiX(ppiX), m_ppiY(ppiY)
{
    fitToCaption();
}

void ReportLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    fitToCaption();
}

void ReportLabel::setFontFamilies(const QStringList &families)
{
    m_families = families;
    fitToCaption();
}

void ReportLabel::setFontSize(qreal pointSize)
{
    m_pointSize = pointSize;
    fitToCaption();
}

void ReportLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToCaption();
}

QFont ReportLabel::font() const
{
    QFont font;
    font.setFamilies(m_families);
    font.setPointSizeF(m_pointSize);
    return font;
}

void ReportLabel::fitToCaption()
{
    if (!m_autoSize)
        return;
    // Measured as the screen draws it: the point size in screen pixels.
    const QFontMetricsF &metrics = MetricsFor(m_families, qMax(1, RoundHalfEven(m_pointSize * m_ppiY / 72.0)));
    width = int(std::ceil(metrics.horizontalAdvance(m_caption) * m_ppiX / m_ppiY));
    height = int(std::ceil(metrics.height()));
}

ReportBand::ReportBand(Kind kind, const QStringList &families, qreal pointSize, qreal ppiX, qreal ppiY)
    : m_kind(kind), m_families(families), m_pointSize(pointSize), m_ppiX(ppiX), m_ppiY(ppiY)
{
}

ReportLabel &ReportBand::addLabel()
{
    m_labels.emplace_back(m_families, m_pointSize, m_ppiX, m_ppiY);
    return m_labels.back();
}

PageReport::PageReport(qreal ppiX, qreal ppiY) : m_ppiX(ppiX), m_ppiY(ppiY) {}

QSize PageReport::size() const
{
    const QSizeF mm = QPageSize(pageSetup.paper).size(QPageSize::Millimeter);
    const QSizeF sheet = pageSetup.orientation == QPageLayout::Portrait ? mm : mm.transposed();
    return QSize(RoundHalfEven(m_ppiX * sheet.width() / 25.4), RoundHalfEven(m_ppiY * sheet.height() / 25.4));
}

void PageReport::setFont(const QStringList &families, qreal pointSize)
{
    m_families = families;
    m_pointSize = pointSize;
}

ReportBand &PageReport::setBand(ReportBand::Kind kind)
{
    m_band = std::make_unique<ReportBand>(kind, m_families, m_pointSize, m_ppiX, m_ppiY);
    return *m_band;
}
