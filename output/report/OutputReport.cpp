#include "OutputReport.h"

#include "AppFonts.h"
#include "TextCodec.h"

#include <QGuiApplication>
#include <QScreen>

int ReportGeometry::top(int units) const { return RoundHalfEven((bandHeight + 1.0) * units / 1047.0); }

QSize ScreenPixelsPerInch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(96, 96);
    return QSize(RoundHalfEven(screen->logicalDotsPerInchX()), RoundHalfEven(screen->logicalDotsPerInchY()));
}

ReportGeometry ComputeReportGeometry(int ppiX, int ppiY)
{
    ReportGeometry geometry;
    geometry.ppiX = ppiX;
    geometry.ppiY = ppiY;
    // 190 by 277 mm: the sheet inside its 10 mm margins, so each report
    // prints as exactly one page.
    geometry.bandWidth = RoundHalfEven(ppiX * 190.0 / 25.4) - 1;
    geometry.bandHeight = RoundHalfEven(ppiY * 277.0 / 25.4) - 1;
    return geometry;
}

int ReportPageCount(int rowCount) { return rowCount / kRowsPerPage + (rowCount % kRowsPerPage ? 1 : 0); }

namespace {

void Centre(ReportLabel &label, const ReportBand &band) { label.left = (band.width + 1 - label.width) / 2; }

} // namespace

std::vector<std::unique_ptr<PageReport>> BuildPageReports(OutputRows &rows, OutputLayout layout,
                                                          const ReportGeometry &geometry)
{
    if (layout == OutputLayout::I) {
        for (QByteArray &cell : rows.c[3])
            cell = RightAlign16(cell);
    }
    const QStringList reportFont = KavloUiFont().families(); // 宋体 where it exists
    const QStringList monoFont = KavloMonoFont().families();
    const QString header = Gbk::decode(HeaderLine(layout));
    const QString rule = Gbk::decode(RuleLine());

    const int pageCount = ReportPageCount(rows.size());
    std::vector<std::unique_ptr<PageReport>> reports;
    reports.reserve(size_t(pageCount));
    for (int p = 0; p < pageCount; ++p) {
        auto report = std::make_unique<PageReport>(geometry.ppiX, geometry.ppiY);
        report->setFont(reportFont, 9);
        ReportBand &band = report->setBand(ReportBand::Detail);
        band.width = geometry.bandWidth;
        band.height = geometry.bandHeight;
        for (int i = 0; i < kLabelsPerPage; ++i)
            band.addLabel();

        ReportLabel &title = band.label(0);
        title.setFontSize(20);
        title.setCaption(QStringLiteral("Kavlo"));
        Centre(title, band);
        title.top = geometry.top(0);

        ReportLabel &headerLabel = band.label(1);
        headerLabel.setFontFamilies(monoFont);
        headerLabel.setCaption(header);
        headerLabel.top = geometry.top(50);

        ReportLabel &ruleLabel = band.label(2);
        ruleLabel.setFontFamilies(monoFont);
        ruleLabel.setCaption(rule);
        ruleLabel.top = geometry.top(70);

        for (int k = 0; k < kRowsPerPage; ++k) {
            ReportLabel &line = band.label(3 + k);
            line.setFontFamilies(monoFont);
            line.top = geometry.top(90 + 20 * k);
            const int row = kRowsPerPage * p + k;
            if (row < rows.size())
                line.setCaption(Gbk::decode(RowLine(rows, row, layout)));
        }

        ReportLabel &number = band.label(49);
        number.setFontFamilies(monoFont);
        number.setCaption(QStringLiteral("第 %1 页").arg(p + 1));
        Centre(number, band);
        number.top = geometry.top(1030);

        reports.push_back(std::move(report));
    }
    return reports;
}

void SetPrinterDefaults(CompositeReport &composite)
{
    composite.setPrinterIndex(-1);
    composite.setPaperSize(QPageSize::A4);
    composite.setOrientation(QPageLayout::Portrait);
}

void PrintPrepared(CompositeReport &composite, QWidget *parent)
{
    if (!composite.printerSetup(parent) || composite.printerIndex() < 0)
        return;
    composite.setPaperSize(QPageSize::A4);
    composite.setOrientation(QPageLayout::Portrait);
    composite.print();
}
