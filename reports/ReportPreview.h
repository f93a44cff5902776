#pragma once

#include "CompositeReport.h"

#include <QScrollArea>

#include <memory>

// The page preview component: shows one prepared page at 100 % in a scroll
// area whose scroll bars track the page.
class ReportPreview : public QScrollArea
{
    Q_OBJECT
public:
    explicit ReportPreview(QWidget *parent = nullptr);

    // Binds the view to prepared pages and shows page 1.
    void setPages(std::shared_ptr<const PreparedPages> pages);

    int pageNumber() const { return m_pageNumber; } // 0 when nothing is bound
    int pageCount() const { return m_pages ? int(m_pages->size()) : 0; }
    // Numbers outside 1..pageCount are ignored. An accepted page is shown
    // from its top-left corner.
    void setPageNumber(int number);
    int zoom() const { return 100; }

    const PreparedPage *currentPage() const;
    // The widget the page is drawn on.
    QWidget *pageWidget() const;

signals:
    void pageChanged(int number);

private:
    std::shared_ptr<const PreparedPages> m_pages;
    int m_pageNumber = 0;
};
