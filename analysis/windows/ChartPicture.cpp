#include "ChartPicture.h"

#include "ErrorReport.h"
#include "KavloError.h"
#include "OutputCommands.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {
// The dialog opens on the picture saved last, by any chart window.
QString &LastPictureName()
{
    static QString name;
    return name;
}
} // namespace

QByteArray ChartPng(QWidget *chart)
{
    constexpr int kScale = 2;
    QImage image(chart->size() * kScale, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(kScale, kScale);
        chart->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        throw KavloError(QStringLiteral("The chart could not be made into a PNG picture"));
    return png;
}

void SaveChartPicture(QWidget *owner, QWidget *chart)
{
    runGuarded(owner, [&] {
        const QString name = AskSaveFileName(owner, QStringLiteral("png"), LastPictureName());
        if (name.isEmpty())
            return;
        WriteUserFileAndSay(owner, QStringLiteral("保存"), name, ChartPng(chart));
    });
}
