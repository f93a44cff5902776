#include "BrowseWidgets.h"

#include "FormParts.h"
#include "ReportList.h"

#include "AmountText.h"
#include "AppFonts.h"

#include <QApplication>
#include <QLabel>

QList<const QStringList *> RecordTexts(const RangeRecords &records)
{
    return {&records.date, &records.type, &records.name, &records.amount, &records.memo};
}

RangeSums SumDayTotals(const DayTotals &days)
{
    RangeSums sums;
    for (int i = 0; i < days.size(); ++i) {
        sums.expense += ParseAmountText(days.expense[i]);
        sums.income += ParseAmountText(days.income[i]);
        sums.balance += ParseAmountText(days.balance[i]);
    }
    return sums;
}

QLabel *MakeFigureLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                        int rightEdge)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kMaroon);
    label->setPalette(palette);
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
