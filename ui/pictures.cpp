#include "pictures.h"

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

QIcon windowIcon() {
    return QIcon(kIcon);
}

} // namespace dovrix::pictures
