#include "CompositeReport.h"

#include "KavloError.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <deque>

namespace {

std::deque<CompositeReport::DialogAnswer> s_answers;
int s_dialogCount = 0;
CompositeReport::DialogOffer s_lastOffer;

// The printer list a printer index counts in; printing to a file comes
// after the installed printers.
QStringList PrinterNames() { return QPrinterInfo::availablePrinterNames(); }

int IndexOfPrinter(const QPrinter &printer)
{
    const QStringList names = PrinterNames();
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return int(names.size());
    return qMax(0, int(names.indexOf(printer.printerName())));
}

} // namespace

void RenderPage(QPainter &painter, const PreparedPage &page, const QPointF &origin, qreal deviceDpiX,
                qreal deviceDpiY)
{
    const qreal sx = deviceDpiX / page.ppiX;
    const qreal sy = deviceDpiY / page.ppiY;
    const QPointF band = origin + QPointF(page.marginsMm.left() * deviceDpiX / 25.4,
                                          page.marginsMm.top() * deviceDpiY / 25.4);
    painter.save();
    painter.setPen(Qt::black);
    for (const PreparedLabel &label : page.labels) {
        if (label.caption.isEmpty())
            continue;
        QFont font;
        font.setFamilies(label.families);
        font.setPointSizeF(label.pointSize);
        painter.setFont(font);
        // Fractional metrics: integer ones round the advances on a printer
        // and the columns of the row lines drift apart.
        const QFontMetricsF metrics(font, painter.device());
        painter.drawText(band + QPointF(label.position.x() * sx, label.position.y() * sy + metrics.ascent()),
                         label.caption);
    }
    painter.restore();
}

CompositeReport::CompositeReport(QObject *parent) : QObject(parent) { resetPrinter(); }

CompositeReport::~CompositeReport() = default;

void CompositeReport::addReport(const PageReport *report) { m_reports.append(report); }

void CompositeReport::setPrinterIndex(int index)
{
    const QStringList names = PrinterNames();
    if (index < 0 || index >= names.size()) {
        m_printerIndex = -1;
        resetPrinter();
        return;
    }
    m_printerIndex = index;
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(names.at(index));
}

void CompositeReport::resetPrinter()
{
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPrinterName(QPrinterInfo::defaultPrinterName());
    m_copies = 1;
    m_fromPage = 0;
    m_toPage = 0;
}

void CompositeReport::prepare()
{
    m_reports.clear();
    emit addReports();
    auto pages = std::make_shared<PreparedPages>();
    pages->reserve(size_t(m_reports.size()));
    for (const PageReport *report : std::as_const(m_reports)) {
        // The band of a report is printed once and fits inside the margins,
        // so every report makes exactly one page.
        PreparedPage page;
        page.number = int(pages->size()) + 1;
        page.sizePx = report->size();
        page.ppiX = report->ppiX();
        page.ppiY = report->ppiY();
        page.marginsMm = report->pageSetup.marginsMm;
        if (const ReportBand *band = report->band()) {
            page.bandSize = QSize(band->width, band->height);
            page.labels.reserve(size_t(band->labelCount()));
            for (int i = 0; i < band->labelCount(); ++i) {
                const ReportLabel &label = band->label(i);
                page.labels.push_back({label.caption(), label.fontFamilies(), label.fontSize(),
                                       QPointF(label.left, label.top)});
            }
        }
        pages->push_back(std::move(page));
    }
    m_pages = std::move(pages);
}

bool CompositeReport::printerSetup(QWidget *parent)
{
    ++s_dialogCount;
    s_lastOffer = {1, pageCount()};
    if (!s_answers.empty()) {
        const DialogAnswer answer = s_answers.front();
        s_answers.pop_front();
        if (!answer.accepted)
            return false;
        if (!answer.outputFile.isEmpty()) {
            m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_printer->setOutputFileName(answer.outputFile);
        } else {
            m_printer->setOutputFormat(QPrinter::NativeFormat);
            m_printer->setPrinterName(answer.printerName);
        }
        m_printerIndex = IndexOfPrinter(*m_printer);
        m_copies = qMax(1, answer.copies);
        m_fromPage = answer.fromPage;
        m_toPage = answer.toPage;
        return true;
    }

    // The dialog shows the paper and orientation the run asked for, not
    // whatever the printer defaults to.
    m_printer->setPageSize(QPageSize(m_paper));
    m_printer->setPageOrientation(m_orientation);
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, qMax(1, pageCount()));
    dialog.setFromTo(1, qMax(1, pageCount()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_printerIndex = IndexOfPrinter(*m_printer);
    m_copies = qMax(1, m_printer->copyCount());
    if (m_printer->printRange() == QPrinter::PageRange) {
        m_fromPage = m_printer->fromPage();
        m_toPage = m_printer->toPage();
    } else {
        m_fromPage = 0;
        m_toPage = 0;
    }
    return true;
}

void CompositeReport::print()
{
    const int count = pageCount();
    const int first = qMax(1, m_fromPage);
    const int last = m_toPage > 0 ? qMin(m_toPage, count) : count;
    if (first > last)
        return;

    QPrinter &printer = *m_printer;
    printer.setDocName(QStringLiteral("Kavlo"));
    printer.setFullPage(true);
    if (!printer.setPageLayout(QPageLayout(QPageSize(m_paper), m_orientation, QMarginsF())))
        throw KavloError(QStringLiteral("The printer does not take this paper size"));
    // Where the printer service cannot repeat the job itself, the copies are
    // drawn one after another.
    int rounds = 1;
    if (printer.supportsMultipleCopies())
        printer.setCopyCount(m_copies);
    else
        rounds = m_copies;

    QPainter painter;
    if (!painter.begin(&printer)) {
        if (printer.outputFormat() == QPrinter::NativeFormat && printer.printerName().isEmpty())
            throw KavloError(QStringLiteral("No printer is installed"));
        throw KavloError(QStringLiteral("Cannot start printing on \"%1\"")
                             .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                     : printer.outputFileName()));
    }
    const qreal dpiX = printer.logicalDpiX();
    const qreal dpiY = printer.logicalDpiY();
    bool firstSheet = true;
    for (int round = 0; round < rounds; ++round) {
        for (int number = first; number <= last; ++number) {
            if (!firstSheet && !printer.newPage())
                throw KavloError(QStringLiteral("The printer failed to start a new page"));
            firstSheet = false;
            RenderPage(painter, m_pages->at(size_t(number - 1)), QPointF(0, 0), dpiX, dpiY);
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw KavloError(QStringLiteral("The printer failed while printing"));
}

void CompositeReport::setNextDialogAnswer(const DialogAnswer &answer) { s_answers.push_back(answer); }

int CompositeReport::dialogCount() { return s_dialogCount; }

CompositeReport::DialogOffer CompositeReport::lastDialogOffer() { return s_lastOffer; }
