#pragma once

#include "OutputRows.h"

#include <QString>

// A row set of `records` records on 1 March 2007 (expense and income taking
// turns), in the layout asked for, made by the real row-set code.
OutputRows SampleRows(int records, OutputLayout layout);

// pdfinfo's "Pages:" and pdftotext -layout's text of a printed file.
int PdfPageCount(const QString &pdf);
QString PdfPageSize(const QString &pdf);
QString PdfText(const QString &pdf, int page = 0); // 0: every page
