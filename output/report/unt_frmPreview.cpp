#include "unt_frmPreview.h"

#include "AppFonts.h"
#include "ErrorReport.h"
#include "OutputReport.h"
#include "ReportPreview.h"
#include "WindowSystem.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QPushButton *PageButton(QWidget *panel, const char *name, const QString &caption, int left)
{
    auto *button = new QPushButton(caption, panel);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 6, 71, 23);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TfrmPreview::TfrmPreview(CompositeReport &composite, QWidget *parent) : QDialog(parent), m_composite(composite)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("打印预览"));
    QFont font = KavloUiFont();
    font.setPointSize(9);
    setFont(font);

    pnlTop = new QWidget(this);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    pnlTop->setFixedHeight(36);
    btnHeadPage = PageButton(pnlTop, "btnHeadPage", QStringLiteral("<< 最前页"), 10);
    btnBackPage = PageButton(pnlTop, "btnBackPage", QStringLiteral("< 上一页"), 87);
    btnNextPage = PageButton(pnlTop, "btnNextPage", QStringLiteral("下一页 >"), 164);
    btnTailPage = PageButton(pnlTop, "btnTailPage", QStringLiteral("最后页 >>"), 241);
    btnPrint = PageButton(pnlTop, "btnPrint", QStringLiteral("立即打印"), 324);

    QRPreview1 = new ReportPreview(this);
    QRPreview1->setObjectName(QStringLiteral("QRPreview1"));

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setFixedHeight(26);
    lblCurrentPage = new QLabel(QStringLiteral("#"), pnlBottom);
    lblCurrentPage->setObjectName(QStringLiteral("lblCurrentPage"));
    lblCurrentPage->move(10, 7);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlTop);
    layout->addWidget(QRPreview1, 1);
    layout->addWidget(pnlBottom);

    connect(btnHeadPage, &QPushButton::clicked, this, &TfrmPreview::btnHeadPageClick);
    connect(btnBackPage, &QPushButton::clicked, this, &TfrmPreview::btnBackPageClick);
    connect(btnNextPage, &QPushButton::clicked, this, &TfrmPreview::btnNextPageClick);
    connect(btnTailPage, &QPushButton::clicked, this, &TfrmPreview::btnTailPageClick);
    connect(btnPrint, &QPushButton::clicked, this, &TfrmPreview::btnPrintClick);

    QRPreview1->setPages(m_composite.preparedPages());
    FormCreate();
}

void TfrmPreview::FormCreate() { FitToWorkArea(); }

void TfrmPreview::FitToWorkArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The whole window, frame included, covers the work area, so neither
    // its title bar nor its page label lies under a panel. The window
    // manager tells its frame before the window is shown; once shown, Qt
    // knows it too.
    const QRect work = screen->availableGeometry();
    QMargins frame = WindowFrameExtents(this);
    if (frame.isNull() && windowHandle())
        frame = windowHandle()->frameMargins();
    setGeometry(work.marginsRemoved(frame));
}

void TfrmPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Some window managers tell the frame only when the window is mapped.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        if (frameGeometry() != screen->availableGeometry())
            FitToWorkArea();
    }
    FormShow();
}

void TfrmPreview::FormShow() { ShowCurrentPage(); }

void TfrmPreview::ShowCurrentPage()
{
    lblCurrentPage->setText(QStringLiteral("第 %1 页 / 共 %2 页").arg(QRPreview1->pageNumber()).arg(QRPreview1->pageCount()));
    lblCurrentPage->adjustSize();
}

void TfrmPreview::btnHeadPageClick()
{
    QRPreview1->setPageNumber(1);
    ShowCurrentPage();
}

void TfrmPreview::btnBackPageClick()
{
    QRPreview1->setPageNumber(QRPreview1->pageNumber() - 1);
    ShowCurrentPage();
}

void TfrmPreview::btnNextPageClick()
{
    QRPreview1->setPageNumber(QRPreview1->pageNumber() + 1);
    ShowCurrentPage();
}

void TfrmPreview::btnTailPageClick()
{
    QRPreview1->setPageNumber(QRPreview1->pageCount());
    ShowCurrentPage();
}

void TfrmPreview::btnPrintClick()
{
    runGuarded(this, [this] {
        SetPrinterDefaults(m_composite);
        m_composite.prepare();
        PrintPrepared(m_composite, this);
    });
}
