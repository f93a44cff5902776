#pragma once

#include "ReportModel.h"

#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

// A page as prepared for preview and print: a snapshot of one report, so the
// pages stay valid whatever happens to the reports afterwards.
struct PreparedLabel {
    QString caption;
    QStringList families;
    qreal pointSize;
    QPointF position; // screen pixels inside the band
};

struct PreparedPage {
    int number = 0;  // from 1 across the composite
    QSize sizePx;    // the sheet in screen pixels
    qreal ppiX = 96;
    qreal ppiY = 96;
    QMarginsF marginsMm;
    QSize bandSize;
    std::vector<PreparedLabel> labels;
};

using PreparedPages = std::vector<PreparedPage>;

// Draws one page with its sheet's top-left corner at origin (device units),
// on a device of the given resolution.
void RenderPage(QPainter &painter, const PreparedPage &page, const QPointF &origin, qreal deviceDpiX,
                qreal deviceDpiY);

// Joins reports into one page sequence numbered from 1. It asks its owner for
// the reports when it prepares: handlers of addReports() call addReport.
class CompositeReport : public QObject
{
    Q_OBJECT
public:
    explicit CompositeReport(QObject *parent = nullptr);
    ~CompositeReport() override;

    void addReport(const PageReport *report);
    const QList<const PageReport *> &reports() const { return m_reports; }

    // Printer settings. Index -1 is the default printer; a cancelled print
    // dialog leaves the index as it was.
    int printerIndex() const { return m_printerIndex; }
    void setPrinterIndex(int index);
    QPageSize::PageSizeId paperSize() const { return m_paper; }
    void setPaperSize(QPageSize::PageSizeId paper) { m_paper = paper; }
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }
    int copies() const { return m_copies; }
    int fromPage() const { return m_fromPage; } // 0: from the first page
    int toPage() const { return m_toPage; }     // 0: to the last page

    // Asks for the reports again and builds their pages.
    void prepare();
    std::shared_ptr<const PreparedPages> preparedPages() const { return m_pages; }
    int pageCount() const { return m_pages ? int(m_pages->size()) : 0; }

    // The print dialog on the prepared pages: printer, copies, page range.
    // Returns false when cancelled.
    bool printerSetup(QWidget *parent);
    // Prints the prepared pages on the chosen printer, in the paper size and
    // orientation set now. Throws KavloError when the printer fails.
    void print();

    // Test seam for the print dialog: the next dialogs are answered from this
    // queue instead of being shown.
    struct DialogAnswer {
        bool accepted = false;
        QString outputFile; // a PDF file instead of a printer
        QString printerName;
        int copies = 1;
        int fromPage = 0;
        int toPage = 0;
    };
    struct DialogOffer {
        int minPage = 0;
        int maxPage = 0;
    };
    static void setNextDialogAnswer(const DialogAnswer &answer);
    static int dialogCount();         // dialogs shown or answered so far
    static DialogOffer lastDialogOffer(); // the page range the last dialog offered

signals:
    void addReports();

private:
    void resetPrinter();

    QList<const PageReport *> m_reports;
    std::shared_ptr<const PreparedPages> m_pages;
    std::unique_ptr<QPrinter> m_printer;
    int m_printerIndex = -1;
    QPageSize::PageSizeId m_paper = QPageSize::A4;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    int m_copies = 1;
    int m_fromPage = 0;
    int m_toPage = 0;
};
