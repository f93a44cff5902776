#include "ReportCommands.h"

#include "BusyBracket.h"
#include "ErrorReport.h"
#include "OutputCommands.h"
#include "OutputReport.h"
#include "unt_frmPreview.h"

#include <QWidget>

struct ReportCommands::Private {
    // The page reports and the composite of the run in progress; they stay
    // alive while it prints or shows, so the preview's print button prints
    // what it shows.
    std::vector<std::unique_ptr<PageReport>> g_arrPageReports;
    std::unique_ptr<CompositeReport> g_objCompositeReport;

    void g_objCompositeReportAddReports()
    {
        for (const auto &report : g_arrPageReports)
            g_objCompositeReport->addReport(report.get());
    }
};

ReportCommands::ReportCommands(MainWindowFields &fields, OutputCommands &output, QWidget *owner)
    : m_fields(fields), m_output(output), m_owner(owner), d(std::make_unique<Private>())
{
}

ReportCommands::~ReportCommands() = default;

int ReportCommands::runPageCount() const { return int(d->g_arrPageReports.size()); }

namespace {

// The start every output command shares: the row set of the range under the
// busy cursor, in the layout asked for; false when there is nothing to do.
bool GatherRows(OutputCommands &output, const QDate &start, const QDate &end, OutputLayout layout,
                OutputRows &rows)
{
    {
        BusyCursor busy;
        if (!output.BuildOutputRows(start, end, rows))
            return false;
    }
    if (layout == OutputLayout::II)
        ConvertToLayoutII(rows);
    return true;
}

} // namespace

void ReportCommands::Print(const QDate &start, const QDate &end, OutputLayout layout)
{
    runGuarded(m_owner, [&] {
        OutputRows rows;
        if (GatherRows(m_output, start, end, layout, rows))
            OutputReport(QStringLiteral("打印"), rows, layout);
    });
}

void ReportCommands::Preview(const QDate &start, const QDate &end, OutputLayout layout)
{
    runGuarded(m_owner, [&] {
        OutputRows rows;
        if (GatherRows(m_output, start, end, layout, rows))
            OutputReport(QStringLiteral("预览"), rows, layout);
    });
}

void ReportCommands::OutputReport(const QString &mode, OutputRows &rows, OutputLayout layout)
{
    const QSize ppi = ScreenPixelsPerInch();
    const ReportGeometry geometry = ComputeReportGeometry(ppi.width(), ppi.height());

    // The pages are needed only while they print or show: a long range's
    // labels are not kept until the next run. The composite refers to the
    // page reports, so it goes first.
    struct RunEnd {
        Private &d;
        ~RunEnd()
        {
            d.g_objCompositeReport.reset();
            d.g_arrPageReports.clear();
        }
    } runEnd{*d};
    d->g_arrPageReports = BuildPageReports(rows, layout, geometry);

    d->g_objCompositeReport = std::make_unique<CompositeReport>();
    CompositeReport &composite = *d->g_objCompositeReport;
    QObject::connect(&composite, &CompositeReport::addReports, &composite,
                     [this] { d->g_objCompositeReportAddReports(); });
    SetPrinterDefaults(composite);
    composite.prepare();

    if (mode == QStringLiteral("打印")) {
        PrintPrepared(composite, m_owner);
        return;
    }

    if (m_owner) {
        m_owner->window()->raise();
        m_owner->window()->activateWindow();
    }
    TfrmPreview preview(composite, m_owner);
    ActiveDialogScope active(m_fields, &preview);
    preview.exec();
}
