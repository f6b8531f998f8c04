#pragma once
// What the start and end windows share: their client area's size and the game's name across
// the top of it.

#include "fonts.h"
#include "window_controls.h"

namespace dovrix {

inline constexpr int kTitleWindowWidth = 9855;
inline constexpr int kTitleWindowHeight = 9600;

inline QLabel* makeTitleLabel(QWidget* client, const TwipScale& scale) {
    QLabel* title =
        makeLabel(client, scale, "lblTitle", QStringLiteral("Dovrix"), {240, -270, 9375, 1455},
                  gameFont(72, true), Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(*title, QColor(0, 0, 128));
    return title;
}

} // namespace dovrix
