#include "DialogFrame.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QWindow>

namespace {
const int kBorder = 3;
const int kCaptionHeight = 18;

class CaptionBar : public QLabel
{
public:
    explicit CaptionBar(QWidget *parent) : QLabel(parent)
    {
        setObjectName(QStringLiteral("lblCaption"));
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, QColor(10, 36, 106));
        palette.setColor(QPalette::WindowText, Qt::white);
        setPalette(palette);
        QFont bold = font();
        bold.setBold(true);
        setFont(bold);
        setIndent(4);
        setTextFormat(Qt::PlainText);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        // Moved by the window manager as if by its own title bar; without
        // one the window follows the mouse itself.
        QWindow *handle = window()->windowHandle();
        m_dragging = !(handle && handle->startSystemMove());
        m_offset = event->globalPosition().toPoint() - window()->pos();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (m_dragging)
            window()->move(event->globalPosition().toPoint() - m_offset);
    }
    void mouseReleaseEvent(QMouseEvent *) override { m_dragging = false; }

private:
    bool m_dragging = false;
    QPoint m_offset;
};
} // namespace

QWidget *MakeDrawnDialogFrame(QWidget *dialog, const QSize &client)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    const QSize outer(client.width() + 2 * kBorder, client.height() + 2 * kBorder + kCaptionHeight);
    dialog->setFixedSize(outer);

    auto *frame = new QFrame(dialog);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(kBorder - 1);
    frame->setGeometry(QRect(QPoint(0, 0), outer));

    auto *caption = new CaptionBar(dialog);
    caption->setGeometry(kBorder, kBorder, client.width(), kCaptionHeight);
    caption->setText(dialog->windowTitle());
    QObject::connect(dialog, &QWidget::windowTitleChanged, caption, &QLabel::setText);

    auto *area = new QWidget(dialog);
    area->setObjectName(QStringLiteral("pnlClient"));
    area->setGeometry(QRect(QPoint(kBorder, kBorder + kCaptionHeight), client));
    return area;
}
