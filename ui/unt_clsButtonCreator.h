#pragma once

#include <QColor>
#include <QObject>
#include <QWidget>

#include <functional>

class QLabel;

// A rounded-rectangle shape ("shp" components): outline and fill as set, no
// focus, draws nothing outside its rectangle.
class TclsShape : public QWidget
{
    Q_OBJECT
public:
    explicit TclsShape(QWidget *parent = nullptr);

    void setPenColor(const QColor &color); // invalid colour: no outline
    void setBrushColor(const QColor &color); // invalid colour: no fill
    QColor penColor() const { return m_pen; }
    QColor brushColor() const { return m_brush; }
    void setCornerRadius(int radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_pen;
    QColor m_brush;
    int m_radius = 4;
};

// Pairs a shape with its label into a hover button: pressed look while the
// left button is down, the click raised on release (wherever the pointer is,
// since the control that took the press also takes the release), nothing for
// other buttons or while disabled. It only holds the pairing and its event.
class TclsButtonCreator : public QObject
{
    Q_OBJECT
public:
    explicit TclsButtonCreator(QObject *parent = nullptr);

    void CreateButton(TclsShape *shape, QLabel *label);
    void SetEnabled(bool value);
    bool isEnabled() const;

    TclsShape *FShape = nullptr;
    QLabel *FLabel = nullptr;
    // Raised on a left-button release; the sender is the shape or the label.
    std::function<void(QWidget *sender)> OnButtonClick;

    void ButtonMouseDown(QWidget *sender, Qt::MouseButton button);
    void ButtonMouseUp(QWidget *sender, Qt::MouseButton button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Makes the widgets of one hover button at its layout place: the shape
// `shp<role>` (57 by 22, 16 wide for narrow buttons) and the label
// `lbl<role>` 16 pixels right of and 5 below its corner (2 for narrow ones).
struct HoverButtonParts {
    TclsShape *shape;
    QLabel *label;
};
HoverButtonParts MakeHoverButton(QWidget *parent, const QString &role, const QString &caption, int left,
                                 int top, bool narrow = false);

// A whole hover button: its widgets and their pairing, owned by `parent`; a
// click runs onClick until someone points OnButtonClick elsewhere.
TclsButtonCreator *CreateHoverButton(QWidget *parent, const QString &role, const QString &caption, int left,
                                     int top, std::function<void()> onClick, bool narrow = false);
