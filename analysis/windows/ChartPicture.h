#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// The chart as it shows now, drawn at twice its size on white, as PNG bytes.
QByteArray ChartPng(QWidget *chart);

// "保存图片(&S)...": asks for a name (the exports' rules and overwrite
// question), writes the picture whole or not at all and says where it went.
// Reports its own failures; a failed write never claims success.
void SaveChartPicture(QWidget *owner, QWidget *chart);
