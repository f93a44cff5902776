#include "unt_clsButtonCreator.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);

void setLabelColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, kSilver);
    label->setPalette(palette);
}
} // namespace

TclsShape::TclsShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void TclsShape::setPenColor(const QColor &color)
{
    m_pen = color;
    update();
}

void TclsShape::setBrushColor(const QColor &color)
{
    m_brush = color;
    update();
}

void TclsShape::setCornerRadius(int radius)
{
    m_radius = radius;
    update();
}

void TclsShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_radius == 0) {
        // A bar is drawn crisp: every pixel of the rectangle takes the fill
        // colour, with no softened ends or edges.
        if (m_brush.isValid())
            painter.fillRect(rect(), m_brush);
        if (m_pen.isValid()) {
            painter.setPen(QPen(m_pen, 0));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(m_pen.isValid() ? QPen(m_pen, 1) : QPen(Qt::NoPen));
    painter.setBrush(m_brush.isValid() ? QBrush(m_brush) : QBrush(Qt::NoBrush));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
}

TclsButtonCreator::TclsButtonCreator(QObject *parent) : QObject(parent) {}

void TclsButtonCreator::CreateButton(TclsShape *shape, QLabel *label)
{
    FShape = shape;
    FLabel = label;
    shape->installEventFilter(this);
    label->installEventFilter(this);
    shape->setPenColor(kGrey);
    shape->setBrushColor(QColor());
    setLabelColor(label, Qt::black);
}

void TclsButtonCreator::SetEnabled(bool value)
{
    FShape->setEnabled(value);
    FLabel->setEnabled(value);
    FShape->setPenColor(value ? kGrey : kSilver);
}

bool TclsButtonCreator::isEnabled() const { return FLabel && FLabel->isEnabled(); }

void TclsButtonCreator::ButtonMouseDown(QWidget *, Qt::MouseButton button)
{
    if (!FLabel->isEnabled() || button != Qt::LeftButton)
        return;
    FShape->setPenColor(QColor());
    FShape->setBrushColor(kGrey);
    setLabelColor(FLabel, Qt::white);
}

void TclsButtonCreator::ButtonMouseUp(QWidget *sender, Qt::MouseButton button)
{
    if (!FLabel->isEnabled() || button != Qt::LeftButton)
        return;
    FShape->setPenColor(kGrey);
    FShape->setBrushColor(QColor());
    setLabelColor(FLabel, Qt::black);
    if (OnButtonClick)
        OnButtonClick(sender);
}

bool TclsButtonCreator::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && (widget == FShape || widget == FLabel)) {
        // A disabled widget gets no mouse events from Qt at all, which is
        // exactly the "disabled does nothing" rule.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            ButtonMouseDown(widget, static_cast<QMouseEvent *>(event)->button());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            ButtonMouseUp(widget, static_cast<QMouseEvent *>(event)->button());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

TclsButtonCreator *CreateHoverButton(QWidget *parent, const QString &role, const QString &caption, int left,
                                     int top, std::function<void()> onClick, bool narrow)
{
    const HoverButtonParts parts = MakeHoverButton(parent, role, caption, left, top, narrow);
    auto *creator = new TclsButtonCreator(parent);
    creator->CreateButton(parts.shape, parts.label);
    creator->OnButtonClick = [onClick = std::move(onClick)](QWidget *) { onClick(); };
    return creator;
}

HoverButtonParts MakeHoverButton(QWidget *parent, const QString &role, const QString &caption, int left,
                                 int top, bool narrow)
{
    auto *shape = new TclsShape(parent);
    shape->setObjectName(QStringLiteral("shp") + role);
    shape->setGeometry(left, top, narrow ? 16 : 57, 22);
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("lbl") + role);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
    label->move(left + (narrow ? 2 : 16), top + 5);
    label->raise();
    return {shape, label};
}
