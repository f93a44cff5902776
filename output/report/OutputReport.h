#pragma once

#include "CompositeReport.h"
#include "OutputRows.h"
#include "ReportModel.h"

#include <QSize>

#include <memory>
#include <vector>

class QWidget;

// How the printed pages of a range are laid out: one report per page, 46 row
// lines each, positions in screen pixels of a screen of the given pixels per
// inch.
constexpr int kRowsPerPage = 46;
constexpr int kLabelsPerPage = 50;

struct ReportGeometry {
    int ppiX = 96;
    int ppiY = 96;
    int bandWidth = 0;  // 190 mm in pixels, less one
    int bandHeight = 0; // H: 277 mm in pixels, less one
    // The top of a label at a vertical position in units of 1/1047 of H + 1.
    int top(int units) const;
};

// The screen's pixels per inch (96 when there is no screen).
QSize ScreenPixelsPerInch();
ReportGeometry ComputeReportGeometry(int ppiX, int ppiY);
int ReportPageCount(int rowCount);

// The page reports of a row set. Layout I first has cell 3 of every row
// right-aligned in place, so every row line is the plain join of its cells.
std::vector<std::unique_ptr<PageReport>> BuildPageReports(OutputRows &rows, OutputLayout layout,
                                                          const ReportGeometry &geometry);

// The printer settings every run starts from: default printer, A4, portrait.
void SetPrinterDefaults(CompositeReport &composite);
// The print dialog on the prepared composite, then, unless it was cancelled,
// printing in A4 portrait whatever the dialog chose.
void PrintPrepared(CompositeReport &composite, QWidget *parent);
