#pragma once

#include <QFont>

// The window font: SimSun where it exists, WenQuanYi Zen Hei otherwise (the
// scripts install it), 12 pixels high.
QFont KavloUiFont(int pixelSize = 12);
// A face in which a Chinese character is exactly two ASCII widths, for text
// that must line up in columns.
QFont KavloMonoFont(qreal pointSize = 9);
