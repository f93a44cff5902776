// kavlo-mkicons SOURCE FOLDER SIZE...: writes FOLDER/<size>x<size>/kavlo.png
// for each size, the hicolor theme's layout, from the program's icon.
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: kavlo-mkicons SOURCE FOLDER SIZE...\n");
        return 2;
    }
    const QImage source = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (source.isNull()) {
        std::fprintf(stderr, "kavlo-mkicons: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "kavlo-mkicons: %s is not a size\n", argv[i]);
            return 2;
        }
        // The icon is drawn pixel by pixel: whole multiples keep its edges
        // sharp, other sizes are filtered.
        const bool whole = size % source.width() == 0 && size % source.height() == 0;
        const QImage icon = source.scaled(size, size, Qt::IgnoreAspectRatio,
                                          whole ? Qt::FastTransformation : Qt::SmoothTransformation);
        const QString name = QStringLiteral("%1x%1").arg(size);
        const QString path = folder.filePath(name + QStringLiteral("/kavlo.png"));
        if (!folder.mkpath(name) || !icon.save(path, "PNG")) {
            std::fprintf(stderr, "kavlo-mkicons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
