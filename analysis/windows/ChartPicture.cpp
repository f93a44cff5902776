#include "ChartPicture.h"

#include "ErrorReport.h"
#include "KavloError.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "SaveFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {
// The one place the picture reaches the disk.
void WritePicture(const QString &path, const QByteArray &png) { SaveFileWhole(path, png); }

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
        WritePicture(name, ChartPng(chart));
        MessageBox::information(owner, QStringLiteral("保存成功！\r\n\r\n文件保存位置：\r\n") +
                                           QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
    });
}
