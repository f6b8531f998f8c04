#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace dovrix {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

TwipScale::TwipScale(double dotsPerInch) : dotsPerInch_(dotsPerInch > 0 ? dotsPerInch : 96.0) {}

TwipScale TwipScale::forScreen(const QScreen* screen) {
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return TwipScale(screen != nullptr ? screen->logicalDotsPerInch() : 96.0);
}

int TwipScale::pixels(int twips) const {
    return static_cast<int>(std::lround(twips * dotsPerInch_ / kTwipsPerInch));
}

QRect TwipScale::rect(int left, int top, int width, int height) const {
    const int x = pixels(left);
    const int y = pixels(top);
    return QRect(x, y, pixels(left + width) - x, pixels(top + height) - y);
}

QPointF TwipScale::twips(QPointF pixels) const {
    return pixels * (kTwipsPerInch / dotsPerInch_);
}

void placeControl(QWidget& control, const TwipScale& scale, int left, int top, int width,
                  int height) {
    control.setGeometry(scale.rect(left, top, width, height));
}

void placeInScreenCentre(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace dovrix
