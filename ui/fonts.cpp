#include "fonts.h"

#include <QFontDatabase>

namespace dovrix {

QString gameFontFamily() {
    static const QString family = QFontDatabase::hasFamily(QStringLiteral("Arial"))
                                      ? QStringLiteral("Arial")
                                      : QStringLiteral("Liberation Sans");
    return family;
}

QFont gameFont(double pointSize, bool bold, bool underline) {
    QFont font(gameFontFamily());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

} // namespace dovrix
