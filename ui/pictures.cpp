#include "pictures.h"

#include <QFileInfo>

namespace dovrix::pictures {

QString arrow(Direction direction) {
    switch (direction) {
    case Direction::Left:
        return QStringLiteral(":/pictures/arrow_left.gif");
    case Direction::Right:
        return QStringLiteral(":/pictures/arrow_right.gif");
    case Direction::Up:
        return QStringLiteral(":/pictures/arrow_up.gif");
    case Direction::Down:
        return QStringLiteral(":/pictures/arrow_down.gif");
    case Direction::None:
        break;
    }
    return {};
}

QString doubleSizePath(const QString& path) {
    const QFileInfo info(path);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("@2x.") +
           info.suffix();
}

QPixmap load(const QString& path, qreal devicePixelRatio) {
    if (devicePixelRatio > 1.0) {
        QPixmap large(doubleSizePath(path));
        if (!large.isNull()) {
            large.setDevicePixelRatio(2.0);
            return large;
        }
    }
    return QPixmap(path);
}

QPixmap fitted(const QString& path, QSize size, qreal devicePixelRatio) {
    QPixmap picture = load(path, devicePixelRatio);
    const QSize device = (QSizeF(size) * devicePixelRatio).toSize();
    if (!picture.isNull() && picture.size() != device) {
        picture = picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

QIcon windowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/pictures/icons/dovrix-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace dovrix::pictures
