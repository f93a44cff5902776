#pragma once

#include <QString>

// The window images built into the program (Qt resources).
inline const QString kSkinImage = QStringLiteral(":/kavlo/skin.png");           // 650 by 480, the main window
inline const QString kIconImage = QStringLiteral(":/kavlo/icon.png");           // the program's icon
inline const QString kImageList1Image = QStringLiteral(":/kavlo/ImageList1.png"); // 16 by 16, list rows
