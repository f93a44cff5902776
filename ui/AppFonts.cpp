#include "AppFonts.h"

#include <QStringList>

QFont KavloUiFont(int pixelSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(pixelSize);
    return font;
}

QFont KavloMonoFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Zen Hei Mono")});
    font.setPointSizeF(pointSize);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}
