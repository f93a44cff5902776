#include "DialogParts.h"

#include "AppFonts.h"
#include "FormParts.h"
#include "ReportList.h"

#include <QLabel>
#include <QWidget>

QLabel *MakeFigureLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                        int rightEdge)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    SetTextColor(label, kMaroon);
    if (rightEdge >= 0) {
        // Wide enough for any figure; the text hugs the right edge.
        const int width = rightEdge - left;
        label->setGeometry(left, top, width, label->sizeHint().height());
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    } else {
        // Room for the longest figure; labels do not grow by themselves.
        label->setGeometry(left, top, qMax(136, label->sizeHint().width()), label->sizeHint().height());
    }
    return label;
}

QString RangeLineText(const QDate &start, const QDate &end)
{
    return start.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("至") +
           end.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("：");
}

void SetupFixedDialog(QWidget *dialog, const QString &caption, int width, int height)
{
    dialog->setWindowTitle(caption);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFont(KavloUiFont());
    dialog->setFixedSize(width, height);
    CentreOnScreen(dialog);
}

void BringToFront(QWidget *window)
{
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}
