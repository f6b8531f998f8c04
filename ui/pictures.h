#pragma once
// The game's pictures, compiled into the program as Qt resources: the four arrows, the pit
// and patch tiles, the window icon and the end window's picture.

#include "direction.h"

#include <QIcon>
#include <QString>

namespace dovrix::pictures {

// Resource paths.
QString arrow(Direction direction); // 33 x 33 GIF, black on transparent
inline const QString kPit = QStringLiteral(":/pictures/pit.png");        // 34 x 34
inline const QString kPatch = QStringLiteral(":/pictures/patch.png");    // 32 x 32
inline const QString kIcon = QStringLiteral(":/pictures/icon.png");      // 32 x 32
inline const QString kEndPicture = QStringLiteral(":/pictures/end.jpg"); // 280 x 397 JPEG

QIcon windowIcon();

} // namespace dovrix::pictures
