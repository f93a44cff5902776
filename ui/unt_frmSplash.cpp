#include "unt_frmSplash.h"

#include "AppFonts.h"
#include "WindowSystem.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {
const int kClientWidth = 222;
const int kClientHeight = 51;
const int kFrame = 3; // one side of the raised dialog frame
} // namespace

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Kavlo"));
    setFont(KavloUiFont());
    setAutoFillBackground(true);
    setAttribute(Qt::WA_DeleteOnClose, false);

    // The caption bar is gone, so the frame is drawn by hand and is equally
    // thick on all four sides; the client area keeps its size.
    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(kFrame);
    frame->setGeometry(0, 0, kClientWidth + 2 * kFrame, kClientHeight + 2 * kFrame);

    lblInformation = new QLabel(QStringLiteral("程序正在载入数据……"), this);
    lblInformation->setObjectName(QStringLiteral("lblInformation"));
    lblInformation->setAttribute(Qt::WA_TranslucentBackground);
    lblInformation->adjustSize();
    FormCreate();
    // Shown before the main window, so it has no taskbar entry either.
    KeepOffTaskbar(this);
}

void TfrmSplash::FormCreate()
{
    setFixedSize(kClientWidth + 2 * kFrame, kClientHeight + 2 * kFrame);
    lblInformation->move(kFrame + (kClientWidth - lblInformation->width()) / 2,
                         kFrame + (kClientHeight - lblInformation->height()) / 2);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}
