#include "ReportPreview.h"

#include <QPainter>
#include <QScrollBar>

namespace {

const int kPaperGap = 10; // grey border around the sheet

class PageView : public QWidget
{
public:
    explicit PageView(ReportPreview *preview) : m_preview(preview) { setAutoFillBackground(false); }

    void refit()
    {
        const PreparedPage *page = m_preview->currentPage();
        const QSize sheet = page ? page->sizePx : QSize(0, 0);
        resize(sheet + QSize(2 * kPaperGap, 2 * kPaperGap));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(128, 128, 128));
        const PreparedPage *page = m_preview->currentPage();
        if (!page)
            return;
        const QRect sheet(QPoint(kPaperGap, kPaperGap), page->sizePx);
        painter.fillRect(sheet.translated(3, 3), Qt::black);
        painter.fillRect(sheet, Qt::white);
        // At 100 % one screen pixel of the report is one pixel here.
        RenderPage(painter, *page, sheet.topLeft(), page->ppiX, page->ppiY);
    }

private:
    ReportPreview *m_preview;
};

} // namespace

ReportPreview::ReportPreview(QWidget *parent) : QScrollArea(parent)
{
    setWidget(new PageView(this));
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
}

void ReportPreview::setPages(std::shared_ptr<const PreparedPages> pages)
{
    m_pages = std::move(pages);
    m_pageNumber = 0;
    if (pageCount() > 0)
        setPageNumber(1);
    else
        static_cast<PageView *>(widget())->refit();
}

void ReportPreview::setPageNumber(int number)
{
    if (number < 1 || number > pageCount())
        return;
    m_pageNumber = number;
    static_cast<PageView *>(widget())->refit();
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    emit pageChanged(number);
}

const PreparedPage *ReportPreview::currentPage() const
{
    if (m_pageNumber < 1 || m_pageNumber > pageCount())
        return nullptr;
    return &m_pages->at(size_t(m_pageNumber - 1));
}

QWidget *ReportPreview::pageWidget() const { return widget(); }
