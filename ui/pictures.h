#pragma once
// The game's pictures, compiled into the program as Qt resources: the four arrows, the pit
// and patch tiles, the end window's picture and the program's icon. Each picture also comes
// drawn at twice its size (the same name with "@2x"), for screens with more than one device
// pixel to a pixel.

#include "direction.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace dovrix::pictures {

// Resource paths of the pictures at their ordinary size.
QString arrow(Direction direction); // 33 x 33 GIF, black on transparent
inline const QString kPit = QStringLiteral(":/pictures/pit.png");        // 34 x 34
inline const QString kPatch = QStringLiteral(":/pictures/patch.png");    // 32 x 32
inline const QString kEndPicture = QStringLiteral(":/pictures/end.jpg"); // 280 x 397 JPEG

// The path of a picture's variant drawn at twice the size: "pit.png" -> "pit@2x.png".
QString doubleSizePath(const QString& path);

// The picture for a screen with the given device pixel ratio: above 1, the variant drawn at
// twice the size, marked with a ratio of 2 so that it covers the same area.
QPixmap load(const QString& path, qreal devicePixelRatio);

// The picture covering `size` pixels at the given device pixel ratio with one picture pixel
// per device pixel; resampled only where neither variant has that size.
QPixmap fitted(const QString& path, QSize size, qreal devicePixelRatio);

// The program's icon at 16 to 256 pixels.
QIcon windowIcon();

} // namespace dovrix::pictures
